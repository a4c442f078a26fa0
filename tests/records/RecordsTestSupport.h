#pragma once
// Helpers of the production-records tests: statistics files read back with
// the sqlite3 shell, a settable clock.
#include "../params/ParaTestDb.h"

#include <QDateTime>
#include <QFile>

// value1|value2 of one row of a statistics file, "" when the row is missing.
inline QString StatRow(const QString& file, const QString& name)
{
    const QStringList rows = SqliteRows(file, QStringLiteral("select value1 || '|' || value2 from resstatistics where name='%1'").arg(name));
    return rows.value(0);
}

// 24 counts with the given hours set, as the file stores them.
inline QString Hours(std::initializer_list<std::pair<int, int>> set)
{
    QList<int> v(24, 0);
    for (auto [h, n] : set)
        v[h] = n;
    QString s;
    for (int n : v)
        s += QString::number(n) + QLatin1Char(' ');
    return s;
}

inline QDateTime At(const char* iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

inline void WriteText(const QString& name, const QByteArray& data)
{
    QFile f(name);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(data);
}

inline QByteArray ReadText(const QString& name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

#include <QMap>
#include <QProcess>
#include <QXmlStreamReader>

// One member of a zip file (unzip -p), "" when it cannot be read.
inline QByteArray ZipMember(const QString& zip, const QString& member)
{
    QProcess p;
    p.start(QStringLiteral("unzip"), {QStringLiteral("-p"), zip, member});
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

// Cells of sheet n (1-based) of an .xlsx by reference ("A1" -> text), shared
// strings resolved: what a spreadsheet program shows.
inline QMap<QString, QString> XlsxCells(const QString& file, int sheet)
{
    QStringList shared;
    QXmlStreamReader ss(ZipMember(file, QStringLiteral("xl/sharedStrings.xml")));
    while (!ss.atEnd())
        if (ss.readNext() == QXmlStreamReader::StartElement && ss.name() == QLatin1String("si"))
            shared << ss.readElementText(QXmlStreamReader::IncludeChildElements);
    QMap<QString, QString> cells;
    QXmlStreamReader x(ZipMember(file, QStringLiteral("xl/worksheets/sheet%1.xml").arg(sheet)));
    QString ref;
    QString type;
    while (!x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (x.name() == QLatin1String("c")) {
            ref = x.attributes().value(QLatin1String("r")).toString();
            type = x.attributes().value(QLatin1String("t")).toString();
        } else if (x.name() == QLatin1String("v")) {
            const QString v = x.readElementText();
            cells[ref] = type == QLatin1String("s") ? shared.value(v.toInt()) : v;
        }
    }
    return cells;
}

// Sheet names of an .xlsx in their order.
inline QStringList XlsxSheets(const QString& file)
{
    QStringList names;
    QXmlStreamReader x(ZipMember(file, QStringLiteral("xl/workbook.xml")));
    while (!x.atEnd())
        if (x.readNext() == QXmlStreamReader::StartElement && x.name() == QLatin1String("sheet"))
            names << x.attributes().value(QLatin1String("name")).toString();
    return names;
}
