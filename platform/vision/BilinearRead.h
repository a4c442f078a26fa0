#pragma once
// Bilinear reads of an 8-bit picture in double, as the pose refinement takes
// its grey values and gradients.
#include <opencv2/core.hpp>

// Bilinear read; false outside the image.
inline bool Bilinear(const cv::Mat& img, double x, double y, double& v)
{
    if (x < 0 || y < 0 || x > img.cols - 1.001 || y > img.rows - 1.001)
        return false;
    const int x0 = int(x);
    const int y0 = int(y);
    const double fx = x - x0;
    const double fy = y - y0;
    const uchar* r0 = img.ptr<uchar>(y0) + x0;
    const uchar* r1 = r0 + img.step[0];
    v = (r0[0] * (1 - fx) + r0[1] * fx) * (1 - fy) + (r1[0] * (1 - fx) + r1[1] * fx) * fy;
    return true;
}

// The value and the four neighbours one pixel left, right, up and down, each
// read as Bilinear reads it. The neighbours share the centre's fractions
// whenever their coordinates are exact in double, which saves most of the
// work; where one is not (a coordinate that crosses a power of two), it is
// read on its own. False when any of the five lies outside.
inline bool BilinearCross(const cv::Mat& img, double x, double y, double& v, double& l, double& r, double& u,
                          double& d)
{
    const double xl = x - 1, xr = x + 1, yu = y - 1, yd = y + 1;
    const double maxX = img.cols - 1.001, maxY = img.rows - 1.001;
    if (xl < 0 || yu < 0 || xr > maxX || yd > maxY)
        return false;
    const int x0 = int(x);
    const int y0 = int(y);
    const double fx = x - x0;
    const double fy = y - y0;
    const double gx = 1 - fx;
    const double gy = 1 - fy;
    const size_t step = img.step[0];
    const uchar* p = img.ptr<uchar>(y0) + x0;  // (x0, y0)
    auto h = [&](const uchar* q) { return q[0] * gx + q[1] * fx; };
    const double c0 = h(p), c1 = h(p + step);
    v = c0 * gy + c1 * fy;
    l = h(p - 1) * gy + h(p + step - 1) * fy;
    u = h(p - step) * gy + c0 * fy;
    if (int(xr) == x0 + 1 && xr - (x0 + 1) == fx)
        r = h(p + 1) * gy + h(p + step + 1) * fy;
    else
        Bilinear(img, xr, y, r);
    if (int(yd) == y0 + 1 && yd - (y0 + 1) == fy)
        d = c1 * gy + h(p + 2 * step) * fy;
    else
        Bilinear(img, x, yd, d);
    return true;
}
