#include "MapRows.h"

#include "RowPrefetch.h"

#include <opencv2/core/hal/intrin.hpp>

#include <algorithm>
#include <cstring>

void ClearBox(cv::Mat& box)
{
    CV_Assert(box.type() == CV_8UC1);
    for (int y = 0; y < std::min(kRowsAhead, box.rows); ++y)
        PrefetchRowForWrite(box, y);
    for (int y = 0; y < box.rows; ++y) {
        PrefetchRowForWrite(box, y + kRowsAhead);
        std::memset(box.ptr<uchar>(y), 0, size_t(box.cols));
    }
}

void OrIntoBox(const cv::Mat& src, cv::Mat& box)
{
    CV_Assert(src.type() == CV_8UC1 && box.type() == CV_8UC1 && src.size() == box.size());
    for (int y = 0; y < std::min(kRowsAhead, box.rows); ++y)
        PrefetchRowForWrite(box, y);
    for (int y = 0; y < box.rows; ++y) {
        PrefetchRowForWrite(box, y + kRowsAhead);
        const uchar* s = src.ptr<uchar>(y);
        uchar* d = box.ptr<uchar>(y);
        int x = 0;
#if CV_SIMD128
        for (; x + 16 <= box.cols; x += 16)
            cv::v_store(d + x, cv::v_load(d + x) | cv::v_load(s + x));
#endif
        for (; x < box.cols; ++x)
            d[x] |= s[x];
    }
}
