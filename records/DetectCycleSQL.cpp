#include "DetectCycleSQL.h"

#include "DayFileMerge.h"
#include "ProductionDay.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

DetectCycleSQL* DetectCycleSQL::instance = nullptr;

const char* const DetectCycleSQL::kCreateTable =
    "CREATE TABLE IF NOT EXISTS detect_cycle(idx                INTEGER PRIMARY KEY,"
    "roundstart         VARCHAR(32) NOT NULL,roundtime          VARCHAR(32) NOT NULL)";

namespace {
const char* const kWorking = "DetectCycle.db";
const char* const kFormat = "yyyy-MM-dd";
}  // namespace

DetectCycleSQL::DetectCycleSQL(const QString& workDir, std::function<QDateTime()> clock, QObject* parent)
    : QObject(parent)
    , m_workDir(QDir(workDir).absolutePath())
    , m_connection(QStringLiteral("dbDetectCycle"))
    , m_clock(std::move(clock))
{
    readTime();
    checkDate();
}

DetectCycleSQL::~DetectCycleSQL()
{
    QSqlDatabase::removeDatabase(m_connection);
    if (instance == this)
        instance = nullptr;
}

QString DetectCycleSQL::FilePath(const QString& name) const
{
    return m_workDir + QLatin1Char('/') + name;
}

QDate DetectCycleSQL::Today() const
{
    return (m_clock ? m_clock() : QDateTime::currentDateTime()).date();
}

void DetectCycleSQL::readTime()
{
    QDir().mkpath(FilePath(QStringLiteral("DetectCycle")));
    QFile f(FilePath(QStringLiteral("DetectCycle/time.txt")));
    if (f.open(QIODevice::ReadOnly)) {
        const QString word = QString::fromUtf8(f.readAll()).simplified().section(QLatin1Char(' '), 0, 0);
        m_date = DayFromText(word);
        if (!m_date.isValid()) {
            // A garbled day: the working file is named by its last change, never by "".
            const QFileInfo working(FilePath(QLatin1String(kWorking)));
            m_date = working.exists() ? working.lastModified().date() : Today();
            WriteTimeFile();
        }
        return;
    }
    m_date = Today();
    WriteTimeFile();
}

void DetectCycleSQL::WriteTimeFile()
{
    QSaveFile w(FilePath(QStringLiteral("DetectCycle/time.txt")));
    if (!w.open(QIODevice::WriteOnly) || w.write(m_date.toString(QLatin1String(kFormat)).toUtf8()) < 0 || !w.commit())
        qWarning("cycle log: cannot write DetectCycle/time.txt");
}

void DetectCycleSQL::checkDate()
{
    if (m_date == Today()) {
        if (!QFile::exists(FilePath(QLatin1String(kWorking))))
            createTable();
        return;
    }
    if (!createSQL())
        return;  // the working file keeps its day; the next start tries again
    m_date = Today();
    WriteTimeFile();
}

bool DetectCycleSQL::createSQL()
{
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::database(m_connection, false).close();
    const QString working = FilePath(QLatin1String(kWorking));
    if (QFile::exists(working)) {
        const QString archive = FilePath(QStringLiteral("DetectCycle/%1.db").arg(m_date.toString(QLatin1String(kFormat))));
        const bool moved = QFile::exists(archive) ? MergeInto(archive) : QFile::rename(working, archive);
        if (!moved) {
            qWarning("cycle log: cannot archive %s", qPrintable(archive));
            return false;
        }
    }
    return createTable();
}

bool DetectCycleSQL::MergeInto(const QString& archive)
{
    const QString working = FilePath(QLatin1String(kWorking));
    return AppendDayFile(archive, working, QStringLiteral("detect_cycle"), QStringLiteral("roundstart, roundtime"),
                         QLatin1String(kCreateTable))
           && QFile::remove(working);
}

QSqlDatabase DetectCycleSQL::Working() const
{
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(FilePath(QLatin1String(kWorking)));
    return db;
}

bool DetectCycleSQL::createTable()
{
    QSqlDatabase db = Working();
    if (!db.open())
        return false;
    QSqlQuery q(db);
    const bool ok = q.exec(QLatin1String(kCreateTable));
    q.finish();
    db.close();
    return ok;
}

bool DetectCycleSQL::insertDate(const detectCycleInfo& info)
{
    QSqlDatabase db = Working();
    if (!db.isOpen() && !db.open()) {
        qDebug("DetectCycle.db open fail");
        return false;
    }
    bool ok = false;
    {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO detect_cycle (roundstart, roundtime) VALUES (?, ?)"));
        q.addBindValue(info.roundstart);
        q.addBindValue(QString::number(info.roundtime, 'g', 6));
        ok = q.exec();
        if (!ok)
            qDebug("DetectCycle.db: %s", qPrintable(q.lastError().text()));
    }
    db.close();
    return ok;
}

QStringList DetectCycleSQL::getDBName() const
{
    QStringList days{Today().toString(QLatin1String(kFormat))};
    const QDir dir(FilePath(QStringLiteral("DetectCycle")));
    const QStringList files = dir.entryList({QStringLiteral("*.db")}, QDir::Files, QDir::Name | QDir::Reversed);
    for (const QString& f : files)
        days << f.chopped(3);
    return days;
}

QString DetectCycleSQL::dayFile(const QString& day) const
{
    if (day == Today().toString(QLatin1String(kFormat)))
        return FilePath(QLatin1String(kWorking));
    return FilePath(QStringLiteral("DetectCycle/%1.db").arg(day));
}

QStringList CycleExportRequest(const QDateTime& start, const QDateTime& end)
{
    static const QString line = QStringLiteral(
        "SELECT roundstart,roundtime FROM detect_cycle WHERE roundstart BETWEEN datetime(\"%1\") AND datetime(\"%2\")");
    const QString fmt = QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz");
    QStringList lines;
    if (!start.isValid() || !end.isValid() || start > end)
        return lines;
    for (QDate d = start.date(); d <= end.date(); d = d.addDays(1)) {
        const QDateTime from = d == start.date() ? start : QDateTime(d, QTime(0, 0));
        const QDateTime to = d == end.date() ? end : QDateTime(d, QTime(23, 59, 59, 999));
        lines << line.arg(from.toString(fmt), to.toString(fmt));
    }
    return lines;
}
