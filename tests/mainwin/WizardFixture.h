#pragma once
// A main window built in a fresh working directory, with the parameter rows
// a test wants changed first.
#include "TestSupport.h"

#include "foundation/MainGlobals.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"

#include <QDir>
#include <QImage>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

// Sets value `pos` (1-based) of row `key` in PARAM.db of the current directory.
inline bool SetParamValue(const QString& key, int pos, int value)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        db.setDatabaseName(QStringLiteral("PARAM.db"));
        if (db.open()) {
            QSqlQuery q(db);
            q.prepare(QStringLiteral("select value from sysparam where name=?"));
            q.addBindValue(key);
            if (q.exec() && q.next()) {
                QStringList v = q.value(0).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
                while (v.size() < pos)
                    v << QStringLiteral("0");
                v[pos - 1] = QString::number(value);
                QSqlQuery u(db);
                u.prepare(QStringLiteral("update sysparam set value=? where name=?"));
                u.addBindValue(v.join(QLatin1Char(' ')));
                u.addBindValue(key);
                ok = u.exec();
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    return ok;
}

// Lines of the one log-manager file of this start.
inline QStringList LogFileLines(const QString& dir)
{
    QDir d(dir + QStringLiteral("/RECORD/LOG"));
    const QStringList files = d.entryList({QStringLiteral("*_log.txt")}, QDir::Files, QDir::Name);
    if (files.isEmpty())
        return {};
    QFile f(d.filePath(files.last()));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Rows of the operation log (remarks column).
inline QStringList OperationLogRows()
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture-record"));
        db.setDatabaseName(QStringLiteral("RECORD.db"));
        if (db.open()) {
            QSqlQuery q(QStringLiteral("select remarks from RECORD"), db);
            while (q.next())
                rows << q.value(0).toString();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture-record"));
    return rows;
}

// One defect area over the whole view in the product and mould steps of the
// first camera, with `good` as template 0 of both steps.
inline bool AddWholeViewDefectSteps(const QImage& good)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture-rois"));
        db.setDatabaseName(QStringLiteral("PARAM.db"));
        if (db.open()) {
            const QString box = QStringLiteral("0 0 %1 %2").arg(gShowW - 1).arg(gShowH - 1);
            QSqlQuery q(db);
            ok = q.exec(QStringLiteral("INSERT INTO cammer0 VALUES('detect0', '1'), ('detect1', '1'), "
                                       "('ROI0-0', '3 45 100 0 1 0 0 %1'), ('ROI1-0', '3 45 100 0 1 0 0 %1')")
                            .arg(box));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture-rois"));
    for (const char* d : {"cammer11", "cammer12"}) {
        QDir().mkpath(QLatin1String(d));
        ok = good.save(QLatin1String(d) + QStringLiteral("/template0.bmp")) && ok;
    }
    return ok;
}
