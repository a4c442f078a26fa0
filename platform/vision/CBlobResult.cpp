#include "CBlobResult.h"

#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>

CBlobResult::CBlobResult(const cv::Mat& image, const cv::Mat& mask, unsigned char background)
{
    if (image.empty())
        return;
    cv::Mat grey = image;
    if (image.type() != CV_8UC1) {
        if (image.depth() != CV_8U)
            return;
        cv::cvtColor(image, grey, image.channels() == 4 ? cv::COLOR_BGRA2GRAY : cv::COLOR_BGR2GRAY);
    }
    cv::Mat fg;
    if (background == 0)
        fg = grey;
    else
        cv::compare(grey, cv::Scalar(background), fg, cv::CMP_NE);
    if (!mask.empty()) {
        if (mask.size() != grey.size() || mask.type() != CV_8UC1)
            return;
        cv::Mat masked;
        cv::bitwise_and(fg, mask, masked);
        // bitwise_and keeps values; any non-zero result is foreground.
        fg = masked;
    }
    // Regions from runs of foreground pixels: a run joins every run of the
    // row above that touches it (8-connected); a region's root is its
    // earliest run, which holds its first pixel in scan order.
    struct Run {
        int y, x0, x1;
        int parent;
    };
    thread_local std::vector<Run> runs;
    runs.clear();
    auto root = [](int i) {
        while (runs[size_t(i)].parent != i) {
            runs[size_t(i)].parent = runs[size_t(runs[size_t(i)].parent)].parent;
            i = runs[size_t(i)].parent;
        }
        return i;
    };
    const int cols = fg.cols;
    size_t prevBegin = 0, prevEnd = 0;
    for (int y = 0; y < fg.rows; ++y) {
        const uchar* row = fg.ptr<uchar>(y);
        const size_t begin = runs.size();
        int x = 0;
        while (x < cols) {
#if CV_SIMD128
            while (x + 16 <= cols && !cv::v_check_any(cv::v_load(row + x) != cv::v_setzero_u8()))
                x += 16;
#endif
            while (x < cols && !row[x])
                ++x;
            if (x >= cols)
                break;
            const int x0 = x;
            while (x < cols && row[x])
                ++x;
            runs.push_back({y, x0, x - 1, int(runs.size())});
        }
        const size_t end = runs.size();
        size_t p = prevBegin;
        for (size_t c = begin; c < end; ++c) {
            while (p < prevEnd && runs[p].x1 < runs[c].x0 - 1)
                ++p;
            for (size_t q = p; q < prevEnd && runs[q].x0 <= runs[c].x1 + 1; ++q) {
                const int a = root(int(q)), b = root(int(c));
                if (a != b)
                    runs[size_t(std::max(a, b))].parent = std::min(a, b);
            }
        }
        prevBegin = begin;
        prevEnd = end;
    }
    if (runs.empty())
        return;
    struct Stat {
        int area = 0, x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    };
    thread_local std::vector<Stat> stat;
    thread_local std::vector<int> blobOf;  // per root run, its blob
    stat.clear();
    blobOf.assign(runs.size(), -1);
    for (size_t i = 0; i < runs.size(); ++i) {
        const Run& r = runs[i];
        const size_t top = size_t(root(int(i)));
        if (blobOf[top] < 0) {
            blobOf[top] = int(stat.size());
            stat.push_back({0, r.x0, r.y, r.x1, r.y});
        }
        Stat& st = stat[size_t(blobOf[top])];
        st.area += r.x1 - r.x0 + 1;
        st.x1 = std::min(st.x1, r.x0);
        st.x2 = std::max(st.x2, r.x1);
        st.y2 = r.y;
    }
    m_blobs.reserve(stat.size());
    for (const Stat& st : stat)
        m_blobs.emplace_back(double(st.area), cv::Rect(st.x1, st.y1, st.x2 - st.x1 + 1, st.y2 - st.y1 + 1));
}

CBlob CBlobResult::GetBlob(int i) const
{
    if (i < 0 || i >= GetNumBlobs())
        return CBlob();
    return m_blobs[static_cast<size_t>(i)];
}

double CBlobResult::TotalArea() const
{
    double sum = 0;
    for (const CBlob& b : m_blobs)
        sum += b.Area();
    return sum;
}
