#include "PagePlacer.h"

#include <QFontMetrics>
#include <QLabel>
#include <QWidget>

namespace {
QSize SizeOf(const QWidget* w)
{
    const QSize fixed = w->minimumSize() == w->maximumSize() ? w->minimumSize() : QSize();
    return fixed.isValid() && !fixed.isEmpty() ? fixed : w->sizeHint();
}

// Width (gaps between included) and height of controls side by side.
QSize RowSize(const QList<QWidget*>& widgets, int gap)
{
    int w = 0;
    int h = 0;
    for (const QWidget* x : widgets) {
        const QSize s = SizeOf(x);
        w += s.width() + (w ? gap : 0);
        h = std::max(h, s.height());
    }
    return QSize(w, h);
}
}  // namespace

QFont PaintedCaption::font() const
{
    QFont f(family.isEmpty() ? QStringLiteral("wqy-microhei") : family);
    f.setPixelSize(pixelSize > 0 ? pixelSize : 12);
    return f;
}

PagePlacer::PagePlacer(const QRect& area, int rowHeight, int rowGap, int columnGap, int captionWidth)
    : m_area(area)
    , m_rowHeight(rowHeight)
    , m_rowGap(rowGap)
    , m_columnGap(columnGap)
    , m_captionWidth(captionWidth)
    , m_x(area.left())
    , m_y(area.top())
{
}

void PagePlacer::ensureRoom(int height)
{
    if (m_y != m_area.top() && m_y + height > m_area.bottom() + 1)
        newColumn();
    if (m_y + height > m_area.bottom() + 1)
        m_overflow = true;
}

void PagePlacer::advance(int width, int height)
{
    m_columnWidth = std::max(m_columnWidth, width);
    if (m_x + width > m_area.right() + 1)
        m_overflow = true;
    m_y += height + m_rowGap;
}

void PagePlacer::heading(const QString& text, const QColor& color, bool separator)
{
    // A heading never ends a column: it needs at least one row under it.
    ensureRoom(2 * m_rowHeight + m_rowGap);
    PaintedCaption c;
    c.box = QRect(m_x, m_y, m_captionWidth, m_rowHeight);
    c.text = text;
    c.color = color;
    c.separator = separator;
    if (separator)
        m_pendingSeparators << int(m_captions.size());
    m_captions << c;
    advance(m_captionWidth, m_rowHeight + (separator ? 6 : 0));
}

void PagePlacer::place(QWidget* widget)
{
    placeRow({widget});
}

void PagePlacer::place(QWidget* widget, const QString& label, const QColor& color, int labelWidth)
{
    placeRow(label, color, labelWidth, {widget});
}

void PagePlacer::placeRow(const QString& label, const QColor& color, int labelWidth, const QList<QWidget*>& widgets)
{
    const int lw = labelWidth > 0 ? labelWidth : m_captionWidth;
    const QSize row = RowSize(widgets, m_rowGap);
    const int h = std::max(m_rowHeight, row.height());
    ensureRoom(h);
    PaintedCaption c;
    c.box = QRect(m_x, m_y, lw, h);
    c.text = label;
    c.color = color;
    m_captions << c;
    layRow(m_x + lw, h, widgets);
    advance(lw + row.width(), h);
}

void PagePlacer::placeRow(const QList<QWidget*>& widgets)
{
    const QSize row = RowSize(widgets, m_rowGap);
    ensureRoom(row.height());
    layRow(m_x, row.height(), widgets);
    advance(row.width(), row.height());
}

void PagePlacer::layRow(int x, int height, const QList<QWidget*>& widgets)
{
    for (QWidget* widget : widgets) {
        const QSize s = SizeOf(widget);
        widget->setGeometry(QRect(QPoint(x, m_y + (height - s.height()) / 2), s));
        x += s.width() + m_rowGap;
    }
}

void PagePlacer::newColumn()
{
    finish();
    m_x += m_columnWidth + m_columnGap;
    m_y = m_area.top();
    m_columnWidth = 0;
}

void PagePlacer::finish()
{
    for (int i : m_pendingSeparators)
        m_captions[i].box.setWidth(std::max(m_captions[i].box.width(), m_columnWidth));
    m_pendingSeparators.clear();
}

void FitCaption(QLabel* label, int fullPx)
{
    QFont f = label->font();
    f.setPixelSize(fullPx);
    const QRect box(0, 0, label->width() - 4, label->height());
    label->setWordWrap(false);
    // One line down to three quarters of the size, then two lines.
    const int oneLineFloor = std::max(kLegiblePx, fullPx * 3 / 4);
    while (f.pixelSize() > oneLineFloor && QFontMetrics(f).horizontalAdvance(label->text()) > box.width())
        f.setPixelSize(f.pixelSize() - 1);
    if (QFontMetrics(f).horizontalAdvance(label->text()) > box.width()) {
        label->setWordWrap(true);
        while (f.pixelSize() > kLegiblePx
               && !box.contains(QFontMetrics(f).boundingRect(box, Qt::TextWordWrap | Qt::AlignCenter, label->text())))
            f.setPixelSize(f.pixelSize() - 1);
    }
    label->setFont(f);
}
