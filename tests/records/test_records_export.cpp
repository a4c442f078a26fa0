// What leaves the monitor as files: the statistics workbook (read back from
// its sheet XML as a spreadsheet program would) and the detection-cycle log
// with its day files, its export request and the export program.
#include "RecordsTestSupport.h"
#include "TestSupport.h"

#include "params/WizardPara.h"
#include "records/DayFileMerge.h"
#include "records/DetectCycleSQL.h"
#include "records/Myxls.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>

#include <limits>

namespace {
// A statistics day file with the given rows (name, value1, value2).
void DayFile(const QString& path, const QList<QStringList>& rows)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    QVERIFY(QFile::copy(QStringLiteral("ResStatisticsNULL.db"), path));
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
    for (const QStringList& r : rows)
        SqliteRows(path, QStringLiteral("update resstatistics set value1='%2', value2='%3' where name='%1'").arg(r[0], r[1], r[2]));
}

QStringList CycleRows(const QString& file)
{
    return SqliteRows(file, QStringLiteral("select roundstart || '|' || roundtime from detect_cycle order by idx"));
}
}  // namespace

class TestRecordsExport : public QObject {
    Q_OBJECT

    std::unique_ptr<TempWorkDir> m_dir;
    QDateTime m_now;

    QString Export()
    {
        Myxls::Options o;
        o.clock = [this] { return m_now; };
        o.cameraCount = [] { return 2; };
        Myxls xls(o);
        const QString path = m_dir->filePath(QStringLiteral("out.xlsx"));
        if (!xls.ImportRes(path))
            return xls.lastError();
        return path;
    }
    std::unique_ptr<DetectCycleSQL> Log() { return std::make_unique<DetectCycleSQL>(QStringLiteral("."), [this] { return m_now; }); }

private slots:
    void init()
    {
        m_dir = std::make_unique<TempWorkDir>();
        m_now = At("2024-05-06T10:15:30");
    }
    void cleanup() { m_dir.reset(); }

    // Today first, archives oldest first; steps 0 and 1 summed per hour in
    // the header's order 8:00 .. 7:00; a broken day gives zeros, a short row
    // only what it holds; every export is a fresh workbook.
    void workbookHoldsEveryDay()
    {
        DayFile(QStringLiteral("ResStatistics.db"), {{"C0_D0", "0 0 0 0 0 0 0 0 3 ", "1 "},
                                                     {"C0_D1", "0 0 0 0 0 0 0 0 2 ", ""},
                                                     {"C0_D2", "0 0 0 0 0 0 0 0 50 ", ""},  // step 2 is not exported
                                                     {"C1_D0", "0 0 0 0 0 0 0 9 ", "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 4 "}});
        DayFile(QStringLiteral("ResStatistics/2024-05-04.db"), {{"C0_D0", "1 2", "x"}});
        WriteText(QStringLiteral("ResStatistics/2024-05-05.db"), "not a database");
        DayFile(QStringLiteral("ResStatistics/2024-05-03.db"), {{"C1_D1", "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 6 ", ""}});
        for (int round = 0; round < 2; ++round) {
            const QString file = Export();
            QVERIFY2(file.endsWith(QLatin1String(".xlsx")), qPrintable(file));
            QCOMPARE(XlsxSheets(file), (QStringList{"Camera0", "Camera1"}));
            const QMap<QString, QString> c0 = XlsxCells(file, 1);
            const QMap<QString, QString> c1 = XlsxCells(file, 2);
            QCOMPARE(c0.value("A1"), QStringLiteral("日期"));
            QCOMPARE(c0.value("B1"), QStringLiteral("8:00"));
            QCOMPARE(c0.value("Q1"), QStringLiteral("23:00"));
            QCOMPARE(c0.value("R1"), QStringLiteral("0:00"));
            QCOMPARE(c0.value("Y1"), QStringLiteral("7:00"));
            const QStringList labels{c0.value("A2"), c0.value("A3"), c0.value("A4"), c0.value("A5"),
                                     c0.value("A6"), c0.value("A7"), c0.value("A8"), c0.value("A9")};
            QCOMPARE(labels, (QStringList{"2024-05-06-ok", "2024-05-06-ng", "2024-05-03-ok", "2024-05-03-ng",
                                          "2024-05-04-ok", "2024-05-04-ng", "2024-05-05-ok", "2024-05-05-ng"}));
            QCOMPARE(c0.value("B2"), QStringLiteral("5"));   // 3 + 2 at 8:00
            QCOMPARE(c0.value("R3"), QStringLiteral("1"));   // NG at 0:00
            QCOMPARE(c1.value("Y2"), QStringLiteral("9"));   // 7:00 is the last column
            QCOMPARE(c1.value("Q3"), QStringLiteral("4"));   // NG at 23:00
            QCOMPARE(c1.value("N4"), QStringLiteral("6"));   // 2024-05-03 20:00
            QCOMPARE(c0.value("R6"), QStringLiteral("1"));   // short row: hours 0 and 1 only
            QCOMPARE(c0.value("S6"), QStringLiteral("2"));
            int sum = 0;
            for (auto it = c0.cbegin(); it != c0.cend(); ++it)
                if (!it.key().startsWith(QLatin1Char('A')) && it.key().mid(1).toInt() >= 2)
                    sum += it.value().toInt();
            QCOMPARE(sum, 5 + 1 + 1 + 2);  // the broken day contributes zeros, step 2 nothing
            QCOMPARE(c0.value("B8"), QStringLiteral("0"));
            QVERIFY(QFile::remove(file));
        }
    }

    // Before 08:00 today's rows carry yesterday's date, as the store names the day.
    void earlyMorningExportLabelsYesterday()
    {
        DayFile(QStringLiteral("ResStatistics.db"), {});
        m_now = At("2024-05-06T03:00:00");
        const QString file = Export();
        QCOMPARE(XlsxCells(file, 1).value("A2"), QStringLiteral("2024-05-05-ok"));
    }

    // Exported after 08:00 but before the first count of the day, the open
    // day's rows are still the store's day, not the clock's.
    void labelsByTheStoresDay()
    {
        const QString fourAtNine = Hours({{9, 4}});
        DayFile(QStringLiteral("ResStatistics.db"), {QStringList{QStringLiteral("C0_D0"), fourAtNine, QString()}});
        WriteText(QStringLiteral("restime.txt"), QByteArray::number(At("2024-05-05T08:00:00").toSecsSinceEpoch()));
        m_now = At("2024-05-06T10:15:30");
        const QString file = Export();
        QCOMPARE(XlsxCells(file, 1).value("A2"), QStringLiteral("2024-05-05-ok"));
        QCOMPARE(XlsxCells(file, 1).value("C2"), QStringLiteral("4"));
    }

    // A merge cut off after its commit, before the day file was removed, meets
    // the same file again at the next start: its rows are not added twice.
    void mergeIsNotRepeated()
    {
        const QString archive = QStringLiteral("DetectCycle/2024-05-01.db");
        const QString day = QStringLiteral("DetectCycle.db");
        m_now = At("2024-05-01T09:00:00");
        Log()->insertDate({QStringLiteral("2024-05-01 09:00:00.000"), 1});
        QVERIFY(QFile::rename(day, archive));
        Log()->insertDate({QStringLiteral("2024-05-01 10:00:00.000"), 2});
        const QString columns = QStringLiteral("roundstart, roundtime");
        const QString create = QLatin1String(DetectCycleSQL::kCreateTable);
        QVERIFY(AppendDayFile(archive, day, QStringLiteral("detect_cycle"), columns, create));
        QVERIFY(AppendDayFile(archive, day, QStringLiteral("detect_cycle"), columns, create));
        QCOMPARE(CycleRows(archive), (QStringList{"2024-05-01 09:00:00.000|1", "2024-05-01 10:00:00.000|2"}));
        // Another day file is still added.
        QVERIFY(QFile::remove(day));
        Log()->insertDate({QStringLiteral("2024-05-01 11:00:00.000"), 3});
        QVERIFY(AppendDayFile(archive, day, QStringLiteral("detect_cycle"), columns, create));
        QCOMPARE(CycleRows(archive).size(), 3);
    }

    void dayFileTakenOnceRowByRow_data()
    {
        QTest::addColumn<QString>("identity");  // what the day file's identity table holds
        QTest::newRow("made by the merge") << QString();
        QTest::newRow("no id column") << QStringLiteral("create table dayfile(x text)");
        QTest::newRow("NULL") << QStringLiteral("create table dayfile(id text); insert into dayfile values(NULL)");
        QTest::newRow("empty") << QStringLiteral("create table dayfile(id text not null); insert into dayfile values('')");
    }

    // Each row of a day file reaches the archive once, however often the
    // file is merged: an identity that names nothing gets a fresh one, and
    // rows written after a merge whose removal failed come with the next.
    void dayFileTakenOnceRowByRow()
    {
        QFETCH(QString, identity);
        const QString archive = QStringLiteral("DetectCycle/2024-05-01.db");
        const QString day = QStringLiteral("DetectCycle.db");
        const QString columns = QStringLiteral("roundstart, roundtime");
        const QString create = QLatin1String(DetectCycleSQL::kCreateTable);
        m_now = At("2024-05-01T09:00:00");
        Log()->insertDate({QStringLiteral("2024-05-01 09:00:00.000"), 1});
        QVERIFY(QFile::rename(day, archive));
        Log()->insertDate({QStringLiteral("2024-05-01 10:00:00.000"), 2});
        if (!identity.isEmpty())
            QCOMPARE(SqliteRows(day, identity), QStringList());
        QVERIFY(AppendDayFile(archive, day, QStringLiteral("detect_cycle"), columns, create));
        QVERIFY(AppendDayFile(archive, day, QStringLiteral("detect_cycle"), columns, create));
        QCOMPARE(CycleRows(archive), (QStringList{"2024-05-01 09:00:00.000|1", "2024-05-01 10:00:00.000|2"}));
        Log()->insertDate({QStringLiteral("2024-05-01 11:00:00.000"), 3});
        QVERIFY(AppendDayFile(archive, day, QStringLiteral("detect_cycle"), columns, create));
        QVERIFY(AppendDayFile(archive, day, QStringLiteral("detect_cycle"), columns, create));
        QCOMPARE(CycleRows(archive), (QStringList{"2024-05-01 09:00:00.000|1", "2024-05-01 10:00:00.000|2",
                                                  "2024-05-01 11:00:00.000|3"}));
    }

    void impossibleMarkTakesEveryRow_data()
    {
        QTest::addColumn<QString>("mark");  // what the archive says it took of the day file
        QTest::addColumn<QStringList>("added");
        QTest::newRow("the first row") << QStringLiteral("'1'") << QStringList{"b|2"};
        QTest::newRow("past the last row") << QStringLiteral("'99'") << QStringList{"a|1", "b|2"};
        QTest::newRow("empty") << QStringLiteral("''") << QStringList{"a|1", "b|2"};
        QTest::newRow("not a number") << QStringLiteral("'2x'") << QStringList{"a|1", "b|2"};
        QTest::newRow("below the first") << QStringLiteral("'-1'") << QStringList{"a|1", "b|2"};
    }

    // A mark of a damaged or foreign archive never keeps rows out of it:
    // one no row fits is taken as none, and the merge notes the true one.
    void impossibleMarkTakesEveryRow()
    {
        QFETCH(QString, mark);
        QFETCH(QStringList, added);
        const QString archive = QStringLiteral("archive.db");
        const QString day = QStringLiteral("DetectCycle.db");
        const QString create = QLatin1String(DetectCycleSQL::kCreateTable);
        SqliteRows(day, create + QStringLiteral("; insert into detect_cycle(roundstart, roundtime) values('a', 1), ('b', 2);"
                                                "create table dayfile(id text not null); insert into dayfile values('d1')"));
        SqliteRows(archive, create + QStringLiteral("; create table merged_dayfile(id text primary key, taken text);"
                                                    "insert into merged_dayfile values('d1', %1)").arg(mark));
        QVERIFY(AppendDayFile(archive, day, QStringLiteral("detect_cycle"), QStringLiteral("roundstart, roundtime"), create));
        QCOMPARE(CycleRows(archive), added);
        QCOMPARE(SqliteRows(archive, QStringLiteral("select taken from merged_dayfile")), QStringList{"2"});
    }

    // Rows written, merged, the mark now and then damaged beyond any row:
    // after each merge every row of the day file is in the archive, once
    // while the mark was never damaged.
    void dayFileMergesAtRandom()
    {
        QRandomGenerator random(60);
        const QString create = QLatin1String(DetectCycleSQL::kCreateTable);
        const QStringList junk{"''", "'x'", "'-5'", "'1 2'", "'999999'"};
        for (int round = 0; round < 10; ++round) {
            const QString archive = QStringLiteral("a%1.db").arg(round);
            const QString day = QStringLiteral("d%1.db").arg(round);
            SqliteRows(archive, create);
            QStringList written;
            bool damaged = false;
            for (int step = 0; step < 6; ++step) {
                QStringList values;
                for (int n = random.bounded(3); n > 0; --n) {
                    written << QStringLiteral("r%1|%2").arg(written.size()).arg(step);
                    values << QStringLiteral("('r%1', %2)").arg(written.size() - 1).arg(step);
                }
                SqliteRows(day, create + (values.isEmpty() ? QString() : QStringLiteral("; insert into detect_cycle(roundstart, roundtime) values ") + values.join(',')));
                if (step > 0 && random.bounded(3) == 0) {
                    SqliteRows(archive, QStringLiteral("update merged_dayfile set taken = %1").arg(junk[random.bounded(int(junk.size()))]));
                    damaged = true;
                }
                QVERIFY(AppendDayFile(archive, day, QStringLiteral("detect_cycle"), QStringLiteral("roundstart, roundtime"), create));
                const QStringList merged = CycleRows(archive);
                if (!damaged)
                    QCOMPARE(merged, written);
                for (const QString& row : written)
                    QVERIFY2(merged.contains(row), qPrintable(row));
            }
        }
    }

    void insertAndDayChange()
    {
        m_now = At("2024-05-01T23:00:00");
        {
            auto log = Log();
            QVERIFY(log->insertDate({QStringLiteral("2024-05-01 23:00:00.250"), 123 / 10.0}));
            // Times are values, never statement text.
            QVERIFY(log->insertDate({QStringLiteral("x\"); drop table detect_cycle; --"), 1}));
        }
        QCOMPARE(CycleRows(QStringLiteral("DetectCycle.db")),
                 (QStringList{"2024-05-01 23:00:00.250|12.3", "x\"); drop table detect_cycle; --|1"}));
        QCOMPARE(ReadText(QStringLiteral("DetectCycle/time.txt")), QByteArray("2024-05-01"));
        // A start on a new day archives the file under its own day.
        m_now = At("2024-05-02T06:00:00");
        {
            auto log = Log();
            QVERIFY(log->insertDate({QStringLiteral("2024-05-02 06:00:00.000"), 20}));
            QCOMPARE(log->getDBName(), (QStringList{"2024-05-02", "2024-05-01"}));
        }
        QCOMPARE(CycleRows(QStringLiteral("DetectCycle/2024-05-01.db")).size(), 2);
        QCOMPARE(CycleRows(QStringLiteral("DetectCycle.db")), QStringList{"2024-05-02 06:00:00.000|20"});
        QCOMPARE(ReadText(QStringLiteral("DetectCycle/time.txt")), QByteArray("2024-05-02"));
        // The clock set back to a day already archived: the file joins it.
        m_now = At("2024-05-01T12:00:00");
        Log();
        QCOMPARE(CycleRows(QStringLiteral("DetectCycle/2024-05-01.db")).size(), 2);
        QCOMPARE(CycleRows(QStringLiteral("DetectCycle/2024-05-02.db")).size(), 1);
        m_now = At("2024-05-02T12:00:00");
        {
            auto log = Log();
            log->insertDate({QStringLiteral("2024-05-02 12:00:00.000"), 5});
        }
        m_now = At("2024-05-03T08:00:00");
        Log();
        QCOMPARE(CycleRows(QStringLiteral("DetectCycle/2024-05-02.db")),
                 (QStringList{"2024-05-02 06:00:00.000|20", "2024-05-02 12:00:00.000|5"}));
    }

    // A garbled time.txt never renames the log to an empty name.
    void garbledTimeFile()
    {
        m_now = At("2024-05-02T09:00:00");
        Log()->insertDate({QStringLiteral("2024-05-02 09:00:00.000"), 3});
        QFile f(QStringLiteral("DetectCycle.db"));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(At("2024-04-30T17:00:00"), QFileDevice::FileModificationTime));
        f.close();
        WriteText(QStringLiteral("DetectCycle/time.txt"), "\xff\xfe garbage");
        Log();
        QCOMPARE(QDir(QStringLiteral("DetectCycle")).entryList({QStringLiteral("*.db")}), QStringList{"2024-04-30.db"});
        QCOMPARE(ReadText(QStringLiteral("DetectCycle/time.txt")), QByteArray("2024-05-02"));
    }

    void exportRequest_data()
    {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("end");
        QTest::addColumn<QStringList>("spans");
        const auto T = [](const char* s) { return QDateTime::fromString(QString::fromLatin1(s), QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")); };
        QTest::newRow("three days") << T("2024-05-01 10:00:00.000") << T("2024-05-03 09:30:00.000")
                                    << QStringList{"2024-05-01 10:00:00.000|2024-05-01 23:59:59.999",
                                                   "2024-05-02 00:00:00.000|2024-05-02 23:59:59.999",
                                                   "2024-05-03 00:00:00.000|2024-05-03 09:30:00.000"};
        QTest::newRow("same date") << T("2024-05-01 10:00:00.000") << T("2024-05-01 11:00:00.000")
                                   << QStringList{"2024-05-01 10:00:00.000|2024-05-01 11:00:00.000"};
        QTest::newRow("start after end") << T("2024-05-03 10:00:00.000") << T("2024-05-01 11:00:00.000") << QStringList();
    }
    void exportRequest()
    {
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, end);
        QFETCH(QStringList, spans);
        QStringList expected;
        for (const QString& s : spans)
            expected << QStringLiteral("SELECT roundstart,roundtime FROM detect_cycle WHERE roundstart BETWEEN "
                                       "datetime(\"%1\") AND datetime(\"%2\")").arg(s.section('|', 0, 0), s.section('|', 1, 1));
        QCOMPARE(CycleExportRequest(start, end), expected);
    }

    // The export program finds each day's cycles in whichever file holds
    // them (a file run across midnight holds the next day too), up to the
    // last millisecond of the span.
    void exportProgramWritesEveryDay()
    {
        m_now = At("2024-05-01T09:00:00");
        {
            auto log = Log();
            for (const char* t : {"2024-05-01 08:59:59.000", "2024-05-01 10:00:00.000", "2024-05-01 23:59:59.500",
                                  "2024-05-02 00:00:00.100"})
                log->insertDate({QString::fromLatin1(t), 12.5});
        }
        m_now = At("2024-05-03T07:00:00");
        Log()->insertDate({QStringLiteral("2024-05-03 07:00:00.000"), 30});
        const auto T = [](const char* s) { return QDateTime::fromString(QString::fromLatin1(s), QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")); };
        WriteText(QStringLiteral("sql.txt"),
                  CycleExportRequest(T("2024-05-01 09:00:00.000"), T("2024-05-03 23:00:00.000")).join(QLatin1Char('\n')).toUtf8() + '\n');
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(m_dir->filePath(QStringLiteral("vur_net/xls")), {});
        QVERIFY(p.waitForFinished(20000));
        const QString out = QString::fromUtf8(p.readAll());
        QVERIFY2(out.contains(QLatin1String("export finished")), qPrintable(out));
        const QString file = m_dir->filePath(out.simplified().section(QLatin1Char(' '), 0, 0));
        QCOMPARE(XlsxSheets(file), (QStringList{"2024-05-01", "2024-05-02", "2024-05-03"}));
        const auto d1 = XlsxCells(file, 1);
        QCOMPARE(d1.value("A1"), QStringLiteral("序号"));
        QCOMPARE((QStringList{d1.value("B2"), d1.value("B3"), d1.value("B4")}),
                 (QStringList{"2024-05-01 10:00:00.000", "2024-05-01 23:59:59.500", QString()}));
        QCOMPARE(d1.value("C2"), QStringLiteral("12.5"));
        QCOMPARE(XlsxCells(file, 2).value("B2"), QStringLiteral("2024-05-02 00:00:00.100"));
        QCOMPARE(XlsxCells(file, 3).value("B2"), QStringLiteral("2024-05-03 07:00:00.000"));
        QCOMPARE(XlsxCells(file, 3).value("C2"), QStringLiteral("30"));
    }

    // A damaged request (a ':' where the day's name goes) and a cycle time
    // no spreadsheet can hold: the export still finishes, the sheet named
    // as the library allows, the cell left empty.
    void exportProgramSurvivesDamage()
    {
        m_now = At("2024-05-01T09:00:00");
        {
            auto log = Log();
            log->insertDate({QStringLiteral("2024-05-01 10:00:00.000"), std::numeric_limits<double>::infinity()});
            log->insertDate({QStringLiteral("2024-05-01 11:00:00.000"), 7});
        }
        WriteText(QStringLiteral("sql.txt"),
                  "SELECT roundstart,roundtime FROM detect_cycle WHERE roundstart BETWEEN "
                  "datetime(\"2024-05-01 00:00:00.000\") AND datetime(\"2024-05-01 23:59:59.999\")\n"
                  "SELECT roundstart,roundtime FROM detect_cycle WHERE roundstart BETWEEN "
                  "datetime(\"12:30:00 2024-05-01\") AND datetime(\"2024-05-01 23:59:59.999\")\n");
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(m_dir->filePath(QStringLiteral("vur_net/xls")), {});
        QVERIFY(p.waitForFinished(20000));
        const QString out = QString::fromUtf8(p.readAll());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY2(out.contains(QLatin1String("export finished")), qPrintable(out));
        const QString file = m_dir->filePath(out.simplified().section(QLatin1Char(' '), 0, 0));
        QCOMPARE(XlsxSheets(file), (QStringList{"2024-05-01", "12_30_00 2"}));
        const auto d1 = XlsxCells(file, 1);
        QCOMPARE(d1.value("B2"), QStringLiteral("2024-05-01 10:00:00.000"));
        QCOMPARE(d1.value("C2"), QString());
        QCOMPARE(d1.value("C3"), QStringLiteral("7"));
    }
};

MOJU_TEST_CORE_MAIN(TestRecordsExport)
#include "test_records_export.moc"
