#include "Histogram.h"

#include "foundation/uitext.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

const QColor Histogram::kOkColor(0, 255, 0, 200);
const QColor Histogram::kNgColor(255, 0, 0, 200);

Histogram::Histogram(QWidget* parent)
    : QWidget(parent)
{
}

Histogram::Histogram(QWidget* parent, QList<int> x, QList<int> y1, QList<int> y2)
    : QWidget(parent)
    , m_y1(std::move(y1))
    , m_y2(std::move(y2))
    , m_x(std::move(x))
{
    clcMaxY();
}

void Histogram::clcMaxY()
{
    m_count = int(std::min({m_x.size(), m_y1.size(), m_y2.size()}));
    m_maxY = 0;
    for (int v : m_y1)
        m_maxY = std::max(m_maxY, v);
    for (int v : m_y2)
        m_maxY = std::max(m_maxY, v);
}

void Histogram::modifyDataAxisY(QList<int> y1, QList<int> y2)
{
    m_y1 = std::move(y1);
    m_y2 = std::move(y2);
    clcMaxY();
    update();
}

void Histogram::modifyDataAxisY1(QList<int> y1)
{
    m_y1 = std::move(y1);
    clcMaxY();
    update();
}

void Histogram::modifyDataAxisY2(QList<int> y2)
{
    m_y2 = std::move(y2);
    clcMaxY();
    update();
}

int Histogram::modifydata(const QMap<int, int>&)
{
    m_count = 0;
    return 1;
}

int Histogram::SlotWidth() const
{
    return (width() - 40) / (m_count + 1);
}

double Histogram::Scale() const
{
    return m_maxY > 0 ? double(height() - 60) / double(m_maxY) : 0.0;
}

QRect Histogram::barRect(int i, bool ok) const
{
    if (i < 0 || i >= m_count)
        return {};
    const int s = SlotWidth();
    const int xc = (i + 1) * s + 20;
    const int base = height() - 20;
    // A damaged stored count below 0 draws no bar rather than one of -10^12 pixels.
    const int bar = int(std::clamp((ok ? m_y1 : m_y2)[i], 0, m_maxY) * Scale());
    return QRect(ok ? xc - s / 2 : xc, base - bar, s / 2, bar);
}

QString Histogram::LegendText(bool ok)
{
    return LanStr(ok ? 1163 : 1164);
}

QList<PlacedText> Histogram::PaintedTexts() const
{
    const int w = width();
    const int h = height();
    const int s = SlotWidth();
    QFont font(QStringLiteral("wqy-microhei"));
    font.setPixelSize(15);
    QList<PlacedText> texts;
    for (int i = 0; i < m_count; ++i) {
        const int xc = (i + 1) * s + 20;
        texts << TextPlacer::InBox(QString::number(m_x[i]), font, Qt::black, QRect(xc - s / 2, h - 20, s, 20),
                                   Qt::AlignCenter);
        for (bool ok : {true, false}) {
            const QRect bar = barRect(i, ok);
            // The value sits on top of its bar, never below the axis labels;
            // a number wider than its half slot takes a smaller size.
            const int top = std::min(bar.top(), h - 40);
            const QString value = QString::number((ok ? m_y1 : m_y2)[i]);
            QFont f = font;
            while (f.pixelSize() > kLeastValuePx && QFontMetrics(f).horizontalAdvance(value) > s / 2)
                f.setPixelSize(f.pixelSize() - 1);
            texts << TextPlacer::InBox(value, f, Qt::black, QRect(bar.left(), top, s / 2, 20), Qt::AlignCenter);
        }
    }
    QFont legend(QStringLiteral("wqy-microhei"));
    legend.setPointSize(10);
    const QRect okText(w - 140, 5, 100, 30);
    texts << TextPlacer::InBox(LegendText(true), legend, Qt::black, okText, Qt::AlignCenter);
    const int okSwatch = okText.left() - (s / 2 + 5);
    texts << TextPlacer::InBox(LegendText(false), legend, Qt::black, QRect(okSwatch - 105, 5, 100, 30), Qt::AlignCenter);
    return texts;
}

void Histogram::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = width();
    const int h = height();
    const int s = SlotWidth();
    p.setPen(Qt::black);
    p.drawLine(0, h - 20, w, h - 20);
    p.drawLine(20, 40, 20, h);
    for (int i = 0; i < m_count; ++i) {
        const int xc = (i + 1) * s + 20;
        p.drawLine(xc, h - 30, xc, h - 20);
        for (bool ok : {true, false}) {
            const QRect bar = barRect(i, ok);
            if (bar.height() > 0)
                p.fillRect(bar, ok ? kOkColor : kNgColor);
        }
    }
    for (const PlacedText& t : PaintedTexts())
        TextPlacer::Draw(p, t);
    const int okSwatch = w - 140 - (s / 2 + 5);
    p.fillRect(QRect(okSwatch, 5, s / 2, 30), kOkColor);
    p.fillRect(QRect(okSwatch - 105 - (s / 2 + 5), 5, s / 2, 30), kNgColor);
}
