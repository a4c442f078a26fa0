#include "DirectionBits.h"

#include <opencv2/core/hal/intrin.hpp>

#include <algorithm>

namespace {
// Two 16-bit factors in one 32-bit lane: `low` for the first of a pair, `high` for the second.
int Pair(int low, int high)
{
    return int((uint32_t(uint16_t(high)) << 16) | uint32_t(uint16_t(low)));
}
}  // namespace

void DirectionBits::Compute(const cv::Mat& img, int minMag)
{
    CV_Assert(img.type() == CV_8UC1);
    const int rows = img.rows;
    const int cols = img.cols;
    // The ring is zeroed once; nothing writes it afterwards.
    if (m_padded.rows != rows + 2 || m_padded.cols != cols + 2) {
        m_padded.create(rows + 2, cols + 2, CV_8UC1);
        m_padded.setTo(0);
        m_inside = m_padded(cv::Rect(1, 1, cols, rows));
    }
    if (rows == 0 || cols == 0)
        return;
    const int min2 = minMag * minMag;
    // A view reads its neighbours beyond its edge where the image it lies in
    // has them, as cv::Sobel does; only the whole image's border repeats.
    cv::Size whole;
    cv::Point at;
    img.locateROI(whole, at);
    const bool left = at.x > 0;
    const bool right = at.x + cols < whole.width;
    const bool up = at.y > 0;
    const bool down = at.y + rows < whole.height;
    const ptrdiff_t step = ptrdiff_t(img.step[0]);
    for (int y = 0; y < rows; ++y) {
        const uchar* r1 = img.ptr<uchar>(y);
        const uchar* r0 = (y > 0 || up) ? r1 - step : r1;
        const uchar* r2 = (y + 1 < rows || down) ? r1 + step : r1;
        uchar* out = m_inside.ptr<uchar>(y);
        auto scalar = [&](int x) {
            const int xm = (x > 0 || left) ? x - 1 : x;
            const int xp = (x + 1 < cols || right) ? x + 1 : x;
            const int gx = (r0[xp] - r0[xm]) + 2 * (r1[xp] - r1[xm]) + (r2[xp] - r2[xm]);
            const int gy = (r2[xm] + 2 * r2[x] + r2[xp]) - (r0[xm] + 2 * r0[x] + r0[xp]);
            out[x] = BitOf(gx, gy, min2);
        };
        scalar(0);
        int x = 1;
#if CV_SIMD128
        // The same integer steps eight pixels at a time. Every comparison
        // |gy| * 10000 >= gx * tan is one multiply-add of (|gy|, gx) pairs.
        using namespace cv;
        const v_int32x4 zero32 = v_setzero_s32();
        const v_int32x4 minMag2 = v_setall_s32(min2);
        const v_int16x8 zero = v_setzero_s16();
        const v_int16x8 t1 = v_reinterpret_as_s16(v_setall_s32(Pair(10000, -kTan1)));
        const v_int16x8 t2 = v_reinterpret_as_s16(v_setall_s32(Pair(10000, -kTan2)));
        const v_int16x8 t3 = v_reinterpret_as_s16(v_setall_s32(Pair(10000, -kTan3)));
        // kTan4 exceeds a 16-bit factor: split into two products.
        const v_int16x8 t4a = v_reinterpret_as_s16(v_setall_s32(Pair(10000, -(kTan4 - kTan4 / 2))));
        const v_int16x8 t4b = v_reinterpret_as_s16(v_setall_s32(Pair(0, -(kTan4 / 2))));
        auto bitAt = [](const v_int16x8& eq, int up, int down, const v_int16x8& pos) {
            return eq & v_select(pos, v_setall_s16(short(up)), v_setall_s16(short(down)));
        };
        auto ge = [&](const v_int16x8& lo, const v_int16x8& hi, const v_int16x8& t) {
            return v_pack(v_dotprod(lo, t) >= zero32, v_dotprod(hi, t) >= zero32);
        };
        for (; x + 9 <= cols; x += 8) {
            const v_int16x8 am = v_reinterpret_as_s16(v_load_expand(r0 + x - 1));
            const v_int16x8 a0 = v_reinterpret_as_s16(v_load_expand(r0 + x));
            const v_int16x8 ap = v_reinterpret_as_s16(v_load_expand(r0 + x + 1));
            const v_int16x8 bm = v_reinterpret_as_s16(v_load_expand(r1 + x - 1));
            const v_int16x8 bp = v_reinterpret_as_s16(v_load_expand(r1 + x + 1));
            const v_int16x8 cm = v_reinterpret_as_s16(v_load_expand(r2 + x - 1));
            const v_int16x8 c0 = v_reinterpret_as_s16(v_load_expand(r2 + x));
            const v_int16x8 cp = v_reinterpret_as_s16(v_load_expand(r2 + x + 1));
            const v_int16x8 gx = (ap - am) + ((bp - bm) << 1) + (cp - cm);
            const v_int16x8 gy = (cm + (c0 << 1) + cp) - (am + (a0 << 1) + ap);

            v_int16x8 lo, hi;
            v_zip(gx, gy, lo, hi);
            const v_int16x8 strong = v_pack(v_dotprod(lo, lo) >= minMag2, v_dotprod(hi, hi) >= minMag2);
            // Most of a picture is flat: eight weak pixels have no direction to find.
            if (!v_check_any(strong)) {
                v_store_low(out + x, v_setzero_u8());
                continue;
            }
            const v_int16x8 flip = (gx < zero) | ((gx == zero) & (gy < zero));
            const v_int16x8 sx = v_reinterpret_as_s16(v_abs(gx));
            const v_int16x8 sy = v_select(flip, zero - gy, gy);
            const v_int16x8 ay = v_reinterpret_as_s16(v_abs(gy));
            v_zip(ay, sx, lo, hi);
            const v_int16x8 c1 = ge(lo, hi, t1);
            const v_int16x8 c2 = ge(lo, hi, t2);
            const v_int16x8 c3 = ge(lo, hi, t3);
            const v_int16x8 c4 = v_pack(v_dotprod(lo, t4b, v_dotprod(lo, t4a)) >= zero32,
                                        v_dotprod(hi, t4b, v_dotprod(hi, t4a)) >= zero32);
            // The comparisons nest (c4 implies c3 ...): k is where they stop.
            const v_int16x8 pos = sy >= zero;
            const v_int16x8 bits = bitAt(~c1, 1, 1, pos) | bitAt(c1 & ~c2, 2, 128, pos) | bitAt(c2 & ~c3, 4, 64, pos)
                | bitAt(c3 & ~c4, 8, 32, pos) | bitAt(c4, 16, 16, pos);
            v_pack_u_store(out + x, bits & strong);
        }
#endif
        for (; x < cols; ++x)
            scalar(x);
    }
}

void DirectionBits::ClearBorder()
{
    if (m_inside.empty())
        return;
    m_inside.row(0).setTo(0);
    m_inside.row(m_inside.rows - 1).setTo(0);
    m_inside.col(0).setTo(0);
    m_inside.col(m_inside.cols - 1).setTo(0);
}

void DirectionBits::Spread(cv::Mat& out) const
{
    const int rows = m_inside.rows;
    const int cols = m_inside.cols;
    out.create(rows, cols, CV_8UC1);
    for (int y = 0; y < rows; ++y) {
        // Rows y - 1 .. y + 1 of the picture, from column -1 on (the ring).
        const uchar* p0 = m_padded.ptr<uchar>(y);
        const uchar* p1 = m_padded.ptr<uchar>(y + 1);
        const uchar* p2 = m_padded.ptr<uchar>(y + 2);
        uchar* o = out.ptr<uchar>(y);
        int x = 0;
#if CV_SIMD128
        for (; x + 16 <= cols; x += 16) {
            const cv::v_uint8x16 v0 = cv::v_load(p0 + x) | cv::v_load(p1 + x) | cv::v_load(p2 + x);
            const cv::v_uint8x16 v1 = cv::v_load(p0 + x + 1) | cv::v_load(p1 + x + 1) | cv::v_load(p2 + x + 1);
            const cv::v_uint8x16 v2 = cv::v_load(p0 + x + 2) | cv::v_load(p1 + x + 2) | cv::v_load(p2 + x + 2);
            cv::v_store(o + x, v0 | v1 | v2);
        }
#endif
        for (; x < cols; ++x)
            o[x] = uchar(p0[x] | p0[x + 1] | p0[x + 2] | p1[x] | p1[x + 1] | p1[x + 2] | p2[x] | p2[x + 1] | p2[x + 2]);
    }
}
