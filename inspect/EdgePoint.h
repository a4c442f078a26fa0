#pragma once
// Edge-point geometry of the distance ROI: a rotated strip over the ROI box,
// a grey profile along its scan axis and the edge peaks of its gradient,
// mapped back into frame coordinates.
#include <opencv2/core.hpp>

#include <vector>

struct RotateRectROI {
    double cx = 0;       // centre, frame pixels
    double cy = 0;
    float angle = 0;     // degrees; the scan axis is (cos angle, sin angle)
    float width = 0;     // along the scan axis
    float height = 0;    // across it
};

struct EdgePointDetParam {
    int scanDir = 0;       // 0: first strip column to last
    int polarity = 0;      // 0: rising and falling alike
    int peakPercent = 1;   // peak threshold, percent of the strongest gradient
    int smoothWidth = 5;   // moving average over the gradient
    int sensitivity = 0;   // absolute gradient threshold
    double maxGrad = 0;    // out
    std::vector<cv::Point2d> points;  // out: edge points in frame coordinates
    cv::Mat strip;                    // work: straightened strip, 8-bit grey
    std::vector<double> gradient;     // work: one entry per strip column
    RotateRectROI* roi = nullptr;     // in
    bool found = false;               // out
};

// The edge search's published interface names its record _EdgePointDetParam;
// that name is kept only on clcEdgePoint, everything else uses EdgePointDetParam.
using _EdgePointDetParam = EdgePointDetParam;

// New rectangle over the integer box {x, y, width, height}: dir 0 scans left
// to right, any other value top to bottom. The caller deletes it.
RotateRectROI* Rect2RotateRect(const cv::Rect& box, int dir);
// The four corners: (-hw,-hh), (hw,-hh), (hw,hh), (-hw,hh) turned and moved.
void getCornerPoints(const RotateRectROI& roi, std::vector<cv::Point2f>& corners);
// 1 when at least one edge point was found, else 0.
int clcEdgePoint(const cv::Mat& image, _EdgePointDetParam& param);
float DistP2P(const cv::Point2d& a, const cv::Point2d& b);
