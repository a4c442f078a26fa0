#pragma once
// Bar chart of one shift: per hour an OK bar (green) and an NG bar (red)
// side by side, scaled so the largest value is the chart height less 60 px.
#include "widgets/PaintedTextSource.h"

#include <QList>
#include <QWidget>

class Histogram : public QWidget, public PaintedTextSource {
    Q_OBJECT
public:
    explicit Histogram(QWidget* parent = nullptr);
    Histogram(QWidget* parent, QList<int> x, QList<int> y1, QList<int> y2);

    void modifyDataAxisY(QList<int> y1, QList<int> y2);
    void modifyDataAxisY1(QList<int> y1);
    void modifyDataAxisY2(QList<int> y2);
    int modifydata(const QMap<int, int>&);

    int count() const { return m_count; }
    int maxY() const { return m_maxY; }
    // Geometry of bar i as painted (OK bar when ok, else NG bar).
    QRect barRect(int i, bool ok) const;
    // Legend caption of the OK series (ok) or the NG series, in the screen language.
    static QString LegendText(bool ok);

    // Hour labels, the value over each bar and the legend.
    QList<PlacedText> PaintedTexts() const override;

    static const QColor kOkColor;
    static const QColor kNgColor;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kLeastValuePx = 11;
    void clcMaxY();
    int SlotWidth() const;
    double Scale() const;

    QList<int> m_y1;
    QList<int> m_y2;
    QList<int> m_x;
    int m_count = 0;
    int m_maxY = 0;
};
