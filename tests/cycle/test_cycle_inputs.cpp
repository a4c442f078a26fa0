// The polling loop's input rules on a cycle whose passes the test runs one at
// a time: debouncing, skipped cycles, inputs during the alarm, the no-input
// watchdog and the step order of multi-detection. Cameras are records whose
// verdict the test sets; inputs go in as the on-screen input buttons do.
#include "TestSupport.h"

#include "FakeIOPort.h"
#include "ShippedPara.h"
#include "app/ControlPort.h"
#include "records/Counters.h"
#include "app/DetectionCycle.h"
#include "app/IOLink.h"
#include "foundation/MainGlobals.h"
#include "records/SaveFialImageThread.h"
#include "foundation/uitext.h"
#include "params/CammerSingleton.h"
#include "params/CammerWidgetData.h"
#include "params/IOSetup.h"
#include "params/WizardPara.h"

#include <QFile>
#include <QMutex>

namespace {
class FakeHost : public CycleHost {
public:
    FakeHost() { cam.AllocateBuffers(FrameLayout{8, 8, false, 1, 8}); }
    DetectionCycle* cycle = nullptr;
    CammerWidgetData cam{0};
    QStringList records;
    QList<int> judged;  // step of each camera judgement
    QStringList pictures, counted;  // result pictures and statistics, "NG1": slot and step
    QString message;

    int cameraCount() const override { return 1; }
    CammerWidgetData* cameraData(int c) override { return c == 0 ? &cam : nullptr; }
    void showFrame(int, bool) override { judged << cycle->state.curStep; }
    void repaintCamera(int) override {}
    void repaintAll() override {}
    void repaintStatus() override {}
    void pollLostComBox(bool, bool) override {}
    void cameraCheckPass() override {}
    void cameraRestart() override {}
    void setWhiteBalance() override {}
    void insertRecord(const QString& text) override { records << text; }
    bool continuousNgBoxVisible() const override { return false; }
    void showContinuousNgBox() override {}
    void showMessage(const QString& text, bool) override { message = text; }
    void hideMessage() override { message.clear(); }
    void enterAlarmView() override {}
    void editorReCheck() override { cycle->Rejudge(1, ClearOther, cycle->state.alarmId); }
    void editorRestart() override {}
    void startBlink(int) override {}
    void wakeScreen() override {}
    void cameraChangeTrig(int) override {}
    void saveResultPicture(int, int step, int slot) override { pictures << QStringLiteral("%1%2").arg(slot ? "OK" : "NG").arg(step); }
    void statisticsAdd(int, bool ok, int, int step) override { counted << QStringLiteral("%1%2").arg(ok ? "OK" : "NG").arg(step); }
    // With what count.txt holds for camera 0 at that moment.
    void statisticsSave() override
    {
        QFile f(QStringLiteral("count.txt"));
        const QStringList n = f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).split(QLatin1Char(' ')) : QStringList();
        counted << QStringLiteral("saved %1 %2").arg(n.value(0), n.value(1));
    }
    void saveReTrainImage(int, int) override {}
    void retrain(int, int, bool) override {}
};
}  // namespace

class TestCycleInputs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        LoadLanguageTable();
        gLan = 1;
        if (!pMutexIO)
            pMutexIO = new QMutex;
    }

    void init()
    {
        m_para = WizardPara();
        m_para.productDetectOn = 1;
        m_para.detectDelay[0] = 50;  // countdowns long enough to stay running
        m_para.detectDelay[1] = 50;
        gpWPara = &m_para;
        DeriveIOSetup(m_para, nullptr);
        m_dir = std::make_unique<TempWorkDir>(false);  // count.txt of this test alone
        std::fill(std::begin(gAllNum), std::end(gAllNum), 0);
        std::fill(std::begin(gFailNum), std::end(gFailNum), 0);
        gDataIn.store(0);
        gPicNumNG = gPicNumOK = 0;
        gisUseStatistics = 0;
        m_port = std::make_unique<FakeIOPort>();
        IOLinkOptions o;
        o.port = m_port.get();
        m_io = std::make_unique<ControlPort>(IOPortSettings(), o);
        gpControlIO = m_io.get();
        m_host = std::make_unique<FakeHost>();
        m_cycle = std::make_unique<DetectionCycle>(m_host.get(), nullptr);
        m_cycle->setJudgeThreads(1);
        m_host->cycle = m_cycle.get();
        m_cycle->state.Begin(gDNum, QDateTime::currentDateTime());
        m_cycle->StartDetect();
    }
    void cleanup()
    {
        m_cycle->StopAll();
        m_cycle.reset();
        gpControlIO = nullptr;
        m_io.reset();
        gpWPara = nullptr;
        m_dir.reset();
    }

    void debounce_data()
    {
        QTest::addColumn<int>("debounce");
        QTest::addColumn<bool>("held");
        QTest::addColumn<bool>("starts");
        QTest::newRow("no debounce: same pass") << 0 << false << true;
        QTest::newRow("pulse shorter than debounce") << 2 << false << false;
        QTest::newRow("held past debounce") << 2 << true << true;
    }
    void debounce()
    {
        QFETCH(int, debounce);
        QFETCH(bool, held);
        QFETCH(bool, starts);
        m_para.shakeEraseTime = debounce;
        SetInput(0, true);
        Pass();
        if (debounce > 0) {
            QVERIFY(!Started());
            QVERIFY(m_cycle->debounceTimer[0].isActive());
            if (!held) {
                SetInput(0, false);
                Pass();  // passes keep reading the inputs while the timer runs
            }
            QTRY_VERIFY(!m_cycle->debounceTimer[0].isActive());
            Pass();
        }
        QCOMPARE(Started(), starts);
    }

    void skipSwallowsStarts()
    {
        m_para.notDetectedCount = 3;
        m_cycle->state.skipActive = 1;
        for (int n = 1; n <= 4; ++n) {
            Pulse(0);
            QCOMPARE(Started(), n == 4);
        }
        QCOMPARE(m_host->records,
                 (QStringList{"skip 1 Detect", "skip 2 Detect", "skip 3 Detect"}));
        QCOMPARE(int(m_cycle->state.skipActive), 0);
    }

    void inputDuringAlarmWaitsForItsEnd()
    {
        m_para.productDetectOn = 0;
        m_para.detectDelay[1] = 1;
        DeriveIOSetup(m_para, nullptr);
        Pulse(0);
        QVERIFY(Started());
        m_host->cam.cameraOK = 0;  // the mould step finds a fault
        QTRY_COMPARE(m_cycle->state.verdictState, int(VerdictAlarm));
        QCOMPARE(m_host->records, QStringList{QStringLiteral("Camera 1Alarm")});
        Pulse(0);  // the mould opens while the alarm is held: remembered only
        QCOMPARE(m_cycle->state.pendingInput, 0);
        QCOMPARE(m_cycle->state.runState, int(RunStopped));
        QVERIFY(!m_cycle->stepTimer[1].isActive());
        // The door closes (re-inspection, now OK) as the mould opens again.
        SetInput(1, true);
        SetInput(0, true);
        Pass();
        QCOMPARE(m_cycle->state.verdictState, int(VerdictShowing));
        QCOMPARE(m_cycle->state.pendingInput, 0);
        SetInput(0, false);
        SetInput(1, false);
        Pass();  // the first idle pass starts the cycle
        QCOMPARE(m_cycle->state.lastInputNo, 1);
        QVERIFY(m_cycle->stepTimer[1].isActive());
    }

    // A product alarm cleared by the door re-inspection while the door also
    // starts the mould step: the mould step it forced is done, and the next
    // cycle's mould step counts from the trigger plus the product delay.
    void doorTakesTheForcedMouldStep()
    {
        m_para.doorTriggersDetect = 1;
        m_para.detectDelay[0] = 1;
        DeriveIOSetup(m_para, nullptr);
        Pulse(0);
        m_host->cam.cameraOK = 0;  // the product step finds a fault
        QTRY_COMPARE(m_cycle->state.verdictState, int(VerdictAlarm));
        Pulse(1);  // door: judged again, OK now
        QCOMPARE(m_cycle->state.verdictState, int(VerdictShowing));
        Pass();    // the door starts the mould step at once
        QCOMPARE(m_host->judged.mid(1), (QList<int>{0, 1}));
        QTRY_COMPARE(m_cycle->state.verdictState, int(VerdictIdle));
        Pulse(0);
        QVERIFY(m_cycle->stepTimer[1].isActive());
        QCOMPARE(m_cycle->state.stepDelayLeft[1], 5.1f);
    }

    // The editor's re-check of an alarm that has already ended (its question
    // was answered late) changes nothing of the next cycle.
    void reCheckAfterTheAlarmChangesNothing()
    {
        m_para.productDetectOn = 0;
        m_para.detectDelay[1] = 1;
        DeriveIOSetup(m_para, nullptr);
        Pulse(0);
        m_host->cam.cameraOK = 0;
        QTRY_COMPARE(m_cycle->state.verdictState, int(VerdictAlarm));
        m_host->cam.cameraOK = 1;
        Pulse(1);  // the door: judged again OK, detection starts again
        QCOMPARE(m_cycle->state.runState, int(RunDetecting));
        m_para.detectDelay[1] = 50;
        Pulse(0);
        QVERIFY(m_cycle->stepTimer[1].isActive());
        QCOMPARE(gpControlIO->IOState(1, 0), 1);  // clamp held for the mould step
        const int judged = m_host->judged.size();
        m_cycle->Rejudge(1, ClearOther, m_cycle->state.alarmId);
        m_cycle->CheckNGAgain(ClearOther, m_cycle->state.alarmId);
        QCOMPARE(m_host->judged.size(), judged);
        QCOMPARE(gpControlIO->IOState(1, 0), 1);
        QVERIFY(m_cycle->state.stepPending[1] != 0);
    }

    // An OK re-inspection ends the alarm and releases what it held in one
    // output word: no word the link could send in between releases the clamp
    // or ejector while the alarm is still on.
    void alarmEndsInOneWord_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("product");
        QTest::newRow("standard, product step") << 0 << true;
        QTest::newRow("two-colour, mould step") << 1 << false;
        QTest::newRow("turntable, mould step") << 2 << false;
        // No delays: the product step is judged in the input's own pass.
        QTest::newRow("shipped default group") << -1 << true;
    }
    void alarmEndsInOneWord()
    {
        QFETCH(int, type);
        QFETCH(bool, product);
        if (type < 0) {
            QVERIFY(LoadShippedPara(m_para));
        } else {
            m_para.machineType = type;
            m_para.productDetectOn = product ? 1 : 0;
            m_para.detectDelay[0] = m_para.detectDelay[1] = 1;
            DeriveIOSetup(m_para, nullptr);
        }
        m_cycle->state.Begin(gDNum, QDateTime::currentDateTime());
        m_cycle->StartDetect();
        if (type < 0)
            m_host->cam.cameraOK = 0;
        Pulse(0);
        if (type < 0)
            QCOMPARE(m_cycle->state.verdictState, int(VerdictAlarm));  // judged in the input's pass, no countdown
        if (type == 1)
            Pulse(2);  // the two-colour mould step has an input of its own
        m_host->cam.cameraOK = 0;
        QTRY_COMPARE(m_cycle->state.verdictState, int(VerdictAlarm));
        const quint32 held = gpControlIO->OutputActive(0) | gpControlIO->OutputActive(1) << 1;
        QVERIFY(held != 0);
        QList<quint32> sent;  // logical: bit 0 clamp, 1 ejector, 2 alarm
        gpControlIO->observeWords([&](quint32) {
            sent << quint32(gpControlIO->OutputActive(0) | gpControlIO->OutputActive(1) << 1
                            | gpControlIO->OutputActive(ControlPort::AlarmOutput) << 2);
        });
        m_host->cam.cameraOK = 1;
        SetInput(1, true);  // the door closes: judged again, OK
        Pass();
        gpControlIO->observeWords({});
        QVERIFY(m_cycle->state.verdictState != VerdictAlarm);
        QVERIFY(!sent.isEmpty());
        for (quint32 w : sent)
            QVERIFY2(!(w & 4u) || (w & held) == held, qPrintable(QString::number(w, 2)));
    }

    // On the turntable the side is read from input 1's level when a snapshot
    // or the door starts a step; that reading is no trigger, so a held input
    // whose edge went by earlier starts no cycle afterwards.
    void sideReadingStartsNoCycle_data()
    {
        QTest::addColumn<bool>("door");
        QTest::newRow("manual snapshot") << false;
        QTest::newRow("safety door") << true;
    }
    void sideReadingStartsNoCycle()
    {
        QFETCH(bool, door);
        m_para.machineType = 2;
        m_para.doorTriggersDetect = door ? 1 : 0;
        m_para.detectDelay[1] = 0;
        DeriveIOSetup(m_para, nullptr);
        m_cycle->state.Begin(gDNum, QDateTime::currentDateTime());
        m_cycle->StopDetect();
        SetInput(0, true);
        Pass();  // the mould opens while stopped: its edge goes by
        m_cycle->StartDetect();
        if (door)
            Pulse(1);
        else {
            m_cycle->SlotManualTrig(1);
            Pass();
        }
        QCOMPARE(m_host->judged.size(), 1);
        QCOMPARE(m_cycle->state.mouldSide, 1);
        Pass();
        Pass();
        QVERIFY(m_cycle->state.lastInputNo != 1);  // input 1 was never accepted
        QCOMPARE(m_cycle->state.stepPending[0] | m_cycle->state.stepPending[1], 0u);
    }

    // Stopping detection while a re-detection or an NG pulse runs: the stop's
    // outputs stand, nothing of the stopped cycle ends later and changes them.
    void stopEndsTheCyclesTimers_data()
    {
        QTest::addColumn<bool>("redetect");
        QTest::newRow("re-detection counting down") << true;
        QTest::newRow("mould NG pulse") << false;
    }
    void stopEndsTheCyclesTimers()
    {
        QFETCH(bool, redetect);
        m_para.productDetectOn = 0;
        m_para.detectDelay[1] = 1;
        m_para.stopClampOnStop = 1;
        m_para.recheckCount2 = redetect ? 1 : 0;
        m_para.retestDelay = 5;
        m_para.mouldNgPulseNoAlarm = redetect ? 0 : 1;
        m_para.clampPulse = 5;
        DeriveIOSetup(m_para, nullptr);
        Pulse(0);
        m_host->cam.cameraOK = 0;
        QTRY_VERIFY(m_cycle->state.reDetectPending || m_cycle->notAllowCloseTimer.isActive());
        Pass();
        QCOMPARE(m_cycle->reCheckTimer.isActive(), redetect);
        m_host->cam.cameraOK = 1;
        m_cycle->StopDetect();
        Pass();
        for (QTimer* t : {&m_cycle->reCheckTimer, &m_cycle->output3Timer, &m_cycle->notAllowCloseTimer,
                          &m_cycle->notAllowThimbleTimer, &m_cycle->outNGTimer, &m_cycle->sysFunc4OutputTimer})
            QVERIFY(!t->isActive());
        QCOMPARE(gpControlIO->IOState(1, 0), 1);  // the clamp the stop holds
    }

    // An NG that is re-detected decides its pictures and statistics by the
    // re-detection's verdict. Statistics count whether or not pictures are
    // kept, and each verdict that counted stores count.txt, then the
    // statistics, together.
    void redetectedStepIsRecorded_data()
    {
        QTest::addColumn<bool>("secondOk");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QString>("record");
        QTest::newRow("NG again: alarm") << false << 5 << "NG1";
        QTest::newRow("OK at the re-detection") << true << 5 << "OK1";
        QTest::newRow("NG again, no pictures kept") << false << 0 << "NG1";
        QTest::newRow("OK, no pictures kept") << true << 0 << "OK1";
    }
    void redetectedStepIsRecorded()
    {
        QFETCH(bool, secondOk);
        QFETCH(int, kept);
        QFETCH(QString, record);
        gPicNumNG = gPicNumOK = kept;
        gisUseStatistics = 1;
        m_para.productDetectOn = 0;
        m_para.detectDelay[1] = 1;
        m_para.recheckCount2 = 1;
        m_para.retestDelay = 0;
        DeriveIOSetup(m_para, nullptr);
        Pulse(0);
        m_host->cam.cameraOK = 0;
        QTRY_VERIFY(m_cycle->state.reDetectPending);
        m_host->cam.cameraOK = secondOk ? 1 : 0;
        Pass();  // the re-detection
        gisUseStatistics = 0;
        QCOMPARE(m_cycle->state.verdictState, int(secondOk ? VerdictShowing : VerdictAlarm));
        QCOMPARE(m_host->pictures, kept ? QStringList{record} : QStringList{});
        // The first try counted the cycle; the re-detection's verdict its result.
        QCOMPARE(m_host->counted, (QStringList{"saved 1 0", record, secondOk ? "saved 1 0" : "saved 1 1"}));
    }

    // An NG area adds to its insert's wear; the wear box lists the worn ones
    // first, and "insert replaced" clears only those.
    void wearCounters()
    {
        CammerSingleton live(0), edit(0);
        m_host->cam.liveSet = &live;
        m_host->cam.editSet = &edit;
        m_para.productDetectOn = 0;
        m_para.detectDelay[1] = 1;
        m_para.roiNgWarnCount = 2;
        DeriveIOSetup(m_para, nullptr);
        live.count[1] = 2;
        live.NGCount[1][0] = 1;
        live.NGCount[1][1] = 1;
        QCOMPARE(m_cycle->CheckROING(), 0);
        Pulse(0);
        m_host->cam.cameraOK = 0;
        m_host->cam.roiOK[1][1] = 0;  // the second area fails
        QTRY_COMPARE(m_cycle->state.verdictState, int(VerdictAlarm));
        QCOMPARE(live.NGCount[1][1], 2);
        QCOMPARE(live.NGCount[1][0], 1);
        QCOMPARE(m_cycle->CheckROING(), 1);
        QCOMPARE(m_cycle->GetROINGInfo(), QStringLiteral("镶件已达损耗寿命，请更换镶件\n"
                                                         "1 号相机 Mold 2号区域报警2次\n"
                                                         "1 号相机 Mold 1号区域报警1次\n"));
        m_cycle->ClearWarnNGINfo();
        QCOMPARE(live.NGCount[1][1], 0);
        QCOMPARE(live.NGCount[1][0], 1);
        QCOMPARE(edit.NGCount[1][0], 1);
        QCOMPARE(m_cycle->CheckROING(), 0);
        m_host->cam.liveSet = m_host->cam.editSet = nullptr;
    }

    void watchdogOnlyWithATimeOut_data()
    {
        QTest::addColumn<int>("timeout");
        QTest::newRow("off") << 0;
        QTest::newRow("5 s") << 5;
    }
    void watchdogOnlyWithATimeOut()
    {
        QFETCH(int, timeout);
        m_para.inputTimeout = timeout;
        Pulse(0);
        QVERIFY(Started());
        QCOMPARE(m_cycle->inCheckTimer.isActive(), timeout > 0);
        if (timeout > 0)
            QCOMPARE(m_cycle->inCheckTimer.interval(), timeout * 1000);
    }

    void multiDetectionOrder_data()
    {
        QTest::addColumn<int>("notInOrder");
        QTest::addColumn<QList<int>>("trigRows");  // per step: row of the trigger input table
        QTest::addColumn<QList<int>>("inputs");
        QTest::addColumn<QList<int>>("steps");
        // Steps 1-3 on inputs 1, 3 and 4 (indexes 0, 2, 3).
        QTest::newRow("in order") << 1 << QList<int>{0, 1, 2} << QList<int>{3, 0, 2, 3} << QList<int>{0, 1, 2};
        QTest::newRow("any order") << 0 << QList<int>{0, 1, 2} << QList<int>{3, 2} << QList<int>{2, 1};
        // Steps 1 and 2 both on input 1: one edge judges both, one after the other.
        QTest::newRow("in order, shared input") << 1 << QList<int>{0, 0, 2} << QList<int>{0, 3} << QList<int>{0, 1, 2};
        QTest::newRow("any order, shared input") << 0 << QList<int>{0, 0, 2} << QList<int>{0, 3} << QList<int>{0, 1, 2};
    }
    void multiDetectionOrder()
    {
        QFETCH(int, notInOrder);
        QFETCH(QList<int>, trigRows);
        QFETCH(QList<int>, inputs);
        QFETCH(QList<int>, steps);
        QVERIFY(MultiDetection(notInOrder, trigRows));
        for (int i : inputs) {
            Pulse(i);
            Pass();  // a chained step starts on the next pass
            Pass();
        }
        QCOMPARE(m_host->judged, steps);
        QCOMPARE(m_host->records, QStringList());  // every step OK
    }

    // Stopped while the second step waits on the first one's input: after
    // the restart the next edge begins a cycle again at the first step.
    void stopDropsTheChain_data()
    {
        QTest::addColumn<int>("notInOrder");
        QTest::newRow("in order") << 1;
        QTest::newRow("any order") << 0;
    }
    void stopDropsTheChain()
    {
        QFETCH(int, notInOrder);
        QVERIFY(MultiDetection(notInOrder, {0, 0, 2}));
        SetInput(0, true);
        Pass();  // the first step, judged OK, hands its input on to the second
        SetInput(0, false);
        QCOMPARE(m_host->judged, QList<int>{0});
        m_cycle->StopDetect();
        m_cycle->StartDetect();
        Pass();
        Pulse(0);
        QCOMPARE(m_host->judged.mid(0, 2), (QList<int>{0, 0}));
    }

private:
    // Three multi-detection steps on the given rows of the trigger input table.
    bool MultiDetection(int notInOrder, const QList<int>& trigRows)
    {
        m_para = WizardPara();
        m_para.machineType = 4;
        m_para.productDetectOn = 1;
        m_para.customDetectCount = 3;
        m_para.detectNotInOrder = notInOrder;
        for (int d = 0; d < 3; ++d) {
            m_para.customOutputOwner[d] = d;
            m_para.customTrigInput[d] = trigRows[d];
        }
        DeriveIOSetup(m_para, nullptr);
        if (gDNum != 3)
            return false;
        m_cycle->state.customStep = gDNum - 1;
        m_cycle->StartDetect();
        return true;
    }
    void SetInput(int i, bool on) { IOSetInputBit(i, on); }
    void Pass()
    {
        m_cycle->Run();
        m_cycle->runTimer.stop();
        QCoreApplication::processEvents();  // queued re-checks run after their pass
    }
    void Pulse(int i)
    {
        SetInput(i, true);
        Pass();
        SetInput(i, false);
        Pass();
    }
    bool Started() const { return m_cycle->state.lastInputNo == 1 && m_cycle->state.stepPending[1] != 0; }

    WizardPara m_para;
    std::unique_ptr<FakeIOPort> m_port;
    std::unique_ptr<ControlPort> m_io;
    std::unique_ptr<FakeHost> m_host;
    std::unique_ptr<TempWorkDir> m_dir;
    std::unique_ptr<DetectionCycle> m_cycle;
};

MOJU_TEST_MAIN(TestCycleInputs)
#include "test_cycle_inputs.moc"
