#pragma once
// Places a page's controls top to bottom in columns inside an area: a
// control that would run past the bottom starts the next column. Painted
// captions take a row of their own (section headings) or the left part of
// a control's row (row labels), so painting and controls share one grid.
#include <QColor>
#include <QFont>
#include <QList>
#include <QRect>
#include <QString>

class QLabel;
class QWidget;

// No text of the settings pages is drawn smaller than this (read at arm's length).
constexpr int kLegiblePx = 11;

struct PaintedCaption {
    QRect box;
    QString text;
    QColor color;
    bool separator = false;  // a line drawn under a section heading
    int pixelSize = 0;       // 0: the page's caption size
    QString family;          // empty: the page font
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;

    QFont font() const;
};

class PagePlacer {
public:
    // rowGap between rows, columnGap between columns, captionWidth of row labels.
    PagePlacer(const QRect& area, int rowHeight, int rowGap, int columnGap, int captionWidth);

    // A heading row; with a separator the heading spans the column's width.
    void heading(const QString& text, const QColor& color, bool separator = true);
    // A control at its size (fixed size or size hint), optionally after a row label.
    void place(QWidget* widget);
    // labelWidth 0: the placer's caption width.
    void place(QWidget* widget, const QString& label, const QColor& color, int labelWidth = 0);
    // A labelled control followed by further controls in the same row.
    void placeRow(const QString& label, const QColor& color, int labelWidth, const QList<QWidget*>& widgets);
    // Several controls side by side in one row.
    void placeRow(const QList<QWidget*>& widgets);
    // Starts a new column even when the current one has room.
    void newColumn();

    // Ends the last column (heading lines take the width of their column).
    void finish();
    const QList<PaintedCaption>& captions() const { return m_captions; }
    // Something was placed beyond the area's right or bottom edge.
    bool overflowed() const { return m_overflow; }

private:
    void ensureRoom(int height);
    void advance(int width, int height);
    // The controls side by side from x, centred in a row of that height.
    void layRow(int x, int height, const QList<QWidget*>& widgets);

    QRect m_area;
    int m_rowHeight;
    int m_rowGap;
    int m_columnGap;
    int m_captionWidth;
    int m_x;
    int m_y;
    int m_columnWidth = 0;
    bool m_overflow = false;
    QList<PaintedCaption> m_captions;
    QList<int> m_pendingSeparators;  // headings whose width follows the column
};

// A caption longer than its fixed label gets a smaller font, then two lines,
// never below the legible size; fullPx is the label's size when it fits.
void FitCaption(QLabel* label, int fullPx);
