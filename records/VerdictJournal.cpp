#include "VerdictJournal.h"

#include "Counters.h"
#include "ResStatisticsParam.h"
#include "StatisticsFile.h"
#include "foundation/VisionHash.h"
#include "platform/SafeWrite.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>

#include <algorithm>
#include <climits>
#include <limits>

namespace {
const char* const kFile = "verdict-journal.txt";
const char* const kHeader = "verdict-journal 1";
constexpr int kHours = 24;

QString InDir(const QString& workDir, const char* name)
{
    return workDir + QLatin1Char('/') + QLatin1String(name);
}

QByteArray Numbers(const QList<int>& values)
{
    QByteArray out;
    for (int v : values)
        out += ' ' + QByteArray::number(v);
    return out;
}

QByteArray Text(const VerdictRecord& r)
{
    QByteArray t = QByteArray(kHeader) + '\n';
    t += "seq " + QByteArray::number(r.seq) + '\n';
    QList<int> totals;
    for (int c = 0; c < 8; ++c)
        totals << r.all[c] << r.fail[c];
    t += "counts" + Numbers(totals) + '\n';
    if (!r.statisticsDay.isEmpty())
        t += "day " + r.statisticsDay.toUtf8() + '\n';
    for (const auto& [name, d] : r.rows)
        t += "row " + name.toUtf8() + " ok" + Numbers(d.ok.mid(0, kHours)) + " ng" + Numbers(d.ng.mid(0, kHours)) + '\n';
    const StandingAlarm& a = r.alarm;
    t += "alarm " + QByteArray(a.standing ? "1" : "0");
    if (a.standing) {
        t += " step " + QByteArray::number(a.step) + " cameras " + QByteArray::number(a.cameras) + " outputs " +
             QByteArray::number(a.outputs) + " since " + QByteArray::number(a.sinceMs) + '\n';
        // One line: the text is the operation log's, never several lines.
        t += "alarm-text " + QString(a.text).replace(QLatin1Char('\n'), QLatin1Char(' ')).remove(QLatin1Char('\r')).toUtf8();
    }
    t += '\n';
    return t + "check " + MD5Hex(t) + '\n';
}

// Numbers [from, from + n) of `words` into `out`, each within 0..limit.
bool TakeNumbers(const QList<QByteArray>& words, int from, int n, qint64 limit, QList<qint64>* out)
{
    if (words.size() < from + n)
        return false;
    for (int i = from; i < from + n; ++i) {
        bool ok = false;
        const qint64 v = words[i].toLongLong(&ok);
        if (!ok || v < 0 || v > limit)
            return false;
        out->append(v);
    }
    return true;
}

bool ParseAlarm(const QList<QByteArray>& w, StandingAlarm* a)
{
    if (w.size() == 2 && w[1] == "0")
        return true;
    if (w.size() != 10 || w[1] != "1" || w[2] != "step" || w[4] != "cameras" || w[6] != "outputs" || w[8] != "since")
        return false;
    bool ok[4] = {};
    a->standing = true;
    a->step = w[3].toInt(&ok[0]);
    a->cameras = w[5].toUInt(&ok[1]);
    a->outputs = w[7].toUInt(&ok[2]);
    a->sinceMs = w[9].toLongLong(&ok[3]);
    return ok[0] && ok[1] && ok[2] && ok[3] && a->step >= -1 && a->step < 8 && a->cameras < 256u && a->outputs < 512u;
}

// Why `text` is no record (empty when it is one).
QString Parse(const QByteArray& text, VerdictRecord* r)
{
    const qsizetype check = text.lastIndexOf("\ncheck ");
    if (!text.startsWith(QByteArray(kHeader) + '\n') || check < 0)
        return QStringLiteral("not a verdict journal, or cut short");
    const QByteArray body = text.left(check + 1);
    if (text.mid(check + 7).trimmed() != MD5Hex(body))
        return QStringLiteral("its check sum does not match its content");
    static const QRegularExpression rowName(QStringLiteral("^C[0-8]_D[0-8]$"));
    bool seq = false;
    bool counts = false;
    QSet<QByteArray> rows;
    const QList<QByteArray> lines = body.split('\n');
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (line.isEmpty())
            continue;
        const QList<QByteArray> w = line.split(' ');
        QList<qint64> v;
        if (w[0] == "seq" && w.size() == 2 && TakeNumbers(w, 1, 1, std::numeric_limits<qint64>::max(), &v) && v[0] > 0) {
            r->seq = quint64(v[0]);
            seq = true;
        } else if (w[0] == "counts" && w.size() == 17 && TakeNumbers(w, 1, 16, INT_MAX, &v)) {
            // Totals an earlier version counted past the limit hold there too.
            for (int c = 0; c < 8; ++c) {
                r->all[c] = int(HeldCount(v[2 * c]));
                r->fail[c] = int(HeldCount(v[2 * c + 1]));
            }
            counts = true;
        } else if (w[0] == "day" && w.size() == 2) {
            r->statisticsDay = QString::fromUtf8(w[1]);
        } else if (w[0] == "row" && w.size() == 4 + 2 * kHours && rowName.match(QString::fromUtf8(w[1])).hasMatch()
                   && w[2] == "ok" && w[3 + kHours] == "ng" && TakeNumbers(w, 3, kHours, INT_MAX, &v)
                   && TakeNumbers(w, 4 + kHours, kHours, INT_MAX, &v)) {
            if (rows.contains(w[1]))
                return QStringLiteral("line %1 names row %2 again").arg(i + 1).arg(QString::fromUtf8(w[1]));
            rows.insert(w[1]);
            CountDetect d;
            initStuCountDetect(d);
            for (int h = 0; h < kHours; ++h) {
                d.ok[h] = int(v[h]);
                d.ng[h] = int(v[kHours + h]);
            }
            r->rows.append({QString::fromUtf8(w[1]), d});
        } else if (w[0] == "alarm" && ParseAlarm(w, &r->alarm)) {
        } else if (w[0] == "alarm-text" && r->alarm.standing) {
            r->alarm.text = QString::fromUtf8(line.mid(11));
        } else {
            return QStringLiteral("line %1 cannot be read: %2").arg(i + 1).arg(QString::fromUtf8(line.left(60)));
        }
    }
    if (!seq || !counts)
        return QStringLiteral("the sequence number or the totals are missing");
    return {};
}

bool SameCounts(const CountDetect& a, const CountDetect& b)
{
    return a.ok.mid(0, kHours) == b.ok.mid(0, kHours) && a.ng.mid(0, kHours) == b.ng.mid(0, kHours);
}

// Writes the record's rows the working statistics file lacks; true when any did.
bool FinishRows(const VerdictRecord& r, const QString& workDir)
{
    const QString file = InDir(workDir, "ResStatistics.db");
    // Rows of a day since closed belong to its archive, which took them whole.
    if (r.rows.isEmpty() || !QFile::exists(file) || ResStatisticsParam::StoredDate(workDir) != r.statisticsDay)
        return false;
    const QString name = QStringLiteral("verdictJournal");
    bool written = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        QHash<QString, CountDetect> stored;
        if (db.open() && ReadStatisticsRows(db, &stored)) {
            QList<QPair<QString, CountDetect>> behind;
            for (const auto& row : r.rows)
                if (!stored.contains(row.first) || !SameCounts(stored.value(row.first), row.second))
                    behind.append(row);
            written = !behind.isEmpty() && WriteStatisticsRows(db, behind);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return written;
}
}  // namespace

StandingAlarm StandingAlarm::Hold(const QString& why)
{
    StandingAlarm a;
    a.standing = true;
    a.cameras = 0xFF;
    a.outputs = (1u << 0) | (1u << 2);  // clamp held, alarm on
    a.sinceMs = QDateTime::currentMSecsSinceEpoch();
    a.text = why;
    return a;
}

namespace VerdictJournal {

QString Path(const QString& workDir)
{
    return InDir(workDir, kFile);
}

FileState Read(VerdictRecord* record, QString* why, const QString& workDir)
{
    QFile f(Path(workDir));
    if (!f.exists())
        return FileState::Missing;
    VerdictRecord r;
    const QString wrong = f.open(QIODevice::ReadOnly) ? Parse(f.readAll(), &r) : f.errorString();
    if (!wrong.isEmpty()) {
        if (why)
            *why = wrong;
        return FileState::Damaged;
    }
    *record = r;
    return FileState::Ok;
}

// Writes `record` with the sequence number after the one on file.
static bool WriteNext(VerdictRecord record, const QString& workDir)
{
    VerdictRecord last;
    record.seq = Read(&last, nullptr, workDir) == FileState::Ok ? last.seq + 1 : 1;
    return SafeWrite::Write(Path(workDir), Text(record));
}

bool Write(VerdictRecord record, const QString& workDir)
{
    std::copy(std::begin(gAllNum), std::end(gAllNum), record.all);
    std::copy(std::begin(gFailNum), std::end(gFailNum), record.fail);
    return WriteNext(record, workDir);
}

bool WriteAlarm(const StandingAlarm& alarm, const QString& workDir)
{
    VerdictRecord r;
    CountFileRead(InDir(workDir, "count.txt"), r.all, r.fail);
    r.alarm = alarm;
    return WriteNext(r, workDir);
}

bool Store(const VerdictRecord& record, const std::function<void()>& saveStatistics, const QString& workDir)
{
    // A record that could not be written leaves the stores unguarded, not unwritten.
    Write(record, workDir);
    const bool counted = CountWrite(InDir(workDir, "count.txt"));
    if (saveStatistics)
        saveStatistics();
    return counted;
}

bool StoreTotals(const QString& workDir)
{
    // The rows and the alarm on file stay as they are: only the totals changed.
    VerdictRecord r;
    Read(&r, nullptr, workDir);
    return Store(r, {}, workDir);
}

StartUp Complete(const QString& workDir)
{
    StartUp out;
    VerdictRecord r;
    QString why;
    out.state = Read(&r, &why, workDir);
    if (out.state == FileState::Damaged) {
        // Kept for whoever looks into it; the next verdict starts a new one.
        const QString kept = Path(workDir) + QDateTime::currentDateTime().toString(QStringLiteral(".'damaged'-yyyyMMdd-hhmmss"));
        const bool moved = QFile::rename(Path(workDir), kept);
        out.problem = moved ? QStringLiteral("%1 (kept as %2)").arg(why, kept) : why;
        qWarning("verdict journal: %s", qPrintable(out.problem));
        return out;
    }
    if (out.state == FileState::Missing)
        return out;
    out.seq = r.seq;
    out.alarm = r.alarm;
    const QString countFile = InDir(workDir, "count.txt");
    int all[8];
    int fail[8];
    CountFileRead(countFile, all, fail);
    if (!std::equal(all, all + 8, r.all) || !std::equal(fail, fail + 8, r.fail))
        out.countsFinished = CountFileWrite(countFile, r.all, r.fail);
    out.rowsFinished = FinishRows(r, workDir);
    if (out.countsFinished || out.rowsFinished)
        qWarning("verdict journal: verdict %llu was not in every store; start-up finished it (count.txt %s, statistics %s)",
                 static_cast<unsigned long long>(r.seq), out.countsFinished ? "written" : "as it was",
                 out.rowsFinished ? "written" : "as they were");
    return out;
}

}  // namespace VerdictJournal
