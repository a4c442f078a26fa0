#include "RePolygon.h"

#include "CheckInRange.h"
#include "ShapeDraw.h"
#include "foundation/VisionGlobals.h"

#include <QPainter>
#include <QPolygon>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <climits>
#include <cmath>

RePolygon::RePolygon(int n, const QPoint* pts)
{
    SetPoints(n, pts);
}

void RePolygon::SetPoints(int n, const QPoint* pts)
{
    points.clear();
    if (!pts || n <= 0)
        return;
    n = std::min(n, kMaxPoints);
    points.assign(pts, pts + n);
}

namespace {
// Vertex in frame pixels (centre to centre), bounded so no overflow reaches OpenCV.
cv::Point toFrame(const QPoint& p)
{
    const double sx = double(gImageW) / std::max(gShowW, 1);
    const double sy = double(gImageH) / std::max(gShowH, 1);
    const double fx = std::round((p.x() + 0.5) * sx - 0.5);
    const double fy = std::round((p.y() + 0.5) * sy - 0.5);
    constexpr double kLimit = 1 << 20;
    return cv::Point(static_cast<int>(std::clamp(fx, -kLimit, kLimit)),
                     static_cast<int>(std::clamp(fy, -kLimit, kLimit)));
}
}  // namespace

void RePolygon::setImageRect()
{
    if (points.empty()) {
        box = ShapeBox();
        return;
    }
    int x1 = INT_MAX, y1 = INT_MAX, x2 = INT_MIN, y2 = INT_MIN;
    for (const QPoint& p : points) {
        const cv::Point f = toFrame(p);
        x1 = std::min(x1, f.x);
        y1 = std::min(y1, f.y);
        x2 = std::max(x2, f.x);
        y2 = std::max(y2, f.y);
    }
    box = ShapeBox::clipped(x1, y1, x2, y2, gImageW, gImageH);
}

cv::Mat RePolygon::UpdateMask()
{
    setImageRect();
    if (box.isEmpty())
        return cv::Mat();
    cv::Mat mask(box.height(), box.width(), CV_8UC1, cv::Scalar(0));
    std::vector<cv::Point> pts;
    pts.reserve(points.size());
    for (const QPoint& p : points)
        pts.push_back(toFrame(p) - cv::Point(box.x1, box.y1));
    const cv::Point* data = pts.data();
    const int n = static_cast<int>(pts.size());
    if (n >= 3)
        cv::fillPoly(mask, &data, &n, 1, cv::Scalar(255), cv::LINE_8);
    // Edges belong to the area too (and carry 1- and 2-point polygons).
    cv::polylines(mask, &data, &n, 1, true, cv::Scalar(255), 1, cv::LINE_8);
    return mask;
}

void RePolygon::Draw(QPainter& painter) const
{
    if (points.empty())
        return;
    painter.drawPolygon(QPolygon(QList<QPoint>(points.begin(), points.end())));
    if (selected) {
        for (const QPoint& p : points)
            shape_detail::DrawHandle(painter, p);
    }
}

void RePolygon::Resize(int handle, QPoint from, QPoint to, float scaleX, float scaleY)
{
    Q_UNUSED(scaleX);
    Q_UNUSED(scaleY);
    if (handle < 0 || handle >= Count())
        return;
    QPoint& v = points[static_cast<size_t>(handle)];
    int x = v.x() + to.x() - from.x();
    int y = v.y() + to.y() - from.y();
    CheckInRange(&x, 1);
    CheckInRange(&y, 0);
    v = QPoint(x, y);
}

void RePolygon::Move(int dx, int dy)
{
    for (QPoint& p : points)
        p += QPoint(dx, dy);
}

bool RePolygon::PtInCtrl(QPoint p, int* handle) const
{
    for (int i = 0; i < Count(); ++i) {
        if (shape_detail::NearPoint(p, points[static_cast<size_t>(i)])) {
            if (handle)
                *handle = i;
            return true;
        }
    }
    return false;
}

bool RePolygon::Contains(QPoint p) const
{
    if (points.size() < 3)
        return false;
    return QPolygon(QList<QPoint>(points.begin(), points.end())).containsPoint(p, Qt::OddEvenFill);
}
