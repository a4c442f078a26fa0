// Operation log rows, the plant-link mirror, lines from worker threads and
// the daily roll-over of RECORD.db.
#include "../params/ParaTestDb.h"
#include "TestSupport.h"

#include "app/OperationLog.h"
#include "foundation/uitext.h"
#include "network/VUR_Net.h"
#include "params/WizardPara.h"
#include "records/DayFileMerge.h"

#include <QFile>
#include <QThread>

namespace {

class FixedLevel : public UnlockLevelSource {
public:
    int UnlockLevel() const override { return level; }
    int level = 0;
};

class RecordingNet : public VUR_Net {
public:
    void VUR_SendRecord(QDateTime time, QString level, QString text) override
    {
        lines << time.toString(QStringLiteral("hh.mm.ss")) + QLatin1Char('|') + level + QLatin1Char('|') + text;
    }
    QStringList lines;
};

void WriteFile(const QString& name, const QByteArray& data)
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QByteArray ReadFile(const QString& name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace

class TestOperationLog : public QObject {
    Q_OBJECT

private:
    TempWorkDir* m_dir = nullptr;
    FixedLevel m_level;
    WizardPara m_para;
    QDateTime m_now;

    OperationLog* MakeLog()
    {
        auto* log = new OperationLog(&m_level, QStringLiteral("."));
        log->setClock([this] { return m_now; });
        return log;
    }

    QStringList Rows(const QString& file = QStringLiteral("RECORD.db"))
    {
        return SqliteRows(m_dir->filePath(file), QStringLiteral("select * from RECORD"));
    }

private slots:
    void initTestCase()
    {
        const char* words[3][3] = {{"高级用户", "Advanced", "高級用戶"},
                                   {"初级用户", "Primary", "初級用戶"},
                                   {"未登录", "Unlogged", "未登錄"}};
        for (int i = 0; i < 3; ++i)
            for (int lan = 0; lan < 3; ++lan)
                gaLanStr[(154 + i) * 3 + lan] = QString::fromUtf8(words[i][lan]);
    }

    void init()
    {
        m_dir = new TempWorkDir;
        QVERIFY(QFile::exists(QStringLiteral("RECORD.db")) || QFile::copy(QStringLiteral("RECORDNULL.db"), QStringLiteral("RECORD.db")));
        WriteFile(QStringLiteral("time.txt"), "2026-03-05");
        m_now = QDateTime(QDate(2026, 3, 5), QTime(23, 59, 50));
        m_level.level = 0;
        m_para = WizardPara();
        gpWPara = &m_para;
        gpNet = nullptr;
        gLan = 1;
    }

    void cleanup()
    {
        delete m_dir;
        m_dir = nullptr;
        gpWPara = nullptr;
        gpNet = nullptr;
    }

    void rows_data()
    {
        QTest::addColumn<int>("lan");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("row");
        QTest::newRow("unlogged") << 1 << 0 << "Start the detection manually "
                                  << "23.59.50|Unlogged|Start the detection manually ";
        QTest::newRow("primary") << 1 << 1 << "Resampling template" << "23.59.50|Primary|Resampling template";
        QTest::newRow("advanced chinese") << 0 << 2 << "IO通讯异常" << "23.59.50|高级用户|IO通讯异常";
        QTest::newRow("odd level") << 2 << 7 << "x" << "23.59.50|未登錄|x";
        QTest::newRow("quote kept") << 1 << 0 << "it's '); DELETE FROM RECORD; --"
                                    << "23.59.50|Unlogged|it's '); DELETE FROM RECORD; --";
    }

    void rows()
    {
        QFETCH(int, lan);
        QFETCH(int, level);
        QFETCH(QString, text);
        gLan = lan;
        m_level.level = level;
        {
            OperationLog* log = MakeLog();
            log->InsertRecord(QStringLiteral("first"));
            log->InsertRecord(text);
            delete log;
        }
        const QStringList rows = Rows();
        QCOMPARE(rows.size(), 2);
        QTEST(rows.at(1), "row");
    }

    void levelFollowsLanguage()
    {
        OperationLog* log = MakeLog();
        log->InsertRecord(QStringLiteral("a"));
        gLan = 0;
        log->InsertRecord(QStringLiteral("b"));
        delete log;
        QCOMPARE(Rows(), (QStringList{"23.59.50|Unlogged|a", "23.59.50|未登录|b"}));
    }

    void plantMirror()
    {
        RecordingNet net;
        gpNet = &net;
        OperationLog* log = MakeLog();
        log->InsertRecord(QStringLiteral("off"));
        m_para.netEnabled = 1;
        log->InsertRecord(QStringLiteral("not started"));
        // Started but no client yet: the link queues the line all the same.
        net.isInit = true;
        log->InsertRecord(QStringLiteral("not connected"));
        net.isAlive = true;
        m_level.level = 2;
        log->InsertRecord(QStringLiteral("sent"));
        m_para.netEnabled = 0;
        log->InsertRecord(QStringLiteral("switched off"));
        delete log;
        QCOMPARE(net.lines, (QStringList{"23.59.50|Unlogged|not connected", "23.59.50|Advanced|sent"}));
        QCOMPARE(Rows().size(), 5);
    }

    void fromWorkerThread()
    {
        OperationLog* log = MakeLog();
        log->InsertRecord(QStringLiteral("gui"));
        QThread* worker = QThread::create([log] { log->InsertRecord(QStringLiteral("IO link back")); });
        worker->start();
        QVERIFY(worker->wait(5000));
        delete worker;
        QCOMPARE(Rows().size(), 1);  // handed to the GUI thread, not written yet
        QTRY_COMPARE(Rows().size(), 2);
        QCoreApplication::processEvents();
        QCOMPARE(Rows(), (QStringList{"23.59.50|Unlogged|gui", "23.59.50|Unlogged|IO link back"}));
        delete log;
    }

    void clearRecord()
    {
        OperationLog* log = MakeLog();
        log->InsertRecord(QStringLiteral("a"));
        log->ClearRecord();
        log->InsertRecord(QStringLiteral("b"));
        delete log;
        QCOMPARE(Rows(), QStringList{"23.59.50|Unlogged|b"});
    }

    // Lines numbered afresh after a clear are not taken for lines an archive
    // already took of the same file (a merge whose removal failed).
    void clearedLogIsANewDayFile()
    {
        OperationLog* log = MakeLog();
        log->InsertRecord(QStringLiteral("a"));
        log->InsertRecord(QStringLiteral("b"));
        const QString archive = m_dir->filePath(QStringLiteral("day.db"));
        const QString columns = QStringLiteral("recordtime, recordpassword, remarks");
        const QString create = QStringLiteral("CREATE TABLE IF NOT EXISTS RECORD(recordtime TEXT, recordpassword TEXT, remarks TEXT)");
        QVERIFY(AppendDayFile(archive, m_dir->filePath(QStringLiteral("RECORD.db")), QStringLiteral("RECORD"), columns, create));
        log->ClearRecord();
        log->InsertRecord(QStringLiteral("c"));
        QVERIFY(AppendDayFile(archive, m_dir->filePath(QStringLiteral("RECORD.db")), QStringLiteral("RECORD"), columns, create));
        delete log;
        QCOMPARE(Rows(QStringLiteral("day.db")),
                 (QStringList{"23.59.50|Unlogged|a", "23.59.50|Unlogged|b", "23.59.50|Unlogged|c"}));
    }

    void rollOver()
    {
        OperationLog* log = MakeLog();
        QCOMPARE(log->recordDate(), QStringLiteral("2026-03-05"));
        log->InsertRecord(QStringLiteral("late"));
        log->SlotCheckDate();
        QVERIFY(!QFile::exists(QStringLiteral("RECORD/2026-03-05.db")));  // same day: nothing

        m_now = QDateTime(QDate(2026, 3, 6), QTime(0, 0, 30));
        log->SlotCheckDate();
        QCOMPARE(log->recordDate(), QStringLiteral("2026-03-06"));
        QCOMPARE(ReadFile(QStringLiteral("time.txt")), QByteArray("2026-03-06"));
        QCOMPARE(Rows(QStringLiteral("RECORD/2026-03-05.db")), QStringList{"23.59.50|Unlogged|late"});
        QCOMPARE(Rows(), QStringList());
        log->InsertRecord(QStringLiteral("early"));
        QCOMPARE(Rows(), QStringList{"00.00.30|Unlogged|early"});
        QVERIFY(SystemActionLines().isEmpty());
        delete log;
    }

    void clockSetBackMergesIntoArchive()
    {
        OperationLog* log = MakeLog();
        log->InsertRecord(QStringLiteral("day one"));
        m_now = m_now.addDays(1);
        log->SlotCheckDate();
        log->InsertRecord(QStringLiteral("day two"));
        // The clock goes back to day one and forward again.
        m_now = m_now.addDays(-1);
        log->SlotCheckDate();
        QCOMPARE(log->recordDate(), QStringLiteral("2026-03-05"));
        QCOMPARE(Rows(QStringLiteral("RECORD/2026-03-06.db")), QStringList{"23.59.50|Unlogged|day two"});
        log->InsertRecord(QStringLiteral("day one again"));
        m_now = m_now.addDays(1);
        log->SlotCheckDate();
        QCOMPARE(Rows(QStringLiteral("RECORD/2026-03-05.db")),
                 (QStringList{"23.59.50|Unlogged|day one", "23.59.50|Unlogged|day one again"}));
        QCOMPARE(Rows(), QStringList());
        delete log;
    }

    void timeFileFirstWord_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("line end") << QByteArray("2026-03-05\n");
        QTest::newRow("more words") << QByteArray("2026-03-05 23:59\n");
        QTest::newRow("leading blanks") << QByteArray("  2026-03-05\r\n");
    }

    void timeFileFirstWord()
    {
        QFETCH(QByteArray, content);
        WriteFile(QStringLiteral("time.txt"), content);
        OperationLog* log = MakeLog();
        QCOMPARE(log->recordDate(), QStringLiteral("2026-03-05"));
        log->InsertRecord(QStringLiteral("kept"));
        m_now = m_now.addDays(1);
        log->SlotCheckDate();
        QCOMPARE(Rows(QStringLiteral("RECORD/2026-03-05.db")), QStringList{"23.59.50|Unlogged|kept"});
        delete log;
    }

    void badTimeFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("garbage") << QByteArray("../../x");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("bad date") << QByteArray("2026-13-40");
    }

    void badTimeFile()
    {
        QFETCH(QByteArray, content);
        WriteFile(QStringLiteral("time.txt"), content);
        OperationLog* log = MakeLog();
        log->InsertRecord(QStringLiteral("kept"));
        m_now = QDateTime(QDate(2030, 1, 1), QTime(8, 0));
        log->SlotCheckDate();
        // The file is archived under the day it was last written.
        const QString day = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        QCOMPARE(Rows(QStringLiteral("RECORD/%1.db").arg(day)), QStringList{"23.59.50|Unlogged|kept"});
        QCOMPARE(ReadFile(QStringLiteral("time.txt")), QByteArray("2030-01-01"));
        QCOMPARE(QDir(QStringLiteral("RECORD")).entryList(QDir::Files).size(), 1);
        delete log;
    }

    void failedMoveKeepsTheDay()
    {
        // A folder where the archive folder should be: nothing can be moved.
        WriteFile(QStringLiteral("RECORD"), "not a folder");
        OperationLog* log = MakeLog();
        log->InsertRecord(QStringLiteral("precious"));
        m_now = m_now.addDays(1);
        log->SlotCheckDate();
        QCOMPARE(log->recordDate(), QStringLiteral("2026-03-05"));
        QCOMPARE(ReadFile(QStringLiteral("time.txt")), QByteArray("2026-03-05"));
        log->InsertRecord(QStringLiteral("still here"));
        QCOMPARE(Rows().size(), 2);
        delete log;
    }

    void missingTableCreated()
    {
        QFile::remove(QStringLiteral("RECORD.db"));
        QFile::remove(QStringLiteral("RECORDNULL.db"));
        OperationLog* log = MakeLog();
        log->InsertRecord(QStringLiteral("not lost"));
        delete log;
        QCOMPARE(Rows(), QStringList{"23.59.50|Unlogged|not lost"});
    }
};

MOJU_TEST_CORE_MAIN(TestOperationLog)
#include "test_operation_log.moc"
