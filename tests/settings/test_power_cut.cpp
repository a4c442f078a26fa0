// Every writer of several files or of a whole picture, killed at random
// instants in a child process: what is left is wholly the old state or
// wholly the new one, no work folder is offered as a group, no count is
// added twice, and start-up puts back what the kill left in between.
#include "TestSupport.h"

#include "params/WizardPara.h"
#include "params/CammerWidgetData.h"
#include "records/Counters.h"
#include "records/ResStatisticsParam.h"
#include "records/VerdictJournal.h"
#include "records/StatisticsFile.h"
#include "platform/VerifiedCopy.h"
#include "settings/ParaGroups.h"
#include "view/TemplateLibrary.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

namespace {
// A kill leaves the page cache as it was, so memory-backed files show the
// same as a disk and spare the hundreds of kills the disk's flushes.
std::unique_ptr<QTemporaryDir> FastTempDir()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    if (shm.isDir() && shm.isWritable())
        return std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/moju-powercut-XXXXXX"));
    return std::make_unique<QTemporaryDir>();
}

extern "C" void KillSelf(int)
{
    ::kill(::getpid(), SIGKILL);
}

void KillAfter(qint64 us)
{
    itimerval when = {};
    when.it_value.tv_sec = us / 1000000;
    when.it_value.tv_usec = std::max<qint64>(us % 1000000, 1);
    ::setitimer(ITIMER_REAL, &when, nullptr);
}

// When set, a child's restore re-arms its kill for this long after the
// switch of the live files begins.
qint64 gSwitchDelayUs = 0;

// Runs steps 0, 1, 2, ... of `step` in a child process (only step 0 when
// !loop) that is killed after `afterUs`. True when the kill came first.
bool RunKilled(const std::function<void(int)>& step, bool loop, qint64 afterUs)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        struct sigaction sa = {};
        sa.sa_handler = KillSelf;
        ::sigaction(SIGALRM, &sa, nullptr);
        KillAfter(afterUs);
        for (int i = 0; i == 0 || loop; ++i)
            step(i);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

void Write(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(data);
}

QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A parameter database whose table holds one row naming the set-up.
void MakeParamDb(const QString& path, const QString& marker)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("powercut"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("create table sysparam(name text, value text)"));
        q.exec(QStringLiteral("insert into sysparam values('marker', '%1')").arg(marker));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("powercut"));
}

QString ParamMarker(const QString& path)
{
    QString marker;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("powercut"));
        db.setDatabaseName(path);
        if (QFile::exists(path) && db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("select value from sysparam where name='marker'")) && q.next())
                marker = q.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("powercut"));
    return marker;
}

// Set-up "a" has a folder for each of the 16 steps of a two-step set, "b"
// none for cameras 7 and 8 (a restore of "b" must remove theirs).
bool HasFolder(const QString& marker, int camera)
{
    return marker == QLatin1String("a") || camera <= 6;
}

void MakeSet(const QString& dir, const QString& marker)
{
    MakeParamDb(dir + QStringLiteral("/PARAM.db"), marker);
    for (int c = 1; c <= 8; ++c) {
        for (int s = 1; s <= 2; ++s) {
            const QString folder = dir + QLatin1Char('/') + ParaGroups::StepFolder(c, s);
            if (!HasFolder(marker, c))
                continue;
            Write(folder + QStringLiteral("/template0.bmp"), marker.toLatin1() + QByteArray(2000, 't'));
            if (c == 1)
                Write(folder + QStringLiteral("/ignorepoint.bmp"), marker.toLatin1() + QByteArray(500, 'm'));
        }
    }
}

// "" when dir holds wholly one of the two set-ups, else what is wrong.
QString WholeSet(const QString& dir)
{
    const QString marker = ParamMarker(dir + QStringLiteral("/PARAM.db"));
    if (marker != QLatin1String("a") && marker != QLatin1String("b"))
        return QStringLiteral("PARAM.db names no set-up");
    for (int c = 1; c <= 8; ++c) {
        for (int s = 1; s <= 2; ++s) {
            const QString folder = dir + QLatin1Char('/') + ParaGroups::StepFolder(c, s);
            if (!HasFolder(marker, c)) {
                if (QFileInfo::exists(folder))
                    return QStringLiteral("%1 stayed beside set-up %2").arg(folder, marker);
                continue;
            }
            for (const char* f : {"/template0.bmp", "/ignorepoint.bmp"}) {
                if (c > 1 && qstrcmp(f, "/ignorepoint.bmp") == 0)
                    continue;
                const QByteArray data = Read(folder + QLatin1String(f));
                if (!data.startsWith(marker.toLatin1()) || data.size() < 500)
                    return QStringLiteral("%1%2 is not set-up %3's").arg(folder, QLatin1String(f), marker);
            }
        }
    }
    return {};
}

QStringList Hidden(const QString& dir)
{
    return QDir(dir).entryList({QStringLiteral(".*")}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// OK (or NG) count of hour 9, camera 0, step 0 of a statistics day file.
int Count(const QString& file, bool ng = false)
{
    int n = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("powercutStats"));
        db.setDatabaseName(file);
        QHash<QString, CountDetect> rows;
        if (db.open() && ReadStatisticsRows(db, &rows))
            n = (ng ? rows.value(StatisticsRowName(0, 0)).ng : rows.value(StatisticsRowName(0, 0)).ok).value(9);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("powercutStats"));
    return n;
}

void SetCount(const QString& file, int n)
{
    QFile::remove(file);
    QFile::copy(QStringLiteral(MOJU_TEMPLATE_DIR "/ResStatisticsNULL.db"), file);
    QFile::setPermissions(file, QFile::permissions(file) | QFileDevice::WriteOwner);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("powercutStats"));
        db.setDatabaseName(file);
        CountDetect d;
        initStuCountDetect(d);
        d.ok[9] = n;
        if (db.open())
            WriteStatisticsRows(db, {{StatisticsRowName(0, 0), d}});
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("powercutStats"));
}

// One writer under test: its files made once (prepare) or before each kill
// (setUp), one step of its work, and the check of what a kill left.
struct Writer {
    std::function<void()> prepare;
    std::function<void()> setUp;
    std::function<void(int)> step;
    bool loop = true;
    std::function<QString()> check;  // runs what start-up runs, then checks
    int spanFactor = 1;  // kills spread over this many steps of the work
};
}  // namespace

class TestPowerCut : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString Path(const QString& name) const { return m_dir->filePath(name); }

    Writer TemplatesAndMasks()
    {
        Writer w;
        auto layout = [] {
            FrameLayout l;
            l.width = 64;
            l.height = 48;
            l.groups = 1;
            l.templateCount = 3;
            return l;
        };
        // Version v: the template a flat grey, the mask the upper or lower half.
        auto fill = [](CammerWidgetData& d, int v) {
            d.SetTemplate(0, 1, FrameBytes(size_t(64 * 48), uint8_t(v % 2 ? 160 : 100)));
            for (size_t i = 0; i < d.ignorePointMask[0].size(); ++i)
                d.ignorePointMask[0][i] = ((i < 64 * 24) == (v % 2 == 0)) ? 255 : 0;
        };
        auto step = [this, layout, fill](int v) {
            CammerWidgetData d(0);
            d.AllocateBuffers(layout());
            d.LoadTemplates(m_dir->path());
            d.LoadIgnorePoint(m_dir->path());
            d.EnsureGroupBuffers(0);
            fill(d, v);
            TemplateLibrary::Write(d, 0, 1);
            d.SaveIgnorePoint(0);
        };
        w.prepare = [step] { step(0); };
        w.step = step;
        w.check = [this, layout, fill]() -> QString {
            CammerWidgetData d(0);
            d.AllocateBuffers(layout());
            d.LoadTemplates(m_dir->path());
            d.LoadIgnorePoint(m_dir->path());
            if (d.templateUsed[0][1] != 1)
                return QStringLiteral("template 1 is gone");
            FrameBytes t(size_t(64 * 48));
            if (!d.TemplateFrame(0, 1, t))
                return QStringLiteral("template 1 does not read");
            const bool flat = std::all_of(t.begin(), t.end(), [&t](uint8_t p) { return p == t[0]; });
            if (!flat || (t[0] != 100 && t[0] != 160))
                return QStringLiteral("template 1 is part of a picture");
            // Each file is one version or the other, never a part.
            CammerWidgetData version(0);
            version.AllocateBuffers(layout());
            version.LoadTemplates(m_dir->path());
            version.LoadIgnorePoint(m_dir->path());
            fill(version, 0);
            const FrameBytes even = version.ignorePointMask[0];
            fill(version, 1);
            if (d.ignorePointMask[0] != even && d.ignorePointMask[0] != version.ignorePointMask[0])
                return QStringLiteral("the mask is part of one");
            return {};
        };
        return w;
    }

    Writer GroupBackup()
    {
        Writer w;
        w.prepare = [this] {
            MakeSet(Path(QStringLiteral("work-a")), QStringLiteral("a"));
            MakeSet(Path(QStringLiteral("work-b")), QStringLiteral("b"));
            ParaGroups(Path(QStringLiteral("groups")), Path(QStringLiteral("work-a"))).Backup(QStringLiteral("g1"), 2);
        };
        w.step = [this](int i) {
            const QString from = Path(i % 2 ? QStringLiteral("work-a") : QStringLiteral("work-b"));
            ParaGroups(Path(QStringLiteral("groups")), from).Backup(QStringLiteral("g1"), 2);
        };
        w.check = [this]() -> QString {
            ParaGroups groups(Path(QStringLiteral("groups")), Path(QStringLiteral("work-a")));
            const QStringList listed = groups.List();
            if (listed != QStringList{QStringLiteral("g1")} && !listed.isEmpty())
                return QStringLiteral("listed: ") + listed.join(QLatin1Char(','));
            groups.FinishInterrupted();
            if (groups.List() != QStringList{QStringLiteral("g1")})
                return QStringLiteral("after start-up listed: ") + groups.List().join(QLatin1Char(','));
            if (!Hidden(Path(QStringLiteral("groups"))).isEmpty())
                return QStringLiteral("left after start-up: ") + Hidden(Path(QStringLiteral("groups"))).join(QLatin1Char(','));
            return WholeSet(groups.groupPath(QStringLiteral("g1")));
        };
        return w;
    }

    Writer GroupRestore()
    {
        Writer w;
        w.prepare = [this] {
            MakeSet(Path(QStringLiteral("groups/a")), QStringLiteral("a"));
            MakeSet(Path(QStringLiteral("groups/b")), QStringLiteral("b"));
            QDir().mkpath(Path(QStringLiteral("work")));
            ParaGroups(Path(QStringLiteral("groups")), Path(QStringLiteral("work"))).Restore(QStringLiteral("a"), {}, {});
        };
        w.step = [this](int i) {
            QElapsedTimer switching;
            const auto switchStarts = [&switching] {
                switching.start();
                if (gSwitchDelayUs)
                    KillAfter(gSwitchDelayUs);
            };
            ParaGroups(Path(QStringLiteral("groups")), Path(QStringLiteral("work")))
                .Restore(i % 2 ? QStringLiteral("a") : QStringLiteral("b"), switchStarts, {});
            m_switchUs = std::max<qint64>(switching.nsecsElapsed() / 1000, 100);
        };
        w.check = [this]() -> QString {
            ParaGroups groups(Path(QStringLiteral("groups")), Path(QStringLiteral("work")));
            if (QFile::exists(Path(QStringLiteral("work/.paraGroup-restore.journal"))))
                ++m_midSwitch;
            groups.FinishInterrupted();
            if (!Hidden(Path(QStringLiteral("work"))).isEmpty())
                return QStringLiteral("left after start-up: ") + Hidden(Path(QStringLiteral("work"))).join(QLatin1Char(','));
            return WholeSet(Path(QStringLiteral("work")));
        };
        return w;
    }

    // The statistics store of the working folder, one camera, at 09:00 on 7 May 2024.
    ResStatisticsParam::Options StoreOptions() const
    {
        ResStatisticsParam::Options o;
        o.workDir = m_dir->path();
        o.clock = [] { return QDateTime(QDate(2024, 5, 7), QTime(9, 0)); };
        o.cameraCount = [] { return 1; };
        return o;
    }

    // A day rolled over onto an archive of the same day: 100 + 5, never 110.
    Writer StatisticsMerge()
    {
        Writer w;
        auto options = [this] { return StoreOptions(); };
        w.setUp = [this] {
            QDir().mkpath(Path(QStringLiteral("ResStatistics")));
            QFile::copy(QStringLiteral(MOJU_TEMPLATE_DIR "/ResStatisticsNULL.db"), Path(QStringLiteral("ResStatisticsNULL.db")));
            SetCount(Path(QStringLiteral("ResStatistics.db")), 5);
            SetCount(Path(QStringLiteral("ResStatistics/2024-05-06.db")), 100);
            Write(Path(QStringLiteral("restime.txt")),
                  QByteArray::number(QDateTime(QDate(2024, 5, 6), QTime(8, 0)).toSecsSinceEpoch()));
        };
        w.step = [options](int) { ResStatisticsParam store(options()); };
        w.loop = false;
        w.check = [this, options]() -> QString {
            { ResStatisticsParam store(options()); }  // the next start
            const int archived = Count(Path(QStringLiteral("ResStatistics/2024-05-06.db")));
            if (archived != 105)
                return QStringLiteral("the closed day counts %1").arg(archived);
            if (Count(Path(QStringLiteral("ResStatistics.db"))) != 0)
                return QStringLiteral("the new day starts with counts");
            return {};
        };
        return w;
    }

    // Each kill's verdicts go on from what the last one left: a gap the kills
    // left between count.txt and the statistics would add up, kill by kill.
    Writer VerdictStores()
    {
        Writer w;
        auto options = [this] { return StoreOptions(); };
        const QString db = Path(QStringLiteral("ResStatistics.db"));
        w.prepare = [this] {
            QFile::copy(QStringLiteral(MOJU_TEMPLATE_DIR "/ResStatisticsNULL.db"), Path(QStringLiteral("ResStatisticsNULL.db")));
        };
        // A start as the monitor's, then verdicts, each stored as the cycle
        // stores it. A forked child starts slower than its parent: the kills
        // spread over three steps, so most fall among the verdicts.
        w.spanFactor = 3;
        w.step = [this, options](int i) {
            VerdictJournal::Complete(m_dir->path());
            CountRead(Path(QStringLiteral("count.txt")));
            ResStatisticsParam store(options());
            for (int v = 0; v < 10; ++v) {
                const bool ok = (i + v) % 3 != 0;
                ++gAllNum[0];
                gFailNum[0] += ok ? 0 : 1;
                store.Add(9, ok, 0, 0);
                VerdictRecord r;
                r.statisticsDay = store.date();
                r.rows = store.unsavedRows();
                VerdictJournal::Store(r, [&store] { store.save(); }, m_dir->path());
            }
        };
        w.check = [this, db]() -> QString {
            int all[8];
            int fail[8];
            CountFileRead(Path(QStringLiteral("count.txt")), all, fail);
            if (all[0] != Count(db) + Count(db, true))
                ++m_apart;
            VerdictJournal::Complete(m_dir->path());
            CountFileRead(Path(QStringLiteral("count.txt")), all, fail);
            const int ok = Count(db);
            const int ng = Count(db, true);
            if (all[0] != ok + ng || fail[0] != ng)
                return QStringLiteral("count.txt holds %1 cycles, %2 NG; the statistics %3 OK, %4 NG")
                    .arg(all[0]).arg(fail[0]).arg(ok).arg(ng);
            return {};
        };
        return w;
    }

    // Live set-up a, and what a restore of "b" stages before its switch
    // list, with that list, as a power cut leaves them. Both have an SN.db.
    void StageRestoreOfB(const QByteArray& list)
    {
        MakeSet(Path(QStringLiteral("groups/a")), QStringLiteral("a"));
        MakeSet(Path(QStringLiteral("groups/b")), QStringLiteral("b"));
        Write(Path(QStringLiteral("groups/a/SN.db")), "a");
        Write(Path(QStringLiteral("groups/b/SN.db")), "b");
        QDir().mkpath(Path(QStringLiteral("work")));
        ParaGroups groups(Path(QStringLiteral("groups")), Path(QStringLiteral("work")));
        QVERIFY(groups.Restore(QStringLiteral("a"), {}, {}));
        QVERIFY(VerifiedCopy::CopyTree(groups.groupPath(QStringLiteral("b")), Path(QStringLiteral("work/.paraGroup-restore")), {}));
        QVERIFY(QDir().mkpath(Path(QStringLiteral("work/.paraGroup-restore-old"))));
        Write(Path(QStringLiteral("work/.paraGroup-restore.journal")), list);
    }

    int m_midSwitch = 0;
    int m_apart = 0;
    qint64 m_switchUs = 100;

private slots:
    void init()
    {
        m_dir = FastTempDir();
        QVERIFY(m_dir->isValid());
        gDNum = 2;
    }
    void cleanup() { m_dir.reset(); }

    void killedAtRandomInstants_data()
    {
        QTest::addColumn<int>("writer");
        QTest::addColumn<int>("kills");
        QTest::newRow("template and mask") << 0 << 80;
        QTest::newRow("group backup") << 1 << 30;
        QTest::newRow("group restore") << 2 << 30;
        QTest::newRow("statistics roll-over merge") << 3 << 20;
        QTest::newRow("count file and statistics") << 4 << 40;
    }

    void killedAtRandomInstants()
    {
        QFETCH(int, writer);
        QFETCH(int, kills);
        const Writer w = writer == 0 ? TemplatesAndMasks()
                       : writer == 1 ? GroupBackup()
                       : writer == 2 ? GroupRestore()
                       : writer == 3 ? StatisticsMerge()
                                     : VerdictStores();
        if (w.prepare)
            w.prepare();
        if (w.setUp)
            w.setUp();
        // The kills spread over one step of the work (a looping child is
        // cut off in whichever step it has reached).
        w.step(1);
        if (w.setUp)
            w.setUp();
        QElapsedTimer took;
        took.start();
        w.step(2);
        const qint64 spanUs = std::max<qint64>(took.nsecsElapsed() / 1000, 200);
        QCOMPARE(w.check(), QString());
        m_midSwitch = 0;
        m_apart = 0;
        QRandomGenerator random(quint32(1000 + writer));
        int killed = 0;
        // A loaded machine can let the listed kills miss the narrow windows
        // checked below: go on until one falls there, within bounds.
        const auto missed = [&] { return (writer == 2 && m_midSwitch == 0) || (writer == 4 && m_apart == 0); };
        for (int k = 0; k < kills || (missed() && k < 5 * kills); ++k) {
            if (w.setUp)
                w.setUp();
            // Every other kill of a restore falls inside the switch of the live files.
            gSwitchDelayUs = writer == 2 && k % 2 ? qint64(random.bounded(quint32(m_switchUs))) + 1 : 0;
            const qint64 afterUs = gSwitchDelayUs ? 4 * spanUs : qint64(random.bounded(quint32(spanUs * w.spanFactor))) + 1;
            killed += RunKilled(w.step, w.loop, afterUs) ? 1 : 0;
            const QString wrong = w.check();
            if (!wrong.isEmpty())
                QFAIL(qPrintable(QStringLiteral("after kill %1: %2").arg(k).arg(wrong)));
        }
        // Most runs must really have been cut off, or nothing was tested.
        QVERIFY2(killed > kills / 2, qPrintable(QStringLiteral("%1 of %2 killed").arg(killed).arg(kills)));
        if (writer == 2)
            QVERIFY2(m_midSwitch > 0, "no kill fell inside a switch of the live files");
        if (writer == 4)
            QVERIFY2(m_apart > 0, "no kill fell between count.txt and the statistics");
    }

    // A live file that cannot be switched half-way through: everything
    // switched so far goes back, and the operator is told nothing changed.
    void failedSwitchIsUndone()
    {
        MakeSet(Path(QStringLiteral("groups/a")), QStringLiteral("a"));
        MakeSet(Path(QStringLiteral("groups/b")), QStringLiteral("b"));
        QDir().mkpath(Path(QStringLiteral("work")));
        ParaGroups groups(Path(QStringLiteral("groups")), Path(QStringLiteral("work")));
        QVERIFY(groups.Restore(QStringLiteral("a"), {}, {}));
        // Something already stands where cammer51's old copy would go.
        const auto block = [this] { Write(Path(QStringLiteral("work/.paraGroup-restore-old/cammer51")), "in the way"); };
        bool pending = true;
        ParaGroups::Failure failure;
        QVERIFY(!groups.Restore(QStringLiteral("b"), block, {}, &failure, &pending));
        QVERIFY(!pending);
        QVERIFY(failure.path.endsWith(QStringLiteral("cammer51")));
        QCOMPARE(WholeSet(Path(QStringLiteral("work"))), QString());
        QCOMPARE(ParamMarker(Path(QStringLiteral("work/PARAM.db"))), QStringLiteral("a"));
        QCOMPARE(Hidden(Path(QStringLiteral("work"))), QStringList());
        QCOMPARE(groups.FinishInterrupted(), ParaGroups::Interrupted::None);  // nothing left for the next start
        QCOMPARE(ParamMarker(Path(QStringLiteral("work/PARAM.db"))), QStringLiteral("a"));
    }

    void refusedSwitchListChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<bool>("carriedOut");
        // The list a restore of "b" writes: b has SN.db and folders for cameras 1..6.
        QByteArray whole = "put PARAM.db\nput SN.db\n";
        for (int c = 1; c <= 8; ++c)
            for (int s = 1; s <= 8; ++s)
                whole += (c <= 6 && s <= 2 ? "put " : "drop ") + ParaGroups::StepFolder(c, s).toLatin1() + '\n';
        QTest::newRow("whole") << whole << true;
        QTest::newRow("PARAM.db left out") << QByteArray(whole).replace("put PARAM.db\n", "") << false;
        QTest::newRow("a place left out") << QByteArray(whole).replace("drop cammer88\n", "") << false;
        QTest::newRow("PARAM.db dropped") << QByteArray(whole).replace("put PARAM.db", "drop PARAM.db") << false;
        QTest::newRow("a staged place dropped") << QByteArray(whole).replace("put cammer11", "drop cammer11") << false;
        QTest::newRow("a place twice") << whole + "put cammer12\n" << false;
        QTest::newRow("another verb") << QByteArray(whole).replace("drop cammer71", "move cammer71") << false;
        QTest::newRow("staged SN.db left out") << QByteArray(whole).replace("put SN.db\n", "") << false;
        QTest::newRow("a place the group lacks put") << QByteArray(whole).replace("drop cammer71", "put cammer71") << false;
    }

    // A switch list the restore did not write (damaged, foreign) is neither
    // carried out nor dropped at start-up: the live set-up stays as it is. A
    // restore asked for later sets the list aside and replaces every place.
    void refusedSwitchListChangesNothing()
    {
        QFETCH(QByteArray, list);
        QFETCH(bool, carriedOut);
        StageRestoreOfB(list);
        ParaGroups groups(Path(QStringLiteral("groups")), Path(QStringLiteral("work")));
        const QString staged = Path(QStringLiteral("work/.paraGroup-restore"));

        QCOMPARE(groups.SwitchListRefused(), !carriedOut);
        if (carriedOut) {
            QCOMPARE(groups.FinishInterrupted(), ParaGroups::Interrupted::Finished);
            QCOMPARE(ParamMarker(Path(QStringLiteral("work/PARAM.db"))), QStringLiteral("b"));
            QCOMPARE(WholeSet(Path(QStringLiteral("work"))), QString());
            QCOMPARE(Read(Path(QStringLiteral("work/SN.db"))), QByteArray("b"));
            return;
        }
        ParaGroups::Failure failure;
        QCOMPARE(groups.FinishInterrupted(&failure), ParaGroups::Interrupted::Failed);
        QVERIFY(failure.path.endsWith(QStringLiteral(".paraGroup-restore.journal")));
        QCOMPARE(WholeSet(Path(QStringLiteral("work"))), QString());
        QCOMPARE(ParamMarker(Path(QStringLiteral("work/PARAM.db"))), QStringLiteral("a"));
        QCOMPARE(Read(Path(QStringLiteral("work/SN.db"))), QByteArray("a"));
        QCOMPARE(ParamMarker(staged + QStringLiteral("/PARAM.db")), QStringLiteral("b"));
        QCOMPARE(Read(Path(QStringLiteral("work/.paraGroup-restore.journal"))), list);

        QVERIFY(groups.Restore(QStringLiteral("b"), {}, {}));
        QCOMPARE(WholeSet(Path(QStringLiteral("work"))), QString());
        QCOMPARE(ParamMarker(Path(QStringLiteral("work/PARAM.db"))), QStringLiteral("b"));
        QCOMPARE(groups.SetAsideList(), Path(QStringLiteral("work/.paraGroup-restore.refused")));
        QCOMPARE(Read(groups.SetAsideList()), list);
        QCOMPARE(Hidden(Path(QStringLiteral("work"))), QStringList{QStringLiteral(".paraGroup-restore.refused")});
        QCOMPARE(groups.FinishInterrupted(), ParaGroups::Interrupted::None);
    }

    // Switch lists damaged at random: start-up either refuses one and
    // changes nothing, or leaves wholly set-up b, SN.db included.
    void damagedSwitchListsAtRandom()
    {
        QRandomGenerator random(60);
        QByteArrayList whole{"put PARAM.db", "put SN.db"};
        for (int c = 1; c <= 8; ++c)
            for (int s = 1; s <= 8; ++s)
                whole << (c <= 6 && s <= 2 ? "put " : "drop ") + ParaGroups::StepFolder(c, s).toLatin1();
        int refused = 0;
        for (int round = 0; round < 60; ++round) {
            QByteArrayList lines = whole;
            for (int n = 1 + random.bounded(3); n > 0; --n) {
                const int at = random.bounded(int(lines.size()));
                switch (random.bounded(4)) {
                case 0: lines.removeAt(at); break;
                case 1: lines.insert(random.bounded(int(lines.size())), lines[at]); break;
                case 2: lines.move(at, random.bounded(int(lines.size()))); break;
                default:
                    lines[at] = lines[at].startsWith("put") ? "drop" + lines[at].mid(3) : "put" + lines[at].mid(4);
                }
            }
            const QByteArray list = lines.join('\n') + '\n';
            StageRestoreOfB(list);
            ParaGroups groups(Path(QStringLiteral("groups")), Path(QStringLiteral("work")));
            const ParaGroups::Interrupted outcome = groups.FinishInterrupted();
            const QByteArray set = outcome == ParaGroups::Interrupted::Failed ? "a" : "b";
            refused += outcome == ParaGroups::Interrupted::Failed ? 1 : 0;
            QVERIFY2(WholeSet(Path(QStringLiteral("work"))).isEmpty(), list.constData());
            QVERIFY2(ParamMarker(Path(QStringLiteral("work/PARAM.db"))) == QLatin1String(set), list.constData());
            QVERIFY2(Read(Path(QStringLiteral("work/SN.db"))) == set, list.constData());
            QVERIFY(m_dir->remove() && (m_dir = FastTempDir())->isValid());
        }
        QVERIFY(refused > 0 && refused < 60);
    }

    // Work folders and what earlier versions left are never offered as groups;
    // start-up puts back a group that was moved aside and removes its own
    // work folders; nothing a user may have named is deleted.
    void leftoversAreNoGroups()
    {
        const QString dir = Path(QStringLiteral("groups"));
        MakeSet(Path(QStringLiteral("work")), QStringLiteral("a"));
        for (const char* g : {"g1", "g1.new", "g1.removed", "g2", "keep"})
            MakeSet(dir + QLatin1Char('/') + QLatin1String(g), QStringLiteral("b"));
        Write(dir + QStringLiteral("/.g1.replaced/PARAM.db"), "partial");  // a backup cut off
        Write(dir + QStringLiteral("/g2.replaced/cammer11/template0.bmp"), "partial");  // left by an earlier version
        MakeSet(dir + QStringLiteral("/g3.replaced"), QStringLiteral("b"));  // its g3 never arrived
        Write(dir + QStringLiteral("/.g4.new/PARAM.db"), "partial");
        ParaGroups groups(dir, Path(QStringLiteral("work")));
        const QStringList users{"g1", "g1.new", "g1.removed", "g2", "keep"};
        QCOMPARE(groups.List(), users);
        QVERIFY(!ParaGroups::ValidName(QStringLiteral("g2.replaced")));
        QCOMPARE(groups.FinishInterrupted(), ParaGroups::Interrupted::None);
        QCOMPARE(groups.List(), (QStringList{"g1", "g1.new", "g1.removed", "g2", "g3", "keep"}));
        QCOMPARE(Hidden(dir), QStringList());
        QVERIFY(QFileInfo::exists(dir + QStringLiteral("/g2.replaced/cammer11/template0.bmp")));
        QCOMPARE(WholeSet(groups.groupPath(QStringLiteral("g3"))), QString());
        // A backup over g1 touches no other group.
        QVERIFY(groups.Backup(QStringLiteral("g1"), 2));
        QCOMPARE(ParamMarker(groups.groupPath(QStringLiteral("g1")) + QStringLiteral("/PARAM.db")), QStringLiteral("a"));
        for (const char* g : {"g1.new", "g1.removed", "g2", "keep"})
            QCOMPARE(WholeSet(groups.groupPath(QLatin1String(g))), QString());
        QCOMPARE(Hidden(dir), QStringList());
    }
};

MOJU_TEST_CORE_MAIN(TestPowerCut)
#include "test_power_cut.moc"
