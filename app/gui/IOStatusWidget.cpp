#include "IOStatusWidget.h"

#include "app/ControlPort.h"
#include "app/StatusLayout.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "params/WizardPara.h"
#include "widgets/C_Type_COM.h"
#include "widgets/SkinPixmaps.h"

#include <QFontMetrics>
#include <QPainter>

namespace {
QFont BarFont(int pixelSize)
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(std::max(pixelSize, 1));
    return f;
}

int TextWidth(const QString& text, int pixelSize)
{
    return QFontMetrics(BarFont(pixelSize)).horizontalAdvance(text);
}

StatusClass BarClass()
{
    return StatusClassFor(gShowW, gShowH);
}
}  // namespace

int StatusHost::ioState(int direction, int index) const
{
    if (!gpControlIO)
        return 0;
    // An inverted alarm output is high in production: the lamp shows the
    // function (alarm on), not the wire level.
    return direction ? gpControlIO->OutputActive(index) : gpControlIO->IOState(0, index);
}

IOStatusWidget::IOStatusWidget(QWidget* parent, StatusHost* host)
    : QWidget(parent)
    , m_host(host)
{
    const int h = StatusSizesFor(BarClass()).barHeight;
    setGeometry(0, gShowH - h, gShowW, h);
}

QRect IOStatusWidget::Text::rect() const
{
    const QFont font = BarFont(pixelSize);
    return QRect(QPoint(x, baseline - QFontMetrics(font).ascent()), TextPlacer::TextSize(font, text));
}

// Left end of a text row lying from top to bottom: right of the lamps it
// would run into, with the gap the bar keeps between inputs and outputs.
int IOStatusWidget::FreeLeft(int top, int bottom) const
{
    int left = 7;
    for (const StatusLamp& l : StatusLamps(*gpWPara, BarClass())) {
        const QRect r = l.lamp | l.nameBox;
        if (r.top() <= bottom && r.bottom() >= top)
            left = std::max(left, r.right() + 1 + 20);
    }
    return left;
}

// Items of one or two rows: `lower` on lowerBaseline, `upper` on the row
// above it, each from x (x < 0: right of the lamps beside that row).
// Tight rows step by the measured widths instead of the bar's spacing rule.
// Empty when something would leave the bar or the room left of the command
// column.
QList<IOStatusWidget::Text> IOStatusWidget::Arrange(const QList<Text>& upper, const QList<Text>& lower, int x,
                                                    int lowerBaseline, bool tight) const
{
    const StatusSizes& z = StatusSizesFor(BarClass());
    const int limit = width() - m_rightReserve;
    QList<Text> out;
    auto row = [&](QList<Text> items, int baseline) {
        int top = baseline;
        int bottom = baseline;
        for (Text& t : items) {
            t.baseline = baseline;
            const QRect r = t.rect();
            top = std::min(top, r.top());
            bottom = std::max(bottom, r.bottom());
        }
        int at = x >= 0 ? x : FreeLeft(top, bottom);
        for (Text& t : items) {
            t.x = at;
            out << t;
            if (tight)
                at += t.width + t.pixelSize / 2;
            // The spacing rule of thumb assumes Latin letters; a Chinese
            // caption is wider, so never step less than its measured width.
            else if (t.group)
                at += std::max(int((t.text.size() + 1) * t.pixelSize * 0.55) + t.pixelSize, t.width + t.pixelSize);
            else
                at += std::max(z.loginAdvance + 20 * gLan, t.width + t.pixelSize);
        }
        return top;
    };
    const int lowerTop = row(lower, lowerBaseline);
    if (!upper.isEmpty()) {
        int descent = 0;
        for (const Text& t : upper)
            descent = std::max(descent, QFontMetrics(BarFont(t.pixelSize)).descent());
        const QList<Text> lowerRow = out;
        out.clear();
        row(upper, lowerTop - 2 - descent);
        out += lowerRow;  // reading order: the upper row first
    }
    for (const Text& t : out) {
        const QRect r = t.rect();
        if (r.left() < 0 || r.right() >= limit || r.top() < 0 || r.bottom() >= height())
            return {};
    }
    return out;
}

QList<IOStatusWidget::Text> IOStatusWidget::TextLine(const QDateTime& now) const
{
    if (!gpWPara)
        return {};
    const WizardPara& p = *gpWPara;
    const StatusClass bar = BarClass();
    const bool large = bar != StatusClass::Small;
    const StatusSizes& z = StatusSizesFor(bar);
    const StatusSizes& floor = StatusSizesFor(StatusClass::Small);
    const int start = StatusTextStart(StatusLamps(p, bar), bar);
    const QStringList groups = m_host->parameterGroups();
    const int g = p.paraGroupIndex;
    const bool named = g >= 0 && g < groups.size() && groups[g] != QLatin1String("default");
    const qint64 cycle = m_host->lastCycleTime();

    QList<Text> head;   // group and login
    QList<Text> dates;  // date and cycle time, shorter and shorter
    auto build = [&](double scale) {
        const int textFont = std::max(int(z.textFont * scale), floor.textFont);
        const int groupFont = std::max(int(z.groupFont * scale), floor.groupFont);
        auto item = [](const QString& text, const QColor& colour, int size) {
            return Text{text, colour, size, 0, TextWidth(text, size), 0};
        };
        head.clear();
        if (named) {
            head << item(LanStr(557) + QLatin1Char(':') + groups[g], Qt::red, groupFont);
            head.last().group = true;
        }
        if (p.passwordUsed) {
            const bool open = m_host->unlockLevel() != 0;
            head << item(LanStr(open ? 308 : 156), open ? Qt::green : Qt::red, textFont);
        }
        // Fewer characters where room is short: without the year and
        // seconds, then the time of day alone.
        auto dated = [&](const QString& format) {
            return item(LanStr(110).arg(now.toString(format)).arg(double(cycle) / 10.0, 4, 'f', 1), Qt::green,
                        textFont);
        };
        dates = {item(StatusTimeText(now, cycle), Qt::green, textFont), dated(QStringLiteral("MM-dd hh:mm")),
                 dated(QStringLiteral("hh:mm"))};
    };

    // The bar's own sizes first; a wide bar whose lamps leave no room goes
    // down step by step, never below the small bar's sizes.
    const QList<double> scales = large ? QList<double>{1.0, 0.8, 0.6, 0.45} : QList<double>{1.0};
    for (double scale : scales) {
        build(scale);
        const int rowStep = QFontMetrics(BarFont(dates[0].pixelSize)).height() + 2;
        for (const Text& date : dates) {
            for (bool tight : {false, true}) {
                const QList<Text> all = head + QList<Text>{date};
                QList<Text> line;
                if (!(line = Arrange({}, all, start, z.baseline, tight)).isEmpty()
                    || !(line = Arrange(head, {date}, start, z.baseline, tight)).isEmpty())
                    return line;
                // Rows wherever the lamps leave room, from the bar's baseline up.
                for (int b = z.baseline; b > 0; b -= rowStep)
                    if (!(line = Arrange({}, all, -1, b, tight)).isEmpty()
                        || !(line = Arrange(head, {date}, -1, b, tight)).isEmpty())
                        return line;
            }
        }
    }
    // Last: the group name elided to what is left (the shorter the date,
    // the more of it), or left out.
    const QList<Text> rest = head.mid(named ? 1 : 0);
    QList<Text> without;
    for (const Text& date : dates) {
        const QList<Text> line = Arrange({}, rest + QList<Text>{date}, start, z.baseline, true);
        if (line.isEmpty())
            continue;
        if (without.isEmpty())
            without = line;
        if (!named)
            break;
        const Text& last = line.last();
        Text group = head[0];
        const int room = width() - m_rightReserve - (last.x + last.width) - group.pixelSize;
        group.text = QFontMetrics(BarFont(group.pixelSize)).elidedText(group.text, Qt::ElideRight, room);
        group.width = TextWidth(group.text, group.pixelSize);
        // A name cut to a letter or two says nothing.
        if (group.text.size() < LanStr(557).size() + 4)
            continue;
        const QList<Text> withGroup = Arrange({}, QList<Text>{group} + rest + QList<Text>{date}, start, z.baseline, true);
        if (!withGroup.isEmpty())
            return withGroup;
    }
    if (!without.isEmpty())
        return without;
    return Arrange({}, {dates.last()}, start, z.baseline, true);
}

QList<PlacedText> IOStatusWidget::PaintedTexts(const QDateTime& now) const
{
    QList<PlacedText> out;
    if (!gpWPara)
        return out;
    const StatusSizes& z = StatusSizesFor(BarClass());
    const QFont nameFont = BarFont(z.nameFont);
    const QFontMetrics fm(nameFont);
    for (const StatusLamp& l : StatusLamps(*gpWPara, BarClass())) {
        // A name wider than its lamp is elided, never shrunk below its size;
        // the gap between lamps keeps neighbouring names apart.
        const QRect room = l.nameBox;
        const QString name = fm.elidedText(l.name.trimmed(), Qt::ElideRight, room.width());
        if (name.isEmpty())
            continue;
        QRect r(QPoint(0, 0), TextPlacer::TextSize(nameFont, name));
        r.moveCenter(room.center());
        out << PlacedText{r, nameFont, QColor(0, 255, 255), name};
    }
    for (const Text& t : TextLine(now))
        out << PlacedText{t.rect(), BarFont(t.pixelSize), t.colour, t.text};
    return out;
}

IOStatusWidget::Shown IOStatusWidget::Signature() const
{
    Shown s;
    s.second = QDateTime::currentSecsSinceEpoch();
    s.unlockLevel = m_host->unlockLevel();
    s.lastCycleTime = m_host->lastCycleTime();
    for (int d = 0; d < 2; ++d)
        for (int i = 0; i < 13; ++i)
            if (m_host->ioState(d, i))
                s.lamps |= 1u << (16 * d + i);
    return s;
}

void IOStatusWidget::Refresh()
{
    if (Signature() != m_shown)
        update();
}

void IOStatusWidget::paintEvent(QPaintEvent*)
{
    m_shown = Signature();
    if (!gpWPara)
        return;
    QPainter painter(this);
    for (const StatusLamp& l : StatusLamps(*gpWPara, BarClass())) {
        const int on = m_host->ioState(l.input ? 0 : 1, l.index) ? 1 : 0;
        if (gpPixmapOUT)
            painter.drawPixmap(l.lamp, gpPixmapOUT[on]);
    }
    for (const PlacedText& t : PaintedTexts(QDateTime::currentDateTime())) {
        painter.setFont(t.font);
        painter.setPen(t.colour);
        painter.drawText(t.rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, t.text);
    }
}

void IOStatusWidget::mousePressEvent(QMouseEvent* event)
{
    m_host->lock();
    update();
    QWidget::mousePressEvent(event);
}
