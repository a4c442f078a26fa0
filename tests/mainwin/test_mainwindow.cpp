// The main window built from a fresh working directory, as the monitor
// starts: construction order, first state, camera widgets, host effects.
#include "WizardFixture.h"

#include "SimCamFixture.h"
#include "app/DetectionCycle.h"
#include "app/gui/RaRoWizard.h"
#include "camera/CameraStation.h"
#include "params/WizardPara.h"
#include "view/CammerWidget.h"
#include "widgets/CheckBox.h"
#include "widgets/SkinPixmaps.h"

namespace {
void CheckWholeWidget(CammerWidget* w)
{
    QVERIFY(w);
    QVERIFY(w->engine && w->liveSet && w->editSet);
    QCOMPARE(int(w->workBuffer.size()), gColorLen);
    QCOMPARE(int(w->displayBuffer.size()), gImageLen * 4);
    // Rings, masks and templates for the steps in use only.
    QCOMPARE(w->recentNg.FrameLen(), w->PackedLen());
    for (int s = 0; s < 8; ++s) {
        QCOMPARE(int(w->ignorePointMask[s].size()), s < gDNum ? gImageLen : 0);
        QCOMPARE(w->templateImages[s].empty(), s >= gDNum);
    }
    QCOMPARE(w->templateNum[0], 1);  // the placeholder
    QCOMPARE(w->cavityBox[8]->text(), QStringLiteral("模腔9"));
    QCOMPARE(w->cavityBox[15]->text(), QStringLiteral("模腔16"));
}
}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }

    void startsWithoutCameras()
    {
        TempWorkDir dir;
        QVERIFY(SetParamValue(QStringLiteral("system8"), 19, 1));  // useLog
        LoadSkinPixmaps();
        gAppDirPath = dir.path();
        SimCamFolder none;  // an empty device folder: no camera family
        PopupAnswerer answers;
        answers.queue(0);  // keep the stored serial numbers
        const QDateTime before = QDateTime::currentDateTime();

        RaRoWizard win;
        QVERIFY(win.isBuilt());
        QCOMPARE(answers.seen().size(), 1);
        QCOMPARE(answers.seen().first().text, LanStr(134));
        QCOMPARE(win.numCamera(), 4);
        QCOMPARE(gImageW, 1920);
        for (int c = 0; c < 8; ++c) {
            CheckWholeWidget(win.cammerWidget[c]);
            QCOMPARE(win.cammerWidget[c]->isVisibleTo(&win), c < 4);
        }
        QCOMPARE(win.cammerWidget[3]->geometry(), QRect(gShowW / 2, gShowH / 2, gShowW / 2, gShowH / 2));

        // A fresh monitor starts no cycle and takes no snapshot without a trigger.
        const CycleState& st = win.cycle();
        QCOMPARE(st.chainedInput, -1);
        QCOMPARE(st.forcedStep, -1);
        QCOMPARE(st.pendingInput, -1);
        QCOMPARE(st.manualStep, gDNum);
        QCOMPARE(st.runState, int(RunDetecting));
        QCOMPARE(st.selCamera, 4);
        QVERIFY(st.cycleStartTime >= before);
        QCOMPARE(st.cycleClock, CycleState::TenthsOf(st.cycleStartTime));
        QVERIFY(st.cycleClock > qint64(INT32_MAX));  // tenths since the epoch need 64 bits

        // The polling loop runs.
        const long long passes = gRunCount;
        QTRY_VERIFY_WITH_TIMEOUT(gRunCount > passes + 3, 2000);

        // Construction order as the log file and the operation log tell it.
        const QStringList expected = {
            QStringLiteral("application start"),
            QStringLiteral("start-up: cameras probed"),
            QStringLiteral("start-up: IO port open"),
            QStringLiteral("start-up: camera widgets built, 4 open"),
            QStringLiteral("start-up: image saver started"),
            QStringLiteral("start-up: ready"),
            QStringLiteral("start-up: first output word held by the board"),
        };
        const QStringList lines = LogFileLines(dir.path());
        int at = -1;
        for (const QString& e : expected) {
            int found = -1;
            for (int i = at + 1; i < lines.size() && found < 0; ++i)
                if (lines[i].endsWith(e))
                    found = i;
            QVERIFY2(found > at, qPrintable(QStringLiteral("missing or out of order: ") + e));
            at = found;
        }
        QCOMPARE(OperationLogRows().value(0), LanStr(150).arg(4));
        // Nothing reached the host: no LED board, no reboot, no shell.
        QCOMPARE(SystemActionLines(), QStringList());
        QVERIFY(QFileInfo(QStringLiteral("time.txt")).isFile());
        QVERIFY(QDir(QStringLiteral("alarmimage/camera4/detect8/OK")).exists());

        // Without cameras a manual snapshot takes a stored picture, converted
        // to the grey frame whatever its depth; one of another size is ignored.
        QDir().mkpath(QStringLiteral("cammer15"));
        QImage colour(gImageW, gImageH, QImage::Format_RGB32);
        colour.fill(qRgb(64, 64, 64));
        QVERIFY(colour.save(QStringLiteral("cammer15/template0.bmp")));
        QImage small(100, 100, QImage::Format_RGB32);
        small.fill(qRgb(200, 200, 200));
        QVERIFY(small.save(QStringLiteral("cammer15/template1.bmp")));
        CammerWidget* cam0 = win.cammerWidget[0];
        win.SlotManualTrig(1);
        QCOMPARE(int(cam0->workBuffer.front()), 64);
        QCOMPARE(int(cam0->workBuffer.back()), 64);
        win.SlotManualTrig(1);
        QCOMPARE(int(cam0->workBuffer.back()), 64);
        QTRY_COMPARE(win.cycle().curStep, 1);  // the snapshot's step was judged

        // A stop asked by the system: detection stopped (its outputs), the
        // stop in the operation log, the databases closed.
        win.StopForShutdown();
        QCOMPARE(win.cycle().runState, int(RunStopped));
        QCOMPARE(OperationLogRows().last(), LanStr(1119));
        QVERIFY(!QSqlDatabase::database(QStringLiteral("dbIn"), false).isOpen());
    }

    void cameraThatFailsToOpenKeepsAWholeWidget()
    {
        TempWorkDir dir;
        LoadSkinPixmaps();
        gAppDirPath = dir.path();
        SimCamFolder sim;
        const QMap<QString, QVariant> small{{"sensorWidth", 64}, {"sensorHeight", 48}};
        QMap<QString, QVariant> broken = small;
        broken.insert(QStringLiteral("openFails"), 1);
        sim.add(QStringLiteral("mvs"), QStringLiteral("MVS0000001"), small, {40, 80});
        sim.add(QStringLiteral("mvs"), QStringLiteral("MVS0000002"), broken);
        sim.add(QStringLiteral("mvs"), QStringLiteral("MVS0000003"), small, {120});
        PopupAnswerer answers;

        RaRoWizard win;
        QVERIFY(win.isBuilt());
        QCOMPARE(answers.seen().size(), 0);  // no stored serials: no question
        QCOMPARE(win.numCamera(), 2);
        QVERIFY(win.station()->camOpen[0]);
        QVERIFY(!win.station()->camOpen[1]);
        QVERIFY(win.station()->camOpen[2]);
        for (int c = 0; c < 8; ++c)
            CheckWholeWidget(win.cammerWidget[c]);
        // Frames reach the work buffer and the view.
        QTRY_VERIFY_WITH_TIMEOUT(win.detection()->frameCount[0] > 0, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(win.cammerWidget[0]->displayImage().pixel(1, 1) != 0u, 3000);
    }

    // Screen grabs for a person to look at: MOJU_SHOTS_DIR names the folder,
    // MOJU_SHOTS_SIMCAM a camera folder laid out by tools/mkmould.
    void grabScreens_data()
    {
        AddLanguageRows();
    }
    void grabScreens()
    {
        const QString out = qEnvironmentVariable("MOJU_SHOTS_DIR");
        const QString cams = qEnvironmentVariable("MOJU_SHOTS_SIMCAM");
        if (out.isEmpty() || cams.isEmpty())
            QSKIP("MOJU_SHOTS_DIR and MOJU_SHOTS_SIMCAM not set");
        QFETCH(int, lan);
        TempWorkDir dir;
        QVERIFY(SetParamValue(QStringLiteral("system2"), 13, lan));
        LoadSkinPixmaps();
        gAppDirPath = dir.path();
        qputenv("MOJU_SIMCAM", cams.toLocal8Bit());
        simcam::SimCamHub::instance().reset();
        PopupAnswerer answers;
        RaRoWizard win;
        win.show();
        QTRY_VERIFY_WITH_TIMEOUT(win.detection()->frameCount[win.numCamera() - 1] > 2, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(win.cammerWidget[win.numCamera() - 1]->displayImage().pixel(5, 5) != 0u, 3000);
        QDir().mkpath(out);
        const QString name = QStringLiteral("%1/main-%2x%3-%4.png").arg(out).arg(gShowW).arg(gShowH).arg(QTest::currentDataTag());
        QVERIFY(win.grab().save(name));
        qunsetenv("MOJU_SIMCAM");
        simcam::SimCamHub::instance().reset();
    }
};

MOJU_TEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
