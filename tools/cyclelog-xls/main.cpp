// Export program of the detection-cycle log. Run in the monitor's working
// directory without arguments: reads the request sql.txt (one SELECT per
// calendar day), collects the matching cycles from DetectCycle.db and the
// day files under ./DetectCycle, writes one workbook with a sheet per day and
// prints "<workbook> export finished". The times of each request line are
// taken out of the line and bound as values; the line is never run as SQL.
#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>
#include <QVariant>

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

struct Span {
    QString from;
    QString to;
};

struct Cycle {
    QString start;
    double seconds = 0;
};

QList<Span> ReadRequest(const QString& path)
{
    static const QRegularExpression times(
        QStringLiteral("BETWEEN\\s+datetime\\(\"([0-9: .-]+)\"\\)\\s+AND\\s+datetime\\(\"([0-9: .-]+)\"\\)"));
    QList<Span> spans;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return spans;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = times.match(line);
        if (m.hasMatch())
            spans.append({m.captured(1), m.captured(2)});
    }
    return spans;
}

// The working file and every day file; a file named by a day after the span
// holds no cycle of it (a file only gains cycles after its own day).
QList<QPair<QDate, QString>> DayFiles()
{
    QList<QPair<QDate, QString>> files;
    QFile t(QStringLiteral("DetectCycle/time.txt"));
    QDate working;
    if (t.open(QIODevice::ReadOnly))
        working = QDate::fromString(QString::fromUtf8(t.readAll()).trimmed().left(10), QStringLiteral("yyyy-MM-dd"));
    if (QFile::exists(QStringLiteral("DetectCycle.db")))
        files.append({working, QStringLiteral("DetectCycle.db")});
    const QDir dir(QStringLiteral("DetectCycle"));
    for (const QString& f : dir.entryList({QStringLiteral("*.db")}, QDir::Files, QDir::Name))
        files.append({QDate::fromString(f.chopped(3), QStringLiteral("yyyy-MM-dd")), dir.filePath(f)});
    return files;
}

QList<Cycle> Select(const QList<QPair<QDate, QString>>& files, const Span& span)
{
    QList<Cycle> cycles;
    const QDate last = QDate::fromString(span.to.left(10), QStringLiteral("yyyy-MM-dd"));
    for (const auto& [day, path] : files) {
        if (day.isValid() && last.isValid() && day > last)
            continue;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("xls"));
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            if (db.open()) {
                QSqlQuery q(db);
                q.prepare(QStringLiteral("SELECT roundstart, roundtime FROM detect_cycle "
                                         "WHERE roundstart >= ? AND roundstart <= ?"));
                q.addBindValue(span.from);
                q.addBindValue(span.to);
                if (q.exec())
                    while (q.next())
                        cycles.append({q.value(0).toString(), q.value(1).toDouble()});
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("xls"));
    }
    std::sort(cycles.begin(), cycles.end(), [](const Cycle& a, const Cycle& b) { return a.start < b.start; });
    return cycles;
}

// A sheet name the library takes: the day with the characters a sheet name
// may not hold replaced (a damaged request can put a ':' there), made unique
// with the request's number, else a plain numbered name.
QString SheetName(lxw_workbook* wb, const QString& from, int index)
{
    QString day = from.left(10);
    for (QChar& c : day)
        if (QStringLiteral("[]:*?/\\").contains(c))
            c = QLatin1Char('_');
    const QStringList candidates{day, day + QStringLiteral(" (%1)").arg(index + 1),
                                 QStringLiteral("Sheet%1").arg(index + 1)};
    for (const QString& name : candidates)
        if (!name.trimmed().isEmpty() && workbook_validate_sheet_name(wb, name.toUtf8().constData()) == LXW_NO_ERROR)
            return name;
    return QString();
}

// Writes one day's sheet; false at the first call the library refuses.
bool WriteSheet(lxw_worksheet* ws, const QList<Cycle>& cycles)
{
    bool ok = worksheet_write_string(ws, 0, 0, "序号", nullptr) == LXW_NO_ERROR
        && worksheet_write_string(ws, 0, 1, "检测时间", nullptr) == LXW_NO_ERROR
        && worksheet_write_string(ws, 0, 2, "周期(s)", nullptr) == LXW_NO_ERROR
        && worksheet_set_column(ws, 1, 1, 26, nullptr) == LXW_NO_ERROR;
    for (int r = 0; ok && r < cycles.size(); ++r) {
        const auto row = lxw_row_t(r + 1);
        ok = worksheet_write_number(ws, row, 0, r + 1, nullptr) == LXW_NO_ERROR
            && worksheet_write_string(ws, row, 1, cycles[r].start.toUtf8().constData(), nullptr) == LXW_NO_ERROR;
        // A spreadsheet has no infinite or undefined number: the cell stays empty.
        if (ok && std::isfinite(cycles[r].seconds))
            ok = worksheet_write_number(ws, row, 2, cycles[r].seconds, nullptr) == LXW_NO_ERROR;
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QList<Span> spans = ReadRequest(QStringLiteral("sql.txt"));
    if (spans.isEmpty()) {
        out << "export failed: no request in sql.txt\n";
        return 1;
    }
    const QString name = QStringLiteral("DetectCycle_%1.xlsx")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh.mm.ss")));
    lxw_workbook* wb = workbook_new(QFile::encodeName(name).constData());
    if (!wb) {
        out << "export failed: cannot create " << name << "\n";
        return 1;
    }
    const auto files = DayFiles();
    QString failure;
    for (int i = 0; failure.isEmpty() && i < spans.size(); ++i) {
        const QString sheet = SheetName(wb, spans[i].from, i);
        lxw_worksheet* ws = sheet.isEmpty() ? nullptr : workbook_add_worksheet(wb, sheet.toUtf8().constData());
        if (!ws)
            failure = QStringLiteral("no sheet for the request %1").arg(i + 1);
        else if (!WriteSheet(ws, Select(files, spans[i])))
            failure = QStringLiteral("cannot write the sheet %1").arg(sheet);
    }
    const lxw_error err = workbook_close(wb);
    if (failure.isEmpty() && err != LXW_NO_ERROR)
        failure = QString::fromUtf8(lxw_strerror(err));
    if (!failure.isEmpty()) {
        out << "export failed: " << failure << "\n";
        QFile::remove(name);
        return 1;
    }
    out << name << " export finished\n";
    return 0;
}
