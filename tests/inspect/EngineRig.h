#pragma once
// A camera record, ROI set and engine on a small grey frame, with helpers to
// draw templates and frames and to add rectangular ROIs.
#include <QStringList>

#include <memory>
#include <opencv2/core.hpp>

#include "inspect/CammerRecong.h"
#include "inspect/InspectHost.h"
#include "params/CammerSingleton.h"
#include "params/CammerWidgetData.h"

// Collects operation-log lines instead of writing them.
class RecordingHost : public InspectHost {
public:
    void insertRecord(const QString& text) override { lines.append(text); }
    QStringList lines;
};

// Sets the frame globals (view = frame) and installs a recording host.
class RigGlobals {
public:
    RigGlobals(int w, int h, const InspectParams& p = InspectParams());
    ~RigGlobals();
    RecordingHost host;
};

class EngineRig {
public:
    EngineRig(int w, int h, int camera = 0, int templateSlots = 3, bool colour = false);

    // ROI with a rectangle over frame pixels r (inclusive of r's last pixel).
    int AddRect(int g, int code, const cv::Rect& r, int minSize, int sens, int maxArea);
    // Template k of group g := picture (marked used); 8-bit, or 8UC4 for colour.
    void SetTemplate(int g, int k, const cv::Mat& picture);
    // Work buffer := picture.
    void SetFrame(const cv::Mat& picture);
    cv::Mat IgnorePoints(int g);
    cv::Mat Inspect();
    cv::Mat NgMap();
    // Builds the engine (trains the groups switched on in the host params).
    CammerRecong& Build();
    // Positioning and judgement of group g, as the detection step runs them.
    void Step(int g);

    int W, H;
    std::unique_ptr<CammerWidgetData> widget;
    std::unique_ptr<CammerSingleton> set;
    std::unique_ptr<CammerRecong> engine;
};

// Part -> frame: turned by `angle` degrees about the centre of a w x h
// frame, then shifted.
cv::Matx23d FrameMotion(int w, int h, double dx, double dy, double angle);
// Largest distance between where positioning's alignment (shift (ax, ay),
// turn about `centre`) puts a corner of `box` and where the exact inverse
// of `motion` puts it.
double AlignResidual(const cv::Matx23d& motion, double ax, double ay, double turn, cv::Point2d centre,
                     const cv::Rect& box);

// Pictures used across tests.
cv::Mat Flat(int w, int h, int grey);
// A part with distinctive edges (plates, a ring, an L) for positioning.
cv::Mat PartPicture(int w, int h);
