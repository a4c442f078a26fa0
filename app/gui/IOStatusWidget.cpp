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
    return gpControlIO ? gpControlIO->IOState(direction, index) : 0;
}

IOStatusWidget::IOStatusWidget(QWidget* parent, StatusHost* host)
    : QWidget(parent)
    , m_host(host)
{
    const int h = StatusSizesFor(!IsSmallLayout()).barHeight;
    setGeometry(0, gShowH - h, gShowW, h);
}

QList<IOStatusWidget::Text> IOStatusWidget::TextLine(const QDateTime& now) const
{
    if (!gpWPara)
        return {};
    const bool large = !IsSmallLayout();
    const int start = StatusTextStart(StatusLamps(*gpWPara, large), large);
    QList<Text> line = TextLineAt(now, start, 1.0);
    // A long group name must not run under the command column or off the
    // screen: the whole line gets smaller instead.
    const int limit = width() - m_rightReserve;
    for (int pass = 0; pass < 3 && !line.isEmpty(); ++pass) {
        const int end = line.last().x + line.last().width;
        if (end <= limit)
            break;
        const double scale = std::max(0.5, double(limit - start) / double(end - start) * (1.0 - 0.02 * pass));
        line = TextLineAt(now, start, scale);
    }
    return line;
}

QList<IOStatusWidget::Text> IOStatusWidget::TextLineAt(const QDateTime& now, int x, double scale) const
{
    QList<Text> line;
    const WizardPara& p = *gpWPara;
    const StatusSizes& z = StatusSizesFor(!IsSmallLayout());
    const int textFont = int(z.textFont * scale);
    const int groupFont = int(z.groupFont * scale);
    auto add = [&](const QString& text, const QColor& colour, int size) {
        Text t{text, colour, size, x, TextWidth(text, size)};
        line << t;
        return t;
    };

    const QStringList groups = m_host->parameterGroups();
    const int g = p.paraGroupIndex;
    if (g >= 0 && g < groups.size() && groups[g] != QLatin1String("default")) {
        const Text t = add(LanStr(557) + QLatin1Char(':') + groups[g], Qt::red, groupFont);
        // The spacing rule of thumb assumes Latin letters; a Chinese caption
        // is wider, so never step less than its measured width.
        const int rule = int((t.text.size() + 1) * groupFont * 0.55) + groupFont;
        x += std::max(rule, t.width + groupFont);
    }
    if (p.passwordUsed) {
        const bool open = m_host->unlockLevel() != 0;
        const Text t = add(LanStr(open ? 308 : 156), open ? Qt::green : Qt::red, textFont);
        x += std::max(int((z.loginAdvance + 20 * gLan) * scale), t.width + textFont);
    }
    add(StatusTimeText(now, m_host->lastCycleTime()), Qt::green, textFont);
    return line;
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
    const StatusSizes& z = StatusSizesFor(large);
    QPainter painter(this);
    for (const StatusLamp& l : StatusLamps(*gpWPara, large)) {
        const int on = m_host->ioState(l.input ? 0 : 1, l.index) ? 1 : 0;
        if (gpPixmapOUT)
            painter.drawPixmap(l.lamp, gpPixmapOUT[on]);
        // A name wider than its lamp (and the gap) gets a smaller font
        // rather than running into the next name.
        const int room = l.nameBox.width() + 4;
        const int w = TextWidth(l.name, z.nameFont);
        const int size = w > room ? z.nameFont * room / w : z.nameFont;
        painter.setFont(BarFont(size));
        painter.setPen(QColor(0, 255, 255));
        painter.drawText(l.nameBox.adjusted(-2, 0, 2, 0), Qt::AlignCenter, l.name);
    }
    for (const Text& t : TextLine(QDateTime::currentDateTime())) {
        painter.setFont(BarFont(t.pixelSize));
        painter.setPen(t.colour);
        painter.drawText(t.x, z.baseline, t.text);
    }
}

void IOStatusWidget::mousePressEvent(QMouseEvent* event)
{
    m_host->lock();
    update();
    QWidget::mousePressEvent(event);
}
