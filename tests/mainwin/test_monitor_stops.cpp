// The monitor program (mojuwizard) on the simulated IO board with one
// simulated camera, ended by the system while it starts and in the middle of
// a cycle, or killed while an alarm stands and started again. What counts is
// what the board read.
#include "BoardCycle.h"

#include "records/Counters.h"
#include "records/VerdictJournal.h"
#include "view/DrawROIWidget.h"

#include <QProcess>

#include <algorithm>
#include <csignal>

namespace {
// Whether the process catches SIGTERM (a handler of its own is installed).
bool CatchesStop(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1u;
    return false;
}

// Whether a row of the operation log starts with the fixed part of text id's
// English text (before its first argument) and ends with `tail`.
bool Logged(int id, const QString& tail = {})
{
    const QString head = LanStr(id).section(QLatin1Char('%'), 0, 0);
    const QStringList rows = OperationLogRows();
    return std::any_of(rows.cbegin(), rows.cend(),
                       [&](const QString& r) { return r.startsWith(head) && r.endsWith(tail); });
}

QByteArray CountFile()
{
    QFile f(QStringLiteral("count.txt"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Clamp held (output 0 on) and the alarm on (output 2, driven low) in a word the board read.
bool ClampHeld(const QString& word)
{
    return word.toUInt(nullptr, 16) & 0x1u;
}
bool AlarmOn(const QString& word)
{
    return !(word.toUInt(nullptr, 16) & 0x4u);
}

// The program in the rig's working directory, on its board and camera.
struct Monitor {
    QProcess proc;
    explicit Monitor(const BoardRig& rig)
    {
        proc.setProgram(QStringLiteral(MOJUWIZARD_PATH));
        proc.setWorkingDirectory(rig.dir->path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MOJU_LED_DEVICE"), rig.dir->filePath(QStringLiteral("no-led")));
        // The screen of this test, whose areas the parameters were given for.
        const QString screen = rig.dir->filePath(QStringLiteral("screen.json"));
        QFile f(screen);
        if (f.open(QIODevice::WriteOnly))
            f.write(QStringLiteral("{\"screens\":[{\"name\":\"panel\",\"x\":0,\"y\":0,\"width\":%1,\"height\":%2,"
                                   "\"logicalDpi\":96,\"logicalBaseDpi\":96,\"dpr\":1}]}")
                        .arg(gShowW)
                        .arg(gShowH)
                        .toUtf8());
        f.close();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + screen);
        proc.setProcessEnvironment(env);
        proc.start();
    }
    ~Monitor()
    {
        if (proc.state() != QProcess::NotRunning) {
            proc.kill();
            proc.waitForFinished(5000);
        }
    }
    // Ended by the signal in order: status 0, and no crash report anywhere.
    QString EndedInOrder(const QString& dir)
    {
        if (!proc.waitForFinished(30000))
            return QStringLiteral("still running");
        const QByteArray said = proc.readAllStandardError() + FilesUnder(dir + QStringLiteral("/vur_net/vur_log_app"));
        if (proc.exitStatus() != QProcess::NormalExit || proc.exitCode() != 0)
            return QStringLiteral("ended with status %1 (%2): %3")
                .arg(proc.exitCode())
                .arg(int(proc.exitStatus()))
                .arg(QString::fromLocal8Bit(said.right(1500)));
        if (said.contains("*** SIG") || said.contains("received by PID"))
            return QStringLiteral("crash report: ") + QString::fromLocal8Bit(said.right(400));
        return {};
    }
};
}  // namespace

class TestMonitorStops : public QObject {
    Q_OBJECT
    std::unique_ptr<BoardRig> m_rig;
    QString Last() const { return BoardWords(*m_rig->board).value(BoardWords(*m_rig->board).size() - 1); }
    // The operator opens the door (the alarm output goes off, the clamp stays)
    // and closes it: the re-inspection, OK, ends the alarm.
    void ClearByTheDoor()
    {
        m_rig->board->send(QStringLiteral("door open"));
        QTRY_COMPARE_WITH_TIMEOUT(Last(), QStringLiteral("F5"), 5000);
        m_rig->board->send(QStringLiteral("door close"));
        QTRY_COMPARE_WITH_TIMEOUT(Last(), QStringLiteral("F4"), 5000);
    }

private slots:
    void initTestCase() { LoadLanguageTable(); }
    void init()
    {
        m_rig = std::make_unique<BoardRig>();
        QVERIFY(m_rig->prepare());
    }
    void cleanup() { m_rig.reset(); }

    // A stop while the program starts ends it in order whatever it was
    // doing, a start-up question included; outputs it reached the board with
    // are left as a stop leaves them (here clamp and ejector held, which
    // nothing else in start-up sends).
    void stopDuringStartUp_data()
    {
        QTest::addColumn<int>("afterMs");
        QTest::addColumn<bool>("camera");
        QTest::newRow("0.2 s") << 200 << true;
        QTest::newRow("0.5 s") << 500 << true;
        // Without a camera start-up asks whether to forget the stored ones, and waits.
        QTest::newRow("2 s, start-up question open") << 2000 << false;
    }
    void stopDuringStartUp()
    {
        QFETCH(int, afterMs);
        QFETCH(bool, camera);
        if (!camera)
            m_rig->sim->unplug(m_rig->family, m_rig->serial);
        QVERIFY(SetParamValue(QStringLiteral("system9"), 14, 1));   // stopClampOnStop
        QVERIFY(SetParamValue(QStringLiteral("system10"), 20, 1));  // stopEjectorOnStop
        QElapsedTimer launched;
        launched.start();
        Monitor m(*m_rig);
        QVERIFY(m.proc.waitForStarted(10000));
        // The moment comes once the program catches the signal at all: before,
        // the loader runs and nothing of the program can answer.
        QTRY_VERIFY_WITH_TIMEOUT(launched.elapsed() >= afterMs && CatchesStop(m.proc.processId()), 20000);
        QCOMPARE(::kill(pid_t(m.proc.processId()), SIGTERM), 0);
        QCOMPARE(m.EndedInOrder(m_rig->dir->path()), QString());
        QVERIFY(m_rig->board->sync());
        const QStringList words = BoardWords(*m_rig->board);
        QVERIFY2(words.isEmpty() || words.last() == QLatin1String("F7"), qPrintable(words.join(QLatin1Char(' '))));
    }

    // The operator's stop rule releases the clamp (stopClampOnStop off); the
    // program's stop in the middle of a cycle does not, before the mould step is judged.
    void stopMidCycleKeepsTheClamp()
    {
        QVERIFY(SetParamValue(QStringLiteral("system1"), 2, 0));       // no product step
        QVERIFY(SetParamValue(QStringLiteral("trigInDelay"), 2, 30));  // the mould step 3 s after its input
        Monitor m(*m_rig);
        QTRY_COMPARE_WITH_TIMEOUT(Last(), QStringLiteral("F4"), 30000);
        m_rig->board->send(QStringLiteral("set 0"));  // mould open: the clamp is held while the step counts down
        QTRY_VERIFY2_WITH_TIMEOUT(BoardWords(*m_rig->board).join(QLatin1Char(' ')).endsWith(QLatin1String("F4 F5")),
                                  qPrintable(BoardWords(*m_rig->board).join(QLatin1Char(' '))), 10000);
        QCOMPARE(::kill(pid_t(m.proc.processId()), SIGTERM), 0);
        QCOMPARE(m.EndedInOrder(m_rig->dir->path()), QString());
        QVERIFY(m_rig->board->sync());
        QCOMPARE(Last(), QStringLiteral("F5"));
    }

    // Killed while a mould alarm stands, with the part still in view: the
    // monitor that comes back holds the clamp and the alarm from its first
    // word, shows and logs the alarm, and lets go only on an OK re-inspection.
    void alarmStandsOverAKill()
    {
        QVERIFY(SetParamValue(QStringLiteral("system1"), 2, 0));  // no product step
        const QString device = m_rig->sim->devicePath(m_rig->family, m_rig->serial);
        QVERIFY(QFile::rename(device + QStringLiteral("/a-good.png"), m_rig->dir->filePath(QStringLiteral("good.png"))));
        {
            Monitor m(*m_rig);
            QTRY_COMPARE_WITH_TIMEOUT(Last(), QStringLiteral("F4"), 30000);
            m_rig->board->send(QStringLiteral("set 0"));
            QTRY_COMPARE_WITH_TIMEOUT(Last(), QStringLiteral("F1"), 10000);
            QTRY_VERIFY(OperationLogRows().contains(QStringLiteral("Camera 1Alarm")));
            // The verdict is stored (its outputs reach the board before that).
            QTRY_VERIFY(CountFile().startsWith("1 1 "));
            m.proc.kill();
            QVERIFY(m.proc.waitForFinished(10000));
        }
        QVERIFY(QFile::rename(m_rig->dir->filePath(QStringLiteral("good.png")), device + QStringLiteral("/a-good.png")));
        m_rig->board->send(QStringLiteral("clr 0"));
        QVERIFY(m_rig->board->sync());
        const qsizetype restart = BoardWords(*m_rig->board).size();
        const qsizetype polled = m_rig->board->frames().size();
        m_rig->start(QStringLiteral("F1"), false);
        m_rig->show(1);  // the part is still there
        QVERIFY(m_rig->board->sync());
        // The board heard the new monitor, and nothing it read let go.
        QVERIFY(m_rig->board->frames().size() > polled + 10);
        const QStringList held = BoardWords(*m_rig->board).mid(restart);
        for (const QString& w : held)
            QVERIFY2(ClampHeld(w) && AlarmOn(w), qPrintable(held.join(QLatin1Char(' '))));
        QCOMPARE(m_rig->cycle().verdictState, int(VerdictAlarm));
        QVERIFY(!m_rig->win->drawROIWidget->isHidden());  // the alarm view
        QVERIFY2(Logged(1190, QStringLiteral("Camera 1Alarm")), qPrintable(OperationLogRows().join(QLatin1Char('\n'))));
        // Cleared as any alarm: re-inspected OK with the part gone.
        m_rig->show(0);
        ClearByTheDoor();
        QCOMPARE(m_rig->cycle().runState, int(RunDetecting));
        VerdictRecord r;
        QVERIFY(VerdictJournal::Read(&r) == VerdictJournal::FileState::Ok && !r.alarm.standing);
    }

    // A record start-up cannot read may have held an alarm: it holds, keeps
    // the file aside as it was, changes no count, and an OK re-inspection lets go.
    void unreadableRecordHolds()
    {
        const QByteArray damaged = "verdict-journal 1\nseq 9\ncounts 7 1 0\ncheck 0\n";
        QFile j(QStringLiteral("verdict-journal.txt"));
        QVERIFY(j.open(QIODevice::WriteOnly) && j.write(damaged) == damaged.size());
        j.close();
        QFile c(QStringLiteral("count.txt"));
        QVERIFY(c.open(QIODevice::WriteOnly) && c.write("7 1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 ") > 0);
        c.close();
        m_rig->start(QStringLiteral("F1"));
        QCOMPARE(m_rig->cycle().verdictState, int(VerdictAlarm));
        QCOMPARE(gAllNum[0], 7);
        const QStringList kept = QDir().entryList({QStringLiteral("verdict-journal.txt.damaged-*")}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QFile k(kept.first());
        QVERIFY(k.open(QIODevice::ReadOnly));
        QCOMPARE(k.readAll(), damaged);
        QTRY_VERIFY(Logged(1191));
        ClearByTheDoor();
        QVERIFY(m_rig->cycle().verdictState != VerdictAlarm);
        QCOMPARE(m_rig->cycle().runState, int(RunDetecting));
    }
};

MOJU_TEST_MAIN(TestMonitorStops)
#include "test_monitor_stops.moc"
