#include "WorkDatabases.h"

#include "platform/SafeWrite.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

const WorkDatabase kWorkDatabases[3] = {
    {"dbIn", "PARAM.db", "sysparam", 160, "./paraGroup/default/PARAM.db", 100},
    {"dbRecord", "RECORD.db", "RECORD", 135, "RECORDNULL.db", 300},
    {"dbT", "SN.db", "sysparam", 160, "./paraGroup/default/SN.db", 100},
};

bool OpenWorkDatabase(const WorkDatabase& w)
{
    const QString name = QString::fromLatin1(w.connection);
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(QString::fromLatin1(w.file));
    if (!db.open())
        return false;
    // SQLite opens anything lazily; the first query tells whether it is a database.
    QSqlQuery q(db);
    q.prepare(QStringLiteral("select count(*) from sqlite_master where type='table' and name=?"));
    q.addBindValue(QString::fromLatin1(w.table));
    if (q.exec() && q.next() && q.value(0).toInt() > 0)
        return true;
    qWarning().noquote() << QStringLiteral("%1 has no table %2").arg(QLatin1String(w.file), QLatin1String(w.table));
    q.finish();
    db.close();
    return false;
}

bool RestoreDefaultCopy(const WorkDatabase& w)
{
    const QString target = QString::fromLatin1(w.file);
    const QString source = QString::fromLatin1(w.defaultCopy);
    {
        QSqlDatabase db = QSqlDatabase::database(QString::fromLatin1(w.connection), false);
        if (db.isOpen())
            db.close();
    }
    // Written whole over it: a missing or unreadable default copy leaves the
    // damaged file in place rather than no file at all.
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        qCritical().noquote() << QStringLiteral("cannot copy %1 over %2: %3").arg(source, target, in.errorString());
        return false;
    }
    const QByteArray data = in.readAll();
    QString error;
    if (in.error() != QFileDevice::NoError || !SafeWrite::Write(target, data, &error)) {
        qCritical().noquote() << QStringLiteral("cannot copy %1 over %2: %3").arg(source, target, error.isEmpty() ? in.errorString() : error);
        return false;
    }
    QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
    return true;
}

void CloseWorkDatabases()
{
    for (const int i : {2, 0, 1}) {
        const QString name = QString::fromLatin1(kWorkDatabases[i].connection);
        if (!QSqlDatabase::contains(name))
            continue;
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen())
            db.close();
    }
}
