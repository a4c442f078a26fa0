#include "ShapeDraw.h"

#include <QPainter>

#include <cstdlib>

namespace shape_detail {

bool NearPoint(QPoint p, QPoint handle)
{
    return std::abs(p.x() - handle.x()) <= kTouchTolerance && std::abs(p.y() - handle.y()) <= kTouchTolerance;
}

void DrawHandle(QPainter& painter, QPoint at)
{
    painter.save();
    painter.setBrush(painter.pen().color());
    painter.drawRect(QRect(at.x() - 4, at.y() - 4, 9, 9));
    painter.restore();
}

}  // namespace shape_detail
