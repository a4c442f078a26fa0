#include "TestSupport.h"

#include "records/Counters.h"
#include "records/VerdictJournal.h"

#include <QFile>

namespace {
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}
}  // namespace

class TestCounters : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        for (int c = 0; c < 8; ++c)
            gAllNum[c] = gFailNum[c] = 0;
    }

    void fileBytesAndRoundTrip()
    {
        TempWorkDir wd(false);
        gAllNum[0] = 120;
        gFailNum[0] = 3;
        QVERIFY(CountWrite());
        QCOMPARE(readAll(QStringLiteral("count.txt")), QByteArray("120 3 0 0 0 0 0 0 0 0 0 0 0 0 0 0 "));
        gAllNum[0] = gFailNum[0] = 0;
        CountRead();
        QCOMPARE(gAllNum[0], 120);
        QCOMPARE(gFailNum[0], 3);
    }

    void limitAndBadFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("all0");
        QTest::addColumn<int>("fail0");
        QTest::addColumn<int>("all1");
        QTest::newRow("limit kept") << QByteArray("100000000 5 7 ") << 100000000 << 5 << 7;
        QTest::newRow("over limit") << QByteArray("100000001 100000001 7") << 0 << 0 << 7;
        QTest::newRow("truncated") << QByteArray("12 3 4") << 12 << 3 << 4;
        QTest::newRow("empty") << QByteArray() << 0 << 0 << 0;
        QTest::newRow("garbage") << QByteArray("x 1 2") << 0 << 0 << 0;
        QTest::newRow("newlines") << QByteArray("1\n2\n3\n") << 1 << 2 << 3;
    }
    void limitAndBadFiles()
    {
        QFETCH(QByteArray, content);
        TempWorkDir wd(false);
        gFailNum[1] = 99;  // must not survive a read
        writeAll(QStringLiteral("count.txt"), content);
        CountRead();
        QTEST(gAllNum[0], "all0");
        QTEST(gFailNum[0], "fail0");
        QTEST(gAllNum[1], "all1");
        QCOMPARE(gFailNum[1], 0);
        QCOMPARE(gFailNum[7], 0);
    }

    // The verdict record reads totals by count.txt's limit: one an earlier
    // version counted past it holds there; a row named twice is no record.
    void journalTotalsAndRows_data()
    {
        QTest::addColumn<int>("all0");
        QTest::addColumn<int>("rowsNamed");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<int>("readAll0");
        QTest::newRow("at the limit") << 100000000 << 1 << true << 100000000;
        QTest::newRow("past the limit") << 100000001 << 1 << true << 100000000;
        QTest::newRow("a row twice") << 5 << 2 << false << 0;
    }
    void journalTotalsAndRows()
    {
        QFETCH(int, all0);
        QFETCH(int, rowsNamed);
        TempWorkDir wd(false);
        gAllNum[0] = all0;
        VerdictRecord r;
        r.statisticsDay = QStringLiteral("2024-05-07");
        CountDetect d;
        initStuCountDetect(d);
        for (int i = 0; i < rowsNamed; ++i)
            r.rows.append({QStringLiteral("C0_D0"), d});
        QVERIFY(VerdictJournal::Write(r));
        VerdictRecord back;
        QTEST(VerdictJournal::Read(&back) == VerdictJournal::FileState::Ok, "readable");
        QTEST(back.all[0], "readAll0");
    }

    void missingFileIsZero()
    {
        TempWorkDir wd(false);
        gAllNum[3] = 8;
        CountRead();
        QCOMPARE(gAllNum[3], 0);
    }

    void failedWriteKeepsOldFile()
    {
        TempWorkDir wd(false);
        gAllNum[0] = 5;
        QVERIFY(CountWrite());
        // A folder in the way of the file: the write must fail, not truncate.
        QVERIFY(!CountWrite(QStringLiteral("nodir/count.txt")));
        QCOMPARE(readAll(QStringLiteral("count.txt")).left(4), QByteArray("5 0 "));
    }

    void savedImageCount()
    {
        TempWorkDir wd(false);
        QVERIFY(SaveCountWrite(1234567890123LL));
        QCOMPARE(readAll(QStringLiteral("saveImageCount.txt")), QByteArray("1234567890123"));
    }
};

MOJU_TEST_CORE_MAIN(TestCounters)
#include "test_counters.moc"
