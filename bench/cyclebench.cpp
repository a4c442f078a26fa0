// Times the detection cycle end to end: from the input edge the simulated IO
// board raises to the output word that answers it, through the real main
// window with eight simulated 1920x1080 cameras of 50 ROIs each (one step, no
// delay), beside the engine's own step time on the same cameras. What the
// cycle adds is the difference (goal: at most 25 ms).
//
//   cyclebench [--cycles N] [--threads T]
// For the panel's two cores: taskset -c 0,1 cyclebench
#include "app/DetectionCycle.h"
#include "foundation/MainGlobals.h"
#include "app/gui/RaRoWizard.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "inspect/InspectStep.h"
#include "inspect/ParamRoi.h"
#include "params/CammerWidgetData.h"
#include "params/WizardPara.h"
#include "platform/VerifiedCopy.h"
#include "tests/support/SimIOBoard.h"
#include "view/CammerWidget.h"
#include "widgets/SkinPixmaps.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {
constexpr int kW = 1920, kH = 1080, kCameras = 8;

void Wait(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// 50 ROIs on a 10 x 5 grid of the frame, written in view coordinates of this
// screen: 40 Defect and 10 Similarity, the template-based codes, so that the
// good scene passes every cycle whatever its grey levels.
QStringList RoiRows(int group, int screenW, int screenH)
{
    const int codes[2][2] = {{0, 40}, {6, 10}};
    const int limits[10][3] = {{3, 45, 100}, {12800, 0, 50000}, {0, 0, 0}, {0, 0, 0}, {0, 50, 5000},
                               {0, 200, 5000}, {0, 80, 0}, {1, 200, 0x640001}, {1, 60, 0x640001}, {0, 35, 200}};
    QStringList rows;
    int j = 0;
    for (const auto& cn : codes) {
        for (int k = 0; k < cn[1]; ++k, ++j) {
            const int x = 60 + (j % 10) * 180, y = 60 + (j / 10) * 200;
            const int code = cn[0];
            auto vx = [&](int v) { return v * screenW / kW; };
            auto vy = [&](int v) { return v * screenH / kH; };
            rows << QStringLiteral("('ROI%1-%2', '%3 %4 %5 %6 1 0 0 %7 %8 %9 %10')")
                        .arg(group)
                        .arg(j)
                        .arg(limits[code][0])
                        .arg(limits[code][1])
                        .arg(limits[code][2])
                        .arg(code)
                        .arg(vx(x))
                        .arg(vy(y))
                        .arg(vx(x + 149))
                        .arg(vy(y + (code == 9 ? 19 : 149)));
        }
    }
    return rows;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
double Percentile(std::vector<double> v, double q)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(q * double(v.size())))];
}
}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto arg = [&](const char* name, int def) {
        const int i = args.indexOf(QLatin1String(name));
        return i >= 0 && i + 1 < args.size() ? args[i + 1].toInt() : def;
    };
    const int cycles = arg("--cycles", 20);
    const int threads = arg("--threads", 0);

    QTemporaryDir dir;
    if (!VerifiedCopy::CopyTree(QStringLiteral(MOJU_TEMPLATE_DIR), dir.path()))
        return 1;
    QDir::setCurrent(dir.path());
    const QString sim = dir.filePath(QStringLiteral("simcam"));
    if (QProcess::execute(QStringLiteral(MKMOULD_PATH),
                          {QStringLiteral("--cameras"), QString::number(kCameras), QStringLiteral("--size"),
                           QStringLiteral("%1x%2").arg(kW).arg(kH), QStringLiteral("--templates"), dir.path(), sim})
        != 0)
        return 1;
    LoadLanguageTable();
    LoadSkinPixmaps();
    gAppDirPath = dir.path();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("setup"));
        db.setDatabaseName(QStringLiteral("PARAM.db"));
        db.open();
        QSqlQuery q(db);
        // Semi-automatic: input 1 starts the cycle and the product step,
        // input 3 the mould step; no delays; 50 areas per camera and step.
        q.exec(QStringLiteral("UPDATE sysparam SET value='1 1 0 -1 0 0 0 0 0' WHERE name='system1'"));
        q.exec(QStringLiteral("UPDATE sysparam SET value='0 0 0 0 0 0 0 0' WHERE name='trigInDelay'"));
        for (int c = 0; c < kCameras; ++c)
            q.exec(QStringLiteral("INSERT INTO cammer%1 VALUES('detect0', '50'), ('detect1', '50'), %2, %3")
                       .arg(c)
                       .arg(RoiRows(0, screen.width(), screen.height()).join(QLatin1String(", ")),
                            RoiRows(1, screen.width(), screen.height()).join(QLatin1String(", "))));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("setup"));
    qputenv("MOJU_SIMCAM", sim.toLocal8Bit());

    SimBoard board({QStringLiteral("--inputs"), QStringLiteral("2")});
    if (!board.waitForPath())
        return 1;
    qputenv("MOJU_SERIAL_DEVICE", board.path().toLocal8Bit());

    RaRoWizard win;
    if (!win.isBuilt() || win.numCamera() != kCameras) {
        std::fprintf(stderr, "cyclebench: %d cameras open\n", win.numCamera());
        return 1;
    }
    win.detection()->setJudgeThreads(threads);
    Wait([&] { return win.detection()->frameCount[kCameras - 1] > 5; }, 10000);

    // Time from the board raising input `bit` to its word `answer`.
    auto step = [&](int bit, const QString& answer, double& ms) {
        const int insBefore = board.linesStarting(QStringLiteral("IN ")).size();
        const int outsBefore = board.linesStarting(QStringLiteral("OUT ")).size();
        board.send(QStringLiteral("set %1").arg(bit));
        Wait([&] {
            const QStringList outs = board.linesStarting(QStringLiteral("OUT "));
            return outs.size() > outsBefore && outs.last().endsWith(answer);
        }, 5000);
        const QStringList ins = board.linesStarting(QStringLiteral("IN "));
        const QStringList outs = board.linesStarting(QStringLiteral("OUT "));
        board.send(QStringLiteral("clr %1").arg(bit));
        Wait([&] { return board.linesStarting(QStringLiteral("IN ")).size() > insBefore + 1; }, 2000);
        if (ins.size() <= insBefore || outs.size() <= outsBefore || !outs.last().endsWith(answer)) {
            std::fprintf(stderr, "cyclebench: no %s after input %d (last %s)\n", qPrintable(answer), bit + 1,
                         qPrintable(outs.value(outs.size() - 1)));
            return false;
        }
        ms = outs.last().section(QLatin1Char(' '), 1, 1).toDouble() - ins[insBefore].section(QLatin1Char(' '), 1, 1).toDouble();
        return true;
    };
    std::vector<double> latency;
    for (int n = 0; n < cycles; ++n) {
        double product = 0, mould = 0;
        if (!step(0, QStringLiteral("0x00F5"), product) || !step(2, QStringLiteral("0x00F4"), mould))
            return 1;
        latency.push_back(product);
        latency.push_back(mould);
    }

    // The engine alone on the same cameras and step.
    std::vector<CammerRecong*> engines;
    for (CammerWidget* w : win.cammerWidget)
        engines.push_back(w->engine);
    const int t = threads > 0 ? threads : int(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<double> engine;
    for (int n = 0; n < cycles; ++n) {
        for (int g = 0; g < 2; ++g) {
            const auto a = std::chrono::steady_clock::now();
            InspectStep::Run(engines, g, std::min(t, kCameras));
            engine.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - a).count());
            g_listParamROI.clear();
        }
    }
    int ok = 0;
    for (CammerWidget* w : win.cammerWidget)
        ok += w->cameraOK;
    std::printf("cyclebench: %d cameras x 50 ROIs (40 Defect, 10 Similarity), %dx%d, %d engine threads, %d cycles (2 steps each), %d cameras OK\n",
                kCameras, kW, kH, t, cycles, ok);
    std::printf("  input edge to answering output word: median %.1f ms, p90 %.1f ms, max %.1f ms\n",
                Median(latency), Percentile(latency, 0.9), *std::max_element(latency.begin(), latency.end()));
    std::printf("  engine step alone:                   median %.1f ms, p90 %.1f ms\n", Median(engine),
                Percentile(engine, 0.9));
    std::printf("  added by the cycle (medians):        %.1f ms (goal <= 25 ms)\n", Median(latency) - Median(engine));
    std::fflush(stdout);
    std::_Exit(0);
}
