// The machine types and trigger sources on the wire: re-detection, the
// door, manual snapshots, the two-colour and turntable machines,
// multi-detection, capture on trigger, timed detection and a camera whose
// frames stopped, on the rig's delays and on the default group as it ships. The output modes of the standard machine are in
// test_cycle_modes.
#include "ModeScript.h"

#include <QElapsedTimer>

using namespace ModeScript;

class TestCycleMachines : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }

    void machines_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<Script>("script");
        const QString noProduct = QStringLiteral("system1 2 0");
        QTest::newRow("re-detection count 2, then OK")
            << Rows{noProduct, "system1 7 2", "system9 18 4"}
            << Script{"bad", "in 0", "expect F4 F5 FD F5 FD", "good", "expect F4 F5 FD F5 FD F5 F4"};
        QTest::newRow("re-detection count 2, NG")
            << Rows{noProduct, "system1 7 2", "system9 18 4"}
            << Script{"bad", "in 0", "expect F4 F5 FD F5 FD F5 F1", "in 0", "held 1",
                      "clear", "expect F4 F5 FD F5 FD F5 F1 F5 F4"};
        QTest::newRow("door-triggered detection, mould NG")
            << Rows{noProduct, "system3 11 1"}
            << Script{"bad", "door-ready", "door", "expect F4 F1", "in 0", "held 1",
                      "clear", "expect F4 F1 F5 F4"};
        QTest::newRow("manual snapshot, mould NG")
            << Rows{noProduct}
            << Script{"bad", "manual 1", "expect F4 F1", "in 0", "held 1", "clear",
                      "expect F4 F1 F5 F4"};
        // Two-colour machine (type 1), left side: input 1 starts the cycle,
        // input 3 the mould step; its door does not switch the alarm off.
        QTest::newRow("two-colour, mould NG")
            << Rows{noProduct, "numFailDetect 1 1"}
            << Script{"bad", "in 0", "expect F4 F5", "in 2", "expect F4 F5 F1", "in 0", "held 1", "clear",
                      "expect F4 F5 F1 F4"};
        QTest::newRow("turntable, mould NG")
            << Rows{noProduct, "numFailDetect 1 2"}
            << Script{"bad", "in 0", "expect F4 F5 F1", "in 0", "held 1", "clear", "expect F4 F5 F1 F4"};
        // Multi-detection, three steps on inputs 1, 3 and 4 (0-based 0, 2, 3);
        // each step's output is released by its own OK only: the last one is
        // output 0, step 0's output 1, step 1's output 3.
        const Rows multi{"numFailDetect 1 4", "system8 1 3", "system8 3 1", "system8 4 2", "system9 2 1",
                         "system9 3 2", "trigInDelay 3 1", "step 2"};
        // In order: each step's result before the next step's input (an input
        // during a countdown is lost). Before, step 1's OK released output 0.
        const Rows inOrder = Rows(multi) << "system11 19 1";
        QTest::newRow("multi-detection in order, good")
            << inOrder
            << Script{"in 0", "expect F4 FF FD", "in 2", "expect F4 FF FD F5", "in 3", "expect F4 FF FD F5 F4"};
        QTest::newRow("multi-detection in order, last step NG")
            << inOrder
            << Script{"in 0", "expect F4 FF FD", "in 2", "expect F4 FF FD F5", "bad", "in 3",
                      "expect F4 FF FD F5 F1", "in 0", "held 3", "clear", "starts F4 FF FD F5 F1 F5"};
        // Any order: no output is raised at a step's start; an NG holds its
        // own output and the clamp, not only the alarm. The door's re-check
        // of the cleaned mould releases step 1's output; the clamp waits for
        // the last step.
        QTest::newRow("multi-detection any order, step 1 NG")
            << multi
            << Script{"in 0", "settled", "bad", "in 2", "expect F4 F9", "in 0", "held 1", "clear",
                      "expect F4 F9 FD F5"};
        // Capture on trigger: a full set of new frames acts as input 1. A frame
        // taken while a step counts down is used up, not kept for a cycle of
        // its own after it.
        QTest::newRow("capture on trigger")
            << Rows{noProduct, "system5 12 1", "trigInDelay 2 10"}
            << Script{"trigger", "expect F4 F5", "trigger", "expect F4 F5 F4", "settled", "expect F4 F5 F4"};
        QTest::newRow("continuous timed detection") << Rows{noProduct, "system12 20 1"} << Script{"starts F4 F5 F4 F5"};
        // The default group as it ships: a snapshot judges the mould step
        // on a frame taken after it.
        QTest::newRow("shipped default group, manual snapshot, mould NG")
            << Rows{"shipped"}
            << Script{"bad", "manual 1", "expect F4 F1", "in 0", "held 1", "clear", "expect F4 F1 F5 F4", "lost 0"};
        QTest::newRow("turntable on the shipped group, mould NG")
            << Rows{"shipped", "numFailDetect 1 2", "product corner"}
            << Script{"bad", "in 0", "expect F4 (F7) (F5) F1", "in 0", "held 3", "clear", "expect F4 (F7) (F5) F1 F4"};
        // No delays at 2 fps: the mould step and each of its re-detections
        // wait for a frame of their own, so the clamp is held at least 0.8 s
        // before the alarm.
        QTest::newRow("shipped group, re-detection count 2, 2 fps")
            << Rows{"shipped", "system1 7 2", "product corner", "fps 2", "scene 1"}
            << Script{"after-frame", "in 0", "expect F4 (F7) F5 F1", "lasts F5 800", "lost 0", "in 0", "held 1"};
        // A re-detection 3 s after the NG judges a frame from after its delay:
        // the camera stopped meanwhile holds with its loss reason.
        QTest::newRow("re-detection after a 3-s delay, camera stops during it")
            << Rows{noProduct, "system1 7 1", "system9 18 30", "family galaxy"}
            << Script{"bad", "in 0", "expect F4 F5 FD", "good", "unplug", "expect F4 F5 FD F5 F1", "lost 1"};
    }
    void machines()
    {
        QFETCH(Rows, rows);
        QFETCH(Script, script);
        RunRow(rows, script);
    }

    // A camera whose frames stopped: the step waits for a frame taken after
    // its trigger, then holds the machine with the camera-loss reason instead
    // of judging the old frame.
    void staleFrameHolds()
    {
        BoardRig rig;
        rig.family = QStringLiteral("galaxy");  // frames just stop, no loss callback
        rig.serial = QStringLiteral("GX0000001");
        QVERIFY(rig.prepare());
        QVERIFY(SetParamValue(QStringLiteral("system1"), 2, 0));  // no product step
        rig.start();
        if (QTest::currentTestFailed())
            return;
        rig.sim->unplug(rig.family, rig.serial);
        QElapsedTimer still;
        int seen = -1;
        auto stopped = [&] {
            const int now = rig.win->detection()->frameCount[0];
            if (now != seen) {
                seen = now;
                still.restart();
            }
            return still.elapsed() > 300;
        };
        QTRY_VERIFY_WITH_TIMEOUT(stopped(), 5000);
        QCOMPARE(gisLost, 0);
        Input(rig, 0);
        QTRY_VERIFY2_WITH_TIMEOUT(rig.words() == (QStringList{"F4", "F5", "F1"}),
                                  qPrintable(rig.words().join(QLatin1Char(' '))), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(rig.wireWords(), rig.words(), 3000);
        QCOMPARE(rig.cycle().verdictState, int(VerdictAlarm));
        const qint64 waited = rig.sentHeldMs(QStringLiteral("F5"));
        QVERIFY2(waited >= DetectionCycle::kFrameWaitMs - 100, qPrintable(QString::number(waited)));
        const QString lost = LanStr(332).arg(1).section(QLatin1Char(','), 0, 0);  // "The 1th Camera Lost"
        auto lostLines = [&] {
            const QStringList log = OperationLogRows();
            return std::count_if(log.cbegin(), log.cend(), [&](const QString& r) { return r.startsWith(lost); });
        };
        QCOMPARE(lostLines(), 1);
        // The door's re-check may not clear the alarm with the old picture.
        Door(rig, false);
        Door(rig, true);
        QTRY_COMPARE_WITH_TIMEOUT(lostLines(), 2, 3000);
        QCOMPARE(rig.cycle().verdictState, int(VerdictAlarm));
        QVERIFY(ClampHeld(rig.words().last()));
    }

    // Eight cameras get two seconds to settle after they start, but the
    // window does not wait for them: its outputs go idle and the loop polls.
    // A cycle started at once holds the machine, and its step is judged only
    // once the cameras have settled.
    void eightCamerasSettleBeforeJudged()
    {
        BoardRig rig;
        QVERIFY(rig.prepare());
        QVERIFY(SetParamValue(QStringLiteral("system1"), 2, 0));  // no product step
        for (int k = 2; k <= 8; ++k)
            rig.sim->add(rig.family, QStringLiteral("MVS%1").arg(k, 7, 10, QLatin1Char('0')),
                         {{"sensorWidth", 160}, {"sensorHeight", 120}, {"fps", 50}});
        rig.sim->device(rig.family, rig.serial)->showPicture(0);
        PopupAnswerer answers;
        rig.win = std::make_unique<RaRoWizard>();
        QVERIFY(rig.win->isBuilt());
        QCOMPARE(rig.win->numCamera(), 8);
        rig.watchWords();
        const DetectionCycle* cycle = rig.win->detection();
        QTRY_COMPARE_WITH_TIMEOUT(BoardWords(*rig.board).value(BoardWords(*rig.board).size() - 1), QStringLiteral("F4"), 5000);
        if (cycle->CamerasSettled())
            QSKIP("the window took longer to build than the cameras to settle");
        rig.markIdle(QStringLiteral("F4"));
        Input(rig, 0);
        bool judgedUnsettled = false;
        QTRY_VERIFY_WITH_TIMEOUT([&] {
            if (rig.cycle().verdictState == VerdictIdle)
                return false;
            judgedUnsettled = !cycle->CamerasSettled();
            return true;
        }(), 8000);
        QVERIFY(!judgedUnsettled);
        QTRY_COMPARE_WITH_TIMEOUT(rig.words(), (QStringList{"F4", "F5", "F4"}), 3000);
    }
};

MOJU_TEST_MAIN(TestCycleMachines)
#include "test_cycle_machines.moc"
