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
    cv::Mat labels, stats, centroids;
    const int n = cv::connectedComponentsWithStats(fg, labels, stats, centroids, 8, CV_32S);
    // Labels run in scan order of each region's first pixel; 0 is the background.
    m_blobs.reserve(static_cast<size_t>(std::max(n - 1, 0)));
    for (int i = 1; i < n; ++i) {
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
