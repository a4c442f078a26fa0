#include "Myxls.h"

#include "ProductionDay.h"
#include "ResStatisticsParam.h"
#include "StatisticsFile.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>

#include <xlsxwriter.h>

#include <algorithm>

Myxls* gpMyxls = nullptr;

namespace {
const char* const kConnection = "dbXls";
}

Myxls::Myxls()
    : Myxls(Options{})
{
}

Myxls::Myxls(Options options)
    : m_opt(std::move(options))
{
    m_opt.workDir = QDir(m_opt.workDir).absolutePath();
}

Myxls::~Myxls()
{
    QSqlDatabase::removeDatabase(QLatin1String(kConnection));
}

QList<Myxls::DayCounts> Myxls::laodRecord(const QString& file, int cameras)
{
    QHash<QString, CountDetect> rows;
    {
        QSqlDatabase db = QSqlDatabase::contains(QLatin1String(kConnection))
                              ? QSqlDatabase::database(QLatin1String(kConnection), false)
                              : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(kConnection));
        db.setDatabaseName(file);
        // A day that cannot be read exports as zeros; the other days still go out.
        if (QFile::exists(file) && db.open())
            ReadStatisticsRows(db, &rows);
        db.close();
    }
    QList<DayCounts> days;
    for (int c = 0; c < cameras; ++c) {
        const CountDetect s0 = rows.value(StatisticsRowName(c, 0));
        const CountDetect s1 = rows.value(StatisticsRowName(c, 1));
        DayCounts d{QList<int>(24, 0), QList<int>(24, 0)};
        for (int h = 0; h < 24; ++h) {
            d.ok[h] = AddCounts(s0.ok.value(h), s1.ok.value(h));
            d.ng[h] = AddCounts(s0.ng.value(h), s1.ng.value(h));
        }
        days.append(d);
    }
    return days;
}

bool Myxls::ImportRes(const QString& path)
{
    m_error.clear();
    const int cameras = std::clamp(m_opt.cameraCount ? m_opt.cameraCount() : 8, 0, 8);
    const QDateTime now = m_opt.clock ? m_opt.clock() : QDateTime::currentDateTime();

    // Today's file first, then the archives oldest first.
    QList<QPair<QString, QString>> days;  // label, file
    // The working file's rows are the store's day, which may still be
    // yesterday's until the first count of the new day rolls it over.
    QString open = ResStatisticsParam::StoredDate(m_opt.workDir);
    if (open.isEmpty())
        open = ProductionDateText(now);
    days.append({open, m_opt.workDir + QStringLiteral("/ResStatistics.db")});
    const QDir archive(m_opt.workDir + QStringLiteral("/ResStatistics"));
    for (const QString& f : archive.entryList({QStringLiteral("*.db")}, QDir::Files, QDir::Name))
        days.append({f.chopped(3), archive.absoluteFilePath(f)});

    lxw_workbook* wb = workbook_new(QFile::encodeName(path).constData());
    if (!wb) {
        m_error = QStringLiteral("cannot create %1").arg(path);
        return false;
    }
    QList<lxw_worksheet*> sheets;
    for (int c = 0; c < cameras; ++c) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, QStringLiteral("Camera%1").arg(c).toUtf8().constData());
        worksheet_write_string(ws, 0, 0, "日期", nullptr);
        for (int j = 1; j <= 24; ++j)
            worksheet_write_string(ws, 0, lxw_col_t(j), QStringLiteral("%1:00").arg((j + 7) % 24).toUtf8().constData(), nullptr);
        sheets.append(ws);
    }
    for (int k = 0; k < days.size(); ++k) {
        const QList<DayCounts> counts = laodRecord(days[k].second, cameras);
        const lxw_row_t row = lxw_row_t(2 * k + 1);
        const QByteArray okLabel = (days[k].first + QStringLiteral("-ok")).toUtf8();
        const QByteArray ngLabel = (days[k].first + QStringLiteral("-ng")).toUtf8();
        for (int c = 0; c < cameras; ++c) {
            worksheet_write_string(sheets[c], row, 0, okLabel.constData(), nullptr);
            worksheet_write_string(sheets[c], row + 1, 0, ngLabel.constData(), nullptr);
            for (int j = 1; j <= 24; ++j) {
                const int h = (j + 7) % 24;
                worksheet_write_number(sheets[c], row, lxw_col_t(j), counts[c].ok[h], nullptr);
                worksheet_write_number(sheets[c], row + 1, lxw_col_t(j), counts[c].ng[h], nullptr);
            }
        }
    }
    const lxw_error err = workbook_close(wb);
    if (err != LXW_NO_ERROR) {
        m_error = QString::fromUtf8(lxw_strerror(err));
        QFile::remove(path);
        return false;
    }
    return true;
}
