#include "VUR_Net.h"

#include "PlantLinkHost.h"
#include "VUR_Frame.h"
#include "VUR_Json.h"
#include "VUR_Messages.h"
#include "VUR_RecordFile.h"
#include "VUR_Reply.h"
#include "foundation/GLog.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "params/WizardPara.h"
#include "platform/SystemActions.h"

#include <QDir>
#include <QFile>
#include <QMutexLocker>
#include <QPainter>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QThread>

VUR_Net* gpNet = nullptr;

namespace {
VUR_Net::Options gOptions;

const QString kClientScript = QStringLiteral("./vur_net/runNetClient.py");

// Values of the sysparam row VurNet in PARAM.db; empty when the file or row is missing.
QStringList ReadVurNetRow()
{
    QStringList values;
    if (!QFile::exists(QStringLiteral("PARAM.db"))) {
        GLogInfo(QStringLiteral("ErrorOpen"));
        return values;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("isopen"));
        db.setDatabaseName(QStringLiteral("PARAM.db"));
        if (!db.open()) {
            GLogInfo(QStringLiteral("ErrorOpen"));
        } else {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            q.prepare(QStringLiteral("select value from sysparam where name=?"));
            q.addBindValue(QStringLiteral("VurNet"));
            if (q.exec() && q.next())
                values = q.value(0).toString().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("isopen"));
    return values;
}
}  // namespace

void VUR_Net::SetOptions(const Options& options)
{
    gOptions = options;
}

VUR_Net::Options VUR_Net::GetOptions()
{
    return gOptions;
}

VUR_Net::VUR_Net(QObject* parent)
    : QTcpServer(parent)
    , m_clock([] { return QDateTime::currentMSecsSinceEpoch(); })
    , m_shares(gOptions.shmKeyPath)
{
    netCard.cards = NetCard::ReadCards();
    netCard.hostName = NetCard::ReadHostName();
    netCard.macs = NetCard::ReadMacs();
    netCardEdit = netCard;

    const QStringList row = ReadVurNetRow();
    m_startOn = row.value(0).toInt() != 0;
    if (!m_startOn)
        return;  // off: no server, no timers, every builder returns at once
    // The video mode holds for this run: the shares are made at start-up.
    m_videoMode = row.value(1).toInt();

    QDir().mkpath(QStringLiteral("./vur_net/data/"));
    QFile::remove(QStringLiteral("./vur_net/chknettimes"));
    if (listen(QHostAddress::LocalHost, gOptions.port))
        GLogInfo(QStringLiteral("VUR: server is alread open..."));
    else
        GLogInfo(QStringLiteral("VUR: listen on 127.0.0.1:%1 failed: %2").arg(gOptions.port).arg(errorString()));

    m_ackTimer.setInterval(100);
    connect(&m_ackTimer, &QTimer::timeout, this, &VUR_Net::Pump);
    m_lastContact = now();
    connect(&m_heartTimer, &QTimer::timeout, this, &VUR_Net::HeartbeatTick);
    m_heartTimer.start(kHeartbeatMs);
    connect(&m_videoTimer, &QTimer::timeout, this, &VUR_Net::VideoTick);
    // The copy paints into the pictures the GUI shows, so a tick from the
    // thread is handed to this object's thread.
    copyVideo = std::make_unique<VUR_Thread_CopyVideo>(
        [this] { QMetaObject::invokeMethod(this, &VUR_Net::VideoTick, Qt::QueuedConnection); });

    InitManualStop();
    InitStatistics();
    isInit = true;
    getWhichSend();
}

VUR_Net::~VUR_Net()
{
    VUR_FreeShareMemory();
}

void VUR_Net::setClock(std::function<qint64()> utcMs)
{
    m_clock = std::move(utcMs);
    m_lastContact = now();
}

VurMessages::Counters VUR_Net::Counts()
{
    const PlantLinkHost& host = PlantLinkHost::instance();
    return {host.allCounts(), host.failCounts()};
}

bool VUR_Net::LinkOn() const
{
    return gpWPara ? gpWPara->netEnabled != 0 : m_startOn;
}

void VUR_Net::getWhichSend()
{
    std::fill(std::begin(m_sendEnabled), std::end(m_sendEnabled), true);
    QByteArray text;
    if (!VurRecordFile::Read(QStringLiteral("./vur_net/whichsend.config"), &text))
        return;
    cJSON* root = cJSON_Parse(text.constData());
    if (cJSON_IsObject(root)) {
        for (int n = 0; n < VurFrame::kTypeCount; ++n) {
            const cJSON* m = cJSON_GetObjectItem(root, QByteArray::number(n).constData());
            if (m)
                m_sendEnabled[n] = !cJSON_IsFalse(m);
        }
    }
    cJSON_Delete(root);
}

// --- sending -------------------------------------------------------------

void VUR_Net::Enqueue(int type, const QByteArray& body)
{
    const int dropped = m_queue.append(type, VurFrame::Make(type, body));
    if (dropped >= 0)
        GLogInfo(QStringLiteral("VUR: queue full, a type %1 message was dropped").arg(dropped));
    StartSend();
}

void VUR_Net::StartSend()
{
    // The socket is used only on this object's thread.
    if (QThread::currentThread() == thread())
        Pump();
    else
        QMetaObject::invokeMethod(this, &VUR_Net::Pump, Qt::QueuedConnection);
}

void VUR_Net::Pump()
{
    if (!isAlive || !m_socket) {
        m_ackTimer.stop();
        return;
    }
    bool dropped = false;
    const QByteArray frame = m_queue.due(now(), &dropped);
    if (dropped)
        GLogInfo(QStringLiteral("VUR: no acknowledgement after two writes, message dropped"));
    if (!frame.isEmpty())
        m_socket->write(frame);
    if (m_queue.inFlight()) {
        if (!m_ackTimer.isActive())
            m_ackTimer.start();
    } else {
        m_ackTimer.stop();
    }
}

// --- connection and replies ----------------------------------------------

void VUR_Net::incomingConnection(qintptr descriptor)
{
    // One client at a time: a newer connection replaces the older one.
    if (m_socket) {
        disconnect(m_socket, nullptr, this, nullptr);
        m_socket->abort();
        m_socket->deleteLater();
    }
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    m_socket = socket;
    m_replies.clear();
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { OnDisconnected(socket); });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
    isAlive = true;
    m_lastContact = now();
    GLogInfo(QStringLiteral("VUR: new connected"));
    // The frame that was in flight goes again, to the new client.
    m_queue.restart();
    // A client that died while reading could leave a share's semaphore taken.
    m_shares.ResetSemaphores();
    isMemSent = false;
    if (m_videoMode != 0)
        VUR_SendMemoryInfo();
    StartSend();
}

void VUR_Net::OnDisconnected(QTcpSocket* socket)
{
    if (socket != m_socket)
        return;  // an older connection, already replaced
    GLogInfo(QStringLiteral("VUR: has disconnect"));
    disconnect(socket, nullptr, this, nullptr);
    socket->deleteLater();
    m_socket = nullptr;
    m_queue.restart();
    m_ackTimer.stop();
    isMemSent = false;
    isAlive = false;
}

void VUR_Net::OnReadyRead(QTcpSocket* socket)
{
    while (socket == m_socket && socket->bytesAvailable() > 0) {
        qint64 dropped = 0;
        const QByteArrayList replies = m_replies.add(socket->read(65535), now(), &dropped);
        if (dropped)
            GLogInfo(QStringLiteral("VUR: %1 bytes of an unfinished reply dropped").arg(dropped));
        for (const QByteArray& reply : replies)
            HandleReply(QString::fromUtf8(reply));
    }
}

void VUR_Net::HandleReply(const QString& text)
{
    const VUR_Reply r = VUR_Reply::Parse(text);
    switch (r.kind) {
    case VUR_Reply::Ack:
        m_queue.acknowledge();
        Pump();
        break;
    case VUR_Reply::Heart:
        isAlive = m_socket != nullptr;
        m_lastContact = now();
        Pump();
        break;
    case VUR_Reply::Reline:
        isAlive = false;
        if (LinkOn() && isInit) {
            GLogInfo(QStringLiteral("(recv info) 'NetClinet' will restart..."));
            VUR_ReStart();
        }
        m_lastContact = now();
        break;
    case VUR_Reply::Session:
        if (r.session == VurFrame::TypeProductRequest)
            emit productNamesReceived(r.body);
        else if (r.session == VurFrame::TypeRemindRequest)
            emit remindersReceived(r.body);
        break;
    case VUR_Reply::Ignored:
        break;
    }
}

void VUR_Net::HeartbeatTick()
{
    const qint64 t = now();
    if (t - m_lastContact < kHeartbeatLimitMs) {
        m_lastContact = t;
        // Alive only with a socket to talk to.
        isAlive = m_socket != nullptr;
        Pump();
        return;
    }
    isAlive = false;
    if (LinkOn() && isInit) {
        GLogInfo(QStringLiteral("(hearttimes timeout) 'NetClinet' will restart..."));
        VUR_ReStart();
    }
    m_lastContact = t;
}

void VUR_Net::VUR_ReStart()
{
    if (!QFile::exists(kClientScript))
        return;
    if (!SystemActions::instance().startDetached({QStringLiteral("python3"), kClientScript}))
        GLogInfo(QStringLiteral("VUR: the plant client could not be started"));
}

// --- records ---------------------------------------------------------------

void VUR_Net::InitManualStop()
{
    QMutexLocker lock(&m_recordMutex);
    m_manualStop.Load();
}

void VUR_Net::InitStatistics()
{
    QMutexLocker lock(&m_recordMutex);
    m_statistics.Load(now());
}

VUR_Path_Statistics VUR_Net::statisticsRecord() const
{
    QMutexLocker lock(&m_recordMutex);
    return m_statistics;
}

VUR_Path_ManualStop VUR_Net::manualStopRecord() const
{
    QMutexLocker lock(&m_recordMutex);
    return m_manualStop;
}

void VUR_Net::VUR_SendManualStop()
{
    if (!sendEnabled(VurFrame::TypeManualStop) || !gpWPara)
        return;
    QByteArray body;
    {
        QMutexLocker lock(&m_recordMutex);
        body = m_manualStop.Update(PlantLinkHost::instance().runState(), now(), Host(),
                                   QByteArray(gpWPara->netOperator));
        VurRecordFile::Write(VUR_Path_ManualStop::FilePath(), body);
    }
    Enqueue(VurFrame::TypeManualStop, body);
}

void VUR_Net::VUR_SendStatistics(QString picture)
{
    if (!sendEnabled(VurFrame::TypeStatistics) || !gpWPara)
        return;
    const PlantLinkHost& host = PlantLinkHost::instance();
    VUR_Path_Statistics::Inputs in;
    in.host = Host();
    in.runState = host.runState();
    in.nowUtcMs = now();
    in.cameraCount = host.cameraCount();
    in.all = host.allCounts();
    in.fail = host.failCounts();
    in.cavities = gpWPara->productsPerCycle;
    in.capacity = gpWPara->productsNum;
    in.batch = gpWPara->productSerial;
    in.productName = QByteArray(gpWPara->netProName);
    in.lastCycleTime = host.lastCycleTime();
    in.ngImage = picture;
    QByteArray body;
    {
        QMutexLocker lock(&m_recordMutex);
        in.stopMinutes = m_manualStop.stop_check_timelen;
        body = m_statistics.Compose(in);
        VurRecordFile::Write(VUR_Path_Statistics::FilePath(), body);
    }
    Enqueue(VurFrame::TypeStatistics, body);
}

void VUR_Net::ChkandAddStaticticsItem(int camera, int step, int roi)
{
    QMutexLocker lock(&m_recordMutex);
    m_statistics.AddAlarm(camera, step, roi);
}

void VUR_Net::VUR_AddNgTimes(int ms)
{
    QMutexLocker lock(&m_recordMutex);
    m_statistics.AddNgTime(ms);
}

// --- messages ----------------------------------------------------------------

void VUR_Net::VUR_SendRecord(QDateTime time, QString level, QString text)
{
    if (sendEnabled(VurFrame::TypeRecord))
        Enqueue(VurFrame::TypeRecord, VurMessages::Record(Host(), level, time.toMSecsSinceEpoch(), text));
}

void VUR_Net::VUR_SendParam()
{
    if (sendEnabled(VurFrame::TypeParam) && gpWPara)
        Enqueue(VurFrame::TypeParam,
                VurMessages::Param(*gpWPara, gLan, Host(), Counts(), gSerialNB));
}

void VUR_Net::VUR_SendROIParam(int cam, int det)
{
    if (!sendEnabled(VurFrame::TypeRoiParam) || det < 0 || det >= 8)
        return;
    if (const CammerSingleton* set = PlantLinkHost::instance().liveRoiSet(cam))
        Enqueue(VurFrame::TypeRoiParam, VurMessages::RoiSet(Host(), *set, det));
}

void VUR_Net::VUR_SendStatistics_Once(QList<param_roi> list, bool ng, int trigger)
{
    if (!sendEnabled(VurFrame::TypeCycleResult) || !gpWPara)
        return;
    VurMessages::CycleInfo info;
    info.utcMs = now();
    bindUtc = info.utcMs;
    info.runState = PlantLinkHost::instance().runState();
    info.trigger = trigger;
    info.ng = ng;
    info.cameraCount = PlantLinkHost::instance().cameraCount();
    Enqueue(VurFrame::TypeCycleResult,
            VurMessages::CycleResult(Host(), info, *gpWPara, Counts(), list));
}

void VUR_Net::VUR_SendSaveNgVideo(int camera, int isNg)
{
    if (!sendEnabled(VurFrame::TypeNgVideo))
        return;
    const QByteArray product = statisticsRecord().product_name;
    Enqueue(VurFrame::TypeNgVideo, VurMessages::NgVideo(Host(), camera, product, isNg));
}

void VUR_Net::VUR_SendTelInfo(int step, int failedRoiCount)
{
    if (sendEnabled(VurFrame::TypeTelInfo) && gpWPara)
        Enqueue(VurFrame::TypeTelInfo, VurMessages::TelInfo(Host(), step, failedRoiCount, *gpWPara));
}

void VUR_Net::VUR_SendCancle()
{
    if (sendEnabled(VurFrame::TypeCancel) && gpWPara)
        Enqueue(VurFrame::TypeCancel, VurMessages::Cancel(Host(), bindUtc, now(),
                                                          PlantLinkHost::instance().clearReason(), *gpWPara));
}

void VUR_Net::VUR_SendAlarmPic(QString path)
{
    if (sendEnabled(VurFrame::TypeAlarmPic))
        Enqueue(VurFrame::TypeAlarmPic, path.toUtf8());
}

void VUR_Net::VUR_SendTempPic(QString path)
{
    if (sendEnabled(VurFrame::TypeTempPic))
        Enqueue(VurFrame::TypeTempPic, path.toUtf8());
}

void VUR_Net::VUR_SendDelTempPic(int camera, int step, QString name)
{
    if (!sendEnabled(VurFrame::TypeDelTempPic))
        return;
    const QByteArray op = manualStopRecord().operator_id;
    Enqueue(VurFrame::TypeDelTempPic, VurMessages::DelTempPic(Host(), camera, step, name, now(), op));
}

void VUR_Net::VUR_SendAddRemind(const VUR_Path_Remind& remind)
{
    if (sendEnabled(VurFrame::TypeAddRemind))
        Enqueue(VurFrame::TypeAddRemind, remind.AddToFile(Host()));
}

void VUR_Net::VUR_SendDelRemind(qint64 utc)
{
    if (sendEnabled(VurFrame::TypeDelRemind))
        Enqueue(VurFrame::TypeDelRemind, VUR_Path_Remind::RemoveFromFile(Host(), utc));
}

void VUR_Net::VUR_SendRunState()
{
    if (!sendEnabled(VurFrame::TypeRunState))
        return;
    const QByteArray body = VurMessages::RunState(Host(), PlantLinkHost::instance().runState(), now());
    if (!body.isEmpty())
        Enqueue(VurFrame::TypeRunState, body);
}

void VUR_Net::VUR_RequestProductNames()
{
    if (sendEnabled(VurFrame::TypeProductRequest))
        Enqueue(VurFrame::TypeProductRequest, QByteArray());
}

void VUR_Net::VUR_RequestReminds()
{
    if (sendEnabled(VurFrame::TypeRemindRequest))
        Enqueue(VurFrame::TypeRemindRequest, QByteArray());
}

// --- video shares --------------------------------------------------------------

void VUR_Net::VUR_AddUseMemory(int camera, int width, int height, unsigned char* buffer)
{
    m_shares.Add(camera, width, height, buffer, gpWPara ? gpWPara->netVideoParam : 0);
}

void VUR_Net::VUR_FirstInit()
{
    if (m_videoMode == 1)
        VUR_AddUseMemory(0, gShowW, gShowH, nullptr);
    if (!m_shares.empty())
        m_videoTimer.start(kVideoMs);
}

void VUR_Net::VUR_SendMemoryInfo()
{
    if (!sendEnabled(VurFrame::TypeMemoryInfo) || m_shares.empty() || isMemSent)
        return;
    isMemSent = true;
    // The list never changes during a run: one waiting copy serves the next
    // client, however many connections came and went without acknowledging.
    if (m_queue.contains(VurFrame::TypeMemoryInfo))
        return;
    GLogInfo(QStringLiteral("send shared memory info"));
    Enqueue(VurFrame::TypeMemoryInfo, m_shares.MemoryInfoJson());
}

bool VUR_Net::VUR_UpdateMemory(int camera, const QImage& picture)
{
    if (!isAlive || !isMemSent)
        return false;
    return m_shares.Update(camera, picture);
}

void VUR_Net::VUR_FreeShareMemory()
{
    m_shares.Free();
}

void VUR_Net::VideoTick()
{
    if (m_videoMode == 0 || !LinkOn() || !isAlive || !gpWPara
        || WizardPara::Text(gpWPara->netUseName) == QLatin1String("null"))
        return;
    PlantLinkHost& host = PlantLinkHost::instance();
    if (m_videoMode == 1) {
        VUR_UpdateMemory(0, host.screenPicture());
        return;
    }
    for (const auto& [camera, share] : m_shares.shares()) {
        unsigned char* buffer = m_shares.frameSource(camera);
        if (!buffer)
            continue;
        host.prepareCameraPicture(camera);
        // The time stamp stays in the display buffer, as on the panel.
        QImage picture(buffer, share.width, share.height, QImage::Format_RGB32);
        {
            QPainter p(&picture);
            QFont f(QStringLiteral("wqy-microhei"));
            f.setPixelSize(50);
            p.setFont(f);
            p.setPen(Qt::green);
            p.drawText(QRect(0, share.height - 100, share.width, 100), Qt::AlignRight | Qt::AlignVCenter,
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ")));
        }
        VUR_UpdateMemory(camera, picture);
    }
}
