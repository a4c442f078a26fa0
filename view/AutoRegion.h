#pragma once
// A first detection area for a new mould: the large differences between the
// template of the product step and that of the mould step, taken with some
// margin, as one polygon with defect-detection limits.
#include <QPoint>

#include <opencv2/core.hpp>

#include <vector>

class CammerWidget;
struct WizardPara;

namespace AutoRegion {

struct Proposal {
    std::vector<QPoint> polygon;  // view coordinates; empty: nothing to propose
    cv::Rect frameBox;            // bounding box of the polygon in frame pixels
    int sensibility = 0;
};

// From two grey frames of the same size (product step, mould step).
Proposal Propose(const cv::Mat& productStep, const cv::Mat& mouldStep);

// Puts the proposal from template 0 of steps 0 and 1 of w as area 0 of
// `step` in w's edit set. False when nothing was proposed (the step stays empty).
bool Generate(CammerWidget& w, int step, const WizardPara& p);

}  // namespace AutoRegion
