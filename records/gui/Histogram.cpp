#include "Histogram.h"

#include "foundation/uitext.h"

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

void Histogram::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = width();
    const int h = height();
    const int s = SlotWidth();
    QFont font(QStringLiteral("wqy-microhei"));
    font.setPixelSize(15);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawLine(0, h - 20, w, h - 20);
    p.drawLine(20, 40, 20, h);

    for (int i = 0; i < m_count; ++i) {
        const int xc = (i + 1) * s + 20;
        p.drawLine(xc, h - 30, xc, h - 20);
        p.drawText(QRect(xc - s / 2, h - 20, s, 20), Qt::AlignCenter, QString::number(m_x[i]));
        for (bool ok : {true, false}) {
            const QRect bar = barRect(i, ok);
            if (bar.height() > 0)
                p.fillRect(bar, ok ? kOkColor : kNgColor);
            // The value sits on top of its bar, never below the axis labels.
            const int top = std::min(bar.top(), h - 40);
            p.drawText(QRect(bar.left(), top, s / 2, 20), Qt::AlignCenter, QString::number((ok ? m_y1 : m_y2)[i]));
        }
    }

    QFont legend(QStringLiteral("wqy-microhei"));
    legend.setPointSize(10);
    p.setFont(legend);
    const QRect okText(w - 140, 5, 100, 30);
    p.drawText(okText, Qt::AlignCenter, LegendText(true));
    const int okSwatch = okText.left() - (s / 2 + 5);
    p.fillRect(QRect(okSwatch, 5, s / 2, 30), kOkColor);
    const QRect ngText(okSwatch - 105, 5, 100, 30);
    p.drawText(ngText, Qt::AlignCenter, LegendText(false));
    p.fillRect(QRect(ngText.left() - (s / 2 + 5), 5, s / 2, 30), kNgColor);
}
