#include "Pyramid.h"

#include <opencv2/core/hal/intrin.hpp>

#include <cstdint>

namespace {

// cv::BORDER_REFLECT_101 (the pyramid's default border).
int Reflect101(int i, int n)
{
    if (n == 1)
        return 0;
    while (i < 0 || i >= n)
        i = i < 0 ? -i : 2 * (n - 1) - i;
    return i;
}

// One source row filtered across and halved: 16 x the Gaussian sum, at most
// 16 * 255, which a uint16 holds.
void FilterRow(const uchar* s, int sw, uint16_t* h, int dw)
{
    auto edge = [&](int x) {
        const int c = 2 * x;
        return uint16_t(s[Reflect101(c - 2, sw)] + s[Reflect101(c + 2, sw)]
                        + 4 * (s[Reflect101(c - 1, sw)] + s[Reflect101(c + 1, sw)]) + 6 * s[Reflect101(c, sw)]);
    };
    // Columns whose five taps all lie in the row.
    const int first = 1;
    const int end = sw >= 3 ? std::min(dw, (sw - 3) / 2 + 1) : 0;
    int x = 0;
    for (; x < std::min(first, dw); ++x)
        h[x] = edge(x);
    if (end <= first) {
        for (; x < dw; ++x)
            h[x] = edge(x);
        return;
    }
#if CV_SIMD128
    // Eight outputs from three overlapping 16-byte loads; even and odd source
    // columns are the low and high bytes of 16-bit lanes.
    const cv::v_uint16x8 low = cv::v_setall_u16(0xFF);
    const cv::v_uint16x8 six = cv::v_setall_u16(6);
    auto eight = [&](int at) {
        const uchar* p = s + 2 * at;
        const cv::v_uint16x8 a = cv::v_reinterpret_as_u16(cv::v_load(p - 2));
        const cv::v_uint16x8 b = cv::v_reinterpret_as_u16(cv::v_load(p));
        const cv::v_uint16x8 c = cv::v_reinterpret_as_u16(cv::v_load(p + 2));
        const cv::v_uint16x8 sum = (a & low) + (c & low) + (((a >> 8) + (b >> 8)) << 2) + cv::v_mul_wrap(b & low, six);
        cv::v_store(h + at, sum);
    };
    // The last start whose eight outputs lie before `end` and whose loads
    // stay in the row: one bound, and two groups a turn, keep the loop's own
    // work small beside the filter's.
    const int last = std::min(end - 8, sw >= 18 ? (sw - 18) / 2 : x - 1);
    for (; x + 8 <= last; x += 16) {
        eight(x);
        eight(x + 8);
    }
    for (; x <= last; x += 8)
        eight(x);
#endif
    for (; x < end; ++x) {
        const uchar* p = s + 2 * x;
        h[x] = uint16_t(p[-2] + p[2] + 4 * (p[-1] + p[1]) + 6 * p[0]);
    }
    for (; x < dw; ++x)
        h[x] = edge(x);
}

}  // namespace

void PyrDownGrey(const cv::Mat& src, cv::Mat& dst)
{
    CV_Assert(src.type() == CV_8UC1 && !src.empty() && src.data != dst.data);
    const int sw = src.cols;
    const int sh = src.rows;
    const int dw = (sw + 1) / 2;
    const int dh = (sh + 1) / 2;
    dst.create(dh, dw, CV_8UC1);

    // The five filtered source rows an output row needs, each filtered once:
    // consecutive source rows never share a slot.
    constexpr int kSlots = 5;
    cv::AutoBuffer<uint16_t, kSlots * 1024> buffer(size_t(kSlots) * size_t(dw));
    uint16_t* slot[kSlots];
    int tag[kSlots];
    for (int k = 0; k < kSlots; ++k) {
        slot[k] = buffer.data() + size_t(k) * size_t(dw);
        tag[k] = -1;
    }
    auto row = [&](int r) -> const uint16_t* {
        r = Reflect101(r, sh);
        const int k = r % kSlots;
        if (tag[k] != r) {
            FilterRow(src.ptr<uchar>(r), sw, slot[k], dw);
            tag[k] = r;
        }
        return slot[k];
    };
    for (int y = 0; y < dh; ++y) {
        const uint16_t* r0 = row(2 * y - 2);
        const uint16_t* r1 = row(2 * y - 1);
        const uint16_t* r2 = row(2 * y);
        const uint16_t* r3 = row(2 * y + 1);
        const uint16_t* r4 = row(2 * y + 2);
        uchar* out = dst.ptr<uchar>(y);
        int x = 0;
#if CV_SIMD128
        // 256 x 255 plus the rounding still fits 16 bits.
        const cv::v_uint16x8 half = cv::v_setall_u16(128);
        const cv::v_uint16x8 six = cv::v_setall_u16(6);
        for (; x + 8 <= dw; x += 8) {
            const cv::v_uint16x8 c = cv::v_load(r2 + x);  // weighs 6: one plain multiply
            const cv::v_uint16x8 sum = cv::v_load(r0 + x) + cv::v_load(r4 + x)
                + ((cv::v_load(r1 + x) + cv::v_load(r3 + x)) << 2) + cv::v_mul_wrap(c, six) + half;
            // At most 255 after the shift: the signed pack is exact and cheaper on SSE2.
            cv::v_pack_u_store(out + x, cv::v_reinterpret_as_s16(sum >> 8));
        }
#endif
        for (; x < dw; ++x)
            out[x] = uchar((r0[x] + r4[x] + 4 * (r1[x] + r3[x]) + 6 * r2[x] + 128) >> 8);
    }
}
