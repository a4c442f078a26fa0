#include "BandSelect.h"

#include "RowPrefetch.h"

#include <opencv2/core/hal/intrin.hpp>

#include <algorithm>

void SelectBand(const cv::Mat& window, int lower, int upper, const cv::Mat& a, const cv::Mat& b, cv::Mat& out)
{
    CV_Assert(window.type() == CV_8UC1 && a.type() == CV_8UC1 && b.type() == CV_8UC1);
    CV_Assert(a.size() == window.size() && b.size() == window.size());
    out.create(window.size(), CV_8UC1);
    lower = std::max(lower, 0);
    upper = std::min(upper, 255);
    if (lower > upper) {
        out.setTo(0);
        return;
    }
    // v in [lower, upper] exactly when v - lower, wrapped to 8 bits, is at most
    // upper - lower.
    const uchar lo = uchar(lower);
    const uchar span = uchar(upper - lower);
    for (int y = 0; y < kRowsAhead; ++y) {
        PrefetchRow(window, y);
        PrefetchRow(a, y);
        PrefetchRow(b, y);
    }
    for (int y = 0; y < window.rows; ++y) {
        PrefetchRow(window, y + kRowsAhead);
        PrefetchRow(a, y + kRowsAhead);
        PrefetchRow(b, y + kRowsAhead);
        const uchar* v = window.ptr<uchar>(y);
        const uchar* pa = a.ptr<uchar>(y);
        const uchar* pb = b.ptr<uchar>(y);
        uchar* o = out.ptr<uchar>(y);
        int x = 0;
#if CV_SIMD128
        const cv::v_uint8x16 vlo = cv::v_setall_u8(lo);
        const cv::v_uint8x16 vspan = cv::v_setall_u8(span);
        for (; x + 16 <= window.cols; x += 16) {
            const cv::v_uint8x16 in = cv::v_sub_wrap(cv::v_load(v + x), vlo) <= vspan;
            cv::v_store(o + x, in & cv::v_load(pa + x) & cv::v_load(pb + x));
        }
#endif
        for (; x < window.cols; ++x)
            o[x] = uchar(v[x] - lo) <= span ? uchar(pa[x] & pb[x]) : 0;
    }
}
