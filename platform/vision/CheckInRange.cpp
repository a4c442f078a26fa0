#include "CheckInRange.h"

#include "ShapeBox.h"
#include "foundation/VisionGlobals.h"

#include <algorithm>

ShapeBox ShapeBox::clipped(int x1, int y1, int x2, int y2, int frameW, int frameH)
{
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    ShapeBox b;
    if (frameW <= 0 || frameH <= 0 || x2 < 0 || y2 < 0 || x1 >= frameW || y1 >= frameH)
        return b;
    b.x1 = std::max(x1, 0);
    b.y1 = std::max(y1, 0);
    b.x2 = std::min(x2, frameW - 1);
    b.y2 = std::min(y2, frameH - 1);
    return b;
}

void CheckInRange(int* v, int isX)
{
    if (!v)
        return;
    const int limit = (isX ? gShowW : gShowH) - 1;
    *v = std::clamp(*v, 0, std::max(limit, 0));
}

void CheckInRange(QRect* rect, bool move)
{
    if (!rect)
        return;
    int l = std::min(rect->left(), rect->right());
    int t = std::min(rect->top(), rect->bottom());
    int rr = std::max(rect->left(), rect->right());
    int b = std::max(rect->top(), rect->bottom());
    const int maxX = std::max(gShowW - 1, 0);
    const int maxY = std::max(gShowH - 1, 0);
    if (move) {
        const int w = rr - l;
        const int h = b - t;
        if (w > maxX) {
            l = 0;
            rr = maxX;
        } else {
            if (l < 0) { rr -= l; l = 0; }
            if (rr > maxX) { l -= rr - maxX; rr = maxX; }
        }
        if (h > maxY) {
            t = 0;
            b = maxY;
        } else {
            if (t < 0) { b -= t; t = 0; }
            if (b > maxY) { t -= b - maxY; b = maxY; }
        }
    } else {
        l = std::clamp(l, 0, maxX);
        rr = std::clamp(rr, 0, maxX);
        t = std::clamp(t, 0, maxY);
        b = std::clamp(b, 0, maxY);
    }
    rect->setCoords(l, t, rr, b);
}
