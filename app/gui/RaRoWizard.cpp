#include "RaRoWizard.h"

#include "CameraLoss.h"
#include "ContinuousNgWarnBox.h"
#include "IOStatusWidget.h"
#include "IndexButton.h"
#include "MainCommands.h"
#include "LostCameraWarnBox.h"
#include "LostComWarnBox.h"
#include "ReconnectCameraWarnBox.h"
#include "SettingsPort.h"
#include "ROINGWarnBox.h"
#include "StationLossPort.h"
#include "TimingWarnBox.h"
#include "TouchFilter.h"
#include "WizardPorts.h"
#include "app/ControlPort.h"
#include "app/CameraGrid.h"
#include "app/StatusLayout.h"
#include "records/Counters.h"
#include "app/DetectionCycle.h"
#include "app/IOLink.h"
#include "app/LedPanel.h"
#include "app/LogManager.h"
#include "foundation/MainGlobals.h"
#include "app/OperationLog.h"
#include "app/ProcessEnd.h"
#include "app/StopSignals.h"
#include "records/SaveFialImageThread.h"
#include "app/WorkDatabases.h"
#include "foundation/OperatorMessage.h"
#include "foundation/QtTranslations.h"
#include "settings/ParaGroups.h"
#include "foundation/uitext.h"
#include "camera/CameraGlobals.h"
#include "camera/CameraProbe.h"
#include "camera/CameraStation.h"
#include "network/VUR_Net.h"
#include "network/gui/OtherNetWidget.h"
#include "settings/NetworkPage.h"
#include "records/DetectCycleSQL.h"
#include "records/Myxls.h"
#include "records/ResStatisticsParam.h"
#include "records/gui/EditCavitywidget.h"
#include "records/gui/StatisticsWidget.h"
#include "users/DrawUserWidget.h"
#include "view/AutoRegion.h"
#include "view/DrawROIWidget.h"
#include "users/PasswordBox.h"
#include "users/PasswordRules.h"
#include "users/UserManager.h"
#include "params/CammerSingleton.h"
#include "params/WizardPara.h"
#include "settings/CustomIONameWidget.h"
#include "settings/HardwareConfigurationWidget.h"
#include "settings/HelpWidget.h"
#include "settings/WidgetChangeCamera.h"
#include "settings/WizardParaWidget.h"
#include "view/CammerWidget.h"
#include "inspect/CammerRecong.h"
#include "inspect/StepWorkers.h"
#include "view/ViewHost.h"
#include "foundation/VisionGlobals.h"
#include "widgets/CheckBox.h"
#include "widgets/ChooseBox.h"
#include "widgets/ColorButton.h"
#include "widgets/NumCharInput.h"
#include "widgets/NumberInput.h"
#include "widgets/SkinPixmaps.h"
#include "widgets/WindowStacking.h"
#include "widgets/WarnBox.h"
#include "platform/SystemActions.h"
#include "platform/UsbDisk.h"
#include "records/UsbExport.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QMouseEvent>
#include <QScreen>
#include <QSoundEffect>
#include <QSqlDatabase>
#include <QPainter>
#include <QPaintEvent>
#include <QThread>
#include <QTimer>

#include <array>
#include <thread>
#include <utility>


RaRoWizard* gpWin = nullptr;

namespace {
// Pages that later parts of the monitor add, in the order the constructor
// builds them. Each stays null until its part exists.
QTimer* NewTimer(QObject* owner, void (RaRoWizard::*slot)(), RaRoWizard* win)
{
    auto* t = new QTimer(owner);
    QObject::connect(t, &QTimer::timeout, win, slot);
    return t;
}
}  // namespace

RaRoWizard::RaRoWizard(QWidget* parent)
    : QWidget(parent)
    , m_ports(std::make_unique<WizardPorts>(this))
{
    m_built = Build();
}

bool RaRoWizard::Build()
{
    m_startClock.start();
    // 2. FFmpeg is loaded, and its devices registered, when a USB camera is used.

    // 3. The screen size every layout reads.
    gpWin = this;
    // The panel has no window manager: each notice and question is raised
    // and given the input as it opens, or it would open under this window.
    WindowStacking::Install();
    setWindowFlags(Qt::CustomizeWindowHint);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    gShowW = screen.width();
    gShowH = screen.height();
    setFixedSize(gShowW, gShowH);

    // 4. A pending self-update leaves update.sh behind: run it once, then remove it.
    if (QFile::exists(QStringLiteral("update.sh"))) {
        sysRun({QStringLiteral("./update.sh")}, -1);
        QThread::msleep(300);
        QFile::remove(QStringLiteral("update.sh"));
    }

    // 5-6. First state, the touch and debounce timers (the cycle owns its own).
    gpWPara = nullptr;
    gisTempAlarm = 0;
    std::fill(std::begin(gContinuousNg), std::end(gContinuousNg), 0);
    tscTimer = NewTimer(this, &RaRoWizard::TSClibrate, this);
    logoutTimer = NewTimer(this, &RaRoWizard::TimerLogout, this);
    lcdTimer = NewTimer(this, &RaRoWizard::TimerLCD, this);
    m_cycle = new DetectionCycle(m_ports.get(), nullptr, this);
    connect(m_cycle, &DetectionCycle::countdownChanged, this, &RaRoWizard::RepaintCountdowns);
    TouchFilter::SetHost(m_ports.get());
    MainWindowHooks::setInstance(m_ports.get());
    AlarmHost::setInstance(m_ports.get());
    InspectHost::setInstance(m_ports.get());
    PlantLinkHost::setInstance(m_ports.get());
    ViewHost::setInstance(m_ports.get());

    // 7. The message box and the alarm boxes exist before a database can fail.
    gpWarnBox = new WarnBox;
    gpTimingWarnBox = new TimingWarnBox;
    gpLostCameraWarnBox = new LostCameraWarnBox;
    gpReconnectCameraWarnBox = new ReconnectCameraWarnBox;
    gpLostComWarnBox = new LostComWarnBox;
    gContinuousNgWarnBox = new ContinuousNgWarnBox;

    // 8. Detection-cycle log; the 60-s timer re-creates it when missing.
    SlotDetectCycle();
    detectCycleTimer = NewTimer(this, &RaRoWizard::SlotDetectCycle, this);
    detectCycleTimer->start(60000);

    // 9-11. Databases; a broken one ends in its default copy and a reboot.
    if (!OpenDatabases())
        return false;

    // 12-13. Parameters, then the log file.
    LoadParameters();
    // The stores are brought level with the verdict journal before anything
    // reads them; the totals are read now, so a record written from here on
    // carries them (the step that reads them comes much later).
    FinishJournal();
    CountRead();
    Stage("databases and parameters loaded");

    // 14-15.
    const WizardPara& p = *gpWPara;
    CycleState& st = cycle();
    st.curStep = p.machineType == 4 ? gDNum - 1 : (p.productDetectOn == 1 ? 0 : 1);
    st.customStep = p.machineType == 4 ? gDNum - 1 : 0;  // the next input starts the first group
    gTempNum = p.templateCount;
    gPicNumNG = p.ngImagesKept;
    gPicNumOK = p.okImagesKept;
    gisCOM = p.comPort;
    gisGrayHue = p.grayChannel;
    {
        // The engine reads the channel choice from its host, not from the
        // parameters: without this colour frames were judged on hue whatever
        // the setter chose, and a grey part on a grey mould went unseen.
        InspectParams fixed = m_ports->params();
        fixed.isGrayHue = gisGrayHue != 0;
        m_ports->setParams(fixed);
    }
    gisCut = 1 - p.noLensOptimization;
    gisColor = p.colorCamera;
    st.captureConfigured = p.externalTrigger;

    // 16-17. Which camera family runs and the frame size everything shares.
    CheckCameraID();
    DeriveFrameLengths();
    gShowAW = float(gShowW) / float(std::max(gImageW, 1));
    gShowAH = float(gShowH) / float(std::max(gImageH, 1));
    viewScale[0] = gShowAW;
    viewScale[1] = gShowAH;
    Stage("cameras probed");

    // 18. "Initializing" stays up until the window is ready.
    gpWarnBox->confirmButton()->setText(LanStr(121));
    gpWarnBox->setText(LanStr(133));
    gpWarnBox->show();

    // 19.
    gpChooseBox = new ChooseBox;
    gpNumPad = new NumberInput;
    gpNumCharPad = new NumCharInput;

    // 20. IO port: serial line, all outputs off, IOThread; then the clamp held.
    IOLinkOptions io;
    io.record = [this](const QString& text) { InsertRecord(text); };  // the log queues it to this thread
    io.heldOutputs = m_held.outputs;  // an alarm start-up raises again stands from the first word
    // The cycle outlives the port (deleted first, with its thread).
    io.inputsChanged = [cycle = m_cycle] { cycle->WakePass(); };
    gpControlIO = new ControlPort(ControlPort::FromParameters(p), io);
    gpControlIO->IOSetOut(0, 1);
    gpControlIO->IOFlashOut();
    Stage("IO port open");

    // 21.
    grayColorTable.resize(256);
    for (int i = 0; i < 256; ++i)
        grayColorTable[i] = qRgb(i, i, i);

    // 22-23. Eight camera widgets, then the stored serial numbers.
    BuildCameras();
    if (!AskAboutSerials()) {
        FinishTraining();
        return false;
    }

    // 24-25.
    st.selCamera = numCamera() == 1 ? 0 : numCamera();
    m_alarmSound = new QSoundEffect(this);  // "alarm.wav", endless; nothing plays it
    m_alarmSound->setSource(QUrl::fromLocalFile(QStringLiteral("alarm.wav")));
    m_alarmSound->setLoopCount(QSoundEffect::Infinite);

    // 26. Pages, each with the window as parent, in this order:
    //     ioStatusWidget (status bar) and indexButton (command column);
    //     drawROIWidget (ROI editor column); wizardParaWidget (settings dialog);
    //     helpWidget; widgetChangeCamera; otherNetWidget (plant-network dialog);
    //     customIONameWidget; editCavitywidget (cavity editor); drawUserWidget
    //     (account page, hidden at once).
    BuildMainScreen();
    drawROIWidget = new DrawROIWidget(this);
    m_settingsPort = std::make_unique<SettingsPort>(this);
    wizardParaWidget = new WizardParaWidget(m_settingsPort.get(), this);
    helpWidget = new HelpWidget(this);
    // Renumbering ends in the settings' power-off action.
    widgetChangeCamera = new WidgetChangeCamera(this, m_station.get(), numCamera(),
                                                [this] { wizardParaWidget->SlotShutDown(); });
    otherNetWidget = new OtherNetWidget(this);
    networkPage = new NetworkPage(wizardParaWidget, otherNetWidget);
    wizardParaWidget->setNetworkPage(networkPage);
    if (gpNet) {
        // The plant client's answers to the dialog's requests.
        connect(gpNet, &VUR_Net::productNamesReceived, otherNetWidget, &OtherNetWidget::vur_reset_product);
        connect(gpNet, &VUR_Net::remindersReceived, otherNetWidget, &OtherNetWidget::vur_reset_remind);
    }
    customIONameWidget = new CustomIONameWidget(this, wizardParaWidget);
    drawUserWidget = new DrawUserWidget(m_ports.get(), this);

    // 27. Zoom buttons, hidden until the first zoom. On a short screen the
    //     column starts higher, so the last ones stay above the status bar.
    ZoomReset(st);
    const int zoomPix[7] = {5, 0, 6, 1, 2, 3, 4};
    void (RaRoWizard::*const zoomSlot[7])() = {&RaRoWizard::MEnlargeScale, &RaRoWizard::MRecovery,
                                               &RaRoWizard::MReductionScale, &RaRoWizard::SlotMoveT,
                                               &RaRoWizard::SlotMoveB, &RaRoWizard::SlotMoveL,
                                               &RaRoWizard::SlotMoveR};
    const int zoomTop = std::clamp(gShowH - ioStatusWidget->height() - 7 * 75, 5, 300);
    for (int k = 0; k < 7; ++k) {
        zoomButton[k] = new ColorButton(gpPixmapMove ? gpPixmapMove[zoomPix[k]] : QPixmap(), this);
        zoomButton[k]->setGeometry(5, zoomTop + 75 * k, 70, 70);
        if (k != 1)
            zoomButton[k]->SetRepeat();
        zoomButton[k]->hide();
        connect(zoomButton[k], &QPushButton::clicked, this, zoomSlot[k]);
    }
    scaleTimer = NewTimer(this, &RaRoWizard::MTimerScale, this);

    // 28. customIONameWidget: init, hide; editCavitywidget: Databaseinit, init, hide.
    customIONameWidget->init();
    customIONameWidget->hide();
    BuildCavityEditor();
    // 29.
    hardwareConfigurationWidget = new HardwareConfigurationWidget(this, [this] {
        return gCameraID == CAMERA_NONE ? 0 : numCamera();
    });
    hardwareConfigurationWidget->hide();
    connect(hardwareConfigurationWidget, &HardwareConfigurationWidget::sigConfirm, wizardParaWidget, &QWidget::show);
    // 30. gpPasswordBox, then adduserdlg, changepsddlg, changeuserdlg, allocatedlg,
    //     deleteuserdlg, each without parent.
    gpPasswordBox = new PasswordBox;
    gpPasswordBox->setLevelTarget(&st.unlockLevel);
    CreateUserDialogs();
    // 31. Hide helpWidget, wizardParaWidget, drawROIWidget, widgetChangeCamera.
    helpWidget->hide();
    wizardParaWidget->hide();
    widgetChangeCamera->hide();
    ChangeCammer();
    Stage("pages built");

    // 32-35. Folders, result buffers, the image saver.
    MakeFolders();
    StartSaver();

    // 36.
    m_cycle->checkTempTimer.start(5000);

    // 37-40. Archive folders, the operation-log day, the picture counter.
    recordDir = QDir(QStringLiteral("./RECORD"));
    QDir().mkpath(QStringLiteral("./RECORD"));
    resStatisticsDir = QDir(QStringLiteral("./ResStatistics"));
    QDir().mkpath(QStringLiteral("./ResStatistics"));
    timedAlarmRef = uint(QDateTime::currentSecsSinceEpoch());
    StartOperationLogDay();

    // 41. Statistics (with useStatistics): gpResStatisticsParam, then the
    //     statistics page without parent.
    StartStatistics();

    FinishTraining();
    // 42-44. Detection starts: not on a set-up that may mix two groups, and
    //        in the alarm start-up holds for (its outputs stand since the port
    //        opened); the keypads hide on a press elsewhere.
    if (m_restoreFailed) {
        HoldForMixedSetup();
    } else if (m_held.standing) {
        const StandingAlarm held = std::exchange(m_held, StandingAlarm());
        m_cycle->RestoreAlarm(held);
        InsertRecord(held.text);
        Stage("detection started in the alarm held over the restart");
    } else {
        m_cycle->StartDetect();
        Stage("detection started");
    }
    if (p.cutClampAfterMouldOk && p.clampPulse > 0) {
        gpControlIO->IOSetOut(0, 1);
        gpControlIO->IOFlashOut();
    }
    std::fill(std::begin(st.cavityNG), std::end(st.cavityNG), 0);
    st.manualNG = 0;
    installEventFilter(this);
    gpWarnBox->hide();

    // 45-47. The first polling pass, the day check, the frame-rate watch.
    connect(&m_cycle->runTimer, &QTimer::timeout, this, [this] { Stage("first polling pass"); },
            Qt::SingleShotConnection);
    WatchFirstWord();
    m_cycle->StartPolling(5);
    m_oplog->StartDateTimer();
    InsertRecord(LanStr(150).arg(numCamera()));
    fpsTimer = NewTimer(this, &RaRoWizard::SlotFPS, this);
    fpsTimer->start(1000);

    // 48. The camera library's version goes into the operation log.
    if (const QString version = CameraSdkVersion(); !version.isEmpty())
        InsertRecord(version);

    // 49-50.
    startTime = QDateTime::currentDateTime();
    st.lastCycleTime = 0;
    st.Begin(gDNum, startTime);
    gisRunWTD = 1;  // the totals were read with the journal
    m_station->CameraSetSpeed();

    // 51-52.
    if (p.netEnabled && PlantLinkUp())
        gpNet->VUR_SendMemoryInfo();
    if (p.screenOffTime > 0)
        lcdTimer->start(p.screenOffTime * 1000);

    // 53. The shared popups belong to the window from now on.
    gpWarnBox->setParent(this, gpWarnBox->windowFlags());
    gpChooseBox->setParent(this, gpChooseBox->windowFlags() | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint);
    gpNumPad->setParent(this);
    gpNumCharPad->setParent(this);
    gpPasswordBox->setParent(this, gpPasswordBox->windowFlags());
    gpNumPad->hide();
    gpNumCharPad->hide();
    gpPasswordBox->hide();

    // 54-57.
    st.pendingInput = -1;
    Myxls::Options xls;
    xls.cameraCount = [this] { return numCamera(); };
    gpMyxls = new Myxls(xls);
    SetUsbDiskFinder([] { return FindAU(); });
    connect(this, &RaRoWizard::sigROINGWarm, this, &RaRoWizard::SlotROINGWarm);
    Stage("ready");
    return true;
}

void RaRoWizard::Stage(const char* what)
{
    // A stop asked for while the window is built is served between stages:
    // no event loop runs yet to serve it.
    StopSignals::ServePending();
    const qint64 now = m_startClock.elapsed();
    Stage(QString::fromUtf8(what), now, now - m_stageEndMs);
    m_stageEndMs = now;
}

void RaRoWizard::Stage(const QString& what, qint64 atMs, qint64 tookMs)
{
    qInfo("start-up: %s", qPrintable(what));
    m_startTimes.append({what, atMs, tookMs});
}

void RaRoWizard::LogStartTimes()
{
    QStringList parts;
    for (const StartStage& t : std::as_const(m_startTimes))
        parts << QStringLiteral("%1 %2 ms").arg(t.name).arg(t.tookMs);
    qInfo("start-up times: %s; %lld ms in all", qPrintable(parts.join(QLatin1String(", "))),
          static_cast<long long>(m_startClock.elapsed()));
}

void RaRoWizard::WatchFirstWord()
{
    // The machine sees the monitor's first word once the board holds it:
    // checked on each polling pass, given up on (and said so) after 2 s.
    m_firstWordWatch = connect(&m_cycle->runTimer, &QTimer::timeout, this, [this] {
        const bool held = !gpControlIO || gpControlIO->BoardHoldsOutputs();
        if (!held && m_startClock.elapsed() - m_stageEndMs < 2000)
            return;
        disconnect(m_firstWordWatch);
        Stage(held ? "first output word held by the board" : "first output word not yet held by the board");
        LogStartTimes();
    });
}

bool RaRoWizard::OpenDatabases()
{
    // A group restore cut off by a power loss is finished before PARAM.db is read.
    ParaGroups::Failure failure;
    const ParaGroups::Interrupted restore = ParaGroups().FinishInterrupted(&failure);
    m_restoreFailed = restore == ParaGroups::Interrupted::Failed;
    m_restoreFailedAt = failure.path;
    for (const WorkDatabase& db : kWorkDatabases) {
        if (OpenWorkDatabase(db))
            continue;
        // The language is not loaded yet: the message is the English one.
        gpWarnBox->setText(LanStrIn(db.messageId, kLanEn));
        gpWarnBox->exec();
        RestoreDefaultCopy(db);
        QThread::msleep(db.pauseMs);
        RebootAndEnd(QStringLiteral("%1 could not be opened").arg(QLatin1String(db.file)));
        return false;
    }
    CammerSingleton::SetConnectionName(QStringLiteral("dbIn"));
    // Without time.txt the current RECORD.db is today's (read by the log below).
    if (!QFile::exists(QStringLiteral("time.txt"))) {
        QFile w(QStringLiteral("time.txt"));
        if (w.open(QIODevice::WriteOnly | QIODevice::Truncate))
            w.write(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")).toUtf8());
    }
    m_oplog = new OperationLog(m_ports.get(), QStringLiteral("."), QStringLiteral("dbRecord"), this);
    SetOperationLogSink([](const QString& text) {
        if (gpWin)
            gpWin->InsertRecord(text);
    });
    if (restore == ParaGroups::Interrupted::Finished)
        InsertRecord(LanStr(1118));
    return true;
}

void RaRoWizard::HoldForMixedSetup()
{
    // Every other start-up starts detection. Nothing is judged on files that
    // may belong to two groups, though: detection stays stopped, the clamp
    // held as the port opened it, and Start is refused until a group is
    // restored whole.
    m_cycle->SetStopDetect();
    m_ports->showDetecting(false);
    gpControlIO->IOSetOut(0, 1);
    gpControlIO->IOFlashOut();
    Stage("detection held: the set-up may mix two groups");
    m_setupHold = LanStr(1125).arg(m_restoreFailedAt);
    InsertRecord(m_setupHold);
    // The box shows "initializing" without blocking: shown anew, it is modal.
    const QString waiting = gpWarnBox->text();
    gpWarnBox->hide();
    gpWarnBox->setText(m_setupHold);
    gpWarnBox->exec();
    gpWarnBox->setText(waiting);
    gpWarnBox->show();
}

void RaRoWizard::LoadParameters()
{
    gpWPara = new WizardPara;
    gpWPara->LoadDatafromFile(m_ports.get(), QStringLiteral("dbIn"), QStringLiteral("dbT"));
    QtTranslations::Install(gLan);  // the language is known from here on
    gpWParaBak = new WizardPara;
    gpWPara->startupFlag = 1;
    gisUseStatistics = gpWPara->useStatistics;
    if (!LogManager::Instance())
        LogManager::SetInstance(new LogManager(this, gAppDirPath));
    qInfo("application start");
}

void RaRoWizard::FinishJournal()
{
    const VerdictJournal::StartUp j = VerdictJournal::Complete();
    if (j.countsFinished || j.rowsFinished)
        InsertRecord(LanStr(1192).arg(j.seq));
    if (j.state == VerdictJournal::FileState::Damaged)
        HoldAtStartup(StandingAlarm::Hold(LanStr(1191).arg(LanStr(1193).arg(j.problem))));
    else if (j.alarm.standing)
        HoldAtStartup([&] {
            StandingAlarm a = j.alarm;
            a.text = LanStr(1190).arg(QDateTime::fromMSecsSinceEpoch(a.sinceMs).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                                      a.text);
            return a;
        }());
}

void RaRoWizard::HoldAtStartup(const StandingAlarm& alarm)
{
    if (!m_held.standing) {
        m_held = alarm;
        return;
    }
    // Every output any of them holds stays held; the first names the step.
    m_held.outputs |= alarm.outputs;
    m_held.cameras |= alarm.cameras;
    m_held.text += QStringLiteral("; ") + alarm.text;
}

void RaRoWizard::BuildCameras()
{
    m_station = std::make_unique<CameraStation>(gpWPara, gpWParaBak, m_ports.get());
    m_station->takesFrames = false;  // until the engines are trained
    m_cycle->setStation(m_station.get());
    m_station->numCamera = 0;
    for (int i = 0; i < 8; ++i) {
        m_cycle->frameCount[i] = 0;
        cammerWidget[i] = new CammerWidget(this, i, m_station.get(), false);
    }
    Stage("cameras opened and started");
    StartTraining();
    m_lossPort = std::make_unique<StationLossPort>(m_station.get());
    for (int i = 0; i < 8; ++i)
        m_lossPort->cameraOK[i] = &cammerWidget[i]->cameraOK;
    m_loss = std::make_unique<CameraLoss>(m_lossPort.get());
    Stage(QStringLiteral("camera widgets built, %1 open").arg(m_station->numCamera).toUtf8().constData());
}

void RaRoWizard::StartTraining()
{
    // Training is most of a camera's start-up and the cameras share nothing
    // while they train: one camera per core. The window goes on being built
    // meanwhile; nothing it builds reads an engine.
    m_trainThreads = int(std::max(1u, std::thread::hardware_concurrency()));
    m_trainStartMs = m_startClock.elapsed();
    m_training = std::thread([this] {
        StepWorkers::instance().Run(8, m_trainThreads, [this](size_t i) {
            Trained& t = m_trained[i];
            t.startMs = m_startClock.elapsed();
            cammerWidget[i]->engine->Train();
            t.endMs = m_startClock.elapsed();
            t.readMs = cammerWidget[i]->engine->trainReadMs();
        });
    });
}

void RaRoWizard::FinishTraining()
{
    if (!m_training.joinable())
        return;
    m_training.join();
    qint64 lastMs = m_trainStartMs;
    for (int i = 0; i < 8; ++i) {
        const Trained& t = m_trained[size_t(i)];
        lastMs = std::max(lastMs, t.endMs);
        if (i < m_station->numCamera)
            Stage(QStringLiteral("camera %1 trained (templates read in %2 ms)").arg(i + 1).arg(qRound(t.readMs)),
                  t.endMs, t.endMs - t.startMs);
    }
    Stage(QStringLiteral("engines trained, %1 at a time").arg(std::min(m_trainThreads, 8)), lastMs,
          lastMs - m_trainStartMs);
    Stage("engines ready");
    m_station->takesFrames = true;
    // Eight cameras get two seconds to settle once trained, as when the
    // window waited for the training; the outputs go to their idle state
    // meanwhile and the cycle judges no camera before the time is up.
    if (gFindCamera == 8) {
        m_cycle->SettleCameras(int(std::max<qint64>(0, 2000 - (m_startClock.elapsed() - lastMs))));
        Stage("cameras settle for 2000 ms from the training's end");
    }
}

bool RaRoWizard::AskAboutSerials()
{
    if (gCameraID == CAMERA_NONE || m_station->numCamera == 0) {
        gCameraID = CAMERA_NONE;
        m_station->numCamera = gFindCamera;
        if (AskText(LanStr(134)))
            m_station->SaveSN(1);
    } else if (gpWPara->storedSerialCount > 0 && gpWPara->storedSerialCount != gFindCamera) {
        if (AskText(LanStr(360))) {
            m_station->SaveSN(1);
            FLushAll();
            RebootAndEnd(QStringLiteral("the number of cameras changed"));
            return false;
        }
    }
    return true;
}

void RaRoWizard::MakeFolders()
{
    CycleState& st = cycle();
    const int n = numCamera();
    MakeResultFolders(n);
    for (int c = 0; c < n; ++c) {
        for (int s = 0; s < 8; ++s) {
            st.stepStarted[s] = 0;
            st.imageDecision[c][s] = 0;
            QDir().mkpath(QStringLiteral("./cammer%1%2").arg(c + 1).arg(s + 1));
            QDir().mkpath(QStringLiteral("./originalimage/cammer%1%2").arg(c + 1).arg(s + 1));
        }
    }
    // Result pictures are handed over as they are drawn: no slot holds one yet.
    for (int c = 0; c < n; ++c)
        for (int s = 0; s < 8; ++s)
            for (int k = 0; k < 2; ++k) {
                gpFailImage[c][s][k] = QImage();
                gPackedFail[c][s][k] = PackedPicture();
                gCodedFail[c][s][k] = {};
                gisSaveFail[c][s][k] = false;
            }
}

void RaRoWizard::StartSaver()
{
    QStringList folders;
    for (int c = 0; c < numCamera(); ++c)
        for (int s = 0; s < 8; ++s)
            for (int k = 0; k < 2; ++k)
                folders << ResultFolder(c, s, k);
    savedImageCount = NextPictureNumber(folders);
    m_saver = new SaveFialImageThread(numCamera(), &savedImageCount);
    gpSaveFialImageThread = m_saver;
    ConnectSaverToPlantLink(m_saver);
    m_saver->start(QThread::InheritPriority);
    Stage("image saver started");
}

void RaRoWizard::StartOperationLogDay()
{
    m_oplog->SlotCheckDate();
}

void RaRoWizard::BuildCavityEditor()
{
    editCavitywidget = new EditCavitywidget(numCamera(), this);
    // Each camera's cavity check boxes carry its names from the start on.
    editCavitywidget->setCaptionSink([this](int c, const QStringList& names) {
        if (c < 0 || c >= 8 || !cammerWidget[c])
            return;
        for (int k = 0; k < 16 && k < names.size(); ++k)
            if (cammerWidget[c]->cavityBox[k])
                cammerWidget[c]->cavityBox[k]->setText(names[k]);
    });
    editCavitywidget->setReturnPage(wizardParaWidget);
    editCavitywidget->Databaseinit();
    editCavitywidget->init();
    editCavitywidget->hide();
}

void RaRoWizard::StartStatistics()
{
    if (!gisUseStatistics)
        return;
    ResStatisticsParam::Options opt;
    opt.cameraCount = [this] { return numCamera(); };
    gpResStatisticsParam = new ResStatisticsParam(opt);
    if (gpResStatisticsParam->fileState() != ResStatisticsParam::FileState::Ok) {
        // Told once; the file was set aside (or counts stay in memory), so a
        // restart would not help.
        const QString waiting = gpWarnBox->text();
        gpWarnBox->setText(LanStr(544));
        gpWarnBox->exec();
        InsertRecord(LanStr(544));
        gpWarnBox->setText(waiting);
        gpWarnBox->show();
    }
    statisticsWidget = new StatisticsWidget(gpResStatisticsParam, numCamera());
    statisticsWidget->hide();
}

void RaRoWizard::SlotShowStatisticsWidget()
{
    if (!gisUseStatistics || !statisticsWidget)
        return;
    statisticsWidget->show();
    statisticsWidget->raise();
}

RaRoWizard::~RaRoWizard()
{
    FinishTraining();
    TouchFilter::SetHost(nullptr);
    DestroyUserDialogs();
    UserManager::DestroyInstance();
    MainWindowHooks::setInstance(nullptr);
    AlarmHost::setInstance(nullptr);
    InspectHost::setInstance(nullptr);
    PlantLinkHost::setInstance(nullptr);
    ViewHost::setInstance(nullptr);
    if (m_cycle)
        m_cycle->StopAll();
    if (m_saver) {
        m_saver->requestInterruption();
        m_saver->wait();
        delete m_saver;
        gpSaveFialImageThread = nullptr;
    }
    for (QWidget* page : std::initializer_list<QWidget*>{customIONameWidget, hardwareConfigurationWidget,
                                                        widgetChangeCamera, helpWidget, wizardParaWidget})
        delete page;
    customIONameWidget = nullptr;
    hardwareConfigurationWidget = nullptr;
    widgetChangeCamera = nullptr;
    helpWidget = nullptr;
    wizardParaWidget = nullptr;
    networkPage = nullptr;  // went with the settings dialog
    for (CammerWidget*& w : cammerWidget) {
        delete w;
        w = nullptr;
    }
    m_loss.reset();
    m_lossPort.reset();
    delete gpControlIO;
    gpControlIO = nullptr;
    for (auto& cam : gpFailImage)
        for (auto& step : cam)
            for (QImage& picture : step)
                picture = QImage();
    for (auto& cam : gPackedFail)
        for (auto& step : cam)
            for (PackedPicture& packed : step)
                packed = PackedPicture();
    for (auto& cam : gCodedFail)
        for (auto& step : cam)
            for (std::vector<uint8_t>& coded : step)
                coded = {};
    for (QWidget* box : std::initializer_list<QWidget*>{gpWarnBox, gpTimingWarnBox, gpLostCameraWarnBox,
                                                        gpReconnectCameraWarnBox, gpLostComWarnBox,
                                                        gContinuousNgWarnBox, gpChooseBox, gpPasswordBox,
                                                        gpNumPad, gpNumCharPad})
        delete box;
    gpWarnBox = nullptr;
    gpTimingWarnBox = nullptr;
    gpLostCameraWarnBox = nullptr;
    gpReconnectCameraWarnBox = nullptr;
    gpLostComWarnBox = nullptr;
    gContinuousNgWarnBox = nullptr;
    gpChooseBox = nullptr;
    gpPasswordBox = nullptr;
    gpNumPad = nullptr;
    gpNumCharPad = nullptr;
    delete m_oplog;
    m_oplog = nullptr;
    delete statisticsWidget;
    statisticsWidget = nullptr;
    delete gpResStatisticsParam;
    gpResStatisticsParam = nullptr;
    delete gpMyxls;
    gpMyxls = nullptr;
    delete DetectCycleSQL::instance;
    delete editCavitywidget;
    editCavitywidget = nullptr;
    if (LogManager* lm = LogManager::Instance(); lm && lm->parent() == this) {
        delete lm;
        LogManager::SetInstance(nullptr);
    }
    m_station.reset();
    CloseWorkDatabases();
    for (const WorkDatabase& db : kWorkDatabases)
        QSqlDatabase::removeDatabase(QString::fromLatin1(db.connection));
    delete gpWPara;
    delete gpWParaBak;
    gpWPara = nullptr;
    gpWParaBak = nullptr;
    if (gpWin == this) {
        SetOperationLogSink(nullptr);
        gpWin = nullptr;
    }
}

CycleState& RaRoWizard::cycle()
{
    return m_cycle->state;
}

int RaRoWizard::numCamera() const
{
    return m_station ? m_station->numCamera : 0;
}

void RaRoWizard::InsertRecord(const QString& text)
{
    if (m_oplog)
        m_oplog->InsertRecord(text);
}

int RaRoWizard::CheckPassword()
{
    int& level = cycle().unlockLevel;
    if (gpWPara->passwordUsed == 0)
        return UnlockMaster;
    if (level != UnlockNone)
        return level;
    gpPasswordBox->exec();
    return level;
}

bool RaRoWizard::CheckRoot()
{
    const int& level = cycle().unlockLevel;
    if (level == UnlockMaster)
        return true;
    // The system password passes the gate without opening this: say so,
    // or the gate just closes and nothing happens.
    if (gpPasswordBox->exec() == QDialog::Accepted && level != UnlockMaster)
        WarnText(LanStr(1170));
    return level == UnlockMaster;
}

int RaRoWizard::unlockLevel() const
{
    return m_cycle->state.unlockLevel;
}

void RaRoWizard::Lock()
{
    cycle().unlockLevel = UnlockNone;
}

void RaRoWizard::LowerMasterLevel()
{
    int& level = cycle().unlockLevel;
    if (level == UnlockMaster)
        level = gpWPara->passwordUsed ? UnlockSystem : UnlockNone;
}

void RaRoWizard::ClearRecord()
{
    if (m_oplog)
        m_oplog->ClearRecord();
}

void RaRoWizard::StopForShutdown()
{
    // The program's stop is no operator's stop: a cycle not judged to its
    // end, a standing alarm (one start-up is to raise again included) or a
    // set-up start-up holds for keeps the clamp held. It may come while the
    // window is being built: only what exists yet is stopped.
    if (m_cycle && gpWPara && gpControlIO) {
        if (m_cycle->MachineMustStayHeld() || m_held.standing || m_restoreFailed)
            m_cycle->HoldForProgramStop();
        else if (cycle().runState == RunDetecting)
            m_cycle->StopDetect();
    }
    if (gpControlIO && gpControlIO->isPortOpen()) {
        // The stop word goes out with the link's next pass; wait for two.
        const quint64 from = gpControlIO->linkPassCount();
        QDeadlineTimer limit(1000);
        while (gpControlIO->linkPassCount() < from + 2 && !limit.hasExpired())
            QThread::msleep(2);
    }
    if (gpResStatisticsParam && gpResStatisticsParam->savePending())
        gpResStatisticsParam->save();
    InsertRecord(LanStr(1119));
    FLushAll();
}

void RaRoWizard::FLushAll()
{
    CloseWorkDatabases();
    QThread::msleep(500);
}

void RaRoWizard::BuildMainScreen()
{
    ioStatusWidget = new IOStatusWidget(this, m_ports.get());
    indexButton = new IndexButton(this);
    ioStatusWidget->setRightReserve(IndexButton::kWidth);
    m_commands = new MainCommands(this);
    IndexButton* b = indexButton;
    MainCommands* c = m_commands;
    auto wire = [](QPushButton* button, auto* target, auto slot) {
        if (button)
            connect(button, &QPushButton::clicked, target, slot);
    };
    wire(b->returnButton, this, &RaRoWizard::SlotReturn);
    wire(b->startStopButton, c, &MainCommands::SlotStartStop);
    wire(b->reTrainButton, c, &MainCommands::SlotReTrain);
    wire(b->adjustAreaButton, this, &RaRoWizard::SlotAdjustArea);
    wire(b->statisticsButton, this, &RaRoWizard::SlotShowStatisticsWidget);
    wire(b->accountButton, this, &RaRoWizard::SlotAccount);
    wire(b->systemParaButton, this, &RaRoWizard::SlotSystemPara);
    wire(b->skipButton, c, &MainCommands::SlotStartSkipDetect);
    wire(b->helpButton, c, &MainCommands::SlotHelp);
    wire(b->snapshotButton, c, &MainCommands::SlotMuliManualTrig);
    wire(b->moldSnapshotButton, this, &RaRoWizard::SlotManualTrig1);
    wire(b->proSnapshotButton, this, &RaRoWizard::SlotManualTrig0);
    wire(b->captureModeButton, c, &MainCommands::CameraChangeTrig);
    connect(&m_cycle->drawHintTimer, &QTimer::timeout, this, &RaRoWizard::SlotDrawHint);
}

void RaRoWizard::ChangeCammer()
{
    CycleState& st = cycle();
    ZoomReset(st);
    const int n = numCamera();
    if (n <= 1)
        st.selCamera = 0;
    const QList<QRect> cells = CameraCells(n, st.selCamera, gShowW, CameraViewsHeight(gShowW, gShowH));
    for (int c = 0; c < 8; ++c) {
        CammerWidget* w = cammerWidget[c];
        if (!w)
            continue;
        if (c < cells.size() && !cells[c].isEmpty()) {
            w->setGeometry(cells[c]);
            w->show();
        } else {
            w->hide();
        }
    }
    // One camera keeps the scales of construction.
    if (n <= 1) {
        MShowHide(ZoomButtonsEnlarge);
        return;
    }
    const bool single = st.selCamera < n;
    MShowHide(single ? ZoomButtonsEnlarge : ZoomButtonsHidden);
    const QSize cell = cells.value(single ? st.selCamera : 0).size();
    viewScale[0] = float(cell.width()) / float(std::max(gImageW, 1));
    viewScale[1] = float(cell.height()) / float(std::max(gImageH, 1));
    viewScale[2] = float(cell.width()) / float(std::max(gShowW, 1));
    viewScale[3] = float(cell.height()) / float(std::max(gShowH, 1));
}

void RaRoWizard::SlotReturn()
{
    if (m_ports->settingsVisible() || m_ports->editorVisible())
        return;
    if (numCamera() == 1) {
        cycle().selCamera = 0;
        ZoomReset(cycle());
        RepaintZoomed();
        return;
    }
    cycle().selCamera = numCamera();
    ChangeCammer();
}

void RaRoWizard::SlotMove(int dx, int dy)
{
    if (ZoomMove(cycle(), dx, dy))
        RepaintZoomed();
}

void RaRoWizard::MovePressed(int dx, int dy)
{
    scaleTimer->start(30000);
    SlotMove(dx, dy);
}

void RaRoWizard::MEnlargeScale()
{
    scaleTimer->start(30000);
    if (cycle().zoomButtonsShown == ZoomButtonsEnlarge)
        MShowHide(ZoomButtonsAll);
    else if (cycle().zoomButtonsShown == ZoomButtonsAll)
        MScale(1);
}

void RaRoWizard::MRecovery()
{
    scaleTimer->start(30000);
    MScale(0);
}

void RaRoWizard::MReductionScale()
{
    scaleTimer->start(30000);
    MScale(-1);
}

void RaRoWizard::MTimerScale()
{
    scaleTimer->stop();
    if (cycle().zoomButtonsShown == ZoomButtonsAll)
        MShowHide(ZoomButtonsEnlarge);
}

void RaRoWizard::MHideAll()
{
    if (cycle().zoomButtonsShown == ZoomButtonsAll)
        MShowHide(ZoomButtonsEnlarge);
}

void RaRoWizard::MShowHide(int mode)
{
    int& shown = cycle().zoomButtonsShown;
    shown = ZoomButtonsAfter(mode, shown, gpWPara && gpWPara->imageAdjust);
    for (int k = 0; k < 7; ++k)
        if (zoomButton[k])
            zoomButton[k]->setVisible(shown == ZoomButtonsAll || (shown == ZoomButtonsEnlarge && k == 0));
}

void RaRoWizard::MScale(int dir)
{
    ZoomScale(cycle(), dir);
    RepaintZoomed();
}

void RaRoWizard::RepaintZoomed()
{
    const int sel = cycle().selCamera;
    if (sel >= 0 && sel < 8 && cammerWidget[sel])
        cammerWidget[sel]->update();
}

void RaRoWizard::SlotDrawHint()
{
    m_cycle->drawHintTimer.stop();
    gDrawHint = 0;
    m_ports->repaintAll();
}

void RaRoWizard::SlotSystemPara()
{
    if (!wizardParaWidget || wizardParaWidget->isVisible() || m_ports->editorVisible()
        || m_ports->sideDialogVisible(true))
        return;
    LowerMasterLevel();
    if (CheckPassword() == UnlockNone || cycle().verdictState == VerdictAlarm)
        return;
    *gpWParaBak = *gpWPara;
    gpWPara->inserterAllParam(1);
    indexButton->SlotShowHideTimeout();
    wizardParaWidget->show();
    wizardParaWidget->raise();
}

void RaRoWizard::TSClibrate()
{
    tscTimer->stop();
    if (gCameraID != CAMERA_NONE)
        return;
    gpWarnBox->setText(LanStr(370));
    gpWarnBox->show();
    tscArmed = 1;
}

void RaRoWizard::TimerLCD()
{
    lcdTimer->stop();
    ::LCDOnOff(0);
}

void RaRoWizard::TimerLogout()
{
    logoutTimer->stop();
    Lock();
    UserManager::Instance().LogOut();
    drawUserWidget->Reset(true);
}

void RaRoWizard::SlotAccount()
{
    if (m_ports->settingsVisible() || m_ports->editorVisible() || m_ports->sideDialogVisible(false)
        || cycle().verdictState == VerdictAlarm)
        return;
    indexButton->hide();
    drawUserWidget->Reset(false);
}

void RaRoWizard::SlotAdjustArea()
{
    if (m_ports->settingsVisible() || m_ports->editorVisible() || m_ports->sideDialogVisible(true))
        return;
    CycleState& st = cycle();
    if (st.verdictState == VerdictAlarm || CheckPassword() == 0)
        return;
    st.verdictState = VerdictAreaCheck;
    indexButton->hide();
    ioStatusWidget->hide();
    drawROIWidget->Reset(false);
    const EditorState& ed = m_ports->editor();
    CammerWidget* w = (st.selCamera >= 0 && st.selCamera < numCamera()) ? cammerWidget[st.selCamera] : nullptr;
    if (w && w->editSet && w->editSet->count[ed.editorStep] == 0 && gpWPara->autoGenerateArea) {
        if (AskText(LanStr(354))) {
            m_ports->AutogenerationRegion(ed.editorStep);
            return;
        }
    }
    if (w && gpWPara->showMouldNumber) {
        w->SetCheckBoxState(1);
        w->ShowHideCheckBox(true);
    }
}

void RaRoWizard::AutogenerationRegion(int step)
{
    const int c = cycle().selCamera;
    CammerWidget* w = (c >= 0 && c < numCamera()) ? cammerWidget[c] : nullptr;
    if (!w || !w->editSet || step < 0 || step > 7 || w->editSet->count[step] != 0)
        return;
    AutoRegion::Generate(*w, step, *gpWPara);
    m_ports->editor().drawKind = EditorState::DrawNone;
    w->selectedRoi = -1;
    w->update();
}

void RaRoWizard::SlotDetectCycle()
{
    if (!DetectCycleSQL::instance)
        DetectCycleSQL::instance = new DetectCycleSQL;
}

void RaRoWizard::SlotFPS()
{
    static int blink = 0;
    blink ^= 1;
    LEDOnOff(5, cycle().runState == RunStopped ? 1 : blink);
    if (gisLost) {
        update();
        return;
    }
    for (int c = 0; c < numCamera() && c < 8; ++c) {
        const int count = m_cycle->frameCount[c];
        if (!gpWPara->externalTrigger) {
            if (count == frameCountLast[c]) {
                if (++stallSeconds[c] > 5) {
                    m_loss->CameraCheck(c);
                    stallSeconds[c] = 0;
                }
            } else {
                stallSeconds[c] = 0;
            }
        }
        fps[c] = count - frameCountLast[c];
        frameCountLast[c] = count;
    }
}

void RaRoWizard::RepaintCountdowns()
{
    const QRect box = CammerWidget::CountdownRect(viewScale[2], viewScale[3]);
    for (CammerWidget* w : cammerWidget)
        if (w && w->isVisible())
            w->update(box);
}

void RaRoWizard::SlotSimulationTrigIn(int n)
{
    m_cycle->SlotSimulationTrigIn(n);
}

void RaRoWizard::SlotPressedTrigIn(int n)
{
    m_cycle->SlotPressedTrigIn(n, true);
}

void RaRoWizard::SlotReleasedTrigIn(int n)
{
    m_cycle->SlotPressedTrigIn(n, false);
}

void RaRoWizard::SlotManualTrig(int step)
{
    m_cycle->SlotManualTrig(step);
}

void RaRoWizard::BackTrain()
{
    m_cycle->BackTrain();
}

void RaRoWizard::SlotROINGWarm()
{
    ROINGWarnBox::Run(this);
}

void RaRoWizard::paintEvent(QPaintEvent* event)
{
    // Cells the grid leaves empty (3, 5 or 7 cameras) show the window:
    // dark like the camera views, not the style's light grey.
    QPainter(this).fillRect(event->rect(), Qt::black);
}

void RaRoWizard::mouseReleaseEvent(QMouseEvent* event)
{
    setFocus(Qt::OtherFocusReason);
    QWidget::mouseReleaseEvent(event);
}

bool RaRoWizard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        for (QWidget* pad : {static_cast<QWidget*>(gpNumPad), static_cast<QWidget*>(gpNumCharPad)})
            if (pad && pad->isVisible() && watched != pad)
                pad->hide();
    }
    return QWidget::eventFilter(watched, event);
}
