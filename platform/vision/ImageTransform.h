#pragma once
// Frame alignment: write the shifted (and turned) source into dst, which must
// already have the source's size and type; dst is never reallocated and every
// pixel of it is written (uncovered pixels become 0). src and dst must not
// share memory.

#include <opencv2/core.hpp>

// dst(x + dx, y + dy) = src(x, y).
bool MoveImage(const cv::Mat& src, cv::Mat& dst, int dx, int dy);

// Shift by `offset`, then turn by `angle` degrees about `centre`:
// a source point q lands on R(angle) * (q + offset - centre) + centre, with
// R(a) = [cos a, -sin a; sin a, cos a] in image axes (y down). Bilinear.
bool TransformImage(const cv::Mat& src, cv::Mat& dst, cv::Point2f offset, cv::Point2f centre,
                    double angle);
