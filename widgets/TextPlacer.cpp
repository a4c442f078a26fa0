#include "TextPlacer.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

#include <algorithm>
#include <cmath>

TextPlacer::TextPlacer(const QSize& area, double scale)
    : m_area(area)
    , m_right(area.width())
    , m_scale(scale > 0 ? scale : 1.0)
    , m_margin(std::max(3, Scaled(5)))
    , m_gap(std::max(6, Scaled(12)))
{
}

int TextPlacer::Scaled(int layoutPixels) const
{
    return int(std::lround(layoutPixels * m_scale));
}

QFont TextPlacer::Font(int layoutPixelSize) const
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setWeight(QFont::Normal);
    f.setPixelSize(std::clamp(Scaled(layoutPixelSize), std::min(kMinPixelSize, layoutPixelSize), layoutPixelSize));
    return f;
}

const PlacedText& TextPlacer::Place(const QString& text, int layoutPixelSize, const QColor& colour, QPoint baseline,
                                    Flow flow)
{
    return PlaceAt(text, Font(layoutPixelSize), colour, QPoint(Scaled(baseline.x()), Scaled(baseline.y())), 0,
                   flow);
}

void TextPlacer::Cover(const QRect& rect)
{
    const QRect r = rect & QRect(QPoint(0, 0), m_area);
    if (r.isEmpty())
        return;
    if (r.right() >= m_area.width() - 1 && r.left() > m_left)
        m_right = std::min(m_right, r.left());
    else if (r.left() <= 0 && r.right() + 1 < m_right)
        m_left = std::max(m_left, r.right() + 1);
    else
        m_reserved << r;
}

QSize TextPlacer::TextSize(const QFont& font, const QString& text)
{
    return QFontMetrics(font).size(0, text);
}

PlacedText TextPlacer::InBox(const QString& text, const QFont& font, const QColor& colour, const QRect& box,
                             Qt::Alignment align)
{
    PlacedText t;
    t.font = font;
    t.colour = colour;
    t.text = text;
    t.rect = QStyle::alignedRect(Qt::LeftToRight, align, TextSize(font, text), box) & box;
    return t;
}

void TextPlacer::Draw(QPainter& painter, const PlacedText& t)
{
    painter.setFont(t.font);
    painter.setPen(t.colour);
    painter.drawText(t.rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, t.text);
}

const QRect* TextPlacer::Blocker(const QRect& r) const
{
    const QRect wide = r.adjusted(-m_gap / 2, 0, m_gap / 2, 0);
    for (const PlacedText& t : m_texts)
        if (t.rect.intersects(wide))
            return &t.rect;
    for (const QRect& q : m_reserved)
        if (q.intersects(wide))
            return &q;
    return nullptr;
}

const PlacedText& TextPlacer::PlaceAt(const QString& text, const QFont& font, const QColor& colour, QPoint baseline,
                                      int swatch, Flow flow)
{
    const QFontMetrics fm(font);
    const int extra = swatch > 0 ? swatch + m_gap / 2 : 0;
    const int room = std::max(1, m_right - m_left - 2 * m_margin - extra);
    PlacedText t;
    t.font = font;
    t.colour = colour;
    t.swatch = swatch;
    t.text = fm.horizontalAdvance(text) > room ? fm.elidedText(text, Qt::ElideRight, room) : text;
    const QSize need = TextSize(font, t.text);
    const QSize size(need.width() + extra, std::max(need.height(), swatch));
    const int right = m_right - m_margin - size.width();
    const int wantX = std::clamp(baseline.x(), m_left + m_margin, std::max(m_left + m_margin, right));
    // A baseline too close to the top would cut the glyphs' upper part.
    QRect r(QPoint(wantX, std::max(2, baseline.y() - fm.ascent())), size);
    for (int guard = 0; guard < 64; ++guard) {
        const QRect* hit = Blocker(r);
        if (!hit)
            break;
        if (flow == Right && hit->right() + m_gap + size.width() <= m_right - m_margin)
            r.moveLeft(hit->right() + m_gap);
        else
            r.moveTopLeft(QPoint(wantX, hit->bottom() + 3));
    }
    // Never below the view: a text pushed that far goes up over the picture.
    if (r.bottom() >= m_area.height())
        r.moveBottom(m_area.height() - 1);
    t.rect = r;
    m_texts << t;
    return m_texts.last();
}
