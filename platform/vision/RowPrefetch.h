#pragma once
// A ROI box's rows are short streams scattered over a frame: too short for
// the hardware prefetcher to pick up, so each row would start with a wait for
// memory. Loops over such rows ask for the lines of a row a few ahead.
#include <opencv2/core.hpp>

// Rows ahead: enough to cover a miss to memory behind a short row's work.
constexpr int kRowsAhead = 4;

// The cache lines of row y of m, to be read.
inline void PrefetchRow(const cv::Mat& m, int y)
{
    if (y < 0 || y >= m.rows || m.cols <= 0)
        return;
    const uchar* p = m.ptr<uchar>(y);
    const size_t bytes = m.cols * m.elemSize();
    for (size_t x = 0; x < bytes; x += 64)
        __builtin_prefetch(p + x);
    __builtin_prefetch(p + bytes - 1);
}

// The cache lines of row y of m, to be written.
inline void PrefetchRowForWrite(cv::Mat& m, int y)
{
    if (y < 0 || y >= m.rows || m.cols <= 0)
        return;
    uchar* p = m.ptr<uchar>(y);
    const size_t bytes = m.cols * m.elemSize();
    for (size_t x = 0; x < bytes; x += 64)
        __builtin_prefetch(p + x, 1);
    __builtin_prefetch(p + bytes - 1, 1);
}
