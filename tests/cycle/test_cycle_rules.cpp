// The cycle's rule tables: output words by event and option, which input
// starts a cycle or a step, step delays, the alarm line.
#include "TestSupport.h"

#include "ShippedPara.h"

#include "app/CycleOutputs.h"
#include "inspect/CycleState.h"
#include "app/DetectionCycle.h"
#include "app/InputRules.h"
#include "foundation/uitext.h"
#include "params/IOSetup.h"
#include "params/WizardPara.h"

namespace {
// Collects output changes into a logical word (bit i = output index i).
struct WordSink : OutputSink {
    unsigned word = 0;
    void set(int index, int level) override
    {
        word = level ? (word | 1u << index) : (word & ~(1u << index));
    }
};

enum Event { Start0, Start2, NgProduct, NgMould, OkProduct, OkMould, PulseOk, PulseNg, ReCheckMould, Back };

unsigned Apply(const WizardPara& p, Event e, unsigned from, int reDetectLeft = 0)
{
    WordSink s;
    s.word = from;
    switch (e) {
    case Start0: CycleOutputs::CycleStart(p, 0, p.detectOn[0] != 0, s); break;
    case Start2: CycleOutputs::CycleStart(p, 2, p.detectOn[0] != 0, s); break;
    case NgProduct: CycleOutputs::NgCamera(p, 0, reDetectLeft, false, s); break;
    case NgMould: CycleOutputs::NgCamera(p, 1, reDetectLeft, false, s); break;
    case OkProduct: CycleOutputs::VerdictOk(p, 0, false, s); break;
    case OkMould: CycleOutputs::VerdictOk(p, 1, false, s); break;
    case PulseOk: CycleOutputs::PulseVerdict(p, true, s); break;
    case PulseNg: CycleOutputs::PulseVerdict(p, false, s); break;
    case ReCheckMould: CycleOutputs::ReCheck(p, 1, true, s); break;
    case Back: CycleOutputs::BackTrain(p, s); break;
    }
    return s.word;
}
}  // namespace

class TestCycleRules : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }

    void outputWords_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("event");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("reDetectLeft");
        QTest::addColumn<int>("word");
        // Machine type 0 with the default rows (bit 0 clamp, 1 ejector, 2 alarm, 3 pulse).
        QTest::newRow("cycle start") << "" << int(Start0) << 0x00 << 0 << 0x03;
        QTest::newRow("product OK") << "" << int(OkProduct) << 0x03 << 0 << 0x01;
        QTest::newRow("mould OK") << "" << int(OkMould) << 0x01 << 0 << 0x00;
        QTest::newRow("product NG") << "" << int(NgProduct) << 0x03 << 0 << 0x07;
        QTest::newRow("mould NG") << "" << int(NgMould) << 0x01 << 0 << 0x05;
        QTest::newRow("mould NG, re-detection left") << "" << int(NgMould) << 0x01 << 1 << 0x01;
        QTest::newRow("re-check of the mould step") << "" << int(ReCheckMould) << 0x00 << 0 << 0x01;
        QTest::newRow("pre-cut: no clamp at start") << "preCut" << int(Start0) << 0x00 << 0 << 0x02;
        QTest::newRow("pre-cut: product NG keeps clamp") << "preCut" << int(NgProduct) << 0x02 << 0 << 0x06;
        // A faulty mould holds the clamp whatever the pre-cut.
        QTest::newRow("pre-cut: re-check with one left") << "preCut" << int(ReCheckMould) << 0x00 << 1 << 0x01;
        QTest::newRow("pre-cut: mould NG holds the clamp") << "preCut" << int(NgMould) << 0x00 << 0 << 0x05;
        QTest::newRow("clamp cut on mould alarm") << "cutClampOnMouldAlarm" << int(Start0) << 0x00 << 0 << 0x02;
        QTest::newRow("no ejector control") << "noEjectorControlInProd" << int(Start0) << 0x00 << 0 << 0x01;
        QTest::newRow("no ejector control: product NG") << "noEjectorControlInProd" << int(NgProduct) << 0x01 << 0 << 0x05;
        QTest::newRow("product pulses: start clears 1, 4-7") << "prodNgPulseNoAlarm" << int(Start0) << 0xF2 << 0 << 0x01;
        QTest::newRow("product pulses: NG without alarm") << "prodNgPulseNoAlarm" << int(NgProduct) << 0x01 << 0 << 0x01;
        QTest::newRow("separate signals: input 1") << "separateDetectSignal" << int(Start0) << 0x00 << 0 << 0x02;
        QTest::newRow("separate signals: input 3") << "separateDetectSignal" << int(Start2) << 0x00 << 0 << 0x01;
        QTest::newRow("separate signals: product NG") << "separateDetectSignal" << int(NgProduct) << 0x00 << 0 << 0x06;
        QTest::newRow("mould pulses: mould NG") << "mouldNgPulseNoAlarm" << int(NgMould) << 0x00 << 0 << 0x00;
        QTest::newRow("mould pulses: mould OK keeps clamp") << "mouldNgPulseNoAlarm" << int(OkMould) << 0x01 << 0 << 0x01;
        QTest::newRow("OK/NG pulses: OK") << "okNgPulses" << int(PulseOk) << 0x04 << 0 << 0x02;
        QTest::newRow("OK/NG pulses: NG") << "okNgPulses" << int(PulseNg) << 0x00 << 0 << 0x05;
        QTest::newRow("OK/NG pulses swapped: OK") << "okNgPulseOutputs" << int(PulseOk) << 0x00 << 0 << 0x01;
        QTest::newRow("OK/NG pulses swapped: NG") << "okNgPulseOutputs" << int(PulseNg) << 0x00 << 0 << 0x06;
        QTest::newRow("return from area check") << "" << int(Back) << 0x01 << 0 << 0x00;
        QTest::newRow("return, ejector held by clamp rule") << "cutEjectorOnClamp" << int(Back) << 0x01 << 0 << 0x02;
    }
    void outputWords()
    {
        QFETCH(QString, option);
        QFETCH(int, event);
        QFETCH(int, from);
        QFETCH(int, reDetectLeft);
        QFETCH(int, word);
        WizardPara p;
        p.productDetectOn = 1;
        p.preCut = option == QLatin1String("preCut") ? 5 : 0;
        p.cutClampOnMouldAlarm = option == QLatin1String("cutClampOnMouldAlarm");
        p.noEjectorControlInProd = option == QLatin1String("noEjectorControlInProd");
        p.prodNgPulseNoAlarm = option == QLatin1String("prodNgPulseNoAlarm");
        p.separateDetectSignal = option == QLatin1String("separateDetectSignal");
        p.mouldNgPulseNoAlarm = option == QLatin1String("mouldNgPulseNoAlarm");
        p.okNgPulses = option.startsWith(QLatin1String("okNgPulse"));
        p.okNgPulseOutputs = option == QLatin1String("okNgPulseOutputs");
        p.cutEjectorOnClamp = option == QLatin1String("cutEjectorOnClamp");
        DeriveIOSetup(p, nullptr);
        QCOMPARE(int(Apply(p, Event(event), unsigned(from), reDetectLeft)), word);
    }

    void cycleStartByInput_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("mode");        // mouldMode, or detectNotInOrder in type 4
        QTest::addColumn<bool>("separate");
        QTest::addColumn<QList<int>>("starting");  // inputs 0..7 that start a cycle
        QTest::newRow("standard") << 0 << 0 << false << QList<int>{0};
        QTest::newRow("standard, separate signals") << 0 << 0 << true << QList<int>{0, 2};
        QTest::newRow("two-colour") << 1 << 2 << false << QList<int>{0};
        QTest::newRow("turntable left") << 2 << 0 << false << QList<int>{0};
        QTest::newRow("turntable right") << 2 << 1 << false << QList<int>{3};
        QTest::newRow("turntable both") << 2 << 2 << false << QList<int>{0, 3};
        QTest::newRow("auto parts") << 3 << 0 << false << QList<int>{0};
        QTest::newRow("multi, any order") << 4 << 0 << false << QList<int>{0, 1, 2, 3, 4, 5, 6, 7};
        QTest::newRow("multi, in order") << 4 << 1 << false << QList<int>{0};
    }
    void cycleStartByInput()
    {
        QFETCH(int, type);
        QFETCH(int, mode);
        QFETCH(bool, separate);
        QFETCH(QList<int>, starting);
        WizardPara p;
        p.machineType = type;
        p.mouldMode = type == 4 ? 0 : mode;
        p.detectNotInOrder = type == 4 ? mode : 0;
        p.separateDetectSignal = separate;
        CycleState st;
        QList<int> got;
        for (int i = 0; i < 8; ++i)
            if (InputRules::StartsCycle(p, i, st, 3))
                got << i;
        QCOMPARE(got, starting);
        if (type == 4 && mode == 1) {
            st.stepPending[2] = 1;  // the last step still pending: no new cycle
            QVERIFY(!InputRules::StartsCycle(p, 0, st, 3));
        }
    }

    void stepDelays_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("semi");
        QTest::addColumn<bool>("product");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("delay");
        QTest::newRow("product step") << 0 << false << true << 0 << 5;
        QTest::newRow("mould after product") << 0 << false << true << 1 << 5 + 12;
        QTest::newRow("mould without product") << 0 << false << false << 1 << 12;
        QTest::newRow("mould, semi-automatic") << 0 << true << true << 1 << 12;
        QTest::newRow("two-colour mould") << 1 << false << true << 1 << 12;
    }
    void stepDelays()
    {
        QFETCH(int, type);
        QFETCH(bool, semi);
        QFETCH(bool, product);
        QFETCH(int, step);
        QFETCH(int, delay);
        WizardPara p;
        p.machineType = type;
        p.semiAuto = semi;
        p.detectOn[0] = product;
        p.detectDelay[0] = 5;
        p.detectDelay[1] = 12;
        QCOMPARE(InputRules::StepDelay(p, step, 5), delay);
    }

    // The default group as it ships: input 1 starts the cycle, both steps
    // run on it without delay, and the cycle's words are those above.
    void shippedGroup()
    {
        TempWorkDir dir(false);
        WizardPara p;
        QVERIFY(LoadShippedPara(p));
        QVERIFY(p.detectOn[0] && p.detectOn[1]);
        const int product = InputRules::StepDelay(p, 0, 0);
        QCOMPARE(product, 0);
        QCOMPARE(InputRules::StepDelay(p, 1, product), 0);
        CycleState st;
        QList<int> starting;
        for (int i = 0; i < 8; ++i)
            if (InputRules::StartsCycle(p, i, st, 2))
                starting << i;
        QCOMPARE(starting, QList<int>{0});
        QCOMPARE(int(Apply(p, Start0, 0x00)), 0x03);
        QCOMPARE(int(Apply(p, OkProduct, 0x03)), 0x01);
        QCOMPARE(int(Apply(p, OkMould, 0x01)), 0x00);
        QCOMPARE(int(Apply(p, NgMould, 0x01)), 0x05);
    }

    void alarmLineNamesTheNgCameras()
    {
        gLan = 0;
        QCOMPARE(AlarmLogText({1, 3}), QStringLiteral("1号相机、3号相机 报警"));
        gLan = 1;
        QCOMPARE(AlarmLogText({2}), QStringLiteral("Camera 2Alarm"));
    }
};

MOJU_TEST_MAIN(TestCycleRules)
#include "test_cycle_rules.moc"
