#include "ClustomRect.h"

#include "ShapeDraw.h"
#include "foundation/VisionGlobals.h"

#include <QPainter>

#include <algorithm>

void ClustomRect::setImageRect()
{
    if (isNull()) {
        box = ShapeBox();
        return;
    }
    // Beyond the view every coordinate lands beyond the frame, so bounding
    // them to one pixel outside keeps the scaling in range (a far edge must
    // not wrap round into a one-pixel box) and clips to the same box.
    const int maxX = std::max(gShowW, 0);
    const int maxY = std::max(gShowH, 0);
    const int l = std::clamp(std::min(left(), right()), -1, maxX);
    const int r = std::clamp(std::max(left(), right()), -1, maxX);
    const int t = std::clamp(std::min(top(), bottom()), -1, maxY);
    const int b = std::clamp(std::max(top(), bottom()), -1, maxY);
    // A view pixel covers the frame pixels from its own start to the next one's.
    const int fx1 = ViewToFrameX(l);
    const int fy1 = ViewToFrameY(t);
    const int fx2 = std::max(fx1, ViewToFrameX(r + 1) - 1);
    const int fy2 = std::max(fy1, ViewToFrameY(b + 1) - 1);
    box = ShapeBox::clipped(fx1, fy1, fx2, fy2, gImageW, gImageH);
}

cv::Mat ClustomRect::UpdateMask()
{
    setImageRect();
    if (box.isEmpty())
        return cv::Mat();
    return cv::Mat(box.height(), box.width(), CV_8UC1, cv::Scalar(255));
}

void ClustomRect::Draw(QPainter& painter) const
{
    if (isNull())
        return;
    const QRect r = normalized();
    painter.drawRect(r);
    if (selected) {
        shape_detail::DrawHandle(painter, r.topLeft());
        shape_detail::DrawHandle(painter, r.bottomRight());
    }
}

void ClustomRect::Resize(int handle, QPoint from, QPoint to)
{
    const QPoint d = to - from;
    if (handle == 0)
        setTopLeft(topLeft() + d);
    else if (handle == 1)
        setBottomRight(bottomRight() + d);
}

bool ClustomRect::PtInCtrl(QPoint p, int* handle) const
{
    if (isNull())
        return false;
    int h = -1;
    if (shape_detail::NearPoint(p, topLeft()))
        h = 0;
    else if (shape_detail::NearPoint(p, bottomRight()))
        h = 1;
    if (h < 0)
        return false;
    if (handle)
        *handle = h;
    return true;
}

bool ClustomRect::Contains(QPoint p) const
{
    return !isNull() && normalized().contains(p);
}

bool ClustomRect::operator==(const ClustomRect& o) const
{
    return left() == o.left() && top() == o.top() && right() == o.right() && bottom() == o.bottom() &&
           box == o.box;
}
