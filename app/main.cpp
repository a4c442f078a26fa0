// Start-up of the monitor, in its fixed order; then the event loop for the
// life of the process.
#include "foundation/MallocPolicy.h"
#include "foundation/GLog.h"
#include "app/IOLink.h"
#include "app/LedPanel.h"
#include "foundation/MainGlobals.h"
#include "records/SaveFialImageThread.h"
#include "app/StopSignals.h"
#include "app/gui/MApplication.h"
#include "app/gui/RaRoWizard.h"
#include "foundation/uitext.h"
#include "camera/CameraGlobals.h"
#include "network/PlantParamReports.h"
#include "network/VUR_Net.h"
#include "params/WizardPara.h"
#include "foundation/VisionGlobals.h"
#include "widgets/C_Type_COM.h"
#include "widgets/SkinPixmaps.h"
#include "platform/RelaunchingSystemActions.h"
#include "platform/SystemActions.h"

#include <QDir>
#include <QMutex>
#include <QTimer>

int main(int argc, char* argv[])
{
    // A stop as early as this is kept and served once the stop is installed.
    StopSignals::Catch();
    ReturnFrameBlocksWhenFreed();
#if MOJU_PANEL
    SystemActions::instance().portIoPermission(3);  // the GPIO chip code needs port IO
#endif
    m_F75111 = 0x9C;
    OpenLedDevice();
    MApplication app(argc, argv);
#if !MOJU_PANEL
    // Build host: a requested reboot starts the monitor afresh instead (see README).
    static RelaunchingSystemActions hostActions(RelaunchMonitor);
    SystemActions::setInstance(&hostActions);
#endif
    // Qt 6 reads and writes 8-bit text as UTF-8 throughout: no codec to set.

    const QString glogDir = QStringLiteral("./vur_net/vur_log_app/");
    QDir().mkpath(glogDir);
    gGlog = new GLog(glogDir, argv, &app);
    // After glog's set-up (its crash handler would report a stop as a crash)
    // and before the window, whose construction a stop may come in, start-up
    // questions included: the stop serves what exists of the window by then.
    StopSignals::Install([] {
        if (gpWin)
            gpWin->StopForShutdown();
    });
    GLogInfo(QStringLiteral("2.5.0 release"));

    pMutexIO = new QMutex;
    CreateCameraMutexes();  // pMutex[8]; the frame-ready flags start cleared
    LoadLanguageTable();
    InstallFontSubstitutes();
    LoadSkinPixmaps();
    gpNet = new VUR_Net(nullptr);
    static PlantParamReports paramReports;  // saves report through gpNet from here on
    ParamReports::setInstance(&paramReports);
    gAppDirPath = QCoreApplication::applicationDirPath();

    gpWin = new RaRoWizard(nullptr);
    if (!gpWin->isBuilt())
        return 1;
    gpWPara->inserterAllParam(0);  // writes the start-up parameter line itself
    if (gpWPara->netEnabled && gpNet->isInit) {
        gpNet->VUR_FirstInit();
        gpNet->VUR_ReStart();
        GLogInfo(QStringLiteral("(start init) 'NetClinet' will restart..."));
    }
    gpWin->showMaximized();

    // A demo run on a build host can be ended by time (MOJU_DEMO_SECONDS).
    const int seconds = qEnvironmentVariableIntValue("MOJU_DEMO_SECONDS");
    if (seconds > 0)
        QTimer::singleShot(seconds * 1000, &app, [] { std::_Exit(0); });
    return app.exec();
}
