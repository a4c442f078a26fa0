// The hourly statistics store: a production day of counts, the rows it
// writes, the day roll-over (at 08:00, across days off, with the clock set
// back, onto an existing archive, with a failed move) and damaged files.
#include "RecordsTestSupport.h"
#include "TestSupport.h"

#include "params/WizardPara.h"
#include "records/DayFileMerge.h"
#include "records/ResStatisticsParam.h"

#include <QDir>
#include <QSqlDatabase>

#include <climits>

class TestStatisticsStore : public QObject {
    Q_OBJECT

    std::unique_ptr<TempWorkDir> m_dir;
    QDateTime m_now;
    int m_cameras = 2;

    std::unique_ptr<ResStatisticsParam> Open()
    {
        ResStatisticsParam::Options o;
        o.clock = [this] { return m_now; };
        o.cameraCount = [this] { return m_cameras; };
        return std::make_unique<ResStatisticsParam>(o);
    }
    QString Working() const { return m_dir->filePath(QStringLiteral("ResStatistics.db")); }
    QString Archive(const char* day) const { return m_dir->filePath(QStringLiteral("ResStatistics/%1.db").arg(QLatin1String(day))); }
    void SetRestime(const char* iso) { WriteText(QStringLiteral("restime.txt"), QByteArray::number(At(iso).toSecsSinceEpoch())); }

    // A day of one OK count at 10:00 whose archive already holds it, the
    // working file carrying the identity a merge gives it first. The next
    // day's start merges; the working file and restime.txt are then put back
    // as the merge found them, as a kill after its commit or a failed
    // removal leaves them.
    void MergeThenPutTheDayBack()
    {
        SetRestime("2024-05-06T08:00:00");
        {
            auto s = Open();
            s->Add(10, true, 0, 0);
        }
        QVERIFY(QFile::copy(Working(), Archive("2024-05-06")));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("asLeft"));
            db.setDatabaseName(Working());
            QVERIFY(db.open());
            QVERIFY(!DayFileId(db).isEmpty());  // the merge's first step
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("asLeft"));
        QVERIFY(QFile::copy(Working(), QStringLiteral("as-left.db")));
        const QByteArray restime = ReadText(QStringLiteral("restime.txt"));
        m_now = At("2024-05-07T09:00:00");
        Open();  // merged: hour 10 counts 2
        QVERIFY(QFile::remove(Working()));
        QVERIFY(QFile::rename(QStringLiteral("as-left.db"), Working()));
        WriteText(QStringLiteral("restime.txt"), restime);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<TempWorkDir>();
        QDir().mkpath(QStringLiteral("ResStatistics"));
        gDNum = 2;
        m_cameras = 2;
        m_now = At("2024-05-06T09:00:00");
    }
    void cleanup() { m_dir.reset(); }

    // Counts through a whole production day land in their clock hours and
    // shifts; only the rows of the cameras and steps in use are written.
    void productionDayOfCounts()
    {
        // Mark every row so that rows the store must not touch stay visible.
        QVERIFY(QFile::copy(QStringLiteral("ResStatisticsNULL.db"), QStringLiteral("ResStatistics.db")));
        QCOMPARE(SqliteRows(Working(), QStringLiteral("update resstatistics set value1='7 ', value2='7 '; select changes()")),
                 QStringList{QStringLiteral("81")});
        SetRestime("2024-05-06T08:00:00");
        auto s = Open();
        // Rows read at start-up: camera 0 step 0 starts from the marked 7 at hour 0.
        QCOMPARE(s->live().cams[0].steps[0].ok.value(0), 7);
        const struct { const char* at; bool ok; int cam; int step; } results[] = {
            {"2024-05-06T08:10:00", true, 0, 0},  {"2024-05-06T08:20:00", true, 0, 0},
            {"2024-05-06T08:30:00", false, 0, 0}, {"2024-05-06T19:59:59", true, 1, 1},
            {"2024-05-06T20:00:00", false, 1, 0}, {"2024-05-07T03:00:00", true, 0, 1},
            {"2024-05-07T07:59:59", false, 0, 1},
        };
        for (const auto& r : results) {
            m_now = At(r.at);
            QCOMPARE(s->Add(m_now.time().hour(), r.ok, r.cam, r.step), 1);
        }
        // The counts of one pass of the event loop share one write.
        QVERIFY(s->savePending());
        QTRY_COMPARE(StatRow(Working(), QStringLiteral("C0_D0")),
                 Hours({{0, 7}, {8, 2}}) + QLatin1Char('|') + Hours({{0, 7}, {8, 1}}));
        QTRY_COMPARE(StatRow(Working(), QStringLiteral("C0_D1")),
                 Hours({{0, 7}, {3, 1}}) + QLatin1Char('|') + Hours({{0, 7}, {7, 1}}));
        QTRY_COMPARE(StatRow(Working(), QStringLiteral("C1_D1")), Hours({{0, 7}, {19, 1}}) + QLatin1Char('|') + Hours({{0, 7}}));
        // Written rows: the two cameras' steps 0, 1 and 8, then camera 8's; nothing else.
        QCOMPARE(SqliteRows(Working(), QStringLiteral("select name from resstatistics where value1 <> '7 ' order by name")),
                 (QStringList{"C0_D0", "C0_D1", "C0_D8", "C1_D0", "C1_D1", "C1_D8", "C8_D0", "C8_D1", "C8_D8"}));
        QVERIFY(!QFile::exists(Archive("2024-05-06")));  // 07:59:59 still belongs to the day

        // The shown day: sums by shift, series in chart order, aggregates recomputed.
        s->setFindCount();
        QCOMPARE(s->getRes(ShiftMorning, true, 0, 0), (QList<int>{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(s->getRes(ShiftNight, false, 0, 1), (QList<int>{0, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 1}));
        QCOMPARE(s->getRes(ShiftNight, true, 8, 8).size(), 12);
        QCOMPARE(s->getRes(ShiftType(3), true, 0, 0), QList<int>());
        QCOMPARE(s->getCount(ShiftMorning, true, 8, 8), 3);   // 2 + 1, without the marked hour 0
        QCOMPARE(s->getCount(ShiftNight, true, 8, 8), 1 + 4 * 7);  // hour 3 and the four marked rows
        QCOMPARE(s->getCount(ShiftDay, false, 1, 8), 1 + 2 * 7);
        QCOMPARE(s->getCount(ShiftDay, true, 8, 0), 2 + 2 * 7);
        QCOMPARE(s->getCount(ShiftType(5), true, 0, 0), 0);
    }

    void rollOver_data()
    {
        QTest::addColumn<QByteArray>("restime");       // start of the open day, ISO; "" none
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("archived");         // archive expected, "" none
        QTest::addColumn<QString>("date");             // production date afterwards
        QTest::addColumn<QDateTime>("restimeAfter");
        QTest::newRow("07:59 next morning stays")
            << QByteArray("2024-05-06T08:00:00") << At("2024-05-07T07:59:59") << QString() << "2024-05-06" << At("2024-05-06T08:00:00");
        QTest::newRow("08:00 next morning rolls")
            << QByteArray("2024-05-06T08:00:00") << At("2024-05-07T08:00:00") << "2024-05-06" << "2024-05-07" << At("2024-05-07T08:00:00");
        QTest::newRow("off across two mornings")
            << QByteArray("2024-05-04T08:00:00") << At("2024-05-06T03:00:00") << "2024-05-04" << "2024-05-05" << At("2024-05-05T08:00:00");
        QTest::newRow("no restime.txt at 03:00")
            << QByteArray() << At("2024-05-06T03:00:00") << QString() << "2024-05-05" << At("2024-05-05T08:00:00");
        QTest::newRow("clock set back a day")
            << QByteArray("2024-05-06T08:00:00") << At("2024-05-05T10:00:00") << QString() << "2024-05-06" << At("2024-05-06T08:00:00");
    }
    // Start-up and then one count at `now`.
    void rollOver()
    {
        QFETCH(QByteArray, restime);
        QFETCH(QDateTime, now);
        QFETCH(QString, archived);
        QFETCH(QString, date);
        QFETCH(QDateTime, restimeAfter);
        if (!restime.isEmpty()) {
            SetRestime(restime.constData());
            m_now = At(restime.constData()).addSecs(3600);
            auto before = Open();
            before->Add(9, true, 0, 0);  // the open day has one count
        }
        m_now = now;
        auto s = Open();
        s->Add(now.time().hour(), false, 1, 1);
        QCOMPARE(s->date(), date);
        QCOMPARE(ReadText(QStringLiteral("restime.txt")), QByteArray::number(restimeAfter.toSecsSinceEpoch()));
        QCOMPARE(QDir(QStringLiteral("ResStatistics")).entryList(QDir::Files),
                 archived.isEmpty() ? QStringList() : QStringList{archived + QStringLiteral(".db")});
        const QString hourNg = Hours({{now.time().hour(), 1}});
        if (archived.isEmpty()) {
            // Everything in the open day (with the clock set back too).
            if (!restime.isEmpty())
                QTRY_COMPARE(StatRow(Working(), QStringLiteral("C0_D0")), Hours({{9, 1}}) + QLatin1Char('|') + Hours({}));
        } else {
            QCOMPARE(StatRow(m_dir->filePath(QStringLiteral("ResStatistics/%1.db").arg(archived)), QStringLiteral("C0_D0")),
                     Hours({{9, 1}}) + QLatin1Char('|') + Hours({}));
            QTRY_COMPARE(StatRow(Working(), QStringLiteral("C0_D0")), Hours({}) + QLatin1Char('|') + Hours({}));
        }
        QTRY_COMPARE(StatRow(Working(), QStringLiteral("C1_D1")), Hours({}) + QLatin1Char('|') + hourNg);
    }

    // A day archived before (the clock moved about) is added to, not replaced.
    void rollOverOntoAnArchiveMerges()
    {
        SetRestime("2024-05-06T08:00:00");
        {
            auto s = Open();
            s->Add(10, true, 0, 0);
        }
        QVERIFY(QFile::copy(Working(), Archive("2024-05-06")));
        SqliteRows(Archive("2024-05-06"), QStringLiteral("delete from resstatistics where name='C0_D1'"));
        m_now = At("2024-05-06T11:00:00");
        {
            auto s = Open();
            s->Add(11, false, 0, 1);
            m_now = At("2024-05-07T08:30:00");
            s->Add(8, true, 0, 0);
        }
        QCOMPARE(StatRow(Archive("2024-05-06"), QStringLiteral("C0_D0")), Hours({{10, 2}}) + QLatin1Char('|') + Hours({}));
        // A row the archive lacked is added.
        QCOMPARE(StatRow(Archive("2024-05-06"), QStringLiteral("C0_D1")), Hours({}) + QLatin1Char('|') + Hours({{11, 1}}));
        QTRY_COMPARE(StatRow(Working(), QStringLiteral("C0_D0")), Hours({{8, 1}}) + QLatin1Char('|') + Hours({}));
    }

    // Killed after the merge's commit, before the working file was removed:
    // the next start meets the same file (as the merge marked it) and the
    // same open day, and must not add its counts again.
    void mergeCutOffBeforeRemovalCountsOnce()
    {
        MergeThenPutTheDayBack();
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(StatRow(Archive("2024-05-06"), QStringLiteral("C0_D0")), Hours({{10, 2}}) + QLatin1Char('|') + Hours({}));
        Open();
        QCOMPARE(StatRow(Archive("2024-05-06"), QStringLiteral("C0_D0")), Hours({{10, 2}}) + QLatin1Char('|') + Hours({}));
        QCOMPARE(StatRow(Working(), QStringLiteral("C0_D0")), Hours({}) + QLatin1Char('|') + Hours({}));
    }

    // The removal after a merge failed and counting went on in the same
    // file: the next merge adds what was counted since, not all again and
    // not nothing.
    void countsAfterAMergeWhoseRemovalFailed()
    {
        MergeThenPutTheDayBack();
        if (QTest::currentTestFailed())
            return;
        m_now = At("2024-05-06T12:00:00");
        {
            auto s = Open();
            s->Add(12, false, 0, 0);
            m_now = At("2024-05-07T09:30:00");
            s->Add(9, true, 0, 0);
        }
        QCOMPARE(StatRow(Archive("2024-05-06"), QStringLiteral("C0_D0")),
                 Hours({{10, 2}}) + QLatin1Char('|') + Hours({{12, 1}}));
        QTRY_COMPARE(StatRow(Working(), QStringLiteral("C0_D0")), Hours({{9, 1}}) + QLatin1Char('|') + Hours({}));
    }

    // A move that fails keeps the day open in its own file; the template
    // never replaces it, and the next count after the fault is gone rolls.
    void failedMoveKeepsTheDay()
    {
        SetRestime("2024-05-06T08:00:00");
        QVERIFY(QDir(QStringLiteral("ResStatistics")).removeRecursively());
        WriteText(QStringLiteral("ResStatistics"), "not a folder");
        auto s = Open();
        s->Add(9, true, 0, 0);
        m_now = At("2024-05-07T09:00:00");
        s->Add(9, true, 0, 0);
        QCOMPARE(s->date(), QStringLiteral("2024-05-06"));
        QTRY_COMPARE(StatRow(Working(), QStringLiteral("C0_D0")), Hours({{9, 2}}) + QLatin1Char('|') + Hours({}));
        QVERIFY(QFile::remove(QStringLiteral("ResStatistics")));
        QVERIFY(QDir().mkpath(QStringLiteral("ResStatistics")));
        s->Add(9, false, 0, 0);
        QCOMPARE(s->date(), QStringLiteral("2024-05-07"));
        QCOMPARE(StatRow(Archive("2024-05-06"), QStringLiteral("C0_D0")), Hours({{9, 2}}) + QLatin1Char('|') + Hours({}));
        QTRY_COMPARE(StatRow(Working(), QStringLiteral("C0_D0")), Hours({}) + QLatin1Char('|') + Hours({{9, 1}}));
    }

    void garbledRestimeTakesTheFilesDay_data()
    {
        QTest::addColumn<QByteArray>("restime");
        QTest::newRow("not a number") << QByteArray("x1y");
        QTest::newRow("zero") << QByteArray("0");
        QTest::newRow("before the monitor existed") << QByteArray("1715");
    }

    // A garbled restime.txt: the day is the statistics file's own, not 1970.
    void garbledRestimeTakesTheFilesDay()
    {
        QFETCH(QByteArray, restime);
        QVERIFY(QFile::copy(QStringLiteral("ResStatisticsNULL.db"), QStringLiteral("ResStatistics.db")));
        QFile f(Working());
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(At("2024-05-04T21:00:00"), QFileDevice::FileModificationTime));
        f.close();
        WriteText(QStringLiteral("restime.txt"), restime);
        auto s = Open();
        QCOMPARE(s->date(), QStringLiteral("2024-05-06"));  // archived under its day, rolled to today's
        QCOMPARE(QDir(QStringLiteral("ResStatistics")).entryList(QDir::Files), QStringList{"2024-05-04.db"});
    }

    // A damaged file: a missing row gets its counts saved, and a count at the
    // limit keeps the shift and day sums at the limit instead of wrapping.
    void damagedRowsKeepTheirCounts()
    {
        QVERIFY(QFile::copy(QStringLiteral("ResStatisticsNULL.db"), QStringLiteral("ResStatistics.db")));
        QCOMPARE(SqliteRows(Working(), QStringLiteral("delete from resstatistics where name='C0_D0'; "
                                                      "update resstatistics set value1='2147483647 1 ' where name='C1_D0'; "
                                                      "select changes()")),
                 QStringList{QStringLiteral("1")});
        SetRestime("2024-05-06T08:00:00");
        auto s = Open();
        s->Add(9, true, 0, 0);
        QCOMPARE(s->save(), 1);
        QCOMPARE(StatRow(Working(), QStringLiteral("C0_D0")), Hours({{9, 1}}) + QLatin1Char('|') + Hours({}));
        s->setFindCount();
        QCOMPARE(s->getCount(ShiftNight, true, 1, 0), INT_MAX);
        QCOMPARE(s->getCount(ShiftDay, true, 1, 8), INT_MAX);
        QCOMPARE(s->getCount(ShiftDay, true, 8, 8), INT_MAX);
        QCOMPARE(s->getCount(ShiftMorning, true, 8, 8), 1);
        s.reset();
        QCOMPARE(Open()->live().cams[0].steps[0].ok.value(9), 1);
    }

    // A file that is no database is set aside once and replaced; counts go on.
    void unusableFileIsSetAside()
    {
        WriteText(QStringLiteral("ResStatistics.db"), QByteArray(4096, 'x'));
        SetRestime("2024-05-06T08:00:00");
        auto s = Open();
        QCOMPARE(s->fileState(), ResStatisticsParam::FileState::Replaced);
        QVERIFY(QFile::exists(s->setAsidePath()));
        QCOMPARE(ReadText(s->setAsidePath()), QByteArray(4096, 'x'));
        s->Add(9, true, 0, 0);
        QTRY_COMPARE(StatRow(Working(), QStringLiteral("C0_D0")), Hours({{9, 1}}) + QLatin1Char('|') + Hours({}));
        // Without the empty template too: counted in memory only, no file game.
        s.reset();
        WriteText(QStringLiteral("ResStatistics.db"), QByteArray(4096, 'y'));
        QVERIFY(QFile::remove(QStringLiteral("ResStatisticsNULL.db")));
        auto t = Open();
        QCOMPARE(t->fileState(), ResStatisticsParam::FileState::MemoryOnly);
        t->Add(9, true, 0, 0);
        QCOMPARE(t->live().cams[0].steps[0].ok[9], 1);
        QCOMPARE(t->save(), 0);
    }
};

MOJU_TEST_CORE_MAIN(TestStatisticsStore)
#include "test_statistics_store.moc"
