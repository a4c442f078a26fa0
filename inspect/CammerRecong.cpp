#include "CammerRecong.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <opencv2/imgproc.hpp>

#include "RoiRules.h"
#include "foundation/uitext.h"
#include "inspect/EdgePoint.h"
#include "params/CammerSingleton.h"
#include "params/CammerWidgetData.h"
#include "platform/vision/BandSelect.h"
#include "platform/vision/CBlobResult.h"
#include "platform/vision/ScaleSearch.h"
#include "platform/vision/ColorConvert.h"
#include "platform/vision/ImageTransform.h"
#include "platform/vision/MapRows.h"
#include "platform/vision/Opening.h"
#include "platform/vision/StageClock.h"

namespace {

// Motion a part keeps after positioning that does not turn, or after none.
constexpr double kSmallTurn = 3.0;
constexpr double kSmallShift = 4.0;
// Pixels around a distance ROI's box aligned with it: its edge strip reads
// one beyond. Every other function reads only inside its box.
constexpr int kWarpMargin = 2;
// Farthest a part may lie from where it was taught (pixels, centre to
// centre) and still be judged. A part shifts by some tens of pixels on a
// fixed camera (60 along x and y at most, 85 across); one found farther
// away, a cavity's pitch or more, means the camera or the mould moved,
// whether or not its surroundings fit there.
constexpr double kPartReachPx = 100.0;
// How far from where the part was found, or taught when it was not, a held
// cycle looks for it at another picture scale.
constexpr int kScaleReachPx = 16;
constexpr int kScaleReachUnfoundPx = 40;

// Positioning turns the frame back only for an angle range of 1 to 180 degrees.
bool Turns(const InspectParams& p)
{
    return p.angleRange >= 1 && p.angleRange <= 180;
}

int ClampCount(int count)
{
    return std::clamp(count, 0, CammerRecong::kRois);
}

// A mask fits when it is 8-bit and exactly the size of its box.
bool MaskFits(const cv::Mat& mask, const cv::Rect& box)
{
    return !mask.empty() && mask.type() == CV_8UC1 && mask.cols == box.width
        && mask.rows == box.height;
}

}  // namespace

CammerRecong::CammerRecong(CammerSingleton* set, CammerWidgetData* owner)
    : CammerRecong(set, owner, NotTrained)
{
    Train();
}

CammerRecong::CammerRecong(CammerSingleton* set, CammerWidgetData* owner, Untrained)
    : roiSet(set)
    , widget(owner)
{
    W = widget->layout().width;
    H = widget->layout().height;
    colour = widget->layout().colour;
}

void CammerRecong::Train()
{
    widget->AwaitJudged();  // the cycle may be judging this camera on a worker
    const InspectParams p = InspectHost::instance().params();
    m_trainReadNs = 0;
    for (int g = 0; g < kGroups; ++g) {
        findShape[g].Clear();
        findShape[g].state = 0;
        context[g].Clear();
        if (p.detectOn[g]) {
            trainTemplate0 = ReadTemplate(g, 0, p.isGrayHue);
            trainGroup = g;
            CreateShape(g);
            VarTrain(g);
            trainTemplate0 = cv::Mat();
            trainGroup = -1;
        }
    }
}

CammerRecong::~CammerRecong() = default;

bool CammerRecong::InsideFrame(const cv::Rect& box) const
{
    return box.x >= 0 && box.y >= 0 && box.width >= 1 && box.height >= 1
        && int64_t(box.x) + box.width <= W && int64_t(box.y) + box.height <= H;
}

cv::Mat CammerRecong::Frame(FrameBytes& buffer) const
{
    if (buffer.size() < size_t(W) * size_t(H) || W <= 0 || H <= 0)
        return cv::Mat();
    return cv::Mat(H, W, CV_8UC1, buffer.data());
}

cv::Mat CammerRecong::TemplateImage(int g, int k, const InspectParams& p)
{
    if (k == 0 && g == trainGroup && !trainTemplate0.empty())
        return trainTemplate0;
    return ReadTemplate(g, k, p.isGrayHue);
}

cv::Mat CammerRecong::ReadTemplate(int g, int k, bool grayHue)
{
    // Timed for the start-up's stage list: file reading is apart from training.
    const auto a = std::chrono::steady_clock::now();
    cv::Mat plane = widget->TemplatePlane(g, k, grayHue);
    m_trainReadNs += std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - a).count();
    return plane;
}

cv::Mat CammerRecong::SourceImage(const InspectParams& p)
{
    if (!colour)
        return Frame(widget->inspectFrame);
    cv::Mat grey = Frame(widget->grayFrame);
    const FrameBytes& judged = widget->judgedFrame();
    if (grey.empty() || judged.size() < size_t(W) * size_t(H) * 4)
        return cv::Mat();
    const int* rgba = reinterpret_cast<const int*>(judged.data());
    if (p.isGrayHue)
        RGBA2Gray(grey.data, rgba, W, H);
    else
        RGBA2Hue(grey.data, rgba, W, H);
    return grey;
}

// How far a defect's rim reaches past the part of it the tolerance finds:
// an anti-aliased edge, a pixel of defocus, the opening's cut.
constexpr int kRimSteps = 2;

bool CammerRecong::Open(cv::Mat& work, int kernel, const cv::Rect& box, cv::Rect* kept)
{
    kernel = std::min(kernel, RoiRules::KernelCap(box.width, box.height));
    // A 1 x 1 opening changes nothing; the 3 x 3 one needs no element.
    if (kernel <= 1 || kernel == 3)
        return OpenEllipse(work, kernel, cv::Mat(), kept);
    auto it = ellipses.find(kernel);
    if (it == ellipses.end())
        it = ellipses.emplace(kernel, cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(kernel, kernel))).first;
    return OpenEllipse(work, kernel, it->second, kept);
}

void CammerRecong::BandWork(int code, const RoiLimits& lim, const cv::Mat& window, const cv::Mat& ignore,
                            const cv::Mat& mask, const InspectParams& p, cv::Mat& work, int& kernel) const
{
    const GreyBand band = RoiRules::Band(code, lim);
    SelectBand(window, band.lower, band.upper, ignore, mask, work);
    kernel = RoiRules::KernelSize(code, lim, p);
    if (RoiRules::KernelTooLarge(code, kernel, window.cols, window.rows))
        work.setTo(0);
}

void CammerRecong::VarTrain(int g)
{
    widget->AwaitJudged();
    if (g < 0 || g >= kGroups)
        return;
    const InspectParams p = InspectHost::instance().params();
    const CammerSingleton& s = *roiSet;

    for (int j = 0; j < kRois; ++j) {
        if (grayMatch[g][j].IsValid())
            grayMatch[g][j].Clear();
        if (surf[g][j].IsValid())
            surf[g][j].Clear();
    }

    // A group the step count reached after start-up gets its buffers now. One
    // the record still cannot give them stays untrained: Run then holds every
    // ROI of it as an error instead of judging against nothing.
    widget->EnsureGroupBuffers(g);
    IgnoreMap& ign = ignore[g];
    ign = IgnoreMap();
    const cv::Mat points = Frame(widget->ignorePointMask[g]);
    if (points.empty() || widget->templateImages[g].empty())
        return;
    ign.trained = true;

    // Any non-zero point is ignored, whatever value the picture stored.
    const int count = ClampCount(s.count[g]);
    ign.bounds = cv::boundingRect(points);
    auto usableArea = [&](int j) {
        return s.algorithm[g][j] == RoiCode::IgnoreArea && InsideFrame(s.RoiBox(g, j))
            && MaskFits(widget->liveMasks[g][j], s.RoiBox(g, j));
    };
    for (int j = 0; j < count; ++j)
        if (usableArea(j))
            ign.bounds |= s.RoiBox(g, j);
    if (!ign.bounds.empty()) {
        cv::Mat ignored = points(ign.bounds) != 0;
        // An unusable Ignore Area cuts nothing out: more is judged, never less.
        // The shape is added to the ignored points: the rest of a circle's or
        // polygon's box keeps the points ignored there.
        for (int j = 0; j < count; ++j) {
            if (!usableArea(j))
                continue;
            cv::Mat area = ignored(s.RoiBox(g, j) - ign.bounds.tl());
            cv::bitwise_or(area, widget->liveMasks[g][j] != 0, area);
        }
        cv::bitwise_not(ignored, ign.inside);
    }

    // Colour templates are converted once per training, not once per ROI.
    // With positioning, every template is first brought onto template 0's
    // pose, as each judged frame is: templates of parts that sat apart would
    // otherwise blur the reference and widen its tolerance by the shift.
    const int slotCount = int(widget->templateImages[g].size());
    std::vector<cv::Mat> templates(static_cast<size_t>(slotCount));
    std::vector<cv::Mat> covered(static_cast<size_t>(slotCount));
    auto templateAt = [&](int k) -> const cv::Mat& {
        if (templates[size_t(k)].empty()) {
            templates[size_t(k)] = TemplateImage(g, k, p);
            if (k > 0)
                AlignTemplate(g, p, templates[size_t(k)], covered[size_t(k)]);
        }
        return templates[size_t(k)];
    };
    // Every model and the other templates' alignment start from template 0:
    // when its file no longer reads (reported), the step holds as untrained.
    if (templateAt(0).empty()) {
        ign = IgnoreMap();
        return;
    }
    const std::vector<int32_t>& used = widget->templateUsed[g];

    for (int j = 0; j < count; ++j) {
        const int code = s.algorithm[g][j];
        if (code != RoiCode::Defect && code != RoiCode::Similarity && code != RoiCode::DistMeasure)
            continue;
        const cv::Rect box = s.RoiBox(g, j);
        const cv::Mat& mask = widget->liveMasks[g][j];
        if (!InsideFrame(box) || !MaskFits(mask, box))
            continue;
        cv::Mat effective;
        ign.Cut(box, effective);
        cv::bitwise_and(effective, mask, effective);

        if (code == RoiCode::DistMeasure) {
            const cv::Mat& tpl = templateAt(0);
            if (tpl.empty()) {
                widget->roiValue[g][j] = 0;
                widget->roiMarks[g][j][1][0] = 0;
            } else {
                MeasureEdges(g, j, tpl, box, s.min_size[g][j], s.sensibility[g][j], true);
            }
            continue;
        }

        if (code == RoiCode::Similarity) {
            surf[g][j].Create(box.width, box.height, effective.clone());
            // A good part sits within the angle range and a few pixels of the
            // taught place; a feature fit beyond that is noise.
            surf[g][j].SetMotion(Turns(p) ? p.angleRange : kSmallTurn, kSmallShift);
        } else {
            grayMatch[g][j].Create(box.width, box.height, effective, 0);
            grayMatch[g][j].SetHue(colour && !p.isGrayHue);
        }

        int added = 0;
        for (int k = 0; k < slotCount && size_t(k) < used.size(); ++k) {
            if (!used[size_t(k)])
                continue;
            const cv::Mat& tpl = templateAt(k);
            if (tpl.empty())
                continue;
            const cv::Mat cut = tpl(box);
            const cv::Mat cover = covered[size_t(k)].empty() ? cv::Mat() : covered[size_t(k)](box);
            if (code == RoiCode::Similarity)
                surf[g][j].AddTemp(cut.clone(), 1, 50, s.sensibility[g][j]);
            else
                grayMatch[g][j].AddTemp(cut, cover);
            if (++added >= widget->templateNum[g])
                break;
        }

        if (code == RoiCode::Similarity)
            surf[g][j].Train(0, 0, 0, 0);
        else {
            // Retraining rebuilds the matcher from the widget's templates.
            grayMatch[g][j].Train(s.sensibility[g][j], p.amplify, 100, 150);
            grayMatch[g][j].DropTemplates();
        }
    }
}

void CammerRecong::IgnoreMap::Cut(const cv::Rect& box, cv::Mat& out) const
{
    out.create(box.size(), CV_8UC1);
    out.setTo(255);
    const cv::Rect both = box & bounds;
    if (!both.empty())
        inside(both - bounds.tl()).copyTo(out(both - box.tl()));
}

cv::Mat CammerRecong::IgnoreMask(int g, const cv::Rect& box) const
{
    cv::Mat out;
    if (g >= 0 && g < kGroups && ignore[g].trained)
        ignore[g].Cut(box, out);
    return out;
}

void CammerRecong::CountBytes(ByteCounts& out) const
{
    out.Add("engine: ignore masks", ignoreCut);
    for (int g = 0; g < kGroups; ++g) {
        out.Add("engine: ignore masks", ignore[g].inside);
        for (int j = 0; j < kRois; ++j) {
            grayMatch[g][j].CountBytes(out);
            surf[g][j].CountBytes(out);
        }
    }
    out.Add("engine: judgement pictures", workStore.capacity() + copyStore.capacity());
}

cv::Mat CammerRecong::Scratch(std::vector<uchar>& store, const cv::Size& size)
{
    if (store.size() < size_t(size.area()))
        store.resize(size_t(size.area()));
    return cv::Mat(size, CV_8UC1, store.data());
}

void CammerRecong::AlignTemplate(int g, const InspectParams& p, cv::Mat& tpl, cv::Mat& covered) const
{
    FramePose pose;
    if (tpl.empty() || Locate(g, p, tpl, pose) != Located::Found)
        return;
    const FrameWarp warp = pose.Warp();
    cv::Mat aligned(H, W, CV_8UC1);
    if (!warp.Apply(tpl, aligned))
        return;
    // Pixels the moved template does not fully cover stay out of the model.
    const cv::Mat full(H, W, CV_8UC1, cv::Scalar(255));
    cv::Mat cover(H, W, CV_8UC1);
    if (!warp.Apply(full, cover))
        return;
    covered = cover == 255;
    tpl = aligned;
}

CammerRecong::EdgeFound CammerRecong::MeasureEdges(int g, int j, const cv::Mat& src,
                                                   const cv::Rect& box, int dir, int sensitivity,
                                                   bool reference)
{
    RotateRectROI* strip = Rect2RotateRect(box, dir);
    // The record keeps its strip picture and lists from call to call.
    EdgePointDetParam& prm = edgeParam;
    prm.points.clear();
    prm.scanDir = 0;
    prm.polarity = 0;
    prm.peakPercent = 1;
    prm.smoothWidth = 5;
    prm.sensitivity = sensitivity;
    prm.roi = strip;
    const bool found = clcEdgePoint(src, prm) != 0;
    prm.roi = nullptr;
    delete strip;

    int32_t(*marks)[4] = widget->roiMarks[g][j];
    // Slot 1: [0] reference count, [1] found count. Slots 2 and 3: reference
    // point in [0..1], found point in [2..3].
    const int col = reference ? 0 : 2;
    int32_t& n_out = marks[1][reference ? 0 : 1];
    const size_t n = found ? prm.points.size() : 0;
    EdgeFound result;
    if (n == 0) {
        widget->roiValue[g][j] = 0;
        n_out = 0;
    } else if (n == 1) {
        const cv::Point2d pt = prm.points.front();
        widget->roiValue[g][j] = int(pt.x);
        n_out = 1;
        marks[2][col] = int(pt.x);
        marks[2][col + 1] = int(pt.y);
        result.count = 1;
        result.first = pt;
    } else {
        const cv::Point2d first = prm.points.front();
        const cv::Point2d last = prm.points.back();
        const float d = DistP2P(first, last);
        widget->roiValue[g][j] = int(d);
        n_out = 2;
        marks[2][col] = int(first.x);
        marks[2][col + 1] = int(first.y);
        marks[3][col] = int(last.x);
        marks[3][col + 1] = int(last.y);
        result.count = 2;
        result.first = first;
        result.distance = d;
    }
    return result;
}

void CammerRecong::CreateShape(int g)
{
    widget->AwaitJudged();
    if (g < 0 || g >= kGroups)
        return;
    const InspectParams p = InspectHost::instance().params();
    if (p.motionCorrect == -1 || colour)
        return;
    const CammerSingleton& s = *roiSet;
    widget->EnsureGroupBuffers(g);

    // Mask, box and speed all come from the first Position ROI, so the mask
    // always fits the model picture.
    cv::Rect box;
    cv::Mat mask;
    int speed = 5;
    bool haveRoi = false;
    const int count = ClampCount(s.count[g]);
    for (int j = 0; j < count; ++j) {
        if (s.algorithm[g][j] != RoiCode::Position)
            continue;
        box = s.RoiBox(g, j);
        mask = widget->liveMasks[g][j];
        speed = s.min_size[g][j];
        haveRoi = InsideFrame(box) && MaskFits(mask, box);
        break;
    }
    if (!haveRoi) {
        box = cv::Rect(W / 4, H / 4, W / 2, H / 2);
        mask = cv::Mat(H / 2, W / 2, CV_8UC1, cv::Scalar(255));
        speed = 5;
    }
    modelCx[g] = box.x + box.width / 2;
    modelCy[g] = box.y + box.height / 2;

    const cv::Mat tpl = TemplateImage(g, 0, p);
    if (tpl.empty() || box.empty())
        return;
    const cv::Mat model = tpl(box);
    const int angle = Turns(p) ? p.angleRange : p.motionCorrect;
    findShape[g].CreateShape(model, 0.0, 0, angle, modelCx[g], modelCy[g], false, 255, mask, speed, 0);
    if (haveRoi) {
        std::vector<cv::Rect> skip;
        for (int j = 0; j < count; ++j)
            if (s.algorithm[g][j] == RoiCode::IgnoreArea)
                skip.push_back(s.RoiBox(g, j));
        context[g].Build(tpl, box, modelCx[g], modelCy[g], skip);
    }

    const int64_t m = p.positionOffset;
    const int64_t x0 = std::max<int64_t>(0, box.x - m);
    const int64_t y0 = std::max<int64_t>(0, box.y - m);
    const int64_t x1 = std::min<int64_t>(W, int64_t(box.x) + box.width + m);
    const int64_t y1 = std::min<int64_t>(H, int64_t(box.y) + box.height + m);
    if (x1 > x0 && y1 > y0)
        searchWin[g] = cv::Rect(int(x0), int(y0), int(x1 - x0), int(y1 - y0));
    else
        searchWin[g] = cv::Rect();
}

void CammerRecong::ClearNgMap(cv::Mat& ngMap, bool whole)
{
    // Only this engine writes the map, and only inside the boxes it noted:
    // clearing those is clearing the map, without a pass over the frame. A
    // buffer it has not cleared before (new, or reallocated) is cleared whole.
    const StageClock::Scope clock(StageClock::ClearMap);
    if (whole || ngMap.empty() || ngMap.data != ngCleared) {
        if (!ngMap.empty())
            ngMap.setTo(0);
        ngCleared = ngMap.data;
    } else {
        const cv::Rect frame(0, 0, ngMap.cols, ngMap.rows);
        for (const cv::Rect& r : ngDirty) {
            cv::Mat box = ngMap(r & frame);
            ClearBox(box);
        }
    }
    ngDirty.clear();
}

void CammerRecong::PassThrough()
{
    widget->ClearInspectPartial();
    const size_t len = std::min(widget->inspectFrame.size(), widget->workBuffer.size());
    if (len)
        std::memcpy(widget->inspectFrame.data(), widget->workBuffer.data(), len);
}

void CammerRecong::ShapeMatch()
{
    widget->AwaitJudged();
    ShapeMatch(InspectHost::instance().currentStep(), InspectHost::instance().params());
}

CammerRecong::Located CammerRecong::Locate(int g, const InspectParams& p, const cv::Mat& frame,
                                           FramePose& pose) const
{
    // An empty search window counts as "not found".
    const cv::Rect win = (g >= 0 && g < kGroups) ? searchWin[g] & cv::Rect(0, 0, W, H) : cv::Rect();
    if (g < 0 || g >= kGroups || p.motionCorrect == -1 || colour || !findShape[g].IsValid() || win.empty()
        || frame.empty())
        return Located::Off;
    ShapeFound found;
    // A pose that may be pixels off would turn every edge of a good part
    // into a difference, or hide a real one: it is not used.
    const cv::Point2d taught(modelCx[g] - win.x, modelCy[g] - win.y);
    // A held cycle whose part fits clearly better at another picture scale
    // says so; the search at the taught scale may not even find it.
    auto held = [&](Located why, const cv::Point2d& near, int reach) {
        return ScaleSearch::Changed(findShape[g], frame, near, reach, found.fit, found.wobble) != 0 ? Located::Scaled
                                                                                                     : why;
    };
    if (!findShape[g].Find(frame(win), taught, found))
        return held(Located::Lost, cv::Point2d(modelCx[g], modelCy[g]), kScaleReachUnfoundPx);
    if (found.ambiguous && !found.tied.empty()) {
        // Repeats alike inside the ROI (identical cavities): the place near
        // the taught one is taken only when the frame around it fits the
        // template's surroundings clearly better than around every repeat.
        // The surroundings move with the camera: knocked by one cavity's
        // pitch, the repeat fits them and the camera is held.
        const ShapePose at{found.centre.x + win.x, found.centre.y + win.y, -found.angle};
        std::vector<ShapePose> others = found.tied;
        for (ShapePose& o : others) {
            o.cx += win.x;
            o.cy += win.y;
        }
        found.ambiguous = !context[g].Favours(frame, at, others);
    }
    // The ROI fits here; what lies around it must too. A camera knocked by
    // a cavity's pitch shows the neighbouring cavity near the taught place,
    // alike inside the ROI, but the sprue and runners moved with the camera.
    // A part that moved keeps its surroundings with it.
    const ShapePose at{found.centre.x + win.x, found.centre.y + win.y, -found.angle};
    const ContextFit::Reading around = found.refined ? context[g].Around(frame, at) : ContextFit::Reading{};
    const bool trusted = found.Trusted(JudgedBox(g) - win.tl());
    // A picture enlarged or shrunk (the camera moved nearer or away) leaves
    // the part's rim and more so its surroundings pixels off: held, and
    // said so, when its surroundings fit clearly better at another scale.
    if ((!trusted || around.agree != ContextFit::Agree::Yes || around.share < ContextFit::kCleanFit)
        && context[g].ScaleOff(frame, at, found.refined ? around : context[g].Around(frame, at)) != 0)
        return Located::Scaled;
    if (around.agree == ContextFit::Agree::No)
        return held(Located::Moved, cv::Point2d(at.cx, at.cy), kScaleReachPx);
    if (!trusted)
        return held(Located::Lost, cv::Point2d(at.cx, at.cy), kScaleReachPx);
    if (std::hypot(found.centre.x - taught.x, found.centre.y - taught.y) > kPartReachPx)
        return Located::Moved;
    pose.dx = found.x - win.x;
    pose.dy = found.y - win.y;
    pose.angle = Turns(p) ? found.angle : 0.0;
    pose.centre = cv::Point2f(float(modelCx[g]), float(modelCy[g]));
    return Located::Found;
}

cv::Rect CammerRecong::JudgedBox(int g) const
{
    // What the pose aligns: every box judged, or the Position box itself
    // when none is.
    const CammerSingleton& s = *roiSet;
    const int count = ClampCount(s.count[g]);
    cv::Rect judged, position;
    for (int j = 0; j < count; ++j) {
        const int code = s.algorithm[g][j];
        const cv::Rect box = s.RoiBox(g, j);
        if (box.width < 1 || box.height < 1 || code == RoiCode::IgnoreArea)
            continue;
        cv::Rect& into = code == RoiCode::Position ? position : judged;
        into = into.empty() ? box : (into | box);
    }
    if (judged.empty() && position.empty())
        return cv::Rect(modelCx[g], modelCy[g], 0, 0);
    return judged.empty() ? position : judged;
}

bool CammerRecong::Position(int g, const InspectParams& p, const cv::Mat& frame, double& dx, double& dy,
                            double& angle, cv::Point2d& centre) const
{
    FramePose pose;
    if (Locate(g, p, frame, pose) != Located::Found)
        return false;
    dx = pose.dx;
    dy = pose.dy;
    angle = pose.angle;
    centre = pose.centre;
    return true;
}

FrameWarp CammerRecong::FramePose::Warp() const
{
    // A fractional shift is kept: a pixel of residual misalignment shows at
    // every edge of the part.
    FrameWarp w;
    w.SetTransform(cv::Point2f(float(dx), float(dy)), centre, angle);
    return w;
}

void CammerRecong::ShapeMatch(int g, const InspectParams& p)
{
    widget->ClearInspectPartial();
    widget->poseLost = 0;
    cv::Mat work = Frame(widget->workBuffer);
    cv::Mat inspect = Frame(widget->inspectFrame);
    FramePose pose;
    Located where = Located::Off;
    if (!inspect.empty()) {
        const StageClock::Scope clock(StageClock::Locate);
        where = Locate(g, p, work, pose);
    }
    if (where != Located::Found) {
        // The frame is still shown and saved as it came.
        widget->poseLost = where == Located::Lost     ? CammerWidgetData::PoseUncertain
                         : where == Located::Moved  ? CammerWidgetData::PoseMoved
                         : where == Located::Scaled ? CammerWidgetData::PoseScaled
                                                    : 0;
        PassThrough();
        return;
    }
    // Only the judged boxes are aligned now (with a margin for the edge
    // strips); the widget writes the rest when something shows or saves the
    // frame, so no pixel of an earlier frame is ever read.
    const StageClock::Scope clock(StageClock::Warp);
    const FrameWarp warp = pose.Warp();
    const CammerSingleton& s = *roiSet;
    const int count = ClampCount(s.count[g]);
    bool ok = true;
    // A box inside one already aligned (a spot check within a defect area)
    // is not aligned again.
    std::vector<cv::Rect>& done = warpedBoxes;
    done.clear();
    for (int j = 0; j < count && ok; ++j) {
        const int code = s.algorithm[g][j];
        if (code == RoiCode::IgnoreArea || code == RoiCode::Position)
            continue;
        const cv::Rect box = s.RoiBox(g, j);
        if (box.width < 1 || box.height < 1)
            continue;
        const int m = code == RoiCode::DistMeasure ? kWarpMargin : 0;
        const cv::Rect r(box.x - m, box.y - m, box.width + 2 * m, box.height + 2 * m);
        if (std::any_of(done.begin(), done.end(), [&](const cv::Rect& d) { return (d & r) == r; }))
            continue;
        ok = warp.ApplyRect(work, inspect, r);
        done.push_back(r);
    }
    if (!ok) {
        PassThrough();
        return;
    }
    widget->SetInspectPartial(warp);
}

void CammerRecong::Run(int g)
{
    widget->AwaitJudged();
    InspectHost& host = InspectHost::instance();
    const InspectParams p = host.params();
    StepOutput out;
    Judge(g, p, host.lastInputNo() != 0 && p.netEnabled, out);
    g_listParamROI.append(out.records);
    for (const QString& line : out.logLines)
        host.insertRecord(line);
}

void CammerRecong::Judge(int g, const InspectParams& p, bool collectRecords, StepOutput& out)
{
    if (g < 0 || g >= kGroups)
        return;
    const CammerSingleton& s = *roiSet;
    CammerWidgetData* w = widget;
    const int cam = w->camera;
    const int count = ClampCount(s.count[g]);

    w->cameraOK = 1;
    for (int j = 0; j < count; ++j)
        w->roiOK[g][j] = 1;
    cv::Mat src;
    {
        const StageClock::Scope clock(StageClock::Colour);
        src = SourceImage(p);
    }
    cv::Mat ngMap = Frame(w->ngMap);
    ClearNgMap(ngMap, false);

    if (w->poseLost) {
        // Judging a frame that may sit pixels off could release a bad part:
        // the camera holds, no area is to blame, and the operator reads why.
        w->cameraOK = 0;
        for (int j = 0; j < count; ++j) {
            w->roiValue[g][j] = 0;
            w->roiMarks[g][j][0][0] = 0;
        }
        const QString& text = LanStr(CammerWidgetData::PoseHoldText(w->poseLost));
        const char* why = w->poseLost == CammerWidgetData::PoseMoved    ? "MOVED"
                        : w->poseLost == CammerWidgetData::PoseScaled ? "SCALED"
                                                                        : "LOST";
        out.logLines.append(text.contains(QLatin1String("%1"))
                                ? text.arg(cam + 1)
                                : QStringLiteral("POSITION %1 = %2, %3").arg(QLatin1String(why)).arg(cam).arg(g));
        return;
    }

    for (int j = 0; j < count; ++j) {
        const int code = s.algorithm[g][j];
        if (code == RoiCode::IgnoreArea || code == RoiCode::Position) {
            w->roiValue[g][j] = 0;
            w->roiMarks[g][j][0][0] = 0;
            continue;
        }
        const cv::Rect box = s.RoiBox(g, j);
        const cv::Mat& mask = w->liveMasks[g][j];
        int error = 0;
        if (mask.empty())
            error = -1;
        else if (!ignore[g].trained)
            error = -2;
        else if (box.width < 1 || box.height < 1)
            error = -3;
        else if (!InsideFrame(box) || !MaskFits(mask, box) || code < 0 || code > RoiCode::DistMeasure
                 || src.empty() || ngMap.empty())
            error = -1;  // unusable ROI or frame: the camera holds rather than guesses
        if (error) {
            w->cameraOK = 0;
            out.logLines.append(QStringLiteral("REG RUN ERROR = %1, %2, %3").arg(cam).arg(g).arg(error));
            continue;
        }

        const RoiLimits lim{s.min_size[g][j], s.sensibility[g][j], s.max_area[g][j]};
        const cv::Mat window = src(box);

        if (code == RoiCode::DistMeasure) {
            const StageClock::Scope clock(StageClock::Edges);
            const EdgeFound e = MeasureEdges(g, j, src, box, lim.minSize, lim.sensibility, false);
            const int32_t(*marks)[4] = w->roiMarks[g][j];
            double dist = 0;
            if (e.count == 1)
                dist = DistP2P(e.first, cv::Point2d(marks[2][0], marks[2][1]));
            else if (e.count >= 2)
                dist = e.distance;
            if (RoiRules::DistIsNg(e.count, marks[1][0], dist, lim)) {
                w->roiOK[g][j] = 0;
                w->cameraOK = 0;
            }
        } else {
            cv::Mat work = Scratch(workStore, box.size());
            GrayMatch::Judged judged;
            int kernel = 1;
            int score = 0;
            auto zeros = [&] {
                work.create(box.height, box.width, CV_8UC1);
                work.setTo(0);
            };
            if (code == RoiCode::Similarity) {
                const StageClock::Scope clock(StageClock::Similarity);
                zeros();
                if (surf[g][j].IsValid()) {
                    cv::Mat copy = Scratch(copyStore, box.size());
                    window.copyTo(copy);
                    score = int(surf[g][j].Match(copy, work));
                }
                if (work.size() != box.size() || work.type() != CV_8UC1)
                    zeros();
            } else if (code == RoiCode::Defect) {
                const StageClock::Scope clock(StageClock::Match);
                kernel = RoiRules::KernelSize(code, lim, p);
                // A trained matcher writes every pixel of the work image.
                if (grayMatch[g][j].IsValid())
                    grayMatch[g][j].Match(window, work, &judged);
                else
                    zeros();
            } else {
                const StageClock::Scope clock(StageClock::Band);
                // Where nothing is ignored the ROI's mask alone decides (m & m = m).
                const bool ignores = !(box & ignore[g].bounds).empty();
                if (ignores)
                    ignore[g].Cut(box, ignoreCut);
                BandWork(code, lim, window, ignores ? ignoreCut : mask, mask, p, work, kernel);
            }
            // An empty work image (most of a good part's) has no blobs and
            // adds nothing to the NG map.
            CBlobResult blobs;
            bool opened;
            // The part of the work image that holds every non-zero pixel:
            // the rest adds nothing to the NG map and has no blobs.
            cv::Rect kept;
            {
                const StageClock::Scope clock(StageClock::Opening);
                opened = Open(work, kernel, box, &kept);
            }
            if (opened) {
                // What survived the opening is a defect: count its faint rim too.
                if (code == RoiCode::Defect) {
                    grayMatch[g][j].GrowRim(window, judged, work, kRimSteps);
                    kept = cv::Rect(0, 0, work.cols, work.rows);  // the rim may reach past the opened box
                }
                // Overlapping ROIs add their NG pixels: a later clean ROI must not
                // erase the defect an earlier one raised the alarm for.
                {
                    const StageClock::Scope clock(StageClock::NgMap);
                    cv::Mat ngKept = ngMap(box)(kept);
                    OrIntoBox(work(kept), ngKept);
                    ngDirty.push_back(box);
                }
                const StageClock::Scope clock(StageClock::Blobs);
                blobs = CBlobResult(work(kept), cv::Mat(), 0);
            }
            const StageClock::Scope clock(StageClock::Blobs);
            const int n = blobs.GetNumBlobs();
            int area = 0;
            int stored = 0;
            for (int b = 0; b < n; ++b) {
                const CBlob blob = blobs.GetBlob(b);
                area = int(area + blob.Area());
                if (stored < kMaxMarks) {
                    const cv::Rect r = blob.GetBoundingBox();
                    int32_t* slot = w->roiMarks[g][j][++stored];
                    slot[0] = r.x + kept.x + box.x;
                    slot[1] = r.y + kept.y + box.y;
                    slot[2] = r.x + kept.x + r.width + box.x;
                    slot[3] = r.y + kept.y + r.height + box.y;
                }
            }
            w->roiMarks[g][j][0][0] = stored;
            int value = area;
            if (code == RoiCode::Similarity)
                value = score;
            else if (code == RoiCode::WhiteNum || code == RoiCode::BlackNum)
                value = n;
            w->roiValue[g][j] = value;
            if (RoiRules::IsNg(code, value, lim, p)) {
                w->roiOK[g][j] = 0;
                w->cameraOK = 0;
            }
        }

        if (collectRecords) {
            param_roi r;
            r.camera = cam;
            r.group = g;
            r.roi = j;
            r.algorithm = code;
            r.value = w->roiValue[g][j];
            r.low = RoiRules::LowLimit(code, lim);
            r.high = RoiRules::HighLimit(code, lim);
            r.ok = w->cameraOK;
            out.records.append(r);
        }
    }
}

void CammerRecong::RunTest(int g, int j)
{
    widget->AwaitJudged();
    // The index is checked before anything is written.
    if (g < 0 || g >= kGroups || j < 0 || j >= kRois)
        return;
    const InspectParams p = InspectHost::instance().params();
    CammerWidgetData* w = widget;
    const CammerSingleton* s = w->editSet;

    const cv::Mat src = colour ? Frame(w->grayFrame) : TemplateImage(g, w->templateIndex, p);
    cv::Mat ngMap = Frame(w->ngMap);
    ClearNgMap(ngMap, true);
    w->roiValue[g][j] = 0;
    w->roiMarks[g][j][0][0] = 0;

    if (!s || j >= ClampCount(s->count[g]))
        return;
    const int code = s->algorithm[g][j];
    if (code == RoiCode::Defect || code == RoiCode::IgnoreArea || code == RoiCode::Position
        || code == RoiCode::Similarity) {
        w->RequestRepaint();
        return;
    }
    const cv::Rect box = s->RoiBox(g, j);
    if (box.width < 1 || box.height < 1)
        return;
    const cv::Mat& mask = w->editMasks[g][j];
    // Masks and box are checked before anything is cut out of them.
    if (src.empty() || ngMap.empty() || !ignore[g].trained || !InsideFrame(box)
        || !MaskFits(mask, box))
        return;
    if (code != RoiCode::DistMeasure && !RoiRules::UsesGreyBand(code))
        return;

    const RoiLimits lim{s->min_size[g][j], s->sensibility[g][j], s->max_area[g][j]};
    if (code == RoiCode::DistMeasure) {
        MeasureEdges(g, j, src, box, lim.minSize, lim.sensibility, false);
    } else {
        int kernel = 1;
        cv::Mat work;
        cv::Mat judged;
        ignore[g].Cut(box, judged);
        BandWork(code, lim, src(box), judged, mask, p, work, kernel);
        Open(work, kernel, box);
        work.copyTo(ngMap(box));
        ngDirty.push_back(box);
        const CBlobResult blobs(work, cv::Mat(), 0);
        const int n = blobs.GetNumBlobs();
        int area = 0;
        for (int b = 0; b < n; ++b)
            area = int(area + blobs.GetBlob(b).Area());
        w->roiValue[g][j] = (code == RoiCode::WhiteNum || code == RoiCode::BlackNum) ? n : area;
    }
    w->previewShown = 1;
    w->RequestRepaint();
}
