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
    const int h = StatusSizesFor(!IsSmallLayout()).barHeight;
    setGeometry(0, gShowH - h, gShowW, h);
}

QRect IOStatusWidget::Text::rect() const
{
    const QFont font = BarFont(pixelSize);
    return QRect(QPoint(x, baseline - QFontMetrics(font).ascent()), TextPlacer::TextSize(font, text));
}

// Items of one or two rows from x: `lower` on lowerBaseline, `upper` on the
// row above it. Empty when something would leave the bar or the room left
// of the command column.
QList<IOStatusWidget::Text> IOStatusWidget::Arrange(const QList<Text>& upper, const QList<Text>& lower, int x,
                                                    int lowerBaseline) const
{
    const StatusSizes& z = StatusSizesFor(!IsSmallLayout());
    const int limit = width() - m_rightReserve;
    QList<Text> out;
    auto row = [&](QList<Text> items, int baseline) {
        int at = x;
        for (Text& t : items) {
            t.x = at;
            t.baseline = baseline;
            out << t;
            // The spacing rule of thumb assumes Latin letters; a Chinese
            // caption is wider, so never step less than its measured width.
            if (t.pixelSize == z.groupFont)
                at += std::max(int((t.text.size() + 1) * t.pixelSize * 0.55) + t.pixelSize, t.width + t.pixelSize);
            else
                at += std::max(z.loginAdvance + 20 * gLan, t.width + t.pixelSize);
        }
    };
    row(lower, lowerBaseline);
    if (!upper.isEmpty()) {
        int ascent = 0;
        int descent = 0;
        for (const Text& t : upper) {
            const QFontMetrics fm(BarFont(t.pixelSize));
            ascent = std::max(ascent, fm.ascent());
            descent = std::max(descent, fm.descent());
        }
        int top = lowerBaseline;
        for (const Text& t : out)
            top = std::min(top, t.rect().top());
        const int baseline = top - 2 - descent;
        if (baseline - ascent < 0)
            return {};
        row(upper, baseline);
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
    const bool large = !IsSmallLayout();
    const StatusSizes& z = StatusSizesFor(large);
    const QList<StatusLamp> lamps = StatusLamps(p, large);
    const int start = StatusTextStart(lamps, large);
    auto item = [](const QString& text, const QColor& colour, int size) {
        return Text{text, colour, size, 0, TextWidth(text, size), 0};
    };

    QList<Text> head;  // group and login
    const QStringList groups = m_host->parameterGroups();
    const int g = p.paraGroupIndex;
    const bool named = g >= 0 && g < groups.size() && groups[g] != QLatin1String("default");
    if (named)
        head << item(LanStr(557) + QLatin1Char(':') + groups[g], Qt::red, z.groupFont);
    if (p.passwordUsed) {
        const bool open = m_host->unlockLevel() != 0;
        head << item(LanStr(open ? 308 : 156), open ? Qt::green : Qt::red, z.textFont);
    }
    const qint64 cycle = m_host->lastCycleTime();
    const Text full = item(StatusTimeText(now, cycle), Qt::green, z.textFont);
    // Fewer characters: the year and the seconds' separator go first.
    const Text brief = item(LanStr(110)
                                .arg(now.toString(QStringLiteral("MM-dd hh:mm")))
                                .arg(double(cycle) / 10.0, 4, 'f', 1),
                            Qt::green, z.textFont);

    int lampTop = height();
    for (const StatusLamp& l : lamps)
        lampTop = std::min({lampTop, l.lamp.top(), l.nameBox.top()});
    const int aboveBaseline = lampTop - 3 - QFontMetrics(BarFont(z.textFont)).descent();

    for (const Text& date : {full, brief}) {
        QList<Text> line;
        if (!(line = Arrange({}, head + QList<Text>{date}, start, z.baseline)).isEmpty())
            return line;
        if (!(line = Arrange(head, {date}, start, z.baseline)).isEmpty())
            return line;
        // A wide bar has room above its lamps.
        if (!(line = Arrange(head, {date}, 7, aboveBaseline)).isEmpty())
            return line;
    }
    // Last: the group name elided to what is left on one line.
    if (named) {
        QList<Text> line = Arrange({}, head.mid(1) + QList<Text>{brief}, start, z.baseline);
        int used = 0;
        for (const Text& t : line)
            used = std::max(used, t.x + std::max(z.loginAdvance + 20 * gLan, t.width + t.pixelSize) - start);
        const int room = width() - m_rightReserve - start - used - z.groupFont;
        Text group = head[0];
        group.text = QFontMetrics(BarFont(z.groupFont)).elidedText(group.text, Qt::ElideRight, std::max(room, 1));
        group.width = TextWidth(group.text, z.groupFont);
        if (!(line = Arrange({}, QList<Text>{group} + head.mid(1) + QList<Text>{brief}, start, z.baseline)).isEmpty())
            return line;
    }
    return Arrange({}, head.mid(named ? 1 : 0) + QList<Text>{brief}, start, z.baseline);
}

QList<PlacedText> IOStatusWidget::PaintedTexts(const QDateTime& now) const
{
    QList<PlacedText> out;
    if (!gpWPara)
        return out;
    const bool large = !IsSmallLayout();
    const StatusSizes& z = StatusSizesFor(large);
    const QFont nameFont = BarFont(z.nameFont);
    const QFontMetrics fm(nameFont);
    for (const StatusLamp& l : StatusLamps(*gpWPara, large)) {
        // A name wider than its lamp (and the gap) is elided, never shrunk
        // below its size.
        const QRect room = l.nameBox.adjusted(-2, 0, 2, 0);
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
    const bool large = !IsSmallLayout();
    QPainter painter(this);
    for (const StatusLamp& l : StatusLamps(*gpWPara, large)) {
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
