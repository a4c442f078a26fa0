// Steps waiting for frames of slow cameras, on the wire: a camera of 2 fps
// and one of a frame every 2.5 s, re-detections at 2 fps, a camera that
// stops during a 3-s delay and two steps whose waits overlap. The shipped
// default group at other rates and the door during a wait are in
// test_cycle_waits.
#include "ModeScript.h"

using namespace ModeScript;

class TestCycleSlow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }

    void slow_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<Script>("script");
        // Each step waits for the next frame (up to 0.5 s) and is judged on it.
        QTest::newRow("shipped default group, 2 fps")
            << Rows{"shipped", "fps 2"}
            << Script{"in 0", "expect F4 (F7) (F5) F4", "in 0", "expect F4 (F7) (F5) F4 (F7) (F5) F4", "lost 0"};
        // A frame every 2.5 s is a slow camera, not a lost one.
        QTest::newRow("a frame every 2.5 s, no delay")
            << Rows{"system1 2 0", "trigInDelay 2 0", "period 2500"}
            << Script{"after-frame", "in 0", "expect F4 F5 F4", "lost 0"};
        // Each re-detection waits for a frame after its own delay and is the
        // only one running meanwhile: two pulses, then the alarm.
        QTest::newRow("re-detection count 2, 2 fps, NG")
            << Rows{"system1 2 0", "system1 7 2", "system9 18 4", "fps 2", "scene 1"}
            << Script{"in 0", "expect F4 F5 FD F5 FD F5 F1", "lost 0", "in 0", "held 1"};
        // Frames taken during a 3-s delay are from before its end: the
        // camera stopped meanwhile holds with its loss reason.
        QTest::newRow("camera stops during a 3-s delay")
            << Rows{"system1 2 0", "trigInDelay 2 30", "family galaxy"}
            << Script{"in 0", "frames 5", "unplug", "expect F4 F5 F1", "lost 1", "in 0", "held 1"};
        // Steps 0.1 s apart (the rig's delays) both wait for the next frame
        // of a 2-fps camera: each is judged and counted as its own.
        const Rows overlap{"fps 2", "system6 10 1", "mould corner"};
        QTest::newRow("overlapping waits, good part")
            << overlap
            << Script{"after-frame", "in 0", "expect F4 F7 (F5) F4", "stat 0 ok 1", "stat 1 ok 1", "lost 0"};
        QTest::newRow("overlapping waits, part only the product step sees")
            << (Rows(overlap) << "scene 1")
            << Script{"after-frame", "in 0", "expect F4 F7 F3", "stat 0 ng 1", "stat 1 ok 0", "in 0", "held 2"};
    }
    void slow()
    {
        QFETCH(Rows, rows);
        QFETCH(Script, script);
        RunRow(rows, script);
    }
};

MOJU_TEST_MAIN(TestCycleSlow)
#include "test_cycle_slow.moc"
