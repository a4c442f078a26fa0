#pragma once
// Blob analysis: 8-connected regions of the pixels that differ from the
// background value, in scan order of their first pixel (top to bottom, left
// to right). With a mask, pixels where the mask is 0 count as background.
#include "CBlob.h"

#include <opencv2/core.hpp>

#include <vector>

class CBlobResult {
public:
    CBlobResult() = default;
    CBlobResult(const cv::Mat& image, const cv::Mat& mask = cv::Mat(), unsigned char background = 0);

    int GetNumBlobs() const { return static_cast<int>(m_blobs.size()); }
    // Out of range gives an empty blob.
    CBlob GetBlob(int i) const;
    double TotalArea() const;

private:
    std::vector<CBlob> m_blobs;
};
