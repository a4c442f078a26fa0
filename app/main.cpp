// Start-up of the monitor. Until the main window exists this shows the
// toolkit's shared popups so the build can be checked on a screen.
#include "foundation/uitext.h"
#include "foundation/VisionGlobals.h"
#include "widgets/C_Type_COM.h"
#include "widgets/ChooseBox.h"
#include "widgets/SkinPixmaps.h"
#include "widgets/WarnBox.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    LoadLanguageTable();
    InstallFontSubstitutes();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    gShowW = screen.width();
    gShowH = screen.height();
    LoadSkinPixmaps();

    std::printf("mojuwizard: the main window is not built yet; showing the shared popups.\n");
    std::fflush(stdout);

    gpWarnBox = new WarnBox;
    gpChooseBox = new ChooseBox;
    gpWarnBox->setText(LanStr(121).isEmpty() ? QStringLiteral("Mould monitor") : LanStr(121));
    gpWarnBox->show();

    // A demo run on a build host can be ended by time (MOJU_DEMO_SECONDS).
    const int seconds = qEnvironmentVariableIntValue("MOJU_DEMO_SECONDS");
    if (seconds > 0)
        QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    return app.exec();
}
