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
    for (int i = 0; i < spans.size(); ++i) {
        // Sheet names are unique: the day, with a number when a day repeats.
        QString sheet = spans[i].from.left(10);
        if (workbook_get_worksheet_by_name(wb, sheet.toUtf8().constData()))
            sheet += QStringLiteral(" (%1)").arg(i + 1);
        lxw_worksheet* ws = workbook_add_worksheet(wb, sheet.toUtf8().constData());
        worksheet_write_string(ws, 0, 0, "序号", nullptr);
        worksheet_write_string(ws, 0, 1, "检测时间", nullptr);
        worksheet_write_string(ws, 0, 2, "周期(s)", nullptr);
        worksheet_set_column(ws, 1, 1, 26, nullptr);
        const QList<Cycle> cycles = Select(files, spans[i]);
        for (int r = 0; r < cycles.size(); ++r) {
            worksheet_write_number(ws, lxw_row_t(r + 1), 0, r + 1, nullptr);
            worksheet_write_string(ws, lxw_row_t(r + 1), 1, cycles[r].start.toUtf8().constData(), nullptr);
            worksheet_write_number(ws, lxw_row_t(r + 1), 2, cycles[r].seconds, nullptr);
        }
    }
    const lxw_error err = workbook_close(wb);
    if (err != LXW_NO_ERROR) {
        out << "export failed: " << lxw_strerror(err) << "\n";
        QFile::remove(name);
        return 1;
    }
    out << name << " export finished\n";
    return 0;
}
