#include "ImageTransform.h"

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdlib>

namespace {
bool usable(const cv::Mat& src, const cv::Mat& dst)
{
    if (src.empty() || dst.empty() || src.size() != dst.size() || src.type() != dst.type())
        return false;
    // Overlapping buffers would read pixels already written.
    const uchar* sb = src.datastart;
    const uchar* se = src.dataend;
    const uchar* db = dst.datastart;
    const uchar* de = dst.dataend;
    return se <= db || de <= sb;
}
}  // namespace

bool MoveImage(const cv::Mat& src, cv::Mat& dst, int dx, int dy)
{
    if (!usable(src, dst))
        return false;
    const int w = src.cols;
    const int h = src.rows;
    if (std::abs(dx) >= w || std::abs(dy) >= h) {
        dst.setTo(cv::Scalar::all(0));
        return true;
    }
    const cv::Rect from(std::max(0, -dx), std::max(0, -dy), w - std::abs(dx), h - std::abs(dy));
    const cv::Rect to(std::max(0, dx), std::max(0, dy), from.width, from.height);
    cv::Mat target = dst(to);
    src(from).copyTo(target);
    // Only the strips the shift uncovers are cleared: one pass over the frame.
    dst.rowRange(0, to.y).setTo(cv::Scalar::all(0));
    dst.rowRange(to.y + to.height, h).setTo(cv::Scalar::all(0));
    dst(cv::Rect(0, to.y, to.x, to.height)).setTo(cv::Scalar::all(0));
    dst(cv::Rect(to.x + to.width, to.y, w - to.x - to.width, to.height)).setTo(cv::Scalar::all(0));
    return true;
}

bool TransformImage(const cv::Mat& src, cv::Mat& dst, cv::Point2f offset, cv::Point2f centre, double angle)
{
    if (!usable(src, dst))
        return false;
    if (angle == 0.0 && offset.x == std::round(offset.x) && offset.y == std::round(offset.y))
        return MoveImage(src, dst, int(offset.x), int(offset.y));
    const double a = angle * CV_PI / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    // p = R (q + offset - centre) + centre
    const double tx = offset.x - centre.x;
    const double ty = offset.y - centre.y;
    cv::Mat m = (cv::Mat_<double>(2, 3) << c, -s, c * tx - s * ty + centre.x, s, c, s * tx + c * ty + centre.y);
    uchar* before = dst.data;
    cv::warpAffine(src, dst, m, dst.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar::all(0));
    return dst.data == before;
}
