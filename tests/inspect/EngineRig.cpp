#include "EngineRig.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

#include "foundation/VisionGlobals.h"

RigGlobals::RigGlobals(int w, int h, const InspectParams& p)
{
    gImageW = w;
    gImageH = h;
    gShowW = w;
    gShowH = h;
    host.setParams(p);
    InspectHost::setInstance(&host);
}

RigGlobals::~RigGlobals()
{
    InspectHost::setInstance(nullptr);
}

EngineRig::EngineRig(int w, int h, int camera, int templateSlots, bool colour)
    : W(w)
    , H(h)
    , widget(std::make_unique<CammerWidgetData>(camera))
    , set(std::make_unique<CammerSingleton>(camera))
{
    FrameLayout layout;
    layout.width = w;
    layout.height = h;
    layout.templateCount = templateSlots;
    layout.groups = 8;
    layout.colour = colour;
    widget->AllocateBuffers(layout);
    for (int g = 0; g < 8; ++g) {
        widget->templateImages[g].assign(size_t(templateSlots), FrameBytes(widget->PackedLen(), 0));
        widget->templateUsed[g].assign(size_t(templateSlots), 0);
        widget->templateNum[g] = 0;
        widget->ignorePointMask[g].assign(size_t(w * h), 0);
    }
    widget->liveSet = set.get();
    widget->editSet = set.get();
}

int EngineRig::AddRect(int g, int code, const cv::Rect& r, int minSize, int sens, int maxArea)
{
    const int j = set->count[g]++;
    set->roi_type[g][j] = CammerSingleton::kRect;
    set->algorithm[g][j] = code;
    set->min_size[g][j] = minSize;
    set->sensibility[g][j] = sens;
    set->max_area[g][j] = maxArea;
    set->rect[g][j] = ClustomRect(r.x, r.y, r.x + r.width - 1, r.y + r.height - 1);
    set->rect[g][j].setImageRect();
    widget->liveMasks[g][j] = set->rect[g][j].UpdateMask();
    widget->editMasks[g][j] = widget->liveMasks[g][j].clone();
    return j;
}

void EngineRig::SetTemplate(int g, int k, const cv::Mat& picture)
{
    FrameBytes frame(size_t(widget->layout().colorLen()));
    cv::Mat dst(H, W, picture.type(), frame.data());
    picture.copyTo(dst);
    widget->SetTemplate(g, k, frame);
    if (!widget->templateUsed[g][size_t(k)])
        ++widget->templateNum[g];
    widget->templateUsed[g][size_t(k)] = 1;
}

void EngineRig::SetFrame(const cv::Mat& picture)
{
    cv::Mat dst(H, W, picture.type(), widget->workBuffer.data());
    picture.copyTo(dst);
}

cv::Mat EngineRig::IgnorePoints(int g)
{
    return cv::Mat(H, W, CV_8UC1, widget->ignorePointMask[g].data());
}

cv::Mat EngineRig::Inspect()
{
    // As the view shows it: the aligned frame written out in full.
    widget->FinishInspectFrame();
    return cv::Mat(H, W, CV_8UC1, widget->inspectFrame.data());
}

cv::Mat EngineRig::NgMap()
{
    return cv::Mat(H, W, CV_8UC1, widget->ngMap.data());
}

CammerRecong& EngineRig::Build()
{
    engine = std::make_unique<CammerRecong>(set.get(), widget.get());
    widget->engine = engine.get();
    return *engine;
}

void EngineRig::Step(int g)
{
    engine->ShapeMatch(g, InspectHost::instance().params());
    engine->Run(g);
}

cv::Matx23d FrameMotion(int w, int h, double dx, double dy, double angle)
{
    cv::Mat a = cv::getRotationMatrix2D(cv::Point2f(w / 2.f, h / 2.f), angle, 1.0);
    a.at<double>(0, 2) += dx;
    a.at<double>(1, 2) += dy;
    return cv::Matx23d(a);
}

double AlignResidual(const cv::Matx23d& motion, double ax, double ay, double turn, cv::Point2d centre,
                     const cv::Rect& box)
{
    const double a = turn * CV_PI / 180.0;
    double worst = 0;
    for (const cv::Point2d u : {cv::Point2d(box.tl()), cv::Point2d(box.br()), cv::Point2d(box.x, box.br().y),
                                cv::Point2d(box.br().x, box.y)}) {
        const cv::Point2d q = cv::Point2d(motion(0, 0) * u.x + motion(0, 1) * u.y + motion(0, 2),
                                          motion(1, 0) * u.x + motion(1, 1) * u.y + motion(1, 2))
            + cv::Point2d(ax, ay) - centre;
        const cv::Point2d back(std::cos(a) * q.x - std::sin(a) * q.y + centre.x,
                               std::sin(a) * q.x + std::cos(a) * q.y + centre.y);
        worst = std::max(worst, cv::norm(back - u));
    }
    return worst;
}

cv::Mat Flat(int w, int h, int grey)
{
    return cv::Mat(h, w, CV_8UC1, cv::Scalar(grey));
}

cv::Mat PartPicture(int w, int h)
{
    cv::Mat m = Flat(w, h, 40);
    const cv::Point c(w / 2, h / 2);
    cv::rectangle(m, cv::Rect(c.x - 70, c.y - 50, 140, 100), cv::Scalar(200), cv::FILLED);
    cv::rectangle(m, cv::Rect(c.x - 50, c.y - 30, 40, 30), cv::Scalar(90), cv::FILLED);
    cv::circle(m, cv::Point(c.x + 35, c.y + 10), 22, cv::Scalar(20), cv::FILLED);
    cv::circle(m, cv::Point(c.x + 35, c.y + 10), 10, cv::Scalar(230), cv::FILLED);
    cv::rectangle(m, cv::Rect(c.x - 60, c.y + 20, 50, 12), cv::Scalar(120), cv::FILLED);
    cv::rectangle(m, cv::Rect(c.x - 60, c.y + 5, 12, 27), cv::Scalar(120), cv::FILLED);
    return m;
}
