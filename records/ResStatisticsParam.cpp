#include "ResStatisticsParam.h"

#include "DayFileMerge.h"
#include "ProductionDay.h"
#include "StatisticsFile.h"
#include "params/WizardPara.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlQuery>

#include <algorithm>

ResStatisticsParam* gpResStatisticsParam = nullptr;

namespace {
const char* const kConnection = "dbResStatistics";
const char* const kWorking = "ResStatistics.db";
const char* const kTemplate = "ResStatisticsNULL.db";
const char* const kTimeFile = "restime.txt";
constexpr qint64 kDaySeconds = 86400;

// The counts an archive has taken of a working file, one line a row:
// name, OK counts, NG counts, separated by tabs.
QString TakenText(const QHash<QString, CountDetect>& rows)
{
    QString text;
    for (auto it = rows.cbegin(); it != rows.cend(); ++it)
        text += it.key() + QLatin1Char('\t') + CountsText(it->ok) + QLatin1Char('\t') + CountsText(it->ng) + QLatin1Char('\n');
    return text;
}

QHash<QString, CountDetect> TakenRows(const QString& text)
{
    QHash<QString, CountDetect> rows;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList f = line.split(QLatin1Char('\t'));
        CountDetect d;
        d.ok = ParseCounts(f.value(1));
        d.ng = ParseCounts(f.value(2));
        rows.insert(f.value(0), d);
    }
    return rows;
}

// What a count gained since the archive took it (never less than nothing).
int Gained(int now, int taken)
{
    return int(std::max<qint64>(qint64(now) - qint64(taken), 0));
}
}  // namespace

ResStatisticsParam::ResStatisticsParam()
    : ResStatisticsParam(Options{})
{
}

ResStatisticsParam::ResStatisticsParam(Options options)
    : m_opt(std::move(options))
{
    m_opt.workDir = QDir(m_opt.workDir).absolutePath();
    // Each count fsyncs the file: the counts of one verdict share one write.
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(0);
    m_saveTimer.callOnTimeout([this] { save(); });
    initStuCountAllCamera(m_live);
    initStuCountAllCamera(m_shown);
    UseWorkingFile();
    if (m_fileState != FileState::MemoryOnly)
        loadCount(m_live, m_db);
    readTime();
    checkDate();
}

ResStatisticsParam::~ResStatisticsParam()
{
    if (m_saveTimer.isActive())
        save();
    CloseWorking();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QLatin1String(kConnection));
}

QString ResStatisticsParam::FilePath(const QString& name) const
{
    return m_opt.workDir + QLatin1Char('/') + name;
}

QDateTime ResStatisticsParam::Now() const
{
    return m_opt.clock ? m_opt.clock() : QDateTime::currentDateTime();
}

int ResStatisticsParam::Cameras() const
{
    return std::clamp(m_opt.cameraCount ? m_opt.cameraCount() : 8, 0, 8);
}

QString ResStatisticsParam::archiveDir() const
{
    return FilePath(QStringLiteral("ResStatistics"));
}

QString ResStatisticsParam::archivePath(const QString& day) const
{
    return archiveDir() + QLatin1Char('/') + day + QStringLiteral(".db");
}

bool ResStatisticsParam::OpenWorking()
{
    if (!m_db.isValid()) {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(kConnection));
        m_db.setDatabaseName(FilePath(QLatin1String(kWorking)));
    }
    if (!m_db.isOpen() && !m_db.open())
        return false;
    // A file that opens but is no statistics database is as unusable as one that won't open.
    QSqlQuery q(m_db);
    return q.exec(QStringLiteral("select count(*) from resstatistics"));
}

void ResStatisticsParam::CloseWorking()
{
    if (m_db.isValid() && m_db.isOpen())
        m_db.close();
}

void ResStatisticsParam::UseWorkingFile()
{
    const QString working = FilePath(QLatin1String(kWorking));
    const QString empty = FilePath(QLatin1String(kTemplate));
    if (!QFile::exists(working))
        QFile::copy(empty, working);
    QFile::setPermissions(working, QFile::permissions(working) | QFileDevice::WriteOwner);
    if (OpenWorking())
        return;
    // Moved aside and replaced once: a reboot would only meet the same file again.
    CloseWorking();
    if (QFileInfo(working).size() > 0) {
        m_setAside = working + Now().toString(QStringLiteral(".'broken'-yyyyMMdd-hhmmss"));
        if (!QFile::rename(working, m_setAside))
            m_setAside.clear();
    }
    QFile::remove(working);
    QFile::copy(empty, working);
    QFile::setPermissions(working, QFile::permissions(working) | QFileDevice::WriteOwner);
    if (OpenWorking()) {
        m_fileState = FileState::Replaced;
        qWarning("statistics: %s was unusable and was replaced by an empty copy", kWorking);
        return;
    }
    CloseWorking();
    m_fileState = FileState::MemoryOnly;
    qWarning("statistics: no usable %s, counts are kept in memory only", kWorking);
}

void ResStatisticsParam::readTime()
{
    QFile f(FilePath(QLatin1String(kTimeFile)));
    const bool known = ReadRestime(m_opt.workDir, &m_restime);
    if (!known) {
        // Without a readable day the file's last change names it, not 1970.
        QDateTime from = Now();
        const QFileInfo working(FilePath(QLatin1String(kWorking)));
        if (f.exists() && working.exists() && working.lastModified() < from)
            from = working.lastModified();
        m_restime = ProductionDayStart(ProductionDate(from)).toSecsSinceEpoch();
        WriteRestime();
    }
    m_date = QDateTime::fromSecsSinceEpoch(m_restime).date().toString(QStringLiteral("yyyy-MM-dd"));
}

bool ResStatisticsParam::ReadRestime(const QString& workDir, qint64* secs)
{
    QFile f(workDir + QLatin1Char('/') + QLatin1String(kTimeFile));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    bool known = false;
    const qint64 v = f.readAll().trimmed().toLongLong(&known);
    // Unparsable text, 0 and a time before the monitor ever ran name no day.
    if (!known || !PlausibleStoredTime(v))
        return false;
    *secs = v;
    return true;
}

QString ResStatisticsParam::StoredDate(const QString& workDir)
{
    qint64 secs = 0;
    if (!ReadRestime(workDir, &secs))
        return {};
    return QDateTime::fromSecsSinceEpoch(secs).date().toString(QStringLiteral("yyyy-MM-dd"));
}

void ResStatisticsParam::WriteRestime()
{
    QSaveFile w(FilePath(QLatin1String(kTimeFile)));
    if (!w.open(QIODevice::WriteOnly) || w.write(QByteArray::number(m_restime)) < 0 || !w.commit())
        qWarning("statistics: cannot write %s", kTimeFile);
}

void ResStatisticsParam::checkDate()
{
    const QDateTime now = Now();
    const qint64 since = now.toSecsSinceEpoch() - m_restime;
    // A clock set back never rolls the day back: counts stay in the current day.
    if (since < kDaySeconds)
        return;
    const QDate day = ProductionDate(now);
    if (!NextDay(day.toString(QStringLiteral("yyyy-MM-dd"))))
        return;  // the day stays open; the next count tries again
    m_restime = ProductionDayStart(day).toSecsSinceEpoch();
    WriteRestime();
    if (m_observer)
        m_observer->updateList();
}

bool ResStatisticsParam::NextDay(const QString& newDate)
{
    save();
    CloseWorking();
    if (!ArchiveWorking(m_date)) {
        qWarning("statistics: cannot archive %s as %s; the day stays open", kWorking, qPrintable(m_date));
        OpenWorking();
        return false;
    }
    const QString working = FilePath(QLatin1String(kWorking));
    if (!QFile::copy(FilePath(QLatin1String(kTemplate)), working))
        qWarning("statistics: no empty copy %s", kTemplate);
    QFile::setPermissions(working, QFile::permissions(working) | QFileDevice::WriteOwner);
    m_date = newDate;
    initStuCountAllCamera(m_live);
    m_unsaved.clear();  // the closed day's file took them
    save();
    return true;
}

bool ResStatisticsParam::ArchiveWorking(const QString& day)
{
    const QString working = FilePath(QLatin1String(kWorking));
    if (!QFile::exists(working))
        return true;
    if (!QDir().mkpath(archiveDir()))
        return false;
    const QString archive = archivePath(day);
    if (QFile::exists(archive))
        return MergeInto(archive);
    return QFile::rename(working, archive);
}

bool ResStatisticsParam::MergeInto(const QString& archive)
{
    // The day was archived before (a clock moved about): add today's counts
    // to it rather than replace it. The archive notes with the working
    // file's identity the counts it took: a merge repeated (cut off before
    // the removal, or the removal failed and counting went on) adds only
    // what was counted since.
    const QString name = QLatin1String(kConnection) + QStringLiteral("_merge");
    bool ok = false;
    {
        QSqlDatabase a = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        a.setDatabaseName(archive);
        const bool working = OpenWorking();
        const QString id = working ? DayFileId(m_db) : QString();
        ok = a.open() && MergeDayFile(a, id, [&](const QString& before, const DayFileRecorder& record) {
            QHash<QString, CountDetect> old;
            QHash<QString, CountDetect> cur;
            if (!ReadStatisticsRows(a, &old) || !working || !ReadStatisticsRows(m_db, &cur))
                return false;
            const QHash<QString, CountDetect> taken = TakenRows(before);
            QList<QPair<QString, CountDetect>> sum;
            for (auto it = cur.cbegin(); it != cur.cend(); ++it) {
                CountDetect d;
                initStuCountDetect(d);
                const CountDetect o = old.value(it.key());
                const CountDetect t = taken.value(it.key());
                for (int h = 0; h < 24; ++h) {
                    d.ok[h] = AddCounts(o.ok.value(h), Gained(it->ok.value(h), t.ok.value(h)));
                    d.ng[h] = AddCounts(o.ng.value(h), Gained(it->ng.value(h), t.ng.value(h)));
                }
                sum.append({it.key(), d});
            }
            return WriteStatisticsRows(a, sum, [&] { return record(TakenText(cur)); });
        });
        CloseWorking();
        a.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok && QFile::remove(FilePath(QLatin1String(kWorking)));
}

int ResStatisticsParam::save()
{
    m_saveTimer.stop();
    if (!saveCount(m_live))
        return 0;
    m_unsaved.clear();
    return 1;
}

QList<QPair<QString, CountDetect>> ResStatisticsParam::unsavedRows() const
{
    QList<QPair<QString, CountDetect>> rows;
    for (const auto& [c, s] : m_unsaved)
        rows.append({StatisticsRowName(c, s), RecordOf(m_live, c, s)});
    return rows;
}

bool ResStatisticsParam::saveCount(const CountAllCamera& rec)
{
    if (m_fileState == FileState::MemoryOnly || !OpenWorking())
        return false;
    QList<QPair<QString, CountDetect>> rows;
    for (const auto& [c, s] : StatisticsRowSet(Cameras(), std::clamp(int(gDNum), 1, 8)))
        rows.append({StatisticsRowName(c, s), RecordOf(rec, c, s)});
    return WriteStatisticsRows(m_db, rows);
}

bool ResStatisticsParam::loadCount(CountAllCamera& rec, const QSqlDatabase& db) const
{
    initStuCountAllCamera(rec);
    QHash<QString, CountDetect> rows;
    if (!ReadStatisticsRows(db, &rows))
        return false;
    for (const auto& [c, s] : StatisticsRowSet(Cameras(), std::clamp(int(gDNum), 1, 8))) {
        const auto it = rows.constFind(StatisticsRowName(c, s));
        if (it == rows.cend())
            continue;
        CountDetect& d = RecordOf(rec, c, s);
        d.ok = it->ok;
        d.ng = it->ng;
    }
    return true;
}

int ResStatisticsParam::Add(int hour, bool ok, int cam, int step)
{
    if (hour < 0 || hour > 23 || cam < 0 || cam > 8 || step < 0 || step > 8)
        return 1;
    checkDate();
    CountDetect& d = RecordOf(m_live, cam, step);
    int& count = (ok ? d.ok : d.ng)[hour];
    count = AddCounts(count, 1);
    if (!m_unsaved.contains({cam, step}))
        m_unsaved.append({cam, step});
    m_saveTimer.start();
    if (m_observer && m_observer->showsToday()) {
        setFindCount();
        m_observer->checkUpdate();
    }
    return 1;
}

void ResStatisticsParam::clcCount()
{
    ::clcCount(m_shown);
}

void ResStatisticsParam::setFindCount()
{
    m_shown = m_live;
    clcCount();
}

bool ResStatisticsParam::setFindCount(const QSqlDatabase& day)
{
    CountAllCamera rec;
    if (!loadCount(rec, day))
        return false;
    m_shown = rec;
    clcCount();
    return true;
}

int ResStatisticsParam::getCount(ShiftType shift, bool ok, int cam, int step) const
{
    if (cam < 0 || cam > 8 || step < 0 || step > 8)
        return 0;
    const CountDetect& d = RecordOf(m_shown, cam, step);
    const sCount* s = shift == ShiftMorning ? &d.morning : shift == ShiftNight ? &d.night
                    : shift == ShiftDay     ? &d.total   : nullptr;
    return s ? (ok ? s->ok : s->ng) : 0;
}

QList<int> ResStatisticsParam::getRes(ShiftType shift, bool ok, int cam, int step) const
{
    QList<int> series;
    if (cam < 0 || cam > 8 || step < 0 || step > 8)
        return series;
    const CountDetect& d = RecordOf(m_shown, cam, step);
    for (int h : ShiftHours(shift))
        series << (ok ? d.ok : d.ng).value(h);
    return series;
}
