#pragma once
// Rectangle ROI shape. The QRect base holds the view rectangle (inclusive
// corners left, top, right, bottom in view coordinates); `box` holds the same
// area in frame pixels, derived by setImageRect().
#include "ShapeBox.h"

#include <QPoint>
#include <QRect>
#include <opencv2/core.hpp>

class QPainter;

class ClustomRect : public QRect {
public:
    static constexpr int kHandleCount = 2;  // 0 top-left, 1 bottom-right

    ClustomRect() = default;  // empty
    ClustomRect(int x1, int y1, int x2, int y2) : QRect(QPoint(x1, y1), QPoint(x2, y2)) {}
    explicit ClustomRect(const QRect& r) : QRect(r) {}

    // Frame box from the view rectangle (normalised, clipped to the frame).
    void setImageRect();
    // 8-bit mask of the box size, 255 inside (refreshes the box first).
    // An empty shape gives an empty Mat.
    cv::Mat UpdateMask();
    cv::Rect BoxRect() const { return box.toRect(); }

    void Draw(QPainter& painter) const;
    // Moves the corner of `handle` by (to - from).
    void Resize(int handle, QPoint from, QPoint to);
    // True when p is on a handle (within the touch tolerance); *handle = its number.
    bool PtInCtrl(QPoint p, int* handle) const;
    bool Contains(QPoint p) const;
    void SetSelected(bool on) { selected = on; }
    bool IsSelected() const { return selected; }

    // Geometry and box compare; the selection is editor state and does not.
    bool operator==(const ClustomRect& o) const;
    bool operator!=(const ClustomRect& o) const { return !(*this == o); }

    ShapeBox box;
    bool selected = false;
};
