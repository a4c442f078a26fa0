#pragma once
// Writes the NG/OK result pictures the detection cycle hands over, keeping
// each folder below its picture limit. JPEG writing is slow, so the GUI
// thread only renders a picture into a slot and raises a flag; this thread sweeps.
#include <QImage>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <vector>

// Hand-over area, guarded by pMutexSaveFail: [camera][step][slot 0 NG, 1 OK].
// A slot holds its gImageW x gImageH picture (RGB888) from the drawing until
// this thread takes it, once handed over, to code it: sixteen frame-size
// pictures per camera kept for good would cost more than all its frame
// buffers together, and even those waiting between paced writes did.
extern QImage gpFailImage[8][8][2];

// Rows from the top that the lines of a re-check are drawn into
// (ResultPicture::AddCodeLines); below them a picture does not change.
constexpr int kPictureHeadRows = 128;
// A slot's picture waiting for its re-check, packed (PackWaitingPictures) so
// that eight cameras' NG pictures do not wait at frame size: its head rows
// as a picture (the re-check draws into them), the rows below packed (CompressFrame).
// Under pMutexSaveFail, beside gpFailImage: a picture there is newer.
struct PackedPicture {
    QImage head;
    std::vector<uint8_t> rest;
    int height = 0;
    bool isNull() const { return head.isNull(); }
    size_t bytes() const { return size_t(head.sizeInBytes()) + rest.size(); }
};
extern PackedPicture gPackedFail[8][8][2];
// Packs an RGB888 picture (a null one when it cannot), and back.
PackedPicture PackPicture(const QImage& picture);
QImage UnpackPicture(const PackedPicture& packed);
// Packs, off the GUI thread, every picture left in its slot without being
// handed over: the NG pictures of an alarm, waiting for the re-check.
void PackWaitingPictures(int cameras);
// A handed-over picture coded (JPEG) by CodeHandedPictures, waiting for the
// saver to write it; under pMutexSaveFail. A picture drawn into the slot is newer.
extern std::vector<uint8_t> gCodedFail[8][8][2];
// Frame-size pictures handed over may wait for the low-priority saver up to
// this many bytes; the rest CodeHandedPictures codes at once.
constexpr size_t kWaitingPictureBytes = size_t(16) << 20;
// Codes, off the calling thread and at normal priority, the handed-over
// pictures that wait at frame size beyond budget bytes.
void CodeHandedPictures(int cameras, size_t budget = kWaitingPictureBytes);
extern bool gisSaveFail[8][8][2];
extern int gFailIndex[8][8];           // 0 none, else 1-based first failing ROI
extern QMutex* pMutexSaveFail;
extern int gPicNumNG;                  // pictures each NG folder keeps
extern int gPicNumOK;                  // pictures each OK folder keeps

// Folder of camera c, step s (0-based), slot 0 NG / 1 OK, below the working directory.
QString ResultFolder(int camera, int step, int slot);
// Creates the NG and OK folders of the given cameras and all eight steps.
bool MakeResultFolders(int cameras);
// Counter for the next picture: the largest number of the pictures this
// program wrote into the folders, plus 1 (1 when there is none), at most
// kMaxPictureNumber so a name keeps its ten digits.
constexpr qint64 kMaxPictureNumber = 9999999999LL;
qint64 NextPictureNumber(const QStringList& folders);
// File name for counter n at the current time.
QString PictureFileName(qint64 n);

class SaveFialImageThread : public QThread {
    Q_OBJECT
public:
    struct Timing {
        int afterNgWithOkMs = 1000;  // between the NG and OK picture of one step
        int afterPictureMs = 200;
        int sweepMs = 100;
    };

    // cameras and the live step count gDNum bound the sweep; counter is the
    // main window's saved-picture number.
    SaveFialImageThread(int cameras, std::atomic<qint64>* counter, QObject* parent = nullptr);

    void setTiming(const Timing& t) { m_timing = t; }

    // Prunes the folder's oldest "*.jpg" so that with one more picture it
    // holds at most limit files. A limit of 0 empties it.
    static void Prune(const QString& folder, int limit);

signals:
    // Emitted from this thread for each written picture (absolute and "."-relative
    // path); receivers on the GUI thread get it queued.
    void pictureSaved(const QString& absolutePath, const QString& relativePath);

protected:
    void run() override;

private:
    void sweepOnce();
    bool saveSlot(int c, int s, int slot, bool ngPending);
    void nap(int ms);
    // Codes every picture handed over and still waiting, so that it waits as
    // a JPEG (a few hundred KB) instead of a frame-size picture.
    void codeWaiting();

    int m_cameras;
    std::atomic<qint64>* m_counter;
    Timing m_timing;
    // [camera][step][slot]: the coded picture taken from its slot, this
    // thread's alone; a picture drawn into the slot since is newer and wins.
    std::vector<uint8_t> m_coded[8][8][2];
};

extern SaveFialImageThread* gpSaveFialImageThread;

// Reports each written picture to the plant link on the GUI thread, when the
// link is switched on and its client alive.
void ConnectSaverToPlantLink(SaveFialImageThread* saver);
