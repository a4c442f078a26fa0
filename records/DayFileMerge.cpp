#include "DayFileMerge.h"

#include <QSqlDatabase>
#include <QSqlQuery>

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
                db.transaction();
                ok = q.exec(createTable)
                     && q.exec(QStringLiteral("INSERT INTO %1(%2) SELECT %2 FROM cur.%1").arg(table, columns));
                ok = ok ? db.commit() : (db.rollback(), false);
                q.exec(QStringLiteral("DETACH DATABASE cur"));
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}
