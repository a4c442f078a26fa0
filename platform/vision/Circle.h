#pragma once
// Circle or ring ROI shape: pixels between innerRadius and outerRadius of the
// centre (a disc when innerRadius is 0). Geometry in view coordinates: the
// QRect base is the shape's rectangle, then the centre and both radii. `box`
// is the frame-pixel box; with unequal view and frame scales the ring is an
// ellipse in the frame.
#include "ShapeBox.h"

#include <QPoint>
#include <QRect>
#include <opencv2/core.hpp>

class QPainter;

class Circle : public QRect {
public:
    static constexpr int kHandleCount = 3;  // 0 inner radius, 1 outer radius, 2 centre
    static constexpr int kMaxRadius = 65535;

    Circle() = default;  // empty (outer radius 0)
    Circle(int cx, int cy, int outer, int inner = 0);

    // Rectangle from centre and outer radius.
    void UpdateRect();
    // Centre and outer radius from the rectangle (half its smaller side);
    // the inner radius is kept below the outer one.
    void UpdateAll();
    // Clamps the radii to 0 <= inner < outer <= 65535 (inner 0 when outer is 0).
    void ClampRadii();
    // Stored radius word: inner * 65536 + outer, unsigned 32-bit.
    quint32 RadiusWord() const;
    void SetRadiusWord(quint32 r);

    // Frame box from centre and outer radius, clipped to the frame.
    void setImageRect();
    // 8-bit mask of the box size, 255 on the ring (refreshes the box first).
    cv::Mat UpdateMask();
    cv::Rect BoxRect() const { return box.toRect(); }

    void Draw(QPainter& painter) const;
    // Handle 0/1 set the inner/outer radius to the distance of `to` from the
    // centre; handle 2 moves the centre by (to - from). The rectangle follows.
    void Resize(int handle, QPoint from, QPoint to);
    bool PtInCtrl(QPoint p, int* handle) const;
    bool Contains(QPoint p) const;  // on the ring
    void SetSelected(bool on) { selected = on; }
    bool IsSelected() const { return selected; }
    QPoint HandlePoint(int handle) const;

    bool operator==(const Circle& o) const;
    bool operator!=(const Circle& o) const { return !(*this == o); }

    int centerX = 0;
    int centerY = 0;
    int outerRadius = 0;
    int innerRadius = 0;
    ShapeBox box;
    bool selected = false;
};
