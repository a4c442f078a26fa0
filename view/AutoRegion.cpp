#include "AutoRegion.h"

#include "CammerWidget.h"
#include "RoiTouch.h"
#include "foundation/VisionGlobals.h"
#include "params/CammerSingleton.h"
#include "params/WizardPara.h"
#include "platform/vision/ColorConvert.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace {
QPoint ToView(const cv::Point& p)
{
    const double sx = double(std::max(gShowW, 1)) / std::max(gImageW, 1);
    const double sy = double(std::max(gShowH, 1)) / std::max(gImageH, 1);
    return QPoint(int(std::lround((p.x + 0.5) * sx - 0.5)), int(std::lround((p.y + 0.5) * sy - 0.5)));
}

// Template 0 of group g as one grey plane (colour templates converted first).
cv::Mat GreyTemplate(CammerWidget& w, int g)
{
    if (!w.EnsureGroupBuffers(g) || w.templateImages[g].empty())
        return cv::Mat();
    const cv::Mat plane = w.TemplatePlane(g, 0, true);
    return w.CammerWidgetData::layout().colour ? plane : plane.clone();
}
}  // namespace

namespace AutoRegion {

Proposal Propose(const cv::Mat& a, const cv::Mat& b)
{
    Proposal out;
    if (a.empty() || a.size() != b.size() || a.type() != CV_8UC1 || b.type() != CV_8UC1)
        return out;
    cv::Mat d;
    cv::absdiff(b, a, d);
    // Foreground is what differs by more than 50 grey levels. A truncating
    // threshold would keep every non-zero difference, and with any camera
    // noise the area became the whole frame.
    cv::Mat t;
    cv::threshold(d, t, 50, 255, cv::THRESH_BINARY);
    const cv::Mat r3 = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3));
    const cv::Mat e30 = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(30, 30));
    const cv::Mat e50 = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(50, 50));
    const cv::Point anchor(-1, -1);
    const cv::Scalar border = cv::morphologyDefaultBorderValue();
    cv::morphologyEx(t, t, cv::MORPH_OPEN, r3, anchor, 1, cv::BORDER_CONSTANT, border);
    cv::morphologyEx(t, t, cv::MORPH_CLOSE, e30, anchor, 1, cv::BORDER_CONSTANT, border);
    cv::morphologyEx(t, t, cv::MORPH_OPEN, e30, anchor, 1, cv::BORDER_CONSTANT, border);
    cv::dilate(t, t, e50, anchor, 1, cv::BORDER_CONSTANT, border);

    std::vector<std::vector<cv::Point>> contours;
    std::vector<cv::Vec4i> hierarchy;
    cv::findContours(t, contours, hierarchy, cv::RETR_TREE, cv::CHAIN_APPROX_SIMPLE);
    std::vector<cv::Point> all;
    for (const auto& c : contours)
        all.insert(all.end(), c.begin(), c.end());
    if (all.empty())
        return out;
    std::vector<cv::Point> hull;
    cv::convexHull(all, hull, false, true);
    std::vector<cv::Point> poly;
    cv::approxPolyDP(hull, poly, 10.0, true);
    if (poly.size() < 3)
        return out;  // a line or a point is no area
    if (int(poly.size()) > RoiTouch::kMaxPolygonPoints)
        poly.resize(size_t(RoiTouch::kMaxPolygonPoints));

    const cv::Rect box = cv::boundingRect(poly) & cv::Rect(0, 0, d.cols, d.rows);
    const int64_t n = box.area() > 0 ? cv::countNonZero(d(box)) : 0;
    const double m = box.area() > 0 ? cv::mean(d(box))[0] : 0.0;
    out.frameBox = box;
    // Mean difference over the box, spread over the differing pixels only.
    out.sensibility = n > 0 ? int(double(int64_t(m) * box.width * box.height / n) * 0.2) : 0;
    for (const cv::Point& p : poly)
        out.polygon.push_back(ToView(p));
    return out;
}

bool Generate(CammerWidget& w, int step, const WizardPara& p)
{
    CammerSingleton* set = w.editSet;
    if (!set || step < 0 || step >= CammerSingleton::kGroups)
        return false;
    const Proposal prop = Propose(GreyTemplate(w, 0), GreyTemplate(w, 1));
    if (prop.polygon.empty())
        return false;
    set->polygon[step][0] = RePolygon(int(prop.polygon.size()), prop.polygon.data());
    set->roi_type[step][0] = CammerSingleton::kPolygon;
    w.editMasks[step][0] = set->BuildMask(step, 0);
    SelectArea(*set, step, 0, true);
    set->algorithm[step][0] = 0;
    set->min_size[step][0] = p.filterSize;
    // Without a differing pixel inside the box the defect default stands.
    set->sensibility[step][0] = prop.sensibility > 0 ? prop.sensibility : 45;
    set->max_area[step][0] = p.defectArea;
    set->NGCount[step][0] = 0;
    set->count[step] = 1;
    w.NoteNewArea(step, 0);
    return true;
}

}  // namespace AutoRegion
