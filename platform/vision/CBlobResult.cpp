#include "CBlobResult.h"

#include <opencv2/imgproc.hpp>

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
    cv::Mat labels, stats, centroids;
    const int n = cv::connectedComponentsWithStats(fg, labels, stats, centroids, 8, CV_32S);
    // Report regions in scan order of their first pixel, whatever order the
    // labelling algorithm numbered them in.
    std::vector<int> order;
    order.reserve(static_cast<size_t>(std::max(n - 1, 0)));
    if (n > 1) {
        std::vector<char> seen(static_cast<size_t>(n), 0);
        for (int y = 0; y < labels.rows && int(order.size()) < n - 1; ++y) {
            const int* row = labels.ptr<int>(y);
            for (int x = 0; x < labels.cols; ++x) {
                const int l = row[x];
                if (l > 0 && !seen[static_cast<size_t>(l)]) {
                    seen[static_cast<size_t>(l)] = 1;
                    order.push_back(l);
                }
            }
        }
    }
    m_blobs.reserve(order.size());
    for (int i : order) {
        const int* s = stats.ptr<int>(i);
        m_blobs.emplace_back(double(s[cv::CC_STAT_AREA]),
                             cv::Rect(s[cv::CC_STAT_LEFT], s[cv::CC_STAT_TOP], s[cv::CC_STAT_WIDTH],
                                      s[cv::CC_STAT_HEIGHT]));
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
