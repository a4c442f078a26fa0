#pragma once
// Opens the working directory's databases under the connection names the
// program uses, and reads them back with the sqlite3 shell.
#include "platform/SystemActions.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

inline QSqlDatabase OpenTestDb(const QString& connection, const QString& file)
{
    QSqlDatabase db = QSqlDatabase::contains(connection)
                          ? QSqlDatabase::database(connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.close();
    db.setDatabaseName(file);
    db.open();
    return db;
}

inline void CloseTestDb(const QString& connection)
{
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

// Rows as the sqlite3 shell prints them (columns joined by '|').
inline QStringList SqliteRows(const QString& file, const QString& sql)
{
    RealSystemActions shell;
    const ActionResult r = shell.run({QStringLiteral("sqlite3"), file, sql});
    if (!r.ok())
        return {QStringLiteral("<sqlite3 failed>")};
    return QString::fromUtf8(r.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

inline QString SqliteValue(const QString& file, const QString& key)
{
    const QStringList rows = SqliteRows(file, QStringLiteral("select value from sysparam where name='%1'").arg(key));
    return rows.isEmpty() ? QString() : rows.join(QLatin1Char('\n'));
}

inline void SetRow(const QString& connection, const QString& key, const QString& value)
{
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.prepare(QStringLiteral("delete from sysparam where name=?"));
    q.addBindValue(key);
    q.exec();
    q.prepare(QStringLiteral("insert into sysparam values(?, ?)"));
    q.addBindValue(key);
    q.addBindValue(value);
    q.exec();
}

inline void DeleteRow(const QString& connection, const QString& key)
{
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.prepare(QStringLiteral("delete from sysparam where name=?"));
    q.addBindValue(key);
    q.exec();
}
