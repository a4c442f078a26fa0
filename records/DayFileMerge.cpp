#include "DayFileMerge.h"

#include <QDebug>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>


namespace {
const char* const kMergedTable = "CREATE TABLE IF NOT EXISTS merged_dayfile(id TEXT PRIMARY KEY, taken TEXT)";

// The archive open as db with its list of the day files taken, the column
// of marks added to a list an earlier version made.
bool OpenMergedList(QSqlDatabase& db)
{
    QSqlQuery q(db);
    if (!q.exec(QLatin1String(kMergedTable)))
        return false;
    if (q.exec(QStringLiteral("SELECT taken FROM merged_dayfile LIMIT 0")))
        return true;
    return q.exec(QStringLiteral("ALTER TABLE merged_dayfile ADD COLUMN taken TEXT"));
}

enum class Taken { Unknown, Never, Whole, Part };

// What the archive has taken of the day file `id`; *mark set for Part.
Taken TakenOf(QSqlDatabase& db, const QString& id, QString* mark)
{
    QSqlQuery q(db);
    if (!OpenMergedList(db) || !q.prepare(QStringLiteral("SELECT taken FROM merged_dayfile WHERE id = ?")))
        return Taken::Unknown;
    q.addBindValue(id);
    if (!q.exec())
        return Taken::Unknown;
    if (!q.next())
        return Taken::Never;
    // An earlier version noted the file without a mark when it took all of it.
    if (q.value(0).isNull())
        return Taken::Whole;
    *mark = q.value(0).toString();
    return Taken::Part;
}

// Records what is taken of `id`; run inside the transaction that adds its rows.
bool RecordTaken(QSqlDatabase& db, const QString& id, const QString& mark)
{
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("INSERT OR REPLACE INTO merged_dayfile(id, taken) VALUES(?, ?)")))
        return false;
    q.addBindValue(id);
    q.addBindValue(mark);
    return q.exec();
}
}  // namespace

QString DayFileId(QSqlDatabase& db, const QString& schema)
{
    {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1.dayfile(id TEXT NOT NULL)").arg(schema)))
            return {};
        if (q.exec(QStringLiteral("SELECT id FROM %1.dayfile LIMIT 1").arg(schema)) && q.next()
            && !q.value(0).toString().isEmpty())
            return q.value(0).toString();
    }
    // None yet, or one that names nothing: a fresh one, or the file would be
    // taken whole again at every merge.
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!db.transaction())
        return {};
    bool ok = false;
    {
        QSqlQuery q(db);
        ok = q.exec(QStringLiteral("DROP TABLE %1.dayfile").arg(schema))
          && q.exec(QStringLiteral("CREATE TABLE %1.dayfile(id TEXT NOT NULL)").arg(schema))
          && q.prepare(QStringLiteral("INSERT INTO %1.dayfile(id) VALUES(?)").arg(schema));
        if (ok) {
            q.addBindValue(id);
            ok = q.exec();
        }
    }
    if (ok && db.commit())
        return id;
    db.rollback();
    return {};
}

bool MergeDayFile(QSqlDatabase& db, const QString& id,
                  const std::function<bool(const QString& before, const DayFileRecorder&)>& add)
{
    // Without an identity a merge could not be told from the next one.
    if (id.isEmpty())
        return false;
    QString mark;  // stays null when nothing was taken
    const Taken taken = TakenOf(db, id, &mark);
    if (taken == Taken::Unknown)
        return false;
    if (taken == Taken::Whole)
        return true;
    return add(mark, [&](const QString& now) { return RecordTaken(db, id, now); });
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
                // The rows are only ever appended (a cleared file gets a new
                // identity): the mark is the last row taken.
                const auto add = [&](const QString& before, const DayFileRecorder& record) {
                    if (!db.transaction())
                        return false;
                    bool added = q.exec(createTable) && q.exec(QStringLiteral("SELECT max(rowid) FROM cur.%1").arg(table))
                              && q.next();
                    const qint64 last = added ? q.value(0).toLongLong() : 0;
                    bool known = true;
                    qint64 after = before.isNull() ? 0 : before.toLongLong(&known);
                    if (added && (!known || after < 0 || after > last)) {
                        // A damaged or foreign mark: skipping by it would lose
                        // rows, and refusing the merge would keep them from the
                        // archive for good. Some may come twice; none is lost.
                        qWarning("day file %s: the archive's mark \"%s\" names no row of its %lld; all are merged",
                                 qPrintable(from), qPrintable(before.left(40)), last);
                        after = 0;
                    }
                    added = added
                         && q.prepare(QStringLiteral("INSERT INTO %1(%2) SELECT %2 FROM cur.%1 WHERE rowid > ? AND rowid <= ? "
                                                     "ORDER BY rowid")
                                          .arg(table, columns));
                    if (added) {
                        q.addBindValue(after);
                        q.addBindValue(last);
                        added = q.exec() && record(QString::number(last));
                    }
                    return added ? db.commit() : (db.rollback(), false);
                };
                ok = MergeDayFile(db, DayFileId(db, QStringLiteral("cur")), add);
                q.finish();
                q.exec(QStringLiteral("DETACH DATABASE cur"));
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}
