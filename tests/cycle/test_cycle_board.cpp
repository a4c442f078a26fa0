// Whole moulding cycles on the real main window: the simulated IO board on a
// pseudo-terminal, one simulated camera whose picture the test switches
// between a good and a faulty scene, machine type 0 with the default group's
// rows. The words checked are those the board receives.
#include "WizardFixture.h"

#include "SimCamFixture.h"
#include "SimIOBoard.h"
#include "records/Counters.h"
#include "app/DetectionCycle.h"
#include "foundation/MainGlobals.h"
#include "app/gui/RaRoWizard.h"
#include "params/WizardPara.h"
#include "records/ResStatisticsParam.h"
#include "../params/ParaTestDb.h"
#include "widgets/SkinPixmaps.h"

#include <QPainter>

namespace {
const QString kSerial = QStringLiteral("MVS0000001");

QImage Scene(bool faulty)
{
    QImage img(160, 120, QImage::Format_Grayscale8);
    img.fill(70);
    QPainter p(&img);
    p.fillRect(30, 25, 100, 70, QColor(40, 40, 40));
    p.fillRect(50, 40, 60, 40, QColor(110, 110, 110));
    if (faulty)
        p.fillRect(60, 45, 30, 20, QColor(250, 250, 250));  // a part left behind
    return img;
}

// Output words the board received, each change once.
QStringList Words(const SimBoard& board)
{
    QStringList words;
    for (const QString& l : board.linesStarting(QStringLiteral("OUT "))) {
        const QString w = l.section(QLatin1Char(' '), 2).right(2).toUpper();
        if (words.isEmpty() || words.last() != w)
            words << w;
    }
    return words;
}

// Time (ms) of the first OUT line with this word after index `from`.
long OutTime(const SimBoard& board, const QString& word, int from = 0)
{
    const QStringList outs = board.linesStarting(QStringLiteral("OUT "));
    for (int i = from; i < outs.size(); ++i)
        if (outs[i].section(QLatin1Char(' '), 2).right(2).toUpper() == word)
            return outs[i].section(QLatin1Char(' '), 1, 1).toLong();
    return -1;
}
}  // namespace

class TestCycleBoard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }

    void init()
    {
        m_dir = std::make_unique<TempWorkDir>();
        gisLost = 0;
        LoadSkinPixmaps();
        gAppDirPath = m_dir->path();
        QVERIFY(SetParamValue(QStringLiteral("system2"), 13, 1));  // English log lines
        QVERIFY(SetParamValue(QStringLiteral("trigInDelay"), 1, 1));  // product step 0.1 s after the trigger
        QVERIFY(SetParamValue(QStringLiteral("trigInDelay"), 2, 1));  // mould step 0.1 s after that
        // One defect area over the whole view in each step; templates are the good scene.
        QVERIFY(AddWholeViewDefectSteps(Scene(false)));
        m_sim = std::make_unique<SimCamFolder>();
        m_sim->add(QStringLiteral("mvs"), kSerial, {{"sensorWidth", 160}, {"sensorHeight", 120}, {"fps", 50}});
        QVERIFY(Scene(false).save(m_sim->devicePath(QStringLiteral("mvs"), kSerial) + QStringLiteral("/a-good.png")));
        QVERIFY(Scene(true).save(m_sim->devicePath(QStringLiteral("mvs"), kSerial) + QStringLiteral("/b-faulty.png")));
        m_board = std::make_unique<SimBoard>(QStringList{QStringLiteral("--inputs"), QStringLiteral("2")});  // door closed
        QVERIFY(m_board->waitForPath());
        qputenv("MOJU_SERIAL_DEVICE", m_board->path().toLocal8Bit());
    }
    void cleanup()
    {
        m_win.reset();
        m_board.reset();
        m_sim.reset();
        m_dir.reset();
        qunsetenv("MOJU_SERIAL_DEVICE");
    }

    void goodCycleReleasesTheMachine()
    {
        Start();
        m_board->send(QStringLiteral("set 0"));  // mould open
        QTRY_COMPARE_WITH_TIMEOUT(Words(*m_board).mid(m_base), (QStringList{"F4", "F7", "F5", "F4"}), 5000);
        QCOMPARE(m_win->cycle().verdictState, int(VerdictShowing));
    }

    void productNgHoldsUntilReinspectedOk()
    {
        Start();
        Show(1);
        m_board->send(QStringLiteral("set 0"));
        QTRY_COMPARE_WITH_TIMEOUT(Words(*m_board).mid(m_base), (QStringList{"F4", "F7", "F3"}), 5000);
        QTRY_VERIFY(OperationLogRows().contains(QStringLiteral("Camera 1Alarm")));
        QCOMPARE(OperationLogRows().count(QStringLiteral("Camera 1Alarm")), 1);
        QCOMPARE(m_win->cycle().verdictState, int(VerdictAlarm));
        Grab(QStringLiteral("alarm"));
        // The door opened during the alarm switches the alarm output off; a
        // re-inspection of the still faulty scene holds again.
        m_board->send(QStringLiteral("door open"));
        QTRY_COMPARE_WITH_TIMEOUT(Words(*m_board).last(), QStringLiteral("F7"), 3000);
        m_board->send(QStringLiteral("door close"));
        QTRY_COMPARE_WITH_TIMEOUT(Words(*m_board).last(), QStringLiteral("F3"), 3000);
        // Cleared and re-inspected OK: ejector released, the mould step follows at once.
        Show(0);
        m_board->send(QStringLiteral("door open"));
        QTRY_COMPARE_WITH_TIMEOUT(Words(*m_board).last(), QStringLiteral("F7"), 3000);
        m_board->send(QStringLiteral("door close"));
        QTRY_COMPARE_WITH_TIMEOUT(Words(*m_board).mid(m_base + 6), (QStringList{"F5", "F4"}), 5000);
        QCOMPARE(m_win->cycle().runState, int(RunDetecting));
    }

    void mouldNgHolds()
    {
        QVERIFY(SetParamValue(QStringLiteral("system1"), 2, 0));  // no product step
        Start();
        Show(1);
        m_board->send(QStringLiteral("set 0"));
        QTRY_COMPARE_WITH_TIMEOUT(Words(*m_board).mid(m_base), (QStringList{"F4", "F5", "F1"}), 5000);
        QCOMPARE(m_win->cycle().runState, int(RunStopped));
        m_board->send(QStringLiteral("door open"));  // the alarm output goes off, the clamp stays held
        QTRY_COMPARE_WITH_TIMEOUT(Words(*m_board).mid(m_base), (QStringList{"F4", "F5", "F1", "F5"}), 3000);
    }

    void mouldNgRedetectsWithAPulse()
    {
        QVERIFY(SetParamValue(QStringLiteral("system1"), 2, 0));
        QVERIFY(SetParamValue(QStringLiteral("system1"), 7, 1));   // recheckCount2
        QVERIFY(SetParamValue(QStringLiteral("system9"), 18, 6));  // retestDelay 0.6 s: pulse 300 ms
        Start();
        Show(1);
        m_board->send(QStringLiteral("set 0"));
        QTRY_COMPARE_WITH_TIMEOUT(Words(*m_board).mid(m_base), (QStringList{"F4", "F5", "FD"}), 5000);
        Show(0);  // the re-detection sees a good scene
        QTRY_COMPARE_WITH_TIMEOUT(Words(*m_board).mid(m_base), (QStringList{"F4", "F5", "FD", "F5", "F4"}), 5000);
        const long up = OutTime(*m_board, QStringLiteral("FD"));
        const long down = OutTime(*m_board, QStringLiteral("F5"), m_base + 3);
        QVERIFY2(down - up >= 280 && down - up <= 420, qPrintable(QString::number(down - up)));
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
        m_board->send(QStringLiteral("set 0"));
        QTRY_COMPARE_WITH_TIMEOUT(Words(*m_board).mid(m_base), (QStringList{"F4", "F5"}), 5000);
        QVERIFY(m_win->detection()->stepTimer[1].isActive());
        m_sim->unplug(QStringLiteral("mvs"), kSerial);
        QTRY_COMPARE_WITH_TIMEOUT(gisLost, 1, 3000);
        // The step ends NG: clamp and alarm held, the alarm view open.
        QTRY_COMPARE_WITH_TIMEOUT(m_win->cycle().verdictState, int(VerdictAlarm), 3000);
        QTRY_COMPARE_WITH_TIMEOUT(Words(*m_board).mid(m_base), (QStringList{"F4", "F5", "F1"}), 3000);
    }

    // With result statistics and the cycle log on, each judged camera and
    // step counts in the hour's row and each cycle start logs the cycle.
    void cyclesReachTheRecords()
    {
        QVERIFY(SetParamValue(QStringLiteral("system6"), 10, 1));   // useStatistics
        QVERIFY(SetParamValue(QStringLiteral("system12"), 21, 1));  // detectCycleLog
        QVERIFY(SetParamValue(QStringLiteral("system1"), 8, 5));    // OK pictures kept
        Start();
        QVERIFY(gpResStatisticsParam);
        m_board->send(QStringLiteral("set 0"));
        QTRY_COMPARE_WITH_TIMEOUT(Words(*m_board).mid(m_base), (QStringList{"F4", "F7", "F5", "F4"}), 5000);
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
    // A picture of the window for a person to look at (MOJU_SHOTS_DIR set).
    void Grab(const QString& what)
    {
        const QString out = qEnvironmentVariable("MOJU_SHOTS_DIR");
        if (out.isEmpty())
            return;
        QDir().mkpath(out);
        m_win->show();
        m_win->grab().save(QStringLiteral("%1/cycle-%2-%3x%4-lan%5.png").arg(out, what).arg(gShowW).arg(gShowH).arg(gLan));
    }
    void Start()
    {
        PopupAnswerer answers;
        m_win = std::make_unique<RaRoWizard>();
        QVERIFY(m_win->isBuilt());
        QCOMPARE(m_win->numCamera(), 1);
        Show(0);
        QTRY_COMPARE_WITH_TIMEOUT(Words(*m_board).value(Words(*m_board).size() - 1), QStringLiteral("F4"), 5000);  // idle
        QTRY_VERIFY_WITH_TIMEOUT(m_win->detection()->frameCount[0] > 2, 3000);
        m_base = Words(*m_board).size() - 1;
    }
    // Serves picture k of the camera folder (0 good, 1 faulty) and waits until
    // a frame of it is in the work buffer.
    void Show(int k)
    {
        m_sim->device(QStringLiteral("mvs"), kSerial)->showPicture(k);
        if (!m_win)
            return;
        const int seen = m_win->detection()->frameCount[0];
        QTRY_VERIFY2_WITH_TIMEOUT(m_win->detection()->frameCount[0] > seen + 2,
                                  qPrintable(QStringLiteral("frames %1, lost %2").arg(m_win->detection()->frameCount[0]).arg(gisLost)), 3000);
    }

    std::unique_ptr<TempWorkDir> m_dir;
    std::unique_ptr<SimCamFolder> m_sim;
    std::unique_ptr<SimBoard> m_board;
    std::unique_ptr<RaRoWizard> m_win;
    int m_base = 0;  // index of the idle word after start-up
};

MOJU_TEST_MAIN(TestCycleBoard)
#include "test_cycle_board.moc"
