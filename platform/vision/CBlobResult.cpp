#include "CBlobResult.h"

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
    // Most judged windows are clean: no labelling needed to find no regions.
    if (cv::countNonZero(fg) == 0)
        return;
    // Labels only; area and box come from the one scan that also finds the
    // order, which saves the statistics pass of the labelling itself.
    thread_local cv::Mat labels;
    const int n = cv::connectedComponents(fg, labels, 8, CV_32S);
    if (n <= 1)
        return;
    struct Stat {
        int area = 0, x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        int order = -1;
    };
    std::vector<Stat> stat(static_cast<size_t>(n));
    int seen = 0;
    for (int y = 0; y < labels.rows; ++y) {
        const int* row = labels.ptr<int>(y);
        for (int x = 0; x < labels.cols; ++x) {
            const int l = row[x];
            if (l <= 0)
                continue;
            Stat& st = stat[static_cast<size_t>(l)];
            if (st.order < 0) {
                // Regions in scan order of their first pixel, whatever order
                // the labelling numbered them in.
                st = {0, x, y, x, y, seen++};
            }
            ++st.area;
            st.x1 = std::min(st.x1, x);
            st.x2 = std::max(st.x2, x);
            st.y2 = y;
        }
    }
    m_blobs.assign(static_cast<size_t>(seen), CBlob());
    for (int l = 1; l < n; ++l) {
        const Stat& st = stat[static_cast<size_t>(l)];
        if (st.order >= 0)
            m_blobs[static_cast<size_t>(st.order)] =
                CBlob(double(st.area), cv::Rect(st.x1, st.y1, st.x2 - st.x1 + 1, st.y2 - st.y1 + 1));
    }
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
