#pragma once
// Polygon ROI shape: 1..8096 vertices in view coordinates. `box` is the frame
// box of the vertices, clipped to the frame.
#include "ShapeBox.h"

#include <QPoint>
#include <opencv2/core.hpp>

#include <vector>

class QPainter;

class RePolygon {
public:
    static constexpr int kMaxPoints = 8096;

    RePolygon() = default;  // empty (no vertex)
    // Takes the first n points (n clamped to 0..8096; a null array gives none).
    RePolygon(int n, const QPoint* pts);

    int Count() const { return static_cast<int>(points.size()); }
    void SetPoints(int n, const QPoint* pts);

    void setImageRect();
    // 8-bit mask of the box size, 255 inside and on the edges (refreshes the
    // box first). Fewer than one vertex gives an empty Mat.
    cv::Mat UpdateMask();
    cv::Rect BoxRect() const { return box.toRect(); }

    void Draw(QPainter& painter) const;
    // Moves vertex `handle` by (to - from), clamped into the view. The scales
    // (view per frame pixel) are accepted for the editor's call and unused.
    void Resize(int handle, QPoint from, QPoint to, float scaleX, float scaleY);
    // Moves every vertex by (dx, dy).
    void Move(int dx, int dy);
    bool PtInCtrl(QPoint p, int* handle) const;  // on a vertex
    bool Contains(QPoint p) const;
    void SetSelected(bool on) { selected = on; }
    bool IsSelected() const { return selected; }

    bool operator==(const RePolygon& o) const { return points == o.points && box == o.box; }
    bool operator!=(const RePolygon& o) const { return !(*this == o); }

    std::vector<QPoint> points;
    ShapeBox box;
    bool selected = false;
};
