#include "ContextFit.h"

#include "BilinearRead.h"
#include "EdgeCells.h"
#include "TieRule.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace {

// The surroundings looked at: the ROI's own width and height to each side.
constexpr double kAround = 1.0;
// Samples, the strongest edges of a grid of cells over the surroundings:
// what tells places apart are the features that do not repeat there.
constexpr int kSamples = 4000;
constexpr float kMinGradient = 2.f;  // grey levels per pixel, as the pose fit's
// Fewer samples seen at both places than this tell nothing.
constexpr int kMinShared = 64;
// As the search's fit: the place must explain most of its surroundings; it
// wins over another only by the search's tie rule (TieRule.h).
constexpr double kMinFit = 0.80;
// A fixed camera's surroundings are explained nearly whole: the lighting
// surface takes ramps and dimmed corners and noise is taken out; glints and
// blur leave a few per cent (photographs, cavity faces, dark parts with the
// benchmark's lighting changes: 0.968 at worst). A neighbouring cavity's
// surroundings, where the sprue and the runners' ends sit elsewhere, leave
// from some 13 % (a face of cavities alike up to the sprue) to 40 %.
constexpr double kAroundFit = 0.90;
// Defocus the frame may show beside the template's (Gaussian sigma, px).
constexpr double kSoftSigmas[ContextFit::kSoftened] = {0.6, 0.9, 1.3, 1.8};
// Scale changes tried where the surroundings fit less than cleanly.
constexpr double kScaleSteps[] = {0.0025, 0.005, 0.0075, 0.01, 0.015, 0.02};
constexpr double kScoreClip = 24.0;  // residual beyond which a sample counts as foreign
// Lighting across the surroundings: gain, offset, slope along x and y, bend.
constexpr int kLight = 7;

struct Read {
    double v;       // the frame's grey
    double passed;  // the share of the frame's noise variance the bilinear read passes
};

bool ReadAt(const cv::Mat& frame, double x, double y, Read& r)
{
    if (x < 1 || y < 1 || x > frame.cols - 2.001 || y > frame.rows - 2.001 || !Bilinear(frame, x, y, r.v))
        return false;
    const uchar* p = frame.ptr<uchar>(int(y)) + int(x);
    const uchar* q = p + frame.step[0];
    // Clipped pixels say nothing of the surroundings.
    if (std::min(std::min(p[0], p[1]), std::min(q[0], q[1])) == 0
        || std::max(std::max(p[0], p[1]), std::max(q[0], q[1])) == 255)
        return false;
    const double fx = x - std::floor(x), fy = y - std::floor(y);
    r.passed = ((1 - fx) * (1 - fx) + fx * fx) * ((1 - fy) * (1 - fy) + fy * fy);
    return true;
}

struct Score {
    double left = 0;   // squared residuals, clipped
    double noise = 0;  // what noise alone leaves of them
};

// The frame's greys brought to the template's by a lighting fit (a robust
// second pass without what the first leaves far out), then what is left.
Score Fitted(const std::vector<double>& t, const std::vector<Read>& reads, const std::vector<cv::Vec2d>& at,
             double frameNoise, double modelNoise)
{
    const size_t n = t.size();
    cv::Matx<double, kLight, 1> light = cv::Matx<double, kLight, 1>::zeros();
    light(0) = 1;
    auto row = [&](size_t i, double* j) {
        const double mx = at[i][0], my = at[i][1];
        j[0] = reads[i].v;
        j[1] = 1;
        j[2] = mx;
        j[3] = my;
        j[4] = mx * mx;
        j[5] = mx * my;
        j[6] = my * my;
    };
    auto residual = [&](size_t i) {
        double j[kLight];
        row(i, j);
        double r = -t[i];
        for (int k = 0; k < kLight; ++k)
            r += light(k) * j[k];
        return r;
    };
    double clip = 1e9;
    for (int pass = 0; pass < 2; ++pass) {
        cv::Matx<double, kLight, kLight> a = cv::Matx<double, kLight, kLight>::zeros();
        cv::Matx<double, kLight, 1> b = cv::Matx<double, kLight, 1>::zeros();
        for (size_t i = 0; i < n; ++i) {
            if (pass > 0 && std::abs(residual(i)) > clip)
                continue;
            double j[kLight];
            row(i, j);
            for (int m = 0; m < kLight; ++m) {
                b(m) += j[m] * t[i];
                for (int k = 0; k < kLight; ++k)
                    a(m, k) += j[m] * j[k];
            }
        }
        cv::Matx<double, kLight, 1> solved;
        if (!cv::solve(a, b, solved, cv::DECOMP_CHOLESKY))
            break;
        light = solved;
        double sum = 0;
        for (size_t i = 0; i < n; ++i)
            sum += residual(i) * residual(i);
        clip = std::max(6.0, 2.5 * std::sqrt(sum / double(n)));
    }
    Score s;
    const double gain = light(0);
    for (size_t i = 0; i < n; ++i) {
        const double r = residual(i);
        s.left += std::min(r * r, kScoreClip * kScoreClip);
        s.noise += gain * gain * frameNoise * reads[i].passed + modelNoise;
    }
    return s;
}

// The share of the templates' own spread `own` a fit explains beyond noise.
double Explained(const Score& s, double own)
{
    return std::clamp(1.0 - (s.left - s.noise) / own, 0.0, 1.0);
}

// The templates' own spread over the shared points beyond what noise
// alone gives them; 0 when it is no more than noise, or too few points are
// shared (nothing to tell).
double OwnSpread(const std::vector<double>& t, double noise)
{
    if (int(t.size()) < kMinShared)
        return 0;
    const double n = double(t.size());
    double mean = 0;
    for (const double v : t)
        mean += v;
    mean /= n;
    double own = 0;
    for (const double v : t)
        own += (v - mean) * (v - mean);
    own -= n * noise;
    return own < n * noise || own <= 0 ? 0 : own;
}

}  // namespace

void ContextFit::Build(const cv::Mat& tpl, const cv::Rect& box, int cx, int cy, const std::vector<cv::Rect>& skip)
{
    Clear();
    if (tpl.empty() || tpl.type() != CV_8UC1 || box.empty())
        return;
    const int ax = int(std::lround(box.width * kAround)), ay = int(std::lround(box.height * kAround));
    const cv::Rect region = cv::Rect(box.x - ax, box.y - ay, box.width + 2 * ax, box.height + 2 * ay)
        & cv::Rect(2, 2, tpl.cols - 4, tpl.rows - 4);
    if (region.width < 8 || region.height < 8)
        return;
    cv::Mat keep(region.size(), CV_8UC1, cv::Scalar(255));
    auto leaveOut = [&](const cv::Rect& r) {
        const cv::Rect in = r & region;
        if (!in.empty())
            keep(in - region.tl()).setTo(0);
    };
    leaveOut(box);
    for (const cv::Rect& r : skip)
        leaveOut(r);
    // Edges are chosen where the pose fit chooses them, on the softened picture.
    cv::Mat seen, gx, gy;
    cv::GaussianBlur(tpl(region), seen, cv::Size(3, 3), 0.8, 0.8, cv::BORDER_REPLICATE);
    cv::Sobel(seen, gx, CV_32F, 1, 0, 3, 0.125);
    cv::Sobel(seen, gy, CV_32F, 0, 1, 3, 0.125);
    std::vector<EdgeCell> cands;
    const int cell = std::max(2, int(std::sqrt(double(cv::countNonZero(keep)) / (2.0 * kSamples))));
    StrongestPerCell(gx, gy, keep, cv::Rect(0, 0, region.width, region.height), cell, kMinGradient, kSamples, cands);
    if (int(cands.size()) < kMinShared)
        return;
    // As the frame shows them out of focus (Gaussian sigma, px).
    std::vector<cv::Mat> softened(kSoftened);
    for (int k = 0; k < kSoftened; ++k) {
        cv::Mat f;
        tpl(region).convertTo(f, CV_32F);
        cv::GaussianBlur(f, softened[size_t(k)], cv::Size(), kSoftSigmas[k], kSoftSigmas[k], cv::BORDER_REPLICATE);
    }
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -(1 << 30), y1 = -(1 << 30);
    for (const EdgeCell& c : cands) {
        const int x = region.x + c.x, y = region.y + c.y;
        Sample sample{float(x - cx), float(y - cy), float(tpl.at<uchar>(y, x)), {}};
        for (int k = 0; k < kSoftened; ++k)
            sample.soft[k] = softened[size_t(k)].at<float>(y - region.y, x - region.x);
        m_samples.push_back(sample);
        m_radius = std::max(m_radius, std::hypot(double(x - cx), double(y - cy)));
        x0 = std::min(x0, x - cx);
        y0 = std::min(y0, y - cy);
        x1 = std::max(x1, x - cx);
        y1 = std::max(y1, y - cy);
    }
    m_reach = cv::Rect(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
    m_noise = PoseRefine::Noise(tpl, region);
}

bool ContextFit::FitAt(const cv::Mat& frame, const ShapePose& at, double scale, int soft, double& share,
                       double& wobble) const
{
    if (m_samples.empty() || frame.empty() || frame.type() != CV_8UC1)
        return false;
    const cv::Rect seen = (m_reach + cv::Point(int(std::lround(at.cx)), int(std::lround(at.cy))))
        & cv::Rect(0, 0, frame.cols, frame.rows);
    const double a = at.angle * CV_PI / 180.0;
    const double c = scale * std::cos(a), sn = scale * std::sin(a);
    std::vector<double> t;
    std::vector<Read> mine;
    std::vector<cv::Vec2d> where;
    t.reserve(m_samples.size());
    mine.reserve(m_samples.size());
    where.reserve(m_samples.size());
    for (const Sample& s : m_samples) {
        Read r;
        if (!ReadAt(frame, c * s.x - sn * s.y + at.cx, sn * s.x + c * s.y + at.cy, r))
            continue;
        t.push_back(soft < 0 ? s.grey : s.soft[soft]);
        mine.push_back(r);
        where.emplace_back(s.x / m_radius, s.y / m_radius);
    }
    const double own = OwnSpread(t, m_noise);
    if (own == 0)
        return false;
    const double n = double(t.size());
    const Score sa = Fitted(t, mine, where, PoseRefine::Noise(frame, seen), m_noise);
    share = Explained(sa, own);
    wobble = std::sqrt(2.0 / n) * sa.noise / own;
    return true;
}

bool ContextFit::BestSoftening(const cv::Mat& frame, const ShapePose& at, int& soft, double& share,
                               double& wobble) const
{
    soft = -1;
    if (!FitAt(frame, at, 1.0, -1, share, wobble))
        return false;
    // A sharp frame fits the template itself; only one that does not is
    // tried against the softened template.
    for (int k = 0; k < kSoftened && share < kCleanFit; ++k) {
        double s = 0, w = 0;
        if (FitAt(frame, at, 1.0, k, s, w) && s > share) {
            share = s;
            wobble = w;
            soft = k;
        }
    }
    return true;
}

ContextFit::Reading ContextFit::Around(const cv::Mat& frame, const ShapePose& at) const
{
    Reading r;
    if (!BestSoftening(frame, at, r.soft, r.share, r.wobble))
        return r;
    // With three standard deviations of this fit's noise to spare.
    r.agree = r.share + TieRule::kSigmas * r.wobble >= kAroundFit ? Agree::Yes : Agree::No;
    return r;
}

double ContextFit::ScaleOff(const cv::Mat& frame, const ShapePose& at, const Reading& asTaught) const
{
    if (asTaught.agree == Agree::Unknown || asTaught.share >= kCleanFit)
        return 0;
    const int soft = asTaught.soft;
    const double base = asTaught.share, baseWobble = asTaught.wobble;
    double best = base, bestWobble = baseWobble, bestScale = 1.0;
    for (const double d : kScaleSteps)
        for (const double sign : {-1.0, 1.0}) {
            double share = 0, wobble = 0;
            if (FitAt(frame, at, 1.0 + sign * d, soft, share, wobble) && share > best) {
                best = share;
                bestWobble = wobble;
                bestScale = 1.0 + sign * d;
            }
        }
    // Scaled, the surroundings must fit, and clearly better than as taught
    // (the tie rule of Favours).
    if (bestScale == 1.0 || best + TieRule::kSigmas * bestWobble < kAroundFit
        || best - base <= TieRule::Margin(best, bestWobble, baseWobble))
        return 0;
    return bestScale - 1.0;
}

bool ContextFit::Favours(const cv::Mat& frame, const ShapePose& at, const std::vector<ShapePose>& others) const
{
    if (m_samples.empty() || frame.empty() || frame.type() != CV_8UC1 || others.empty())
        return false;
    const cv::Rect seen = (m_reach + cv::Point(int(std::lround(at.cx)), int(std::lround(at.cy))))
        & cv::Rect(0, 0, frame.cols, frame.rows);
    const double frameNoise = PoseRefine::Noise(frame, seen);
    struct Turned {
        double c, s, cx, cy;
        explicit Turned(const ShapePose& p)
            : c(std::cos(p.angle * CV_PI / 180.0)), s(std::sin(p.angle * CV_PI / 180.0)), cx(p.cx), cy(p.cy)
        {
        }
    };
    auto place = [](const Turned& p, const Sample& s, double& x, double& y) {
        x = p.c * s.x - p.s * s.y + p.cx;
        y = p.s * s.x + p.c * s.y + p.cy;
    };
    const Turned mineAt(at);
    // The frame at `at` is read once; where a repeat shows every sample it
    // shows too, its fit there is the same for each repeat.
    std::vector<Read> atReads(m_samples.size());
    std::vector<char> atSeen(m_samples.size(), 0);
    size_t atCount = 0;
    for (size_t i = 0; i < m_samples.size(); ++i) {
        double x, y;
        place(mineAt, m_samples[i], x, y);
        atSeen[i] = ReadAt(frame, x, y, atReads[i]);
        atCount += size_t(atSeen[i]);
    }
    bool wholeDone = false;
    Score whole;
    std::vector<double> t;
    std::vector<Read> mine, theirs;
    std::vector<cv::Vec2d> where;
    for (const ShapePose& o : others) {
        const Turned other(o);
        t.clear();
        mine.clear();
        theirs.clear();
        where.clear();
        for (size_t i = 0; i < m_samples.size(); ++i) {
            const Sample& s = m_samples[i];
            double x, y;
            Read b;
            if (!atSeen[i])
                continue;
            const Read& a = atReads[i];
            place(other, s, x, y);
            if (!ReadAt(frame, x, y, b))
                continue;
            t.push_back(s.grey);
            mine.push_back(a);
            theirs.push_back(b);
            where.emplace_back(s.x / m_radius, s.y / m_radius);
        }
        // Surroundings with no contrast of their own beyond noise tell nothing.
        const double own = OwnSpread(t, m_noise);
        if (own == 0)
            return false;
        const double n = double(t.size());
        const bool all = t.size() == atCount;
        if (all && !wholeDone) {
            whole = Fitted(t, mine, where, frameNoise, m_noise);
            wholeDone = true;
        }
        const Score sa = all ? whole : Fitted(t, mine, where, frameNoise, m_noise);
        const Score sb = Fitted(t, theirs, where, frameNoise, m_noise);
        const double fitA = Explained(sa, own);
        const double fitB = Explained(sb, own);
        const double wobble = std::sqrt(2.0 / n) * std::hypot(sa.noise, sb.noise) / own;
        if (fitA < kMinFit || fitA - fitB <= TieRule::Margin(fitA, wobble))
            return false;
    }
    return true;
}
