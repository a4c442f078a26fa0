#include "Circle.h"

#include "ShapeDraw.h"
#include "foundation/VisionGlobals.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

Circle::Circle(int cx, int cy, int outer, int inner)
    : centerX(cx), centerY(cy), outerRadius(outer), innerRadius(inner)
{
    ClampRadii();
    UpdateRect();
}

void Circle::UpdateRect()
{
    setCoords(centerX - outerRadius, centerY - outerRadius, centerX + outerRadius, centerY + outerRadius);
}

void Circle::UpdateAll()
{
    const int l = std::min(left(), right());
    const int r = std::max(left(), right());
    const int t = std::min(top(), bottom());
    const int b = std::max(top(), bottom());
    centerX = l + (r - l) / 2;
    centerY = t + (b - t) / 2;
    outerRadius = std::min(r - l, b - t) / 2;
    ClampRadii();
}

void Circle::ClampRadii()
{
    outerRadius = std::clamp(outerRadius, 0, kMaxRadius);
    innerRadius = std::clamp(innerRadius, 0, std::max(outerRadius - 1, 0));
}

quint32 Circle::RadiusWord() const
{
    const quint32 outer = static_cast<quint32>(std::clamp(outerRadius, 0, kMaxRadius));
    const quint32 inner = static_cast<quint32>(std::clamp(innerRadius, 0, kMaxRadius));
    return inner * 65536u + outer;
}

void Circle::SetRadiusWord(quint32 r)
{
    outerRadius = static_cast<int>(r & 0xFFFFu);
    innerRadius = static_cast<int>(r >> 16);
    ClampRadii();
}

namespace {
struct Ellipse {
    double cx, cy;     // frame pixel centres
    double rx, ry;     // outer radii
    double irx, iry;   // inner radii (0: disc)
};

Ellipse frameEllipse(const Circle& c)
{
    const double sx = double(gImageW) / std::max(gShowW, 1);
    const double sy = double(gImageH) / std::max(gShowH, 1);
    Ellipse e;
    e.cx = (c.centerX + 0.5) * sx - 0.5;
    e.cy = (c.centerY + 0.5) * sy - 0.5;
    e.rx = c.outerRadius * sx;
    e.ry = c.outerRadius * sy;
    e.irx = c.innerRadius * sx;
    e.iry = c.innerRadius * sy;
    return e;
}

constexpr double kEps = 1e-7;
}  // namespace

void Circle::setImageRect()
{
    if (outerRadius <= 0) {
        box = ShapeBox();
        return;
    }
    const Ellipse e = frameEllipse(*this);
    const int x1 = static_cast<int>(std::ceil(e.cx - e.rx - kEps));
    const int x2 = static_cast<int>(std::floor(e.cx + e.rx + kEps));
    const int y1 = static_cast<int>(std::ceil(e.cy - e.ry - kEps));
    const int y2 = static_cast<int>(std::floor(e.cy + e.ry + kEps));
    box = ShapeBox::clipped(x1, y1, x2, y2, gImageW, gImageH);
}

cv::Mat Circle::UpdateMask()
{
    ClampRadii();
    setImageRect();
    if (box.isEmpty())
        return cv::Mat();
    const Ellipse e = frameEllipse(*this);
    cv::Mat mask(box.height(), box.width(), CV_8UC1, cv::Scalar(0));
    // One span per row: outer ellipse minus the open inner ellipse.
    for (int y = box.y1; y <= box.y2; ++y) {
        const double v = (y - e.cy) / e.ry;
        const double q = 1.0 - v * v;
        if (q < -kEps)
            continue;
        const double hw = e.rx * std::sqrt(std::max(q, 0.0)) + kEps;
        int xa = static_cast<int>(std::ceil(e.cx - hw));
        int xb = static_cast<int>(std::floor(e.cx + hw));
        xa = std::max(xa, box.x1);
        xb = std::min(xb, box.x2);
        if (xa > xb)
            continue;
        uchar* row = mask.ptr<uchar>(y - box.y1);
        std::fill(row + (xa - box.x1), row + (xb - box.x1) + 1, uchar(255));
        if (innerRadius > 0) {
            const double vi = (y - e.cy) / e.iry;
            const double qi = 1.0 - vi * vi;
            if (qi > kEps) {
                // Pixels strictly inside the inner ellipse are outside the ring.
                const double hwi = e.irx * std::sqrt(qi) - kEps;
                int ia = static_cast<int>(std::floor(e.cx - hwi)) + 1;
                int ib = static_cast<int>(std::ceil(e.cx + hwi)) - 1;
                ia = std::max(ia, xa);
                ib = std::min(ib, xb);
                if (ia <= ib)
                    std::fill(row + (ia - box.x1), row + (ib - box.x1) + 1, uchar(0));
            }
        }
    }
    return mask;
}

QPoint Circle::HandlePoint(int handle) const
{
    switch (handle) {
    case 0: return QPoint(centerX + innerRadius, centerY);
    case 1: return QPoint(centerX + outerRadius, centerY);
    default: return QPoint(centerX, centerY);
    }
}

void Circle::Draw(QPainter& painter) const
{
    if (outerRadius <= 0)
        return;
    const QPoint c(centerX, centerY);
    painter.drawEllipse(c, outerRadius, outerRadius);
    if (innerRadius > 0)
        painter.drawEllipse(c, innerRadius, innerRadius);
    if (selected) {
        for (int h = 0; h < kHandleCount; ++h)
            shape_detail::DrawHandle(painter, HandlePoint(h));
    }
}

void Circle::Resize(int handle, QPoint from, QPoint to)
{
    const double dx = to.x() - centerX;
    const double dy = to.y() - centerY;
    const int dist = static_cast<int>(std::lround(std::sqrt(dx * dx + dy * dy)));
    if (handle == 0) {
        innerRadius = dist;
    } else if (handle == 1) {
        outerRadius = dist;
    } else if (handle == 2) {
        centerX += to.x() - from.x();
        centerY += to.y() - from.y();
    } else {
        return;
    }
    ClampRadii();
    UpdateRect();
}

bool Circle::PtInCtrl(QPoint p, int* handle) const
{
    if (outerRadius <= 0)
        return false;
    for (int h = 0; h < kHandleCount; ++h) {
        if (h == 0 && innerRadius <= 0)
            continue;  // would shadow the centre handle
        if (shape_detail::NearPoint(p, HandlePoint(h))) {
            if (handle)
                *handle = h;
            return true;
        }
    }
    return false;
}

bool Circle::Contains(QPoint p) const
{
    if (outerRadius <= 0)
        return false;
    const long long dx = p.x() - centerX;
    const long long dy = p.y() - centerY;
    const long long d2 = dx * dx + dy * dy;
    const long long ro = outerRadius;
    const long long ri = innerRadius;
    return d2 <= ro * ro && d2 >= ri * ri;
}

bool Circle::operator==(const Circle& o) const
{
    return left() == o.left() && top() == o.top() && right() == o.right() && bottom() == o.bottom() &&
           centerX == o.centerX && centerY == o.centerY && outerRadius == o.outerRadius &&
           innerRadius == o.innerRadius && box == o.box;
}
