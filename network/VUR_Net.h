#pragma once
// The plant link: a TCP server on 127.0.0.1 through which the plant-side
// client program (started by the monitor) receives parameters, ROI sets,
// results, statistics, operation-log lines, picture paths and the list of
// video shares, and answers requests for product names and memos.
//
// Everything on the socket happens on the thread that owns this object (the
// GUI thread); builders may be called from any thread. One frame is in
// flight until the client acknowledges it (VUR_SendQueue).
#include "NetCard.h"
#include "VUR_Messages.h"
#include "VUR_Path_ManualStop.h"
#include "VUR_Path_Remind.h"
#include "VUR_Path_Statistics.h"
#include "VUR_ReplyGatherer.h"
#include "VUR_SendQueue.h"
#include "VUR_Thread_CopyVideo.h"
#include "VUR_VideoShares.h"
#include "inspect/ParamRoi.h"

#include <QDateTime>
#include <QMutex>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

class QTcpSocket;

class VUR_Net : public QTcpServer {
    Q_OBJECT
public:
    // Where the link listens and keys its video shares; tests choose port 0
    // (any free one) and a key path of their own before construction.
    struct Options {
        quint16 port = 8890;
        QString shmKeyPath = QStringLiteral("/tmp");
    };
    static void SetOptions(const Options& options);
    static Options GetOptions();

    static constexpr qint64 kHeartbeatLimitMs = 59001;
    static constexpr int kHeartbeatMs = 60000;
    static constexpr int kVideoMs = 50;

    // Reads whether the link is on from PARAM.db of the working directory;
    // when on, listens, loads its records and reads whichsend.config.
    explicit VUR_Net(QObject* parent = nullptr);
    // Only tests end the link: its video shares are removed with it.
    ~VUR_Net() override;

    // Time source (UTC milliseconds) for message stamps, the acknowledgement
    // wait and the heartbeat; tests inject their own.
    void setClock(std::function<qint64()> utcMs);
    qint64 now() const { return m_clock(); }

    virtual void VUR_FirstInit();
    virtual void VUR_ReStart();
    virtual void VUR_SendMemoryInfo();
    virtual void VUR_SendParam();
    virtual void VUR_SendROIParam(int cam, int det);
    virtual void VUR_SendRecord(QDateTime time, QString level, QString text);
    virtual void VUR_SendStatistics(QString picture);
    // Per-cycle ROI results; trigger: the cycle's trigger code (lastInputNo).
    virtual void VUR_SendStatistics_Once(QList<param_roi> list, bool ng, int trigger);
    virtual void ChkandAddStaticticsItem(int camera, int step, int roi);
    virtual void VUR_SendSaveNgVideo(int camera, int isNg);
    virtual void VUR_SendTelInfo(int step, int failedRoiCount);
    virtual void VUR_AddNgTimes(int ms);
    virtual void VUR_SendCancle();
    virtual void VUR_SendManualStop();
    virtual void VUR_SendAlarmPic(QString path);
    // A template picture or ignore-point mask written (absolute path).
    virtual void VUR_SendTempPic(QString path);
    // A template file removed; camera and step 1-based, the file's name.
    virtual void VUR_SendDelTempPic(int camera, int step, QString name);
    virtual void VUR_SendAddRemind(const VUR_Path_Remind& remind);
    virtual void VUR_SendDelRemind(qint64 utc);
    virtual void VUR_SendRunState();
    // Requests answered by the client (replies: productNamesReceived, remindersReceived).
    virtual void VUR_RequestProductNames();
    virtual void VUR_RequestReminds();
    // Registers a camera's display buffer as its video share (video mode 2).
    virtual void VUR_AddUseMemory(int camera, int width, int height, unsigned char* buffer);
    // Copies a picture into a share (null: the camera's registered buffer).
    bool VUR_UpdateMemory(int camera, const QImage& picture = QImage());
    void VUR_FreeShareMemory();

    void InitManualStop();
    void InitStatistics();

    // The heartbeat check of every minute (public for tests).
    void HeartbeatTick();
    // One copy of the video shares (every 50 ms while a share exists).
    void VideoTick();

    static QMap<QString, QStringList> getNewNetCardInfo() { return NetCard::ReadCards(); }
    static QMap<QString, QString> getNetMac() { return NetCard::ReadMacs(); }
    static QString getNetHostName() { return NetCard::ReadHostName(); }
    static QMap<QString, QString> getNetCardInfo() { return NetCard::ReadAddresses(); }

    bool sendEnabled(int type) const { return type >= 0 && type < 21 && m_sendEnabled[type]; }
    int pendingCount() const { return m_queue.size(); }
    int videoMode() const { return m_videoMode; }
    const VUR_VideoShares& videoShares() const { return m_shares; }
    // Copies of the records, taken under their lock.
    VUR_Path_Statistics statisticsRecord() const;
    VUR_Path_ManualStop manualStopRecord() const;

    NetCard netCard;      // live: the host name is every message's device_id
    NetCard netCardEdit;  // edited by the settings' network page
    std::atomic<bool> isInit{false};   // the link was switched on and started
    std::atomic<bool> isAlive{false};  // the plant client is connected and answering
    bool isMemSent = false;            // the share list went out on this connection
    bool isServerChanged = false;      // server settings edited (settings dialog)
    std::atomic<qint64> bindUtc{0};    // time of the last per-cycle result
    // Made with a started link and never started: the 50-ms timer copies.
    std::unique_ptr<VUR_Thread_CopyVideo> copyVideo;

signals:
    void productNamesReceived(const QString& body);  // answer to type 14
    void remindersReceived(const QString& body);     // answer to type 17

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    bool LinkOn() const;
    void getWhichSend();
    void Enqueue(int type, const QByteArray& body);
    void StartSend();
    void Pump();
    void OnDisconnected(QTcpSocket* socket);
    void OnReadyRead(QTcpSocket* socket);
    void HandleReply(const QString& text);
    QString Host() const { return netCard.hostName; }
    static VurMessages::Counters Counts();

    std::function<qint64()> m_clock;
    bool m_startOn = false;
    int m_videoMode = 0;
    bool m_sendEnabled[21] = {};
    VUR_SendQueue m_queue;
    QPointer<QTcpSocket> m_socket;
    VUR_ReplyGatherer m_replies;  // of m_socket
    qint64 m_lastContact = 0;
    QTimer m_ackTimer;
    QTimer m_heartTimer;
    QTimer m_videoTimer;
    mutable QMutex m_recordMutex;  // statistics, their durations and the stop record
    VUR_Path_ManualStop m_manualStop;
    VUR_Path_Statistics m_statistics;
    VUR_VideoShares m_shares;
};

// The one plant link of the process; made by main before the main window.
extern VUR_Net* gpNet;

// True when the link is started and its client alive (callers also check
// the parameter netEnabled).
inline bool PlantLinkUp()
{
    return gpNet && gpNet->isInit && gpNet->isAlive;
}
