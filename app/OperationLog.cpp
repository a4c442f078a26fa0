#include "OperationLog.h"

#include "foundation/uitext.h"
#include "network/VUR_Net.h"
#include "params/WizardPara.h"
#include "records/DayFileMerge.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

namespace {
const char* const kDateFormat = "yyyy-MM-dd";

bool IsDay(const QString& text)
{
    return text.size() == 10 && QDate::fromString(text, QLatin1String(kDateFormat)).isValid();
}
}  // namespace

OperationLog::OperationLog(UnlockLevelSource* levels, const QString& workDir,
                           const QString& connectionName, QObject* parent)
    : QObject(parent)
    , m_levels(levels)
    , m_workDir(QDir(workDir).absolutePath())
    , m_connection(connectionName)
    , m_recordDir(FilePath(QStringLiteral("RECORD")))
    , m_clock([] { return QDateTime::currentDateTime(); })
{
    QFile f(FilePath(QStringLiteral("time.txt")));
    if (f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        // The day is the file's first word; anything after it is not part of it.
        static const QRegularExpression ws(QStringLiteral("\\s+"));
        const QStringList words = QString::fromUtf8(f.readAll()).split(ws, Qt::SkipEmptyParts);
        if (!words.isEmpty())
            m_recordDate = words.first();
    }
    connect(&m_dateTimer, &QTimer::timeout, this, &OperationLog::SlotCheckDate);
}

OperationLog::~OperationLog()
{
    CloseConnection();
    QSqlDatabase::removeDatabase(m_connection);
}

QString OperationLog::FilePath(const QString& name) const
{
    return m_workDir + QLatin1Char('/') + name;
}

void OperationLog::StartDateTimer()
{
    m_dateTimer.start(60000);
}

QString OperationLog::LevelText(int unlockLevel)
{
    if (unlockLevel == 2)
        return LanStr(154);
    if (unlockLevel == 1)
        return LanStr(155);
    return LanStr(156);
}

bool OperationLog::OpenConnection()
{
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (db.isOpen())
        return true;
    if (db.databaseName().isEmpty())
        db.setDatabaseName(FilePath(QStringLiteral("RECORD.db")));
    if (!db.open())
        return false;
    // A day file made without its empty copy would otherwise drop every line.
    QSqlQuery q(db);
    q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS RECORD(recordtime TEXT, recordpassword TEXT, remarks TEXT)"));
    return true;
}

void OperationLog::CloseConnection()
{
    if (!QSqlDatabase::contains(m_connection))
        return;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (db.isOpen())
        db.close();
}

void OperationLog::InsertRecord(const QString& text)
{
    const QDateTime when = m_clock();
    if (QThread::currentThread() != thread()) {
        // SQL connections belong to the thread that opened them.
        QMetaObject::invokeMethod(this, [this, when, text] { WriteRecord(when, text); },
                                  Qt::QueuedConnection);
        return;
    }
    WriteRecord(when, text);
}

void OperationLog::WriteRecord(const QDateTime& when, const QString& text)
{
    if (!OpenConnection())
        return;
    const QString time = when.toString(QStringLiteral("hh.mm.ss"));
    const QString level = LevelText(m_levels ? m_levels->UnlockLevel() : 0);
    // Every line goes to the plant link once it is started, connected or not:
    // the link keeps what its client has not fetched yet.
    if (gpWPara && gpWPara->netEnabled && gpNet && gpNet->isInit)
        gpNet->VUR_SendRecord(when, level, text);
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("INSERT INTO RECORD(recordtime, recordpassword, remarks) VALUES(?, ?, ?)"));
    q.addBindValue(time);
    q.addBindValue(level);
    q.addBindValue(text);
    if (!q.exec())
        qWarning("operation log: %s", qPrintable(q.lastError().text()));
}

void OperationLog::ClearRecord()
{
    if (!OpenConnection())
        return;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    // Rows numbered afresh are a new day file to an archive that took some
    // of this one: it gets a new identity with them.
    db.transaction();
    if (q.exec(QStringLiteral("DELETE FROM RECORD")) && q.exec(QStringLiteral("DROP TABLE IF EXISTS dayfile")))
        db.commit();
    else
        db.rollback();
}

bool OperationLog::MergeInto(const QString& archivePath)
{
    // A clock set back meets a day that is already archived: its rows are kept
    // and today's are added after them.
    const QString current = FilePath(QStringLiteral("RECORD.db"));
    return AppendDayFile(archivePath, current, QStringLiteral("RECORD"), QStringLiteral("recordtime, recordpassword, remarks"),
                         QStringLiteral("CREATE TABLE IF NOT EXISTS RECORD(recordtime TEXT, recordpassword TEXT, remarks TEXT)"))
           && QFile::remove(current);
}

bool OperationLog::ArchiveCurrent(const QString& day)
{
    const QString current = FilePath(QStringLiteral("RECORD.db"));
    if (!QFile::exists(current))
        return true;
    if (!m_recordDir.exists() && !QDir().mkpath(m_recordDir.absolutePath()))
        return false;
    const QString archive = m_recordDir.absoluteFilePath(day + QStringLiteral(".db"));
    if (QFile::exists(archive))
        return MergeInto(archive);
    return QFile::rename(current, archive);
}

void OperationLog::SlotCheckDate()
{
    const QDateTime now = m_clock();
    const QString today = now.date().toString(QLatin1String(kDateFormat));
    if (today == m_recordDate)
        return;

    // Without a valid day in time.txt the file is named by its last change.
    QString day = m_recordDate;
    if (!IsDay(day)) {
        const QFileInfo info(FilePath(QStringLiteral("RECORD.db")));
        day = info.exists() ? info.lastModified().date().toString(QLatin1String(kDateFormat)) : today;
    }

    CloseConnection();
    if (day != today) {
        if (!ArchiveCurrent(day)) {
            // The day's lines stay in RECORD.db; the next tick tries again.
            qWarning("operation log: cannot archive RECORD.db as %s", qPrintable(day));
            return;
        }
        const QString current = FilePath(QStringLiteral("RECORD.db"));
        if (!QFile::exists(current) && !QFile::copy(FilePath(QStringLiteral("RECORDNULL.db")), current))
            qWarning("operation log: no empty RECORD.db copy");
        QFile::setPermissions(current, QFile::permissions(current) | QFileDevice::WriteOwner);
    }

    m_recordDate = today;
    QSaveFile f(FilePath(QStringLiteral("time.txt")));
    if (f.open(QIODevice::WriteOnly | QIODevice::Text)) {
        f.write(today.toUtf8());
        if (!f.commit())
            qWarning("operation log: cannot write time.txt");
    }
}
