#include "StatisticsCounts.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>

namespace {
constexpr int kHours = 24;
constexpr int kEntries = 8;
}  // namespace

void initStuCount(sCount& c)
{
    c.ng = 0;
    c.ok = 0;
}

void initStuCountDetect(CountDetect& c)
{
    c.ok = QList<int>(kHours, 0);
    c.ng = QList<int>(kHours, 0);
    initStuCount(c.morning);
    initStuCount(c.night);
    initStuCount(c.total);
}

void initStuCountCamera(CountCamera& c)
{
    initStuCountDetect(c.all);
    c.steps.resize(kEntries);
    for (CountDetect& s : c.steps)
        initStuCountDetect(s);
}

void initStuCountAllCamera(CountAllCamera& c)
{
    initStuCountCamera(c.all);
    c.cams.resize(kEntries);
    for (CountCamera& cam : c.cams)
        initStuCountCamera(cam);
}

int AddCounts(int a, int b)
{
    const qint64 sum = qint64(a) + qint64(b);
    return int(std::clamp<qint64>(sum, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

void clcCount(CountDetect& c)
{
    initStuCount(c.morning);
    initStuCount(c.night);
    initStuCount(c.total);
    for (int h = 0; h < kHours && h < c.ok.size() && h < c.ng.size(); ++h) {
        c.total.ok = AddCounts(c.total.ok, c.ok[h]);
        c.total.ng = AddCounts(c.total.ng, c.ng[h]);
        sCount& shift = (h >= 8 && h <= 19) ? c.morning : c.night;
        shift.ok = AddCounts(shift.ok, c.ok[h]);
        shift.ng = AddCounts(shift.ng, c.ng[h]);
    }
}

namespace {
// Entry-wise sum of the hourly lists of several records.
template <typename Records, typename Pick>
void SumInto(CountDetect& into, const Records& records, Pick pick)
{
    into.ok = QList<int>(kHours, 0);
    into.ng = QList<int>(kHours, 0);
    for (const auto& r : records) {
        const CountDetect& d = pick(r);
        for (int h = 0; h < kHours; ++h) {
            into.ok[h] = AddCounts(into.ok[h], d.ok.value(h));
            into.ng[h] = AddCounts(into.ng[h], d.ng.value(h));
        }
    }
}
}  // namespace

void clcCount(CountCamera& c)
{
    for (CountDetect& s : c.steps)
        clcCount(s);
    SumInto(c.all, c.steps, [](const CountDetect& s) -> const CountDetect& { return s; });
    clcCount(c.all);
}

void clcCount(CountAllCamera& c)
{
    for (CountCamera& cam : c.cams)
        clcCount(cam);
    c.all.steps.resize(kEntries);
    for (int s = 0; s < kEntries; ++s)
        SumInto(c.all.steps[s], c.cams, [s](const CountCamera& cam) -> const CountDetect& { return cam.steps[s]; });
    clcCount(c.all);
}

CountDetect& RecordOf(CountAllCamera& day, int cam, int step)
{
    CountCamera& c = cam == kAllIndex ? day.all : day.cams[cam];
    return step == kAllIndex ? c.all : c.steps[step];
}

const CountDetect& RecordOf(const CountAllCamera& day, int cam, int step)
{
    const CountCamera& c = cam == kAllIndex ? day.all : day.cams[cam];
    return step == kAllIndex ? c.all : c.steps[step];
}

QString CountsText(const QList<int>& counts)
{
    QString text;
    for (int h = 0; h < kHours; ++h)
        text += QString::number(counts.value(h)) + QLatin1Char(' ');
    return text;
}

QList<int> ParseCounts(const QString& text)
{
    static const QRegularExpression ws(QStringLiteral("\\s+"));
    QList<int> counts(kHours, 0);
    const QStringList words = text.split(ws, Qt::SkipEmptyParts);
    for (int h = 0; h < kHours && h < words.size(); ++h) {
        bool ok = false;
        const int v = words[h].toInt(&ok);
        if (!ok)
            break;  // a stream read stops at the first word that is no number
        counts[h] = v;
    }
    return counts;
}

QList<int> ShiftHours(ShiftType shift)
{
    QList<int> hours;
    if (shift == ShiftMorning) {
        for (int h = 8; h <= 19; ++h)
            hours << h;
    } else if (shift == ShiftNight) {
        for (int h = 20; h <= 31; ++h)
            hours << h % 24;
    } else if (shift == ShiftDay) {
        for (int h = 0; h < kHours; ++h)
            hours << h;
    }
    return hours;
}

QString NgRateText(int ng, int total)
{
    if (total <= 0)
        return QStringLiteral("0%");
    return QString::number(double(ng) * 100.0 / double(total), 'g', 4) + QLatin1Char('%');
}
