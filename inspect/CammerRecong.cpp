#include "CammerRecong.h"

#include <QString>

#include <algorithm>
#include <cstring>
#include <opencv2/imgproc.hpp>

#include "RoiRules.h"
#include "inspect/CammerWidget.h"
#include "inspect/EdgePoint.h"
#include "params/CammerSingleton.h"
#include "vision/Blob.h"
#include "vision/ColorConvert.h"
#include "vision/ImageTransform.h"
#include "vision/VisionGlobals.h"

namespace {

int ClampCount(int count)
{
    return std::clamp(count, 0, kRoisPerGroup);
}

// The ROI's box in frame pixels: (x1, y1, x2 - x1 + 1, y2 - y1 + 1) of the
// shape that roi_type names.
cv::Rect RoiBox(const CammerSingleton& s, int g, int j)
{
    switch (s.roi_type[g][j]) {
    case 1:
        return s.rect[g][j].imageBox();
    case 4:
        return s.circle[g][j].imageBox();
    default:
        return s.polygon[g][j].imageBox();
    }
}

bool InsideFrame(const cv::Rect& box)
{
    return box.x >= 0 && box.y >= 0 && box.width >= 1 && box.height >= 1
        && int64_t(box.x) + box.width <= gImageW && int64_t(box.y) + box.height <= gImageH;
}

// A mask fits when it is 8-bit and exactly the size of its box.
bool MaskFits(const cv::Mat& mask, const cv::Rect& box)
{
    return !mask.empty() && mask.type() == CV_8UC1 && mask.cols == box.width
        && mask.rows == box.height;
}

int& MarkCount(CammerWidget* w, int g, int j)
{
    return w->roiMarks[g][j][0][0];
}

}  // namespace

CammerRecong::CammerRecong(CammerSingleton* set, CammerWidget* owner)
    : roiSet(set)
    , widget(owner)
{
    workImage = cv::Mat(gImageH, gImageW, CV_8UC1, widget->workBuffer);
    inspectImage = cv::Mat(gImageH, gImageW, CV_8UC1, widget->inspectFrame);
    const InspectParams p = InspectHost::instance().params();
    for (int g = 0; g < kGroups; ++g) {
        findShape[g].Reset();
        if (p.detectOn[g]) {
            CreateShape(g);
            VarTrain(g);
        }
    }
}

CammerRecong::~CammerRecong() = default;

cv::Mat CammerRecong::TemplateImage(int g, int k, const InspectParams& p)
{
    uchar** images = widget->templateImages[g];
    if (!images || !images[k])
        return cv::Mat();
    if (!p.isColor)
        return cv::Mat(gImageH, gImageW, CV_8UC1, images[k]);
    cv::Mat grey(gImageH, gImageW, CV_8UC1);
    if (p.isGrayHue)
        RGBA2Gray(grey.data, reinterpret_cast<int*>(images[k]), gImageW, gImageH);
    else
        RGBA2Hue(grey.data, reinterpret_cast<int*>(images[k]), gImageW, gImageH);
    return grey;
}

cv::Mat CammerRecong::SourceImage(const InspectParams& p)
{
    if (!p.isColor)
        return inspectImage;
    cv::Mat grey(gImageH, gImageW, CV_8UC1, widget->grayFrame);
    if (p.isGrayHue)
        RGBA2Gray(grey.data, reinterpret_cast<int*>(widget->inspectFrame), gImageW, gImageH);
    else
        RGBA2Hue(grey.data, reinterpret_cast<int*>(widget->inspectFrame), gImageW, gImageH);
    return grey;
}

const cv::Mat& CammerRecong::Ellipse(int k)
{
    auto it = ellipses.find(k);
    if (it == ellipses.end())
        it = ellipses.emplace(k, cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(k, k))).first;
    return it->second;
}

void CammerRecong::VarTrain(int g)
{
    if (g < 0 || g >= kGroups)
        return;
    const InspectParams p = InspectHost::instance().params();
    const CammerSingleton& s = *roiSet;

    for (int j = 0; j < kRoisPerGroup; ++j) {
        if (grayMatch[g][j].IsValid())
            grayMatch[g][j].Clear();
        if (surf[g][j].IsValid())
            surf[g][j].Clear();
    }

    // A group without ignore points (its buffer may not exist yet after a rise
    // of the step count) judges everywhere.
    if (widget->ignorePointMask[g])
        ignoreMask[g] = cv::Mat(gImageH, gImageW, CV_8UC1, widget->ignorePointMask[g]).clone();
    else
        ignoreMask[g] = cv::Mat::zeros(gImageH, gImageW, CV_8UC1);

    const int count = ClampCount(s.count[g]);
    for (int j = 0; j < count; ++j) {
        if (s.algorithm[g][j] != RoiCode::IgnoreArea)
            continue;
        const cv::Rect box = RoiBox(s, g, j);
        const cv::Mat& mask = widget->liveMasks[g][j];
        // An unusable Ignore Area cuts nothing out: more is judged, never less.
        if (InsideFrame(box) && MaskFits(mask, box))
            mask.copyTo(ignoreMask[g](box));
    }
    cv::bitwise_not(ignoreMask[g], ignoreMask[g]);

    // Colour templates are converted once per training, not once per ROI.
    const int slots = std::max(0, p.templateSlots);
    std::vector<cv::Mat> templates(size_t(slots));
    auto templateAt = [&](int k) -> const cv::Mat& {
        if (templates[size_t(k)].empty())
            templates[size_t(k)] = TemplateImage(g, k, p);
        return templates[size_t(k)];
    };
    const int* used = widget->templateUsed[g];

    for (int j = 0; j < count; ++j) {
        const int code = s.algorithm[g][j];
        if (code != RoiCode::Defect && code != RoiCode::Similarity && code != RoiCode::DistMeasure)
            continue;
        const cv::Rect box = RoiBox(s, g, j);
        const cv::Mat& mask = widget->liveMasks[g][j];
        if (!InsideFrame(box) || !MaskFits(mask, box))
            continue;
        cv::Mat effective;
        cv::bitwise_and(ignoreMask[g](box), mask, effective);

        if (code == RoiCode::DistMeasure) {
            const cv::Mat tpl = slots > 0 ? templateAt(0) : cv::Mat();
            if (tpl.empty()) {
                widget->roiValue[g][j] = 0;
                widget->roiMarks[g][j][1][0] = 0;
            } else {
                MeasureEdges(g, j, tpl, box, s.min_size[g][j], s.sensibility[g][j], true);
            }
            continue;
        }

        if (code == RoiCode::Similarity)
            surf[g][j].Create(box.width, box.height, effective.clone());
        else
            grayMatch[g][j].Create(box.width, box.height, effective, 0);

        int added = 0;
        for (int k = 0; k < slots && used; ++k) {
            if (!used[k])
                continue;
            const cv::Mat& tpl = templateAt(k);
            if (tpl.empty())
                continue;
            const cv::Mat cut = tpl(box);
            if (code == RoiCode::Similarity) {
                cv::Mat m = cut.clone();
                surf[g][j].AddTemp(m, 1, 50, s.sensibility[g][j]);
            } else {
                grayMatch[g][j].AddTemp(cut);
            }
            if (++added >= widget->templateNum[g])
                break;
        }

        if (code == RoiCode::Similarity)
            surf[g][j].Train(0, 0, 0, 0);
        else
            grayMatch[g][j].Train(s.sensibility[g][j], p.amplify, 100, 150);
    }
}

CammerRecong::EdgeFound CammerRecong::MeasureEdges(int g, int j, const cv::Mat& src,
                                                   const cv::Rect& box, int dir, int sensitivity,
                                                   bool reference)
{
    RotateRectROI* strip = Rect2RotateRect(box, dir);
    _EdgePointDetParam prm;
    prm.scanDir = 0;
    prm.polarity = 0;
    prm.peakPercent = 1;
    prm.smoothWidth = 5;
    prm.sensitivity = sensitivity;
    prm.roi = strip;
    const bool found = clcEdgePoint(src, prm) != 0;
    delete strip;

    int (*marks)[4] = widget->roiMarks[g][j];
    // Reference points sit in columns 0-1 of slots 2 and 3, found ones in 2-3.
    const int col = reference ? 0 : 2;
    const int n = found ? int(prm.points.size()) : 0;
    EdgeFound result;
    if (n == 0) {
        widget->roiValue[g][j] = 0;
        marks[1][reference ? 0 : 1] = 0;
    } else if (n == 1) {
        const cv::Point2d pt = prm.points.front();
        widget->roiValue[g][j] = int(pt.x);
        marks[1][reference ? 0 : 1] = 1;
        marks[2][col] = int(pt.x);
        marks[2][col + 1] = int(pt.y);
        result.count = 1;
        result.first = pt;
    } else {
        const cv::Point2d first = prm.points.front();
        const cv::Point2d last = prm.points.back();
        widget->roiValue[g][j] = int(DistP2P(first, last));
        marks[1][reference ? 0 : 1] = 2;
        marks[2][col] = int(first.x);
        marks[2][col + 1] = int(first.y);
        marks[3][col] = int(last.x);
        marks[3][col + 1] = int(last.y);
        result.count = 2;
        result.first = first;
        result.distance = DistP2P(first, last);
    }
    return result;
}

void CammerRecong::CreateShape(int g)
{
    if (g < 0 || g >= kGroups)
        return;
    const InspectParams p = InspectHost::instance().params();
    if (p.motionCorrect == -1 || p.isColor)
        return;
    const CammerSingleton& s = *roiSet;
    const int W = gImageW;
    const int H = gImageH;

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
        box = RoiBox(s, g, j);
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
    if (tpl.empty())
        return;
    const cv::Mat model = tpl(box);
    const int angle = (p.angleRange >= 1 && p.angleRange <= 180) ? p.angleRange : p.motionCorrect;
    findShape[g].CreateShape(model, 0.0, 0, angle, modelCx[g], modelCy[g], false, 255, mask, speed, 0);

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

void CammerRecong::PassThrough(const InspectParams& p)
{
    const size_t len = size_t(gImageW) * size_t(gImageH) * (p.isColor ? 4 : 1);
    std::memcpy(widget->inspectFrame, widget->workBuffer, len);
}

void CammerRecong::ShapeMatch()
{
    ShapeMatch(InspectHost::instance().currentStep(), InspectHost::instance().params());
}

void CammerRecong::ShapeMatch(int g, const InspectParams& p)
{
    if (g < 0 || g >= kGroups || p.motionCorrect == -1 || p.isColor || !findShape[g].IsValid()
        || searchWin[g].empty()) {
        PassThrough(p);
        return;
    }
    const cv::Rect win = searchWin[g] & cv::Rect(0, 0, gImageW, gImageH);
    if (win.empty()) {
        PassThrough(p);
        return;
    }
    int x = 0;
    int y = 0;
    double r1 = 0;
    double r2 = 0;
    if (!findShape[g].Find(workImage(win), 0, &x, &y, &r1, &r2)) {
        PassThrough(p);
        return;
    }
    const int dx = x - win.x;
    const int dy = y - win.y;
    if (p.angleRange >= 1 && p.angleRange <= 180)
        TransformImage(workImage, inspectImage, cv::Point(dx, dy), cv::Point(modelCx[g], modelCy[g]), r2);
    else
        MoveImage(workImage, inspectImage, dx, dy);
}

void CammerRecong::Run(int g)
{
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
    CammerWidget* w = widget;
    const int cam = w->camera;
    const int count = ClampCount(s.count[g]);

    w->cameraOK = 1;
    for (int j = 0; j < count; ++j)
        w->roiOK[g][j] = 1;
    const cv::Mat src = SourceImage(p);
    cv::Mat ngMap(gImageH, gImageW, CV_8UC1, w->ngMap);
    ngMap.setTo(0);

    for (int j = 0; j < count; ++j) {
        const int code = s.algorithm[g][j];
        if (code == RoiCode::IgnoreArea || code == RoiCode::Position) {
            w->roiValue[g][j] = 0;
            MarkCount(w, g, j) = 0;
            continue;
        }
        const cv::Rect box = RoiBox(s, g, j);
        const cv::Mat& mask = w->liveMasks[g][j];
        int error = 0;
        if (mask.empty())
            error = -1;
        else if (ignoreMask[g].empty())
            error = -2;
        else if (box.width < 1 || box.height < 1)
            error = -3;
        else if (!InsideFrame(box) || !MaskFits(mask, box) || code < 0 || code > RoiCode::DistMeasure)
            error = -1;  // unusable ROI: the camera holds rather than guesses
        if (error) {
            w->cameraOK = 0;
            out.logLines.append(QStringLiteral("REG RUN ERROR = %1, %2, %3").arg(cam).arg(g).arg(error));
            continue;
        }

        const RoiLimits lim{s.min_size[g][j], s.sensibility[g][j], s.max_area[g][j]};
        const cv::Mat window = src(box);

        if (code == RoiCode::DistMeasure) {
            const EdgeFound e = MeasureEdges(g, j, src, box, lim.minSize, lim.sensibility, false);
            int (*marks)[4] = w->roiMarks[g][j];
            const int ref = marks[1][0];
            double dist = 0;
            if (e.count == 1)
                dist = DistP2P(e.first, cv::Point2d(marks[2][0], marks[2][1]));
            else if (e.count >= 2)
                dist = e.distance;
            if (RoiRules::DistIsNg(e.count, ref, dist, lim)) {
                w->roiOK[g][j] = 0;
                w->cameraOK = 0;
            }
        } else {
            cv::Mat work = cv::Mat::zeros(box.height, box.width, CV_8UC1);
            int kernel = 1;
            int score = 0;
            if (code == RoiCode::Similarity) {
                if (surf[g][j].IsValid()) {
                    cv::Mat copy = window.clone();
                    score = int(surf[g][j].Match(copy, work));
                }
            } else if (code == RoiCode::Defect) {
                kernel = RoiRules::KernelSize(code, lim, p);
                if (grayMatch[g][j].IsValid())
                    grayMatch[g][j].Match(window, work);
            } else {
                const GreyBand band = RoiRules::Band(code, lim);
                cv::inRange(window, cv::Scalar(band.lower), cv::Scalar(band.upper), work);
                cv::Mat effective;
                cv::bitwise_and(ignoreMask[g](box), mask, effective);
                cv::bitwise_and(work, effective, work);
                kernel = RoiRules::KernelSize(code, lim, p);
                if (RoiRules::KernelTooLarge(code, kernel, box.width, box.height))
                    work.setTo(0);
            }
            kernel = std::min(kernel, RoiRules::KernelCap(box.width, box.height));
            // A 1 x 1 opening changes nothing.
            if (kernel > 1)
                cv::morphologyEx(work, work, cv::MORPH_OPEN, Ellipse(kernel));
            work.copyTo(ngMap(box));

            CBlobResult blobs(work, cv::Mat(), 0);
            const int n = blobs.GetNumBlobs();
            int area = 0;
            int stored = 0;
            for (int b = 0; b < n; ++b) {
                const CBlob& blob = blobs.GetBlob(b);
                area = int(area + blob.Area());
                if (stored < kMarkSlots - 1) {
                    const cv::Rect r = blob.GetBoundingBox();
                    int* slot = w->roiMarks[g][j][++stored];
                    slot[0] = r.x + box.x;
                    slot[1] = r.y + box.y;
                    slot[2] = r.x + r.width + box.x;
                    slot[3] = r.y + r.height + box.y;
                }
            }
            MarkCount(w, g, j) = stored;
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
    if (g < 0 || g >= kGroups || j < 0 || j >= kRoisPerGroup)
        return;
    InspectHost& host = InspectHost::instance();
    const InspectParams p = host.params();
    CammerWidget* w = widget;
    const CammerSingleton* s = w->editSet;

    cv::Mat src;
    if (p.isColor) {
        src = cv::Mat(gImageH, gImageW, CV_8UC1, w->grayFrame);
    } else {
        const int k = w->shownTemplate;
        if (k >= 0 && k < p.templateSlots)
            src = TemplateImage(g, k, p);
    }
    cv::Mat ngMap(gImageH, gImageW, CV_8UC1, w->ngMap);
    ngMap.setTo(0);
    w->roiValue[g][j] = 0;
    MarkCount(w, g, j) = 0;

    if (!s || j >= ClampCount(s->count[g]))
        return;
    const int code = s->algorithm[g][j];
    if (code == RoiCode::Defect || code == RoiCode::IgnoreArea || code == RoiCode::Position
        || code == RoiCode::Similarity) {
        host.repaintCamera(w->camera);
        return;
    }
    const cv::Rect box = RoiBox(*s, g, j);
    if (box.width < 1 || box.height < 1)
        return;
    const cv::Mat& mask = w->editMasks[g][j];
    // The masks are checked before anything is cut: a preview never reads
    // outside its buffers.
    if (src.empty() || ignoreMask[g].empty() || !InsideFrame(box) || !MaskFits(mask, box))
        return;
    if (code != RoiCode::DistMeasure && !RoiRules::UsesGreyBand(code))
        return;

    const RoiLimits lim{s->min_size[g][j], s->sensibility[g][j], s->max_area[g][j]};
    if (code == RoiCode::DistMeasure) {
        MeasureEdges(g, j, src, box, lim.minSize, lim.sensibility, false);
    } else {
        const GreyBand band = RoiRules::Band(code, lim);
        cv::Mat work;
        cv::inRange(src(box), cv::Scalar(band.lower), cv::Scalar(band.upper), work);
        cv::Mat effective;
        cv::bitwise_and(ignoreMask[g](box), mask, effective);
        cv::bitwise_and(work, effective, work);
        int kernel = RoiRules::KernelSize(code, lim, p);
        if (RoiRules::KernelTooLarge(code, kernel, box.width, box.height))
            work.setTo(0);
        kernel = std::min(kernel, RoiRules::KernelCap(box.width, box.height));
        if (kernel > 1)
            cv::morphologyEx(work, work, cv::MORPH_OPEN, Ellipse(kernel));
        work.copyTo(ngMap(box));
        CBlobResult blobs(work, cv::Mat(), 0);
        const int n = blobs.GetNumBlobs();
        int area = 0;
        for (int b = 0; b < n; ++b)
            area = int(area + blobs.GetBlob(b).Area());
        w->roiValue[g][j] = (code == RoiCode::WhiteNum || code == RoiCode::BlackNum) ? n : area;
    }
    w->previewShown = 1;
    host.repaintCamera(w->camera);
}
