#include "CavityNames.h"

#include "foundation/uitext.h"

#include <QDir>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QVariant>

const char* const CavityNames::kInForce = "CavityName_table";
const char* const CavityNames::kWorking = "TempSave_table";

namespace {
const char* const kConnection = "sql_CavityDatabase_connection";

bool IsTable(const QString& table)
{
    return table == QLatin1String(CavityNames::kInForce) || table == QLatin1String(CavityNames::kWorking);
}
}  // namespace

CavityNames::CavityNames(const QString& workDir)
    : m_path(QDir(workDir).absoluteFilePath(QStringLiteral("CavityDatabase.db")))
{
}

CavityNames::~CavityNames()
{
    {
        QSqlDatabase db = Db();
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(kConnection));
}

QSqlDatabase CavityNames::Db() const
{
    return QSqlDatabase::database(QLatin1String(kConnection), false);
}

QString CavityNames::DefaultName(int cavity)
{
    return LanStrIn(cavity < 8 ? 460 + cavity : 596 + cavity - 8, kLanZhCN);
}

QStringList CavityNames::Clean(const QStringList& names)
{
    static const QRegularExpression ws(QStringLiteral("\\s+"), QRegularExpression::UseUnicodePropertiesOption);
    QStringList clean;
    for (int k = 0; k < kCavities; ++k) {
        QString n = names.value(k).trimmed();
        n.replace(ws, QStringLiteral("_"));
        clean << (n.isEmpty() ? DefaultName(k) : n);
    }
    return clean;
}

bool CavityNames::Databaseinit()
{
    QSqlDatabase db = QSqlDatabase::contains(QLatin1String(kConnection))
                          ? Db()
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(kConnection));
    db.setDatabaseName(m_path);
    if (!db.isOpen() && !db.open())
        return false;
    const QStringList tables = db.tables();
    if (tables.contains(QLatin1String(kInForce)) && tables.contains(QLatin1String(kWorking)))
        return true;
    QStringList defaults;
    for (int k = 0; k < kCavities; ++k)
        defaults << DefaultName(k);
    // One commit for the whole set-up: each one waits for the disk.
    db.transaction();
    for (const char* table : {kInForce, kWorking}) {
        QSqlQuery q(db);
        // Fails harmlessly when the table is there already.
        q.exec(QStringLiteral("create table %1(Camera varchar(32) primary key,CavityName varchar(32))").arg(QLatin1String(table)));
        for (int c = 0; c < kCameras; ++c) {
            q.prepare(QStringLiteral("insert into %1 values(?, ?)").arg(QLatin1String(table)));
            q.addBindValue(QStringLiteral("Camera%1").arg(c));
            q.addBindValue(defaults.join(QLatin1Char(' ')));
            q.exec();  // an existing row stays as it is
        }
    }
    db.commit();
    return true;
}

QStringList CavityNames::row(const QString& table, int cam) const
{
    static const QRegularExpression ws(QStringLiteral("\\s+"), QRegularExpression::UseUnicodePropertiesOption);
    if (!IsTable(table))
        return {};
    QSqlQuery q(Db());
    q.prepare(QStringLiteral("select CavityName from %1 where Camera=?").arg(table));
    q.addBindValue(QStringLiteral("Camera%1").arg(cam));
    if (!q.exec() || !q.next())
        return {};
    QStringList names = q.value(0).toString().split(ws, Qt::SkipEmptyParts);
    // A short row (an older file, a damaged one) keeps the defaults behind it.
    for (int k = names.size(); k < kCavities; ++k)
        names << DefaultName(k);
    return names.mid(0, kCavities);
}

bool CavityNames::store(const QString& table, int cam, const QStringList& names)
{
    if (!IsTable(table))
        return false;
    const QString joined = Clean(names).join(QLatin1Char(' '));
    const QString camera = QStringLiteral("Camera%1").arg(cam);
    QSqlQuery q(Db());
    q.prepare(QStringLiteral("update %1 set CavityName=? where Camera=?").arg(table));
    q.addBindValue(joined);
    q.addBindValue(camera);
    if (!q.exec())
        return false;
    if (q.numRowsAffected() > 0)
        return true;
    // A camera whose row went missing (a damaged file) gets it back: an update
    // alone would report the names stored and lose them.
    q.prepare(QStringLiteral("insert into %1(Camera, CavityName) values(?, ?)").arg(table));
    q.addBindValue(camera);
    q.addBindValue(joined);
    return q.exec();
}

QList<QStringList> CavityNames::Initialize(const QString& from, const QString& to)
{
    QList<QStringList> copied;
    QSqlDatabase db = Db();
    if (db.isValid())
        db.transaction();
    for (int c = 0; c < kCameras; ++c) {
        const QStringList names = row(from, c);
        // Only a row that differs is written: at a normal start none does,
        // and the start then waits for no disk write.
        if (!names.isEmpty() && row(to, c) != Clean(names))
            store(to, c, names);
        copied << names;
    }
    if (db.isValid())
        db.commit();
    return copied;
}
