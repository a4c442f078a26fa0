#pragma once
// Live pictures shared with the plant client: one System V segment and one
// semaphore per picture, keyed by ftok(key path, "100"+camera) and
// ftok(key path, "200"+camera); each holds an I420 frame.
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <map>
#include <memory>

class VUR_Semaphore;

struct VideoShareInfo {
    int camera = 0;
    int width = 0;
    int height = 0;
    int size = 0;  // bytes: width x height x 3 / 2
    int shmid = -1;
    int semid = -1;
    void* addr = nullptr;
    std::shared_ptr<VUR_Semaphore> sem;
    int fps = 0;
};

class VUR_VideoShares {
public:
    explicit VUR_VideoShares(const QString& keyPath = QStringLiteral("/tmp")) : m_keyPath(keyPath) {}
    ~VUR_VideoShares();  // detaches; the segments stay for the client

    // Frames per second listed for a frame-rate index (0-4 -> 5-25).
    static int FpsOf(int index);

    // Creates (or finds) the share of a camera; `frame` (may be null) is the
    // 32-bit picture of width x height that feeds it when no picture is passed.
    void Add(int camera, int width, int height, unsigned char* frame, int fpsIndex);
    // Copies a picture into the camera's share as I420. A picture of the
    // wrong size is refused; one of another format is converted first. A
    // semaphore held longer than `waitMs` skips the frame. False when
    // nothing was copied.
    bool Update(int camera, const QImage& picture, int waitMs = 20);
    // Every semaphore back to 1 (a new client connected).
    void ResetSemaphores();
    // Detaches and removes every segment and semaphore.
    void Free();

    bool empty() const { return m_shares.empty(); }
    const std::map<int, VideoShareInfo>& shares() const { return m_shares; }
    unsigned char* frameSource(int camera) const;
    // {"memoryinfo": [...]} in the order the shares were made.
    QByteArray MemoryInfoJson() const;

private:
    QString m_keyPath;
    std::map<int, VideoShareInfo> m_shares;
    std::map<int, unsigned char*> m_frameSources;
    QList<VideoShareInfo> m_listed;
};
