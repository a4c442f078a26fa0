// Whole moulding cycles on the real main window: the simulated IO board on a
// pseudo-terminal, one simulated camera whose picture the test switches
// between a good and a faulty scene, machine type 0 with the default group's
// rows. The words checked are those the board receives.
#include "BoardCycle.h"

#include "records/Counters.h"
#include "records/VerdictJournal.h"
#include "params/WizardPara.h"
#include "records/ResStatisticsParam.h"
#include "../params/ParaTestDb.h"
#include "inspect/CammerRecong.h"
#include "view/CammerWidget.h"

#include <QSettings>

class TestCycleBoard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }

    void init()
    {
        m_rig = std::make_unique<BoardRig>();
        QVERIFY(m_rig->prepare());
    }
    void cleanup() { m_rig.reset(); }

    // On the rig's delays and on the default group as it ships (no delays).
    void goodCycleReleasesTheMachine_data() { ShippedRows(); }
    void goodCycleReleasesTheMachine()
    {
        QFETCH(bool, shipped);
        QVERIFY(!shipped || LoadShippedGroup());
        Start();
        m_rig->board->send(QStringLiteral("set 0"));  // mould open
        GoodCycle(shipped);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(m_rig->win->cycle().verdictState, int(VerdictShowing));
    }

    void productNgHoldsUntilReinspectedOk()
    {
        Start();
        Show(1);
        m_rig->board->send(QStringLiteral("set 0"));
        QTRY_COMPARE_WITH_TIMEOUT(BoardWords(*m_rig->board).mid(m_rig->base), (QStringList{"F4", "F7", "F3"}), 5000);
        QTRY_VERIFY(OperationLogRows().contains(QStringLiteral("Camera 1Alarm")));
        QCOMPARE(OperationLogRows().count(QStringLiteral("Camera 1Alarm")), 1);
        QCOMPARE(m_rig->win->cycle().verdictState, int(VerdictAlarm));
        Grab(QStringLiteral("alarm"));
        // The door opened during the alarm switches the alarm output off; a
        // re-inspection of the still faulty scene holds again.
        m_rig->board->send(QStringLiteral("door open"));
        QTRY_COMPARE_WITH_TIMEOUT(BoardWords(*m_rig->board).last(), QStringLiteral("F7"), 3000);
        m_rig->board->send(QStringLiteral("door close"));
        QTRY_COMPARE_WITH_TIMEOUT(BoardWords(*m_rig->board).last(), QStringLiteral("F3"), 3000);
        // Cleared and re-inspected OK: ejector released, the mould step follows at once.
        Show(0);
        m_rig->board->send(QStringLiteral("door open"));
        QTRY_COMPARE_WITH_TIMEOUT(BoardWords(*m_rig->board).last(), QStringLiteral("F7"), 3000);
        m_rig->board->send(QStringLiteral("door close"));
        QTRY_COMPARE_WITH_TIMEOUT(BoardWords(*m_rig->board).mid(m_rig->base + 6), (QStringList{"F5", "F4"}), 5000);
        QCOMPARE(m_rig->win->cycle().runState, int(RunDetecting));
    }

    // A colour camera set to judge its grey channel sees a light part on a
    // grey mould; on hue (all grey) it would pass.
    void colourCameraOnGreyHoldsForALeftPart()
    {
        {
            QSettings ini(m_rig->sim->devicePath(m_rig->family, m_rig->serial) + QStringLiteral("/device.ini"),
                          QSettings::IniFormat);
            ini.setValue(QStringLiteral("color"), 1);
            ini.setValue(QStringLiteral("model"), QStringLiteral("MV-SIM-C"));
        }
        QVERIFY(SetParamValue(QStringLiteral("system7"), 2, 1));  // colour cameras
        QVERIFY(SetParamValue(QStringLiteral("system7"), 3, 1));  // judged on grey
        Start();
        QVERIFY(gisColor);
        for (int g = 0; g < 2; ++g) {  // templates learnt from the live colour frame, as a setter does
            m_rig->win->cammerWidget[0]->SaveReTrainImage(g);
            m_rig->win->cammerWidget[0]->engine->VarTrain(g);
        }
        Show(1);
        m_rig->board->send(QStringLiteral("set 0"));
        QTRY_COMPARE_WITH_TIMEOUT(BoardWords(*m_rig->board).mid(m_rig->base), (QStringList{"F4", "F7", "F3"}), 5000);
        QCOMPARE(m_rig->win->cycle().verdictState, int(VerdictAlarm));
        // The NG ring keeps the frame judged (the camera still sends the same part).
        CammerWidget* w = m_rig->win->cammerWidget[0];
        QCOMPARE(w->recentNgCount[0], 1);
        FrameBytes kept(w->judgedFrame().size());
        QVERIFY(w->RecentNgFrame(0, 0, kept));
        QVERIFY(kept == w->judgedFrame());
    }

    // Totals at count.txt's limit hold there, so the next start reads them
    // back from count.txt and the verdict record alike.
    void mouldNgHolds()
    {
        QVERIFY(SetParamValue(QStringLiteral("system1"), 2, 0));  // no product step
        QFile counts(QStringLiteral("count.txt"));
        QVERIFY(counts.open(QIODevice::WriteOnly) && counts.write("100000000 100000000 ") > 0);
        counts.close();
        Start();
        Show(1);
        m_rig->board->send(QStringLiteral("set 0"));
        QTRY_COMPARE_WITH_TIMEOUT(BoardWords(*m_rig->board).mid(m_rig->base), (QStringList{"F4", "F5", "F1"}), 5000);
        QCOMPARE(m_rig->win->cycle().runState, int(RunStopped));
        const auto stored = [] {
            QFile f(QStringLiteral("count.txt"));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        QTRY_COMPARE(stored(), QByteArray("100000000 100000000 0 0 0 0 0 0 0 0 0 0 0 0 0 0 "));
        VerdictRecord r;
        QVERIFY(VerdictJournal::Read(&r) == VerdictJournal::FileState::Ok);
        QCOMPARE(r.all[0], int(kCountLimit));
        QCOMPARE(r.fail[0], int(kCountLimit));
        m_rig->board->send(QStringLiteral("door open"));  // the alarm output goes off, the clamp stays held
        QTRY_COMPARE_WITH_TIMEOUT(BoardWords(*m_rig->board).mid(m_rig->base), (QStringList{"F4", "F5", "F1", "F5"}), 3000);
    }

    void mouldNgRedetectsWithAPulse()
    {
        QVERIFY(SetParamValue(QStringLiteral("system1"), 2, 0));
        QVERIFY(SetParamValue(QStringLiteral("system1"), 7, 1));   // recheckCount2
        QVERIFY(SetParamValue(QStringLiteral("system9"), 18, 6));  // retestDelay 0.6 s: pulse 300 ms
        Start();
        Show(1);
        m_rig->board->send(QStringLiteral("set 0"));
        QTRY_COMPARE_WITH_TIMEOUT(BoardWords(*m_rig->board).mid(m_rig->base), (QStringList{"F4", "F5", "FD"}), 5000);
        Show(0);  // the re-detection sees a good scene
        QTRY_COMPARE_WITH_TIMEOUT(BoardWords(*m_rig->board).mid(m_rig->base), (QStringList{"F4", "F5", "FD", "F5", "F4"}), 5000);
        const qint64 pulse = m_rig->sentHeldMs(QStringLiteral("FD"));
        QVERIFY2(pulse >= 280 && pulse <= 420, qPrintable(QString::number(pulse)));
        QCOMPARE(gFailNum[0], 0);  // a cycle saved by its re-detection counts no NG
        QVERIFY(!OperationLogRows().contains(QStringLiteral("Camera 1Alarm")));
    }

    // A camera pulled while the mould step counts down: the step must not be
    // judged on the last frame from before the loss and release the clamp.
    void cameraLostDuringAStepHolds()
    {
        QVERIFY(SetParamValue(QStringLiteral("system1"), 2, 0));     // no product step
        QVERIFY(SetParamValue(QStringLiteral("trigInDelay"), 2, 15));  // 1.5 s
        QVERIFY(SetParamValue(QStringLiteral("system11"), 17, 1));   // camera-loss box
        Start();
        m_rig->board->send(QStringLiteral("set 0"));
        QTRY_COMPARE_WITH_TIMEOUT(BoardWords(*m_rig->board).mid(m_rig->base), (QStringList{"F4", "F5"}), 5000);
        QVERIFY(m_rig->win->detection()->stepTimer[1].isActive());
        m_rig->sim->unplug(QStringLiteral("mvs"), m_rig->serial);
        QTRY_COMPARE_WITH_TIMEOUT(gisLost, 1, 3000);
        // The step ends NG: clamp and alarm held, the alarm view open.
        QTRY_COMPARE_WITH_TIMEOUT(m_rig->win->cycle().verdictState, int(VerdictAlarm), 3000);
        QTRY_COMPARE_WITH_TIMEOUT(BoardWords(*m_rig->board).mid(m_rig->base), (QStringList{"F4", "F5", "F1"}), 3000);
    }

    // With result statistics and the cycle log on, each judged camera and
    // step counts in the hour's row and each cycle start logs the cycle,
    // also when both steps are judged at once.
    void cyclesReachTheRecords_data() { ShippedRows(); }
    void cyclesReachTheRecords()
    {
        QFETCH(bool, shipped);
        QVERIFY(!shipped || LoadShippedGroup());
        QVERIFY(SetParamValue(QStringLiteral("system6"), 10, 1));   // useStatistics
        QVERIFY(SetParamValue(QStringLiteral("system12"), 21, 1));  // detectCycleLog
        QVERIFY(SetParamValue(QStringLiteral("system1"), 8, 5));    // OK pictures kept
        Start();
        QVERIFY(gpResStatisticsParam);
        m_rig->board->send(QStringLiteral("set 0"));
        GoodCycle(shipped);
        if (QTest::currentTestFailed())
            return;
        auto okTotal = [](const char* row) {
            const QStringList v = SqliteRows(QStringLiteral("ResStatistics.db"),
                                             QStringLiteral("select value1 from resstatistics where name='%1'").arg(QLatin1String(row)));
            int sum = 0;
            for (const QString& n : v.value(0).split(QLatin1Char(' '), Qt::SkipEmptyParts))
                sum += n.toInt();
            return sum;
        };
        QTRY_COMPARE(okTotal("C0_D1"), 1);
        QCOMPARE(okTotal("C0_D0"), 1);
        QCOMPARE(gpResStatisticsParam->live().cams[0].steps[1].ok[QTime::currentTime().hour()] +
                     gpResStatisticsParam->live().cams[0].steps[1].ok[(QTime::currentTime().hour() + 23) % 24], 1);
        QCOMPARE(SqliteRows(QStringLiteral("DetectCycle.db"), QStringLiteral("select count(*) from detect_cycle")),
                 QStringList{"1"});
    }

private:
    // The rig's delays (0.1 s and 0.1 s) and the default group as it ships.
    static void ShippedRows()
    {
        QTest::addColumn<bool>("shipped");
        QTest::newRow("rig's delays") << false;
        QTest::newRow("shipped default group") << true;
    }
    // The monitor sent a good cycle's words and the board read them; as
    // shipped both steps may be judged on one frame, so the board may miss
    // the holds, but reads no other word and ends released.
    void GoodCycle(bool shipped)
    {
        const QStringList cycle{"F4", "F7", "F5", "F4"};
        QTRY_COMPARE_WITH_TIMEOUT(m_rig->words(), cycle, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(m_rig->wireWords().value(m_rig->wireWords().size() - 1), QStringLiteral("F4"), 3000);
        if (shipped)
            QVERIFY2(Subsequence(m_rig->wireWords(), cycle), qPrintable(m_rig->wireWords().join(QLatin1Char(' '))));
        else
            QCOMPARE(m_rig->wireWords(), cycle);
    }
    // A picture of the window for a person to look at (MOJU_SHOTS_DIR set).
    void Grab(const QString& what)
    {
        const QString out = qEnvironmentVariable("MOJU_SHOTS_DIR");
        if (out.isEmpty())
            return;
        QDir().mkpath(out);
        m_rig->win->show();
        m_rig->win->grab().save(QStringLiteral("%1/cycle-%2-%3x%4-lan%5.png").arg(out, what).arg(gShowW).arg(gShowH).arg(gLan));
    }
    void Start() { m_rig->start(); }
    void Show(int k) { m_rig->show(k); }

    std::unique_ptr<BoardRig> m_rig;
};

MOJU_TEST_MAIN(TestCycleBoard)
#include "test_cycle_board.moc"
