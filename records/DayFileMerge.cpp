#include "DayFileMerge.h"

#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace {
const char* const kMergedTable = "CREATE TABLE IF NOT EXISTS merged_dayfile(id TEXT PRIMARY KEY)";

// Whether the archive open as db has taken the day file `id`; false (and
// *known false) when that cannot be read.
bool DayFileMerged(QSqlDatabase& db, const QString& id, bool* known)
{
    QSqlQuery q(db);
    *known = q.exec(QLatin1String(kMergedTable)) && q.prepare(QStringLiteral("SELECT 1 FROM merged_dayfile WHERE id = ?"));
    if (!*known)
        return false;
    q.addBindValue(id);
    *known = q.exec();
    return *known && q.next();
}

// Records `id` as taken; run inside the transaction that adds its rows.
bool RecordDayFileMerged(QSqlDatabase& db, const QString& id)
{
    QSqlQuery q(db);
    if (!q.exec(QLatin1String(kMergedTable)) || !q.prepare(QStringLiteral("INSERT INTO merged_dayfile(id) VALUES(?)")))
        return false;
    q.addBindValue(id);
    return q.exec();
}
}  // namespace

QString DayFileId(QSqlDatabase& db, const QString& schema)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1.dayfile(id TEXT NOT NULL)").arg(schema))
        || !q.exec(QStringLiteral("SELECT id FROM %1.dayfile LIMIT 1").arg(schema)))
        return {};
    if (q.next())
        return q.value(0).toString();
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    q.prepare(QStringLiteral("INSERT INTO %1.dayfile(id) VALUES(?)").arg(schema));
    q.addBindValue(id);
    return q.exec() ? id : QString();
}

bool MergeDayFileOnce(QSqlDatabase& db, const QString& id, const std::function<bool(const DayFileRecorder&)>& add)
{
    bool known = id.isEmpty();
    if (!id.isEmpty() && DayFileMerged(db, id, &known))
        return true;  // taken before the day file could be removed
    if (!known)
        return false;
    return add([&] { return id.isEmpty() || RecordDayFileMerged(db, id); });
}

bool AppendDayFile(const QString& into, const QString& from, const QString& table, const QString& columns,
                   const QString& createTable)
{
    const QString name = QStringLiteral("dayFileMerge");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(into);
        if (db.open()) {
            QSqlQuery q(db);
            q.prepare(QStringLiteral("ATTACH DATABASE ? AS cur"));
            q.addBindValue(from);
            if (q.exec()) {
                ok = MergeDayFileOnce(db, DayFileId(db, QStringLiteral("cur")), [&](const DayFileRecorder& record) {
                    if (!db.transaction())
                        return false;
                    const bool added = q.exec(createTable)
                        && q.exec(QStringLiteral("INSERT INTO %1(%2) SELECT %2 FROM cur.%1").arg(table, columns))
                        && record();
                    return added ? db.commit() : (db.rollback(), false);
                });
                q.finish();
                q.exec(QStringLiteral("DETACH DATABASE cur"));
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}
