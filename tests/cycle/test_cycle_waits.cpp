// Steps waiting for their frames, on the wire: the shipped default group
// (both steps on input 1 without delay) at 50 and 10 fps, capture on trigger
// with the product step, the door closed while a step waits, a pulse while
// the board hears nothing, and the product pulses of multi-detection, whose
// outputs are other steps' holds there. Slow cameras, long delays and waits
// that overlap are in test_cycle_slow.
#include "ModeScript.h"

using namespace ModeScript;

class TestCycleWaits : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }

    void waits_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<Script>("script");
        // The rig delays both steps by 0.1 s; as shipped they have none.
        const Rows shipped{"shipped"};
        // Both steps judge the first frame after the input: the ejector's
        // release and the clamp's come in one pass, within a frame of the
        // hold (which the board may not read in time). Cycle after cycle.
        QTest::newRow("shipped default group, 50 fps")
            << shipped
            << Script{"in 0", "expect F4 (F7) (F5) F4", "traced", "in 0", "expect F4 (F7) (F5) F4 (F7) (F5) F4",
                      "traced", "lost 0"};
        // The door opened to clear the alarm switches its output off first.
        QTest::newRow("shipped default group, 10 fps, product NG held until cleared")
            << (Rows(shipped) << "fps 10")
            << Script{"in 0", "expect F4 (F7) (F5) F4", "bad", "in 0", "expect F4 (F7) (F5) F4 (F7) F3", "in 0",
                      "held 4", "clear", "expect F4 (F7) (F5) F4 (F7) F3 (F7) (F5) F4", "lost 0"};
        // Frames of three cameras come one by one: those in are judged while
        // the step waits for the others, and the verdict is still the step's.
        QTest::newRow("cameras at 50, 10 and 4 fps, NG held")
            << Rows{"camera 10", "camera 4"}
            << Script{"in 0", "expect F4 F7 F5 F4", "traced early", "bad", "in 0", "expect F4 F7 F5 F4 F7 F3",
                      "in 0", "held 4", "lost 0"};
        QTest::newRow("delays 0 and 0.1 s, 10 fps")
            << Rows{"trigInDelay 1 0", "fps 10"}
            << Script{"in 0", "expect F4 F7 F5 F4", "lost 0"};
        // Captured on trigger, the frames the trigger produced serve both
        // steps; without delays both are judged in the pass the set came.
        QTest::newRow("capture on trigger, product step, delays 0.1 s")
            << Rows{"system5 12 1"}
            << Script{"trigger", "expect F4 F7 F5 F4", "trigger", "expect F4 F7 F5 F4 F7 F5 F4", "lost 0"};
        QTest::newRow("capture on trigger, shipped default group")
            << (Rows(shipped) << "system5 12 1")
            << Script{"trigger", "expect F4 (F7) (F5) F4", "trigger", "expect F4 (F7) (F5) F4 (F7) (F5) F4", "lost 0"};
        // The door closed while the product step waits inspects the mould
        // at once, as it does during a countdown, not after the 2-s delay.
        QTest::newRow("door while a step waits")
            << Rows{"system3 11 1", "trigInDelay 2 20", "fps 2"}
            << Script{"door-ready", "settled", "after-frame", "in 0", "waiting", "door", "expect F4 F7 (F5) F4",
                      "within 1500"};
        // A pulse ends only once the board holds it: a board that hears
        // nothing while the NG pulse is due still reads it afterwards.
        QTest::newRow("OK/NG pulses, board deaf at the NG pulse")
            << Rows{"system1 2 0", "system5 9 1", "system2 6 0"}
            << Script{"bad", "in 0", "deaf 300", "expect F4 F1 F4"};
        // Multi-detection, three steps on inputs 1, 3 and 4: output 1 is step
        // 0's, output 3 step 1's, output 0 the last step's. The product
        // step's pulses drive only outputs no step owns (4 to 7 here), and
        // its NG is an alarm: the alarm output on, every step's output held.
        const Rows multi{"numFailDetect 1 4", "system8 1 3", "system8 3 1", "system8 4 2", "system9 2 1",
                         "system9 3 2", "trigInDelay 3 1", "step 2", "system11 19 1", "system2 5 0"};
        QTest::newRow("multi-detection, product pulses, step 0 NG")
            << (Rows(multi) << "system2 7 1")
            << Script{"bad", "in 0", "expect F4 FF (FB) EB FB", "in 2", "held 1"};
        // A good first step sets the cavity pairs; step 1's output waits for step 1.
        QTest::newRow("multi-detection, split outputs, step 0 good")
            << (Rows(multi) << "system9 15 1")
            << Script{"in 0", "expect F4 FF (FD) 5D FD", "in 2", "expect F4 FF (FD) 5D FD F5", "in 3",
                      "expect F4 FF (FD) 5D FD F5 F4"};
        // The door judges the last step while step 0 waits: each verdict
        // releases its own step's output; step 1's (output 3) stays held.
        QTest::newRow("multi-detection, door while step 0 waits")
            << (Rows(multi) << "system3 11 1" << "fps 2")
            << Script{"door-ready", "settled", "after-frame", "in 0", "waiting", "door", "expect F4 FF (FD) FC"};
    }
    void waits()
    {
        QFETCH(Rows, rows);
        QFETCH(Script, script);
        RunRow(rows, script);
    }
};

MOJU_TEST_MAIN(TestCycleWaits)
#include "test_cycle_waits.moc"
