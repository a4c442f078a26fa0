#pragma once
// Helpers the shapes share: touch tolerance and handle marks.
#include <QPoint>

class QPainter;

namespace shape_detail {
constexpr int kTouchTolerance = 12;  // view pixels around a handle that still hit it
bool NearPoint(QPoint p, QPoint handle);
void DrawHandle(QPainter& painter, QPoint at);
}  // namespace shape_detail
