#pragma once
// Bilinear reads of a picture (8-bit unless said) in double, as the pose refinement takes
// its grey values and gradients.
#include <opencv2/core.hpp>
#include <opencv2/core/hal/intrin.hpp>

#include <cstdint>
#include <cstring>

// Bilinear read of a picture of `Pixel`s; false outside the image.
template <typename Pixel = uchar>
inline bool Bilinear(const cv::Mat& img, double x, double y, double& v)
{
    if (x < 0 || y < 0 || x > img.cols - 1.001 || y > img.rows - 1.001)
        return false;
    const int x0 = int(x);
    const int y0 = int(y);
    const double fx = x - x0;
    const double fy = y - y0;
    const Pixel* r0 = img.ptr<Pixel>(y0) + x0;
    const Pixel* r1 = reinterpret_cast<const Pixel*>(reinterpret_cast<const uchar*>(r0) + img.step[0]);
    v = (r0[0] * (1 - fx) + r0[1] * fx) * (1 - fy) + (r1[0] * (1 - fx) + r1[1] * fx) * fy;
    return true;
}

// An 8-bit picture's rows and read bounds, taken once for many reads: a
// loop that stores through SIMD pointers would otherwise read them anew
// from the picture for every read.
struct BilinearFrame {
    explicit BilinearFrame(const cv::Mat& img)
        : data(img.data), step(img.step[0]), maxX(img.cols - 1.001), maxY(img.rows - 1.001)
    {
    }
    const uchar* data;
    size_t step;
    double maxX, maxY;
};

// Bilinear<uchar> on a frame.
inline bool Bilinear(const BilinearFrame& f, double x, double y, double& v)
{
    if (x < 0 || y < 0 || x > f.maxX || y > f.maxY)
        return false;
    const int x0 = int(x);
    const int y0 = int(y);
    const double fx = x - x0;
    const double fy = y - y0;
    const uchar* r0 = f.data + f.step * size_t(y0) + x0;
    const uchar* r1 = r0 + f.step;
    v = (r0[0] * (1 - fx) + r0[1] * fx) * (1 - fy) + (r1[0] * (1 - fx) + r1[1] * fx) * fy;
    return true;
}

// The value and the four neighbours one pixel left, right, up and down, each
// read as Bilinear reads it. The neighbours share the centre's fractions
// whenever their coordinates are exact in double, which saves most of the
// work; where one is not (a coordinate that crosses a power of two), it is
// read on its own. False when any of the five lies outside.
inline bool BilinearCross(const BilinearFrame& img, double x, double y, double& v, double& l, double& r,
                          double& u, double& d)
{
    const double xl = x - 1, xr = x + 1, yu = y - 1, yd = y + 1;
    if (xl < 0 || yu < 0 || xr > img.maxX || yd > img.maxY)
        return false;
    const int x0 = int(x);
    const int y0 = int(y);
    const double fx = x - x0;
    const double fy = y - y0;
    const double gx = 1 - fx;
    const double gy = 1 - fy;
    const size_t step = img.step;
    const uchar* p = img.data + step * size_t(y0) + x0;  // (x0, y0)
    // x + 1 is exact in double exactly when xr - x gives 1: with x >= 1
    // that difference is itself exact (the two lie within a factor of two).
    // Exact, xr's fraction is x's.
    const bool rShared = xr - x == 1.0;
    const bool dShared = yd - y == 1.0;
#if CV_SIMD128_64F
    // The same products and sums as the plain reads below, two per
    // instruction; the 4x4 pixels around (x0, y0) all lie inside.
    uint32_t row[4];
    for (int k = 0; k < 4; ++k)
        std::memcpy(&row[k], p + (k - 1) * std::ptrdiff_t(step) - 1, 4);
    const cv::v_uint8x16 bytes = cv::v_reinterpret_as_u8(cv::v_uint32x4(row[0], row[1], row[2], row[3]));
    cv::v_uint16x8 w01, w23;
    cv::v_expand(bytes, w01, w23);
    cv::v_uint32x4 q[4];  // rows y0 - 1 .. y0 + 2, columns x0 - 1 .. x0 + 2
    cv::v_expand(w01, q[0], q[1]);
    cv::v_expand(w23, q[2], q[3]);
    auto lo = [](const cv::v_uint32x4& a) { return cv::v_cvt_f64(cv::v_reinterpret_as_s32(a)); };
    auto mid = [](const cv::v_uint32x4& a) {
        return cv::v_cvt_f64(cv::v_reinterpret_as_s32(cv::v_rotate_right<1>(a)));
    };
    auto hi = [](const cv::v_uint32x4& a) { return cv::v_cvt_f64_high(cv::v_reinterpret_as_s32(a)); };
    const cv::v_float64x2 vgx = cv::v_setall_f64(gx), vfx = cv::v_setall_f64(fx);
    // h at x0 - 1 and x0 on rows y0 and y0 + 1; at x0 + 1 on both; at x0 on rows y0 - 1 and y0 + 2
    const cv::v_float64x2 h0 = lo(q[1]) * vgx + mid(q[1]) * vfx;
    const cv::v_float64x2 h1 = lo(q[2]) * vgx + mid(q[2]) * vfx;
    const cv::v_float64x2 hr = cv::v_combine_low(hi(q[1]), hi(q[2])) * vgx
        + cv::v_combine_high(hi(q[1]), hi(q[2])) * vfx;
    const cv::v_float64x2 hud = cv::v_combine_low(mid(q[0]), mid(q[3])) * vgx
        + cv::v_combine_high(mid(q[0]), mid(q[3])) * vfx;
    const cv::v_float64x2 c01 = cv::v_combine_high(h0, h1);
    // [l, v]; [u, d] with d's two terms swapped, which leaves the sum as it is
    const cv::v_float64x2 lv = h0 * cv::v_setall_f64(gy) + h1 * cv::v_setall_f64(fy);
    const cv::v_float64x2 ud = hud * cv::v_float64x2(gy, fy) + c01 * cv::v_float64x2(fy, gy);
    const cv::v_float64x2 rr = hr * cv::v_float64x2(gy, fy);
    double out[6];
    cv::v_store(out, lv);
    cv::v_store(out + 2, ud);
    cv::v_store(out + 4, rr);
    l = out[0];
    v = out[1];
    u = out[2];
    if (rShared)
        r = out[4] + out[5];
    else
        Bilinear(img, xr, y, r);
    if (dShared)
        d = out[3];
    else
        Bilinear(img, x, yd, d);
#else
    auto h = [&](const uchar* q) { return q[0] * gx + q[1] * fx; };
    const double c0 = h(p), c1 = h(p + step);
    v = c0 * gy + c1 * fy;
    l = h(p - 1) * gy + h(p + step - 1) * fy;
    u = h(p - step) * gy + c0 * fy;
    if (rShared)
        r = h(p + 1) * gy + h(p + step + 1) * fy;
    else
        Bilinear(img, xr, y, r);
    if (dShared)
        d = c1 * gy + h(p + 2 * step) * fy;
    else
        Bilinear(img, x, yd, d);
#endif
    return true;
}

inline bool BilinearCross(const cv::Mat& img, double x, double y, double& v, double& l, double& r, double& u,
                          double& d)
{
    return BilinearCross(BilinearFrame(img), x, y, v, l, r, u, d);
}
