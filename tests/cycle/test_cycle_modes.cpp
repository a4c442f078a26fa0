// The output modes of the standard machine (type 0) on the wire: semi-auto,
// pre-cut, pulses, product pulses without an alarm and the continuous-NG box,
// on the rig's delays and on the default group as it ships.
// The machine types and trigger sources are in test_cycle_machines.
#include "ModeScript.h"

using namespace ModeScript;

class TestCycleModes : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }

    void modes_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<Script>("script");
        const QString noProduct = QStringLiteral("system1 2 0");
        // Default polarity: idle F4, clamp bit 0 and ejector bit 1 hold at 1,
        // the alarm (bit 2) is on at 0.
        QTest::newRow("semi-auto: input 3 starts the mould step")
            << Rows{"system1 1 1"}
            << Script{"in 0", "expect F4 F7 F5", "in 2", "expect F4 F7 F5 F4"};
        QTest::newRow("semi-auto, mould NG")
            << Rows{"system1 1 1"}
            << Script{"in 0", "expect F4 F7 F5", "bad", "in 2", "expect F4 F7 F5 F1",
                      "in 0", "held 3", "clear", "expect F4 F7 F5 F1 F5 F4"};
        // A pre-cut holds the clamp before the judgement; a faulty mould keeps
        // it held whatever the pre-cut time, 10 s and more included.
        QTest::newRow("pre-cut 0.5 s, mould NG")
            << Rows{noProduct, "trigInDelay 2 10", "system1 6 5"}
            << Script{"bad", "in 0", "expect F4 F5 F1", "in 0", "held 1", "clear",
                      "expect F4 F5 F1 F5 F4"};
        QTest::newRow("pre-cut 10 s, mould NG")
            << Rows{noProduct, "trigInDelay 2 10", "system1 6 100"}
            << Script{"bad", "in 0", "expect F4 F5 F1", "in 0", "held 1", "clear",
                      "expect F4 F5 F1 F5 F4"};
        QTest::newRow("pre-cut 10 s, good") << Rows{noProduct, "trigInDelay 2 10", "system1 6 100"}
                                            << Script{"in 0", "expect F4 F5 F4"};
        // Pulses of length 0 end: the shortest pulse the board sees.
        QTest::newRow("mould NG pulse without alarm, pulse 0")
            << Rows{noProduct, "system10 18 1", "system2 6 0"}
            << Script{"bad", "in 0", "expect F4 F5 F4", "good", "in 0",
                      "in 0", "expect F4 F5 F4"};
        QTest::newRow("mould NG pulse without alarm, pulse 0.3 s")
            << Rows{noProduct, "system10 18 1", "system2 6 3"}
            << Script{"bad", "in 0", "expect F4 F5 F4", "lasts F5 300"};
        QTest::newRow("OK/NG pulses, pulse 0")
            << Rows{noProduct, "system5 9 1", "system2 6 0"}
            << Script{"bad", "in 0", "expect F4 F1 F4", "good", "in 0",
                      "expect F4 F1 F4 F6 F4"};
        QTest::newRow("OK/NG pulses, pulse 0.3 s")
            << Rows{noProduct, "system5 9 1", "system2 6 3"}
            << Script{"in 0", "expect F4 F6 F4", "lasts F6 300"};
        // The product NG pulses without an alarm and ends after the ejector
        // pulse (alarm and result outputs off again, 93 -> 05); the mould step
        // that follows on the same faulty scene, 0.5 s later (a pulse ends
        // only once the board holds it), holds. These modes drive outputs 4-7
        // without the default inversion: idle 04.
        QTest::newRow("product NG split outputs, ejector pulse 0")
            << Rows{"system9 15 1", "system2 5 0", "trigInDelay 2 5", "idle 04"}
            << Script{"bad", "in 0", "expect 04 05 93 05 01", "in 0", "held 1", "clear", "in 0",
                      "expect 04 05 93 05 01 05 04 05 AD 05 04"};
        QTest::newRow("product NG pulse without alarm, ejector pulse 0")
            << Rows{"system2 7 1", "system2 5 0", "trigInDelay 2 5", "idle 04"}
            << Script{"bad", "in 0", "expect 04 05 17 05 01", "in 0", "held 1", "clear", "in 0",
                      "expect 04 05 17 05 01 05 04 05 04"};
        // Pulses above 0: the mould step, 0.1 s after the product step, is
        // judged NG during the pulse; the pulse's end leaves the alarm on. On a
        // good mould the clamp is released during the OK pulse (AD -> AC).
        QTest::newRow("product NG split outputs, ejector pulse 0.3 s")
            << Rows{"system9 15 1", "system2 5 3", "idle 04"}
            << Script{"bad", "in 0", "expect 04 05 93 01", "lasts 93 300", "in 0", "held 1", "clear", "in 0",
                      "expect 04 05 93 01 05 04 05 AD AC 04"};
        QTest::newRow("product NG pulse without alarm, alarm with the pulse, ejector pulse 0.3 s")
            << Rows{"system2 7 1", "system13 1 1", "system2 5 3", "idle 04"}
            << Script{"bad", "in 0", "expect 04 05 13 01", "lasts 13 300", "in 0", "held 1", "clear",
                      "expect 04 05 13 01 05 04"};
        // Two product NGs in a row with a limit of 2 stop the machine: clamp
        // held and alarm on (also after the NG pulse) and no cycle starts
        // until the box is confirmed, which switches the alarm off; the clamp
        // waits for the next good mould.
        QTest::newRow("continuous-NG box, split outputs")
            << Rows{"system9 15 1", "system9 19 2", "trigInDelay 2 10", "idle 04"}
            << Script{"bad", "in 0", "expect 04 05 93 05", "good", "expect 04 05 93 05 04",
                      "bad", "in 0", "expect 04 05 93 05 04 05 93 01", "in 0", "boxed 6", "confirm",
                      "expect 04 05 93 05 04 05 93 01 05", "good", "in 0",
                      "expect 04 05 93 05 04 05 93 01 05 AD 05 04"};
        QTest::newRow("continuous-NG box, pulse without alarm, ejector pulse 0.3 s")
            << Rows{"system2 7 1", "system9 19 1", "system2 5 3", "idle 04"}
            << Script{"bad", "in 0", "expect 04 05 13 01", "in 0", "boxed 1", "confirm", "expect 04 05 13 01 05",
                      "good", "in 0", "expect 04 05 13 01 05 04"};
        // The default group as it ships (both steps on input 1, no delays):
        // the product step passes on its area, the mould step holds.
        QTest::newRow("shipped default group, mould NG")
            << Rows{"shipped", "product corner"}
            << Script{"bad", "in 0", "expect F4 (F7) (F5) F1", "in 0", "held 3", "clear", "expect F4 (F7) (F5) F1 F5 F4",
                      "lost 0"};
        // Without delays at 2 fps the pre-cut falls due while the steps wait
        // for their frame; the clamp is raised all the same.
        QTest::newRow("shipped group, pre-cut 0.5 s, 2 fps")
            << Rows{"shipped", "system1 6 5", "fps 2"}
            << Script{"after-frame", "in 0", "expect F4 (F6) F7 (F5) F4", "lost 0"};
        QTest::newRow("shipped group, continuous-NG box, split outputs, 10 fps")
            << Rows{"shipped", "system9 15 1", "system9 19 1", "mould corner", "idle 04", "fps 10"}
            << Script{"bad", "in 0", "expect 04 05 93 01", "boxed 1", "confirm", "good", "in 0",
                      "expect 04 05 93 01 05 (AD) AC 04"};
    }
    void modes()
    {
        QFETCH(Rows, rows);
        QFETCH(Script, script);
        RunRow(rows, script);
    }
};

MOJU_TEST_MAIN(TestCycleModes)
#include "test_cycle_modes.moc"
