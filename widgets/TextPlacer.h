#pragma once
// Places the texts painted over a picture (a camera view, the status bar) so
// that each can be read: a font scaled with the view but never below a
// readable size, no text over another, none beyond the edges. A text that
// would land on one already placed moves right of it, or below when the line
// is full. The painter draws exactly the rectangles given here, and the
// layout test reads the same list.
#include <QColor>
#include <QFont>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;

struct PlacedText {
    QRect rect;       // the text's box, in the widget's coordinates
    QFont font;
    QColor colour;
    QString text;     // as drawn (elided when the view is narrower)
    int swatch = 0;   // side of a colour square drawn at the right end of rect
};

class TextPlacer {
public:
    static constexpr int kMinPixelSize = 12;

    // area: the widget's size; scale: widget pixels per layout pixel.
    TextPlacer(const QSize& area, double scale);

    // The layout's pixel size scaled, kept between kMinPixelSize and the
    // layout's own size.
    QFont Font(int layoutPixelSize) const;
    int Scaled(int layoutPixels) const;

    // Where a text goes when its place is taken: right of what is in the
    // way (below when the line is full), or straight below it.
    enum Flow { Right, Below };
    // A text whose baseline the layout puts at `baseline` (layout pixels).
    const PlacedText& Place(const QString& text, int layoutPixelSize, const QColor& colour, QPoint baseline,
                            Flow flow = Right);
    // The same with the baseline already in widget pixels.
    const PlacedText& PlaceAt(const QString& text, const QFont& font, const QColor& colour, QPoint baseline,
                              int swatch = 0, Flow flow = Right);
    // The box a single-line text needs, as the painter lays it out.
    static QSize TextSize(const QFont& font, const QString& text);
    // A text aligned in a box as drawText(box, align, text) draws it: its
    // rectangle is where the glyphs lie, cut to the box.
    static PlacedText InBox(const QString& text, const QFont& font, const QColor& colour, const QRect& box,
                            Qt::Alignment align);
    // Draws a placed text into its rectangle.
    static void Draw(QPainter& painter, const PlacedText& t);
    // Room the placer must leave free (a picture drawn there, a lamp).
    void Reserve(const QRect& rect) { m_reserved << rect; }
    // Something stands over the view (a column of buttons): an overlay at
    // the left or right edge narrows the lines, one inside is kept free.
    void Cover(const QRect& rect);

    const QList<PlacedText>& texts() const { return m_texts; }

private:
    const QRect* Blocker(const QRect& r) const;

    QSize m_area;
    int m_left = 0;   // usable from here
    int m_right;      // up to here (exclusive)
    double m_scale;
    int m_margin;
    int m_gap;
    QList<PlacedText> m_texts;
    QList<QRect> m_reserved;
};
