#pragma once
// Whether the picture's scale has changed (a camera moved nearer or away, a
// lens warming): the part is searched again in the frame shrunk and enlarged
// about where it lies, and a scale is named only when the part fits clearly
// better there than at the taught scale. Costly (a search per scale tried):
// for cycles already held.
#include <opencv2/core.hpp>

class FindShape;

namespace ScaleSearch {
// frame: the whole frame (8-bit grey); at: where the model centre lies in it
// (the place found, or the taught one); reach: how far from `at` the part may
// lie, px; fit, wobble: how well the part fits at the taught scale (ShapeFound,
// 0 when not found). A change that fits clearly better (0.01: the picture 1 %
// larger), or 0.
double Changed(const FindShape& shape, const cv::Mat& frame, const cv::Point2d& at, int reach, double fit,
               double wobble);
}  // namespace ScaleSearch
