#pragma once
// A plant link started in a fresh working directory with the VurNet row a
// test asks for, on a free port, video shares keyed in that directory.
#include "TestSupport.h"

#include "network/VUR_Net.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <memory>

inline bool SetVurNetRow(const QString& value)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("vurnet-fixture"));
        db.setDatabaseName(QStringLiteral("PARAM.db"));
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("delete from sysparam where name='VurNet'"));
            q.prepare(QStringLiteral("insert into sysparam(name, value) values('VurNet', ?)"));
            q.addBindValue(value);
            ok = q.exec();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("vurnet-fixture"));
    return ok;
}

// A link on a free port; `clock` is a test-owned UTC time in ms.
inline std::unique_ptr<VUR_Net> StartLink(const QString& keyPath, qint64* clock)
{
    VUR_Net::Options o;
    o.port = 0;
    o.shmKeyPath = keyPath;
    VUR_Net::SetOptions(o);
    auto net = std::make_unique<VUR_Net>();
    if (clock)
        net->setClock([clock] { return *clock; });
    net->netCard.hostName = QStringLiteral("panel-7");
    return net;
}
