// A whole monitor without cameras: an NG snapshot raises the alarm and the
// editor column opens on the live image; judging again a clean frame clears
// it; "not detected" for the alarm camera skips its step and clears it too.
#include "WizardFixture.h"

#include "PatchAlarm.h"

#include "SimCamFixture.h"
#include "app/DetectionCycle.h"
#include "records/SaveFialImageThread.h"
#include "app/gui/RaRoWizard.h"
#include "camera/CameraGlobals.h"
#include "inspect/CammerRecong.h"
#include "network/PlantLinkHost.h"
#include "params/CammerSingleton.h"
#include "params/WizardPara.h"
#include "platform/vision/FrameBmp.h"
#include "view/CammerWidget.h"
#include "view/DrawROIWidget.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/SkinPixmaps.h"

#include <climits>

namespace {
struct Monitor {
    explicit Monitor(int lan = 0)
    {
        SetParamValue(QStringLiteral("system2"), 13, lan);
        // Template of the mould step of camera 1 and the pictures manual
        // snapshots take without cameras: a clean part, then one with a defect.
        QDir().mkpath(QStringLiteral("cammer12"));
        QDir().mkpath(QStringLiteral("cammer15"));
        const FrameBytes clean = PatchFrame(false);
        const FrameBytes bad = PatchFrame(true);
        WriteFrameBmp(QStringLiteral("cammer12/template0.bmp"), clean.data(), 1920, 1080, false);
        // Each snapshot takes the next picture; no test takes more than two.
        for (int k = 0; k < 2; ++k)
            WriteFrameBmp(QStringLiteral("cammer15/template%1.bmp").arg(k), bad.data(), 1920, 1080, false);
        LoadSkinPixmaps();
        gAppDirPath = dir.path();
        answers.queue(0);  // keep the stored serial numbers
        win = std::make_unique<RaRoWizard>();
        gpWPara->doorClearsAlarm = 0;
        // One area of the mould step over the defect.
        w = win->cammerWidget[0];
        AddAreaOverPatch(w);
    }
    void RaiseAlarm()
    {
        win->SlotManualTrig(1);
        QTRY_COMPARE_WITH_TIMEOUT(win->cycle().verdictState, int(VerdictAlarm), 5000);
    }

    TempWorkDir dir;
    SimCamFolder none;
    PopupAnswerer answers;
    std::unique_ptr<RaRoWizard> win;
    CammerWidget* w = nullptr;
};
}  // namespace

class TestAlarmWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }

    void reCheckWithACleanFrameClearsTheAlarm()
    {
        Monitor m;
        m.RaiseAlarm();
        QCOMPARE(int(m.w->cameraOK), 0);
        QCOMPARE(gSource, 1);
        QVERIFY(!m.win->drawROIWidget->isHidden());
        QVERIFY(m.win->drawROIWidget->reCheckButton->isVisibleTo(m.win->drawROIWidget));

        // Still the defect: the alarm stays and the column with it.
        m.win->drawROIWidget->SlotReCheck();
        QCOMPARE(m.win->cycle().verdictState, int(VerdictAlarm));
        QVERIFY(!m.win->drawROIWidget->isHidden());

        m.w->workBuffer = PatchFrame(false);
        m.win->drawROIWidget->SlotReCheck();
        QCOMPARE(int(m.w->cameraOK), 1);
        QVERIFY(m.win->cycle().verdictState != VerdictAlarm);
        QCOMPARE(gSource, -1);
        QVERIFY(m.win->drawROIWidget->isHidden());
    }

    void notDetectingTheAlarmCameraSkipsItsStep()
    {
        Monitor m;
        // The area's stored alarm count is at the int limit (a damaged
        // PARAM.db): one more alarm keeps it there instead of wrapping.
        m.w->liveSet->NGCount[1][0] = INT_MAX;
        m.RaiseAlarm();
        QCOMPARE(m.w->liveSet->NGCount[1][0], INT_MAX);
        // The column picks the alarm camera, then "Don't Detect".
        m.win->drawROIWidget->SetCameraChoice(0);
        QCOMPARE(m.win->cycle().selCamera, 0);
        m.answers.clear();
        m.win->drawROIWidget->SlotNoCheckCur();
        QCOMPARE(m.answers.seen().value(0).text, LanStr(105).arg(1));
        QVERIFY(m.w->skipStep[1]);
        QVERIFY(m.win->cycle().verdictState != VerdictAlarm);
        QVERIFY(OperationLogRows().contains(LanStr(106).arg(1)));
        // The next snapshot judges the camera again.
        m.win->SlotManualTrig(1);
        QVERIFY(!m.w->skipStep[1]);
    }

    // The plant link's "alarm cleared" tells which editor command cleared
    // the alarm; a re-check the door asked for is no command of the operator's.
    void plantLinkHearsHowTheAlarmWasCleared()
    {
        Monitor m;
        DrawROIWidget* col = m.win->drawROIWidget;
        const QList<QPair<int, std::function<void()>>> clearings = {
            {0, [&] { m.win->SlotSimulationTrigIn(2); }},  // the door
            {7, [&] { col->SlotReCheck(); }},
            {4, [&] { col->SetCameraChoice(0); col->SlotNoCheckCur(); }},
            {5, [&] { col->SetCameraChoice(0); col->SlotAddTemp(); }},
        };
        for (const auto& [reason, clear] : clearings) {
            m.w->workBuffer = PatchFrame(true);
            m.RaiseAlarm();
            m.win->cycle().clearReason = -1;
            m.w->workBuffer = PatchFrame(false);
            clear();
            QTRY_VERIFY(m.win->cycle().verdictState != VerdictAlarm);
            QCOMPARE(PlantLinkHost::instance().clearReason(), reason);
        }
    }

    // Each question of the alarm column is about the alarm it was asked for.
    // While it waits, a re-check with a clean frame ends alarm 1 (and a new NG
    // snapshot raises alarm 2): the late yes acts on neither. "Don't detect"
    // for all cameras asks twice: its own question, then whether to save the
    // edited areas.
    void lateAnswerActsOnNoOtherAlarm_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("oneCamera");
        QTest::addColumn<bool>("newAlarm");
        QTest::addColumn<bool>("duringSave");  // the alarm changes while the save step asks
        QTest::addColumn<QString>("logLine");  // the command's operation-log line
        QTest::newRow("don't detect, all cameras, alarm ended") << 0 << false << false << false << LanStr(103);
        QTest::newRow("don't detect, all cameras") << 0 << false << true << false << LanStr(103);
        QTest::newRow("don't detect, all cameras, new alarm during the save") << 0 << false << true << true << LanStr(103);
        QTest::newRow("don't detect, one camera") << 0 << true << true << false << LanStr(106).arg(1);
        QTest::newRow("add as template") << 1 << true << true << false << LanStr(109).arg(1);
        QTest::newRow("ignore alarm points") << 2 << true << true << false << LanStr(114).arg(1);
        QTest::newRow("delete ignored points") << 3 << true << true << false << LanStr(117).arg(1);
    }
    void lateAnswerActsOnNoOtherAlarm()
    {
        QFETCH(int, command);
        QFETCH(bool, oneCamera);
        QFETCH(bool, newAlarm);
        QFETCH(bool, duringSave);
        QFETCH(QString, logLine);
        Monitor m;
        m.RaiseAlarm();
        const quint64 first = m.win->cycle().alarmId;
        DrawROIWidget* col = m.win->drawROIWidget;
        if (oneCamera)
            col->SetCameraChoice(0);
        else
            QCOMPARE(m.win->cycle().selCamera, m.win->numCamera());  // all cameras
        m.answers.clear();
        if (duringSave) {
            m.w->editSet->sensibility[1][0] = 60;  // an area edit the save step asks about
            m.answers.queueAction([](QDialog* d) { d->done(1); });
        }
        m.answers.queueAction([&m, col, newAlarm](QDialog* d) {
            m.w->workBuffer = PatchFrame(false);
            col->SlotReCheck();
            QVERIFY(m.win->cycle().verdictState != VerdictAlarm);
            if (newAlarm)
                m.RaiseAlarm();
            d->done(1);
        });
        const std::function<void()> commands[] = {
            [col] { col->SlotNoCheckCur(); },
            [col] { col->SlotAddTemp(); },
            [col] { col->SlotIgnoreAlarmPoint(); },
            [col] { col->SlotDeleteIgnorePoint(); },
        };
        commands[command]();
        if (duringSave)
            QCOMPARE(m.answers.seen().value(1).text, LanStr(72));
        else
            QCOMPARE(m.answers.seen().size(), 1);
        QVERIFY(!OperationLogRows().contains(logLine));
        if (!newAlarm) {
            QVERIFY(m.win->cycle().verdictState != VerdictAlarm);
            return;
        }
        // Alarm 2 stands, untouched.
        QCOMPARE(m.win->cycle().verdictState, int(VerdictAlarm));
        QCOMPARE(m.win->cycle().alarmId, first + 1);
        QCOMPARE(int(m.w->cameraOK), 0);
        QVERIFY(!m.w->skipStep[1]);
        const int code = m.win->cycle().imageDecision[0][1];
        QVERIFY(code != 4 && code != 5);  // not marked "not detected" or "added as template"
    }

    // Pictures for a person to look at when MOJU_SHOTS_DIR names a folder.
    void grabScreens_data() { AddLanguageRows(); }
    void grabScreens()
    {
        MOJU_SKIP_WITHOUT_SHOTS();
        QFETCH(int, lan);
        Monitor m(lan);
        m.win->show();
        m.RaiseAlarm();
        QVERIFY(m.win->grab().save(ShotPath(QStringLiteral("alarm-all"))));
        m.win->drawROIWidget->SetCameraChoice(0);
        m.w->blinkPhase = 1;
        QVERIFY(m.win->grab().save(ShotPath(QStringLiteral("alarm-camera"))));
        // An NG record to browse.
        m.w->SaveFailImage(1, 0);
        const QImage picture = gpFailImage[0][1][0];
        QVERIFY(picture.save(ResultFolder(0, 1, 0) + QStringLiteral("/0000000001_2024-05-06-10-11-12.jpg")));
        m.win->drawROIWidget->setSource(4);
        m.win->drawROIWidget->stepCombo->setCurrentIndex(1);
        QVERIFY(m.win->grab().save(ShotPath(QStringLiteral("records-ng"))));
    }
};

MOJU_TEST_MAIN(TestAlarmWindow)
#include "test_alarm_window.moc"
