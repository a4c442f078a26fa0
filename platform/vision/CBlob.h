#pragma once
// One 8-connected region of a CBlobResult.
#include <opencv2/core.hpp>

class CBlob {
public:
    CBlob() = default;
    CBlob(double area, const cv::Rect& bbox) : m_area(area), m_box(bbox) {}
    double Area() const { return m_area; }  // pixel count
    cv::Rect GetBoundingBox() const { return m_box; }  // x, y, width, height

private:
    double m_area = 0;
    cv::Rect m_box;
};
