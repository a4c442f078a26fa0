#include "StatisticsFile.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

QString StatisticsRowName(int cam, int step)
{
    return QStringLiteral("C%1_D%2").arg(cam).arg(step);
}

QList<QPair<int, int>> StatisticsRowSet(int cameras, int steps)
{
    QList<QPair<int, int>> set;
    auto addCamera = [&](int c) {
        for (int s = 0; s < steps; ++s)
            set.append({c, s});
        set.append({c, kAllIndex});
    };
    for (int c = 0; c < cameras; ++c)
        addCamera(c);
    addCamera(kAllIndex);
    return set;
}

bool ReadStatisticsRows(const QSqlDatabase& db, QHash<QString, CountDetect>* rows)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("select name, value1, value2 from resstatistics")))
        return false;
    while (q.next()) {
        CountDetect d;
        d.ok = ParseCounts(q.value(1).toString());
        d.ng = ParseCounts(q.value(2).toString());
        rows->insert(q.value(0).toString(), d);
    }
    return true;
}

bool WriteStatisticsRows(QSqlDatabase& db, const QList<QPair<QString, CountDetect>>& rows,
                         const std::function<bool()>& alsoDo)
{
    if (!db.transaction())
        return false;
    QSqlQuery update(db);
    QSqlQuery insert(db);
    bool ok = update.prepare(QStringLiteral("update resstatistics set value1 = ?, value2 = ? where name = ?"));
    ok = ok && insert.prepare(QStringLiteral("insert into resstatistics(name, value1, value2) values(?, ?, ?)"));
    for (int i = 0; ok && i < rows.size(); ++i) {
        const QString ok1 = CountsText(rows[i].second.ok);
        const QString ng1 = CountsText(rows[i].second.ng);
        update.addBindValue(ok1);
        update.addBindValue(ng1);
        update.addBindValue(rows[i].first);
        ok = update.exec();
        if (ok && update.numRowsAffected() == 0) {
            insert.addBindValue(rows[i].first);
            insert.addBindValue(ok1);
            insert.addBindValue(ng1);
            ok = insert.exec();
        }
    }
    if (ok && alsoDo)
        ok = alsoDo();
    if (!ok) {
        const QSqlError e = insert.lastError().isValid() ? insert.lastError() : update.lastError();
        qWarning("statistics: %s", qPrintable(e.text()));
        db.rollback();
        return false;
    }
    return db.commit();
}
