#include "GrayMatch.h"

#include "ColorConvert.h"
#include "LightingFit.h"
#include "Opening.h"
#include "ShiftEnvelope.h"
#include "StageClock.h"
#include "VeilFit.h"

#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/imgproc.hpp>

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <type_traits>

namespace {

constexpr double kNoiseFactor = 2.5;
constexpr double kBase = 4.0;          // grey levels every pixel may differ by
constexpr double kDefaultNoise = 2.0;  // assumed when no two templates show a pixel
// A pixel varies (a highlight, not noise) when its templates spread by more
// than this share of the base, noise and edge terms, and at least this many
// pixels of its 3x3 neighbourhood, itself included, do too.
constexpr double kVaryingShare = 0.5;
constexpr int kVaryingNeighbours = 4;
// A pixel varies slightly when its templates spread by more than this share
// of the edge term (with the same share of base and noise): about as far as
// a residual misalignment of a few tenths of a pixel moves a steep edge.
constexpr double kSlightEdgeShare = 0.3;
// How far (px) a highlight may lie beyond where the templates showed it, and
// how much more it may differ than they did: five templates show a spot that
// moves +-2 px in x and in y and changes +-15 % at only some of its places.
constexpr int kGlintReach = 4;
constexpr double kGlintGrowth = 2.0;
// A highlight that moves varies over a share of itself, at least where it
// ends as it slides along (a steady streak 100 px long: a twentieth); bright
// grain that the templates show a little apart varies at a few pixels of a
// web that spans the face (a thousandth).
constexpr double kHighlightVaries = 0.02;
constexpr float kFar = 1e6f;  // beyond any grey
// Defocus the softened references show (px): steps even in sigma squared,
// as blurs add, from slightly soft to clearly out of focus. Frames are judged
// against whichever copy, or the sharp reference, their pixels follow best.
constexpr double kSoftSigmas[] = {0.55, 0.77, 0.95, 1.1, 1.25};
constexpr float kFocusClip = 20.f;     // grey levels: a chip does not decide the focus
constexpr int kFocusStride = 4;

constexpr size_t kSoftCount = std::size(kSoftSigmas);
constexpr int kFocusLanes = int(kSoftCount) + 1;  // floats per focus-grid pixel: one per reference
// The check loads eight floats per pixel and sums those of its references:
// each grid row ends in padding for the last pixel's load.
constexpr int kFocusLoad = 8;

// The reference as floats: a copy when it is kept in bytes.
cv::Mat AsFloat(const cv::Mat& ref)
{
    if (ref.depth() == CV_32F)
        return ref;
    cv::Mat f;
    ref.convertTo(f, CV_32F);
    return f;
}

void Soften(const cv::Mat& ref, size_t k, cv::Mat& out)
{
    cv::GaussianBlur(AsFloat(ref), out, cv::Size(0, 0), kSoftSigmas[k], kSoftSigmas[k], cv::BORDER_REPLICATE);
}

// A pixel at 255 is only known to be at least that bright, one at 0 at most
// that dark: of its difference from the lit reference only the side the
// clipping leaves certain counts, so a highlight that went white in a
// brighter frame is not taken for a defect.
template <class T>
T KnownDifference(uchar pixel, T d)
{
    if (pixel == 255)
        return std::max(d, T(0));
    if (pixel == 0)
        return std::min(d, T(0));
    return d;
}

// A highlight's reach, as a structuring element.
cv::Mat GlintReach()
{
    return cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * kGlintReach + 1, 2 * kGlintReach + 1));
}

// The median of `values` (CV_32F) over the pixels of `where`; `none` when
// there are none.
double MedianWhere(const cv::Mat& values, const cv::Mat& where, double none)
{
    std::vector<float> v;
    v.reserve(size_t(cv::countNonZero(where)));  // no growth: one copy of the values at most
    for (int r = 0; r < values.rows; ++r) {
        const float* pv = values.ptr<float>(r);
        const uchar* pw = where.ptr<uchar>(r);
        for (int c = 0; c < values.cols; ++c)
            if (pw[c])
                v.push_back(pv[c]);
    }
    if (v.empty())
        return none;
    std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
    return v[v.size() / 2];
}
}  // namespace

// The lighting fit's sums per reference: the sharp one first, then each softened copy.
struct GrayMatch::Fit {
    std::vector<PreparedLightingPlane> per;
    // The softened references themselves, made when a frame first follows
    // one: an ROI whose frames stay in focus never holds them. Made from the
    // same reference by the same blur as in training, so they are the same
    // to the last bit; copies of the matcher share them.
    const cv::Mat& Softened(const cv::Mat& ref, size_t k) const
    {
        std::call_once(made[k], [&] { Soften(ref, k, soft[k]); });
        return soft[k];
    }
    mutable std::once_flag made[kSoftCount];
    mutable cv::Mat soft[kSoftCount];
    // The pixels the focus check reads (every kFocusStride-th row and
    // column) side by side: the check then reads a sixteenth of each
    // reference from memory, not a quarter of its lines. Per pixel the
    // references' values lie together (kFocusLanes floats, the sharp one
    // first), so one pixel is compared with all of them at once.
    cv::Mat focusGrid;
};

// Where the envelope reaches past its sites, a pixel passes by the reach
// only when a template's highlight, moved by no more than the travel, shows
// what the frame shows around it: a highlight moves whole, its far flank
// brightening as its near one darkens, which a chip beside it does not.
struct GrayMatch::Reach {
    struct Point {
        int x, y;
        float tol;  // without the reach
    };
    struct Region {
        cv::Rect box;  // in the window, with room for the moves
        float travel = 0;
        cv::Mat face;                // the reference beneath its highlights (CV_32F, box)
        std::vector<cv::Mat> high;   // each lit template over that face (CV_32F, box)
        size_t first = 0, end = 0;   // its points
    };
    std::vector<Point> points;
    std::vector<Region> regions;
};

void GrayMatch::KeepReach(const std::vector<ShiftEnvelope::Raised>& past, size_t count,
                          const std::function<const cv::Mat&(size_t)>& lit)
{
    if (count < 2)
        return;
    cv::Mat keep = cv::Mat::zeros(m_size, CV_8UC1);
    for (const ShiftEnvelope::Raised& p : past)
        if (p.before < m_tol.at<float>(p.y, p.x) && m_judged.at<uchar>(p.y, p.x))
            keep.at<uchar>(p.y, p.x) = 255;
    cv::Mat near, label, stats, centres;
    cv::dilate(keep, near, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(5, 5)));
    const int n = cv::connectedComponentsWithStats(near, label, stats, centres, 8, CV_32S);
    if (n <= 1)
        return;
    near.release();
    std::vector<std::vector<Reach::Point>> of(static_cast<size_t>(n));
    std::vector<float> travel(of.size(), 0.f);
    for (const ShiftEnvelope::Raised& p : past)
        if (keep.at<uchar>(p.y, p.x)) {
            const size_t i = size_t(label.at<int>(p.y, p.x));
            of[i].push_back(Reach::Point{p.x, p.y, p.before});
            travel[i] = std::max(travel[i], p.travel);
        }
    keep.release();
    label.release();
    auto reach = std::make_shared<Reach>();
    const cv::Rect all(cv::Point(0, 0), m_size);
    for (size_t i = 1; i < of.size(); ++i) {
        if (of[i].empty())
            continue;
        Reach::Region g;
        g.travel = travel[i];
        const int margin = 2 * int(std::ceil(g.travel)) + kGlintReach + 3;
        g.box = cv::Rect(stats.at<int>(int(i), cv::CC_STAT_LEFT) - margin, stats.at<int>(int(i), cv::CC_STAT_TOP) - margin,
                         stats.at<int>(int(i), cv::CC_STAT_WIDTH) + 2 * margin,
                         stats.at<int>(int(i), cv::CC_STAT_HEIGHT) + 2 * margin)
                & all;
        // The face beneath, opened over a little more than the box so that its edge reads as inside.
        const cv::Rect wider = (g.box + cv::Size(2 * kGlintReach, 2 * kGlintReach) - cv::Point(kGlintReach, kGlintReach)) & all;
        cv::Mat face;
        cv::morphologyEx(m_ref(wider), face, cv::MORPH_OPEN, GlintReach(), cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
        g.face = face(g.box - wider.tl()).clone();
        g.first = reach->points.size();
        reach->points.insert(reach->points.end(), of[i].begin(), of[i].end());
        g.end = reach->points.size();
        reach->regions.push_back(std::move(g));
    }
    for (size_t k = 0; k < count; ++k) {
        const cv::Mat& t = lit(k);
        for (Reach::Region& g : reach->regions)
            g.high.push_back(t(g.box) - g.face);
    }
    m_reach = reach;
}

namespace {
// How far a template's highlight may be brighter or dimmer in a frame.
constexpr double kReachChange = 0.3;
// A move explains a patch when its residual's root mean square stays within this share of base and noise.
constexpr double kReachFit = 2.0;

// The least squared residual of `above` (what the frame shows over the face
// in `win`, CV_32F) against `high` moved by (dx, dy) and scaled within
// kReachChange; `clip` marks frame pixels at white (1) or black (-1).
double MovedResidual(const cv::Mat& above, const cv::Mat& clip, const cv::Mat& high, cv::Rect win, double dx,
                     double dy, cv::Mat* left = nullptr)
{
    const int ix = int(std::floor(dx)), iy = int(std::floor(dy));
    const float fx = float(dx - ix), fy = float(dy - iy);
    thread_local std::vector<float> moved;
    moved.resize(size_t(win.area()));
    double sh = 0, hh = 0;
    size_t i = 0;
    for (int r = 0; r < win.height; ++r) {
        const float* a = high.ptr<float>(win.y + r - iy - 1) + win.x - ix - 1;
        const float* b = high.ptr<float>(win.y + r - iy) + win.x - ix - 1;
        const float* pa = above.ptr<float>(r);
        for (int c = 0; c < win.width; ++c, ++i) {
            // high(q - d), read between its pixels.
            const float top = a[c] * fx + a[c + 1] * (1 - fx);
            const float bottom = b[c] * fx + b[c + 1] * (1 - fx);
            const float h = top * fy + bottom * (1 - fy);
            moved[i] = h;
            sh += double(pa[c]) * h;
            hh += double(h) * h;
        }
    }
    const double gain = hh > 0 ? std::clamp(sh / hh, 1 - kReachChange, 1 + kReachChange) : 1.0;
    double e = 0;
    i = 0;
    for (int r = 0; r < win.height; ++r) {
        const float* pa = above.ptr<float>(r);
        const schar* pc = clip.ptr<schar>(r);
        for (int c = 0; c < win.width; ++c, ++i) {
            double d = pa[c] - gain * moved[i];
            if ((pc[c] > 0 && d < 0) || (pc[c] < 0 && d > 0))
                d = 0;
            if (left)
                left->at<float>(r, c) = float(d);
            e += d * d;
        }
    }
    return e;
}
}  // namespace

bool GrayMatch::CheckReach(const cv::Mat& g, const LightingPlane& l, const float* colOffset, size_t focus,
                           cv::Mat& diff) const
{
    const cv::Mat& reference = ReferenceAt(focus);
    const bool bytes = reference.depth() == CV_8U;
    const float gain = float(l.gain);
    if (!(gain > 0))
        return false;
    bool flagged = false;
    thread_local std::vector<size_t> suspects;
    for (const Reach::Region& rg : m_reach->regions) {
        suspects.clear();
        for (size_t i = rg.first; i < rg.end; ++i) {
            const Reach::Point& p = m_reach->points[i];
            if (diff.at<uchar>(p.y, p.x))
                continue;
            const uchar w = g.at<uchar>(p.y, p.x);
            const float ref = bytes ? float(reference.at<uchar>(p.y, p.x)) : reference.at<float>(p.y, p.x);
            const float s = float(w) - gain * ref - (float(l.Row(p.y)) + colOffset[p.x]);
            if (std::abs(KnownDifference(w, s)) > gain * p.tol)
                suspects.push_back(i);
        }
        if (suspects.empty())
            continue;
        // Each patch of them is judged with what lies around it.
        cv::Mat mark = cv::Mat::zeros(rg.box.size(), CV_8UC1), label, stats, centres;
        for (size_t i : suspects)
            mark.at<uchar>(m_reach->points[i].y - rg.box.y, m_reach->points[i].x - rg.box.x) = 255;
        cv::dilate(mark, label, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(5, 5)));
        const int n = cv::connectedComponentsWithStats(label, label, stats, centres, 8, CV_32S);
        // A frame out of focus shows the highlights softened as much.
        cv::Mat face = rg.face;
        std::vector<cv::Mat> high = rg.high;
        if (focus > 0) {
            face = cv::Mat();
            Soften(rg.face, focus - 1, face);
            for (size_t k = 0; k < high.size(); ++k) {
                high[k] = cv::Mat();
                Soften(rg.high[k], focus - 1, high[k]);
            }
        }
        const int moves = int(std::ceil(rg.travel));
        const cv::Rect inner(moves + 2, moves + 2, rg.box.width - 2 * (moves + 2), rg.box.height - 2 * (moves + 2));
        for (int j = 1; j < n; ++j) {
            const int grow = kGlintReach + moves - 2;
            cv::Rect win(stats.at<int>(j, cv::CC_STAT_LEFT) - grow, stats.at<int>(j, cv::CC_STAT_TOP) - grow,
                         stats.at<int>(j, cv::CC_STAT_WIDTH) + 2 * grow, stats.at<int>(j, cv::CC_STAT_HEIGHT) + 2 * grow);
            win &= inner;
            if (win.area() <= 0)
                continue;
            cv::Mat above(win.size(), CV_32F), clip(win.size(), CV_8SC1);
            double yy = 0;
            for (int r = 0; r < win.height; ++r) {
                const int y = rg.box.y + win.y + r;
                const float row = float(l.Row(y));
                const uchar* pw = g.ptr<uchar>(y) + rg.box.x + win.x;
                const float* pf = face.ptr<float>(win.y + r) + win.x;
                float* pa = above.ptr<float>(r);
                schar* pc = clip.ptr<schar>(r);
                for (int c = 0; c < win.width; ++c) {
                    pa[c] = (float(pw[c]) - (row + colOffset[rg.box.x + win.x + c])) / gain - pf[c];
                    pc[c] = m_hue ? 0 : pw[c] == 255 ? 1 : pw[c] == 0 ? -1 : 0;
                    yy += double(pa[c]) * pa[c];
                }
            }
            // Whole moves first, then between them around the best.
            double best = yy;
            size_t bk = 0;
            double bx = 0, by = 0;
            const auto tryMove = [&](size_t k, double dx, double dy) {
                const double e = MovedResidual(above, clip, high[k], win, dx, dy);
                if (e < best) {
                    best = e;
                    bk = k;
                    bx = dx;
                    by = dy;
                }
            };
            const double most = rg.travel + 0.5;
            for (size_t k = 0; k < high.size(); ++k)
                for (int dy = -moves; dy <= moves; ++dy)
                    for (int dx = -moves; dx <= moves; ++dx)
                        if (dx * dx + dy * dy <= most * most)
                            tryMove(k, dx, dy);
            for (double step : {0.5, 0.25}) {
                const double cx = bx, cy = by;
                for (int sy = -1; sy <= 1; ++sy)
                    for (int sx = -1; sx <= 1; ++sx) {
                        const double dx = cx + sx * step, dy = cy + sy * step;
                        if ((sx != 0 || sy != 0) && std::abs(dx) <= moves + 0.5 && std::abs(dy) <= moves + 0.5)
                            tryMove(bk, dx, dy);
                    }
            }
            const double rms = std::sqrt(best / win.area());
            // The move must fit the whole window, and leave each pixel judged
            // within its tolerance without the reach.
            const bool fits = rms <= kReachFit * m_tolBase;
            // Averaged over 3x3: noise alone then stays well within it, a chip does not.
            cv::Mat left(win.size(), CV_32F);
            MovedResidual(above, clip, high[bk], win, bx, by, &left);
            cv::blur(left, left, cv::Size(3, 3), cv::Point(-1, -1), cv::BORDER_REPLICATE);
            for (size_t i : suspects) {
                const Reach::Point& p = m_reach->points[i];
                if (label.at<int>(p.y - rg.box.y, p.x - rg.box.x) != j)
                    continue;
                const int x = p.x - rg.box.x - win.x, y = p.y - rg.box.y - win.y;
                const bool inside = x >= 0 && y >= 0 && x < win.width && y < win.height;
                if (!fits || !inside || std::abs(left.at<float>(y, x)) > p.tol) {
                    diff.at<uchar>(p.y, p.x) = 255;
                    flagged = true;
                }
            }
        }
    }
    return flagged;
}

bool GrayMatch::Create(int w, int h, const cv::Mat& mask, int mode)
{
    Q_UNUSED(mode);
    Clear();
    if (w <= 0 || h <= 0)
        return false;
    if (!mask.empty() && (mask.cols != w || mask.rows != h || mask.type() != CV_8UC1))
        return false;
    m_size = cv::Size(w, h);
    if (mask.empty())
        m_mask = cv::Mat(h, w, CV_8UC1, cv::Scalar(255));
    else
        cv::compare(mask, cv::Scalar(0), m_mask, cv::CMP_NE);
    m_created = true;
    return true;
}

bool GrayMatch::AddTemp(const cv::Mat& window, const cv::Mat& covered)
{
    if (!m_created || window.cols != m_size.width || window.rows != m_size.height)
        return false;
    if (!covered.empty() && (covered.size() != m_size || covered.type() != CV_8UC1))
        return false;
    const cv::Mat g = ToGreyWindow(window);
    if (g.empty())
        return false;
    m_templates.push_back(g.clone());
    ++m_templateCount;
    if (covered.empty())
        m_covered.push_back(cv::Mat(m_size, CV_8UC1, cv::Scalar(255)));
    else
        m_covered.push_back(covered != 0);
    m_valid = false;  // retrain to use it
    return true;
}

bool GrayMatch::Train(int sensibility, int amplify, int baseScale, int edgeScale)
{
    m_valid = false;
    if (!m_created || m_templates.empty())
        return false;
    sensibility = std::clamp(sensibility, 0, 255);
    m_amplify = std::clamp(amplify, 0, 4);
    baseScale = std::max(baseScale, 0);
    edgeScale = std::max(edgeScale, 0);

    // Every template brought to the lighting of the first one. Only each
    // template's lighting is kept: the lit template is made again, the same
    // to the bit, wherever it is read, so that training holds one of them at
    // a time, not one float picture per template.
    std::vector<LightingPlane> lights(m_templates.size());
    cv::Mat t;
    // The surface's column part once per column, its row part once per row:
    // the same sum as l.At(0.0, c, r), step for step.
    std::vector<double> columns(size_t(m_size.width));
    auto litTemplate = [&](size_t k) {
        const LightingPlane& l = lights[k];
        for (int c = 0; c < m_size.width; ++c)
            columns[size_t(c)] = l.gain * 0.0 + l.Column(c);
        m_templates[k].convertTo(t, CV_32F);
        for (int r = 0; r < t.rows; ++r) {
            float* pt = t.ptr<float>(r);
            const double row = l.Row(r);
            for (int c = 0; c < t.cols; ++c)
                pt[c] = float((pt[c] - (columns[size_t(c)] + row)) / l.gain);
        }
    };
    // A template pixel at 0 or 255 only bounds the part's grey there: it
    // stays out of the reference and the spread wherever another template
    // shows that pixel unclipped (where all clip, they count as they are).
    // Averaged in, a template taken in brighter light pulls the reference
    // of a highlight down and widens its tolerance past real chips.
    std::vector<cv::Mat> counted(m_templates.size());
    for (size_t k = 0; k < m_templates.size(); ++k)
        counted[k] = m_hue ? m_covered[k] : cv::Mat(m_covered[k] & Unclipped(m_templates[k]));
    cv::Mat count(m_size, CV_32FC1, cv::Scalar(0));
    cv::Mat fewer;  // judged pixels that fewer templates measured than covered them
    {
        cv::Mat first;
        m_templates.front().convertTo(first, CV_32F);
        cv::Mat sum(m_size, CV_32FC1, cv::Scalar(0));
        cv::Mat sumAll(m_size, CV_32FC1, cv::Scalar(0));
        cv::Mat countAll(m_size, CV_32FC1, cv::Scalar(0));
        for (size_t k = 0; k < m_templates.size(); ++k) {
            if (k > 0) {
                cv::Mat both;
                cv::bitwise_and(m_covered[k], m_covered.front(), both);
                cv::bitwise_and(both, m_mask, both);
                PreparedLightingPlane plane;
                plane.Prepare(first, both);
                lights[k] = plane.Estimate(first, m_templates[k], both, cv::Mat(), !m_hue);
            }
            litTemplate(k);
            cv::accumulate(t, sum, counted[k]);
            cv::add(count, cv::Scalar(1), count, counted[k]);
            cv::accumulate(t, sumAll, m_covered[k]);
            cv::add(countAll, cv::Scalar(1), countAll, m_covered[k]);
        }
        const cv::Mat onlyClipped = (count == 0) & (countAll > 0);
        if (cv::countNonZero(onlyClipped) > 0) {
            sumAll.copyTo(sum, onlyClipped);
            countAll.copyTo(count, onlyClipped);
            for (size_t k = 0; k < counted.size(); ++k)
                counted[k] = counted[k] | (m_covered[k] & onlyClipped);
        }
        m_judged = m_mask & (count > 0);
        // Mostly every judged pixel is covered: then one mask serves both.
        if (cv::countNonZero(m_judged != m_mask) == 0)
            m_judged = m_mask;
        cv::divide(sum, cv::max(count, 1.0), m_ref);
        fewer = m_judged & (count < countAll);
    }

    // The spread only goes into the tolerance: it is not kept.
    cv::Mat spread(m_size, CV_32FC1, cv::Scalar(0));
    cv::Mat sq(m_size, CV_32FC1, cv::Scalar(0));
    // What the templates change together, a pixel's noise aside: each
    // template's deviation averaged over 3x3 (noise mostly cancels there, a
    // highlight's change does not), their sizes summed.
    cv::Mat together;
    if (!m_hue && m_templates.size() > 1)
        together = cv::Mat::zeros(m_size, CV_32FC1);
    // One pass over the lit templates for these sums, one for the brightest
    // and darkest once the sums' pictures are let go; each takes the
    // templates in the same order as a pass of its own would.
    cv::Mat dev;
    for (size_t k = 0; k < m_templates.size(); ++k) {
        litTemplate(k);
        cv::absdiff(t, m_ref, dev);
        dev.setTo(0, counted[k] == 0);
        cv::max(spread, dev, spread);
        cv::accumulateSquare(dev, sq);
        // A pixel this template clipped, where others did not, was at least
        // as bright as its clipped grey: where that lies above the reference
        // the part was brighter there by at least that much (a highlight
        // that moved onto it), though not where it only lies below (a
        // template taken in brighter light).
        if (!m_hue) {
            const cv::Mat clippedHere = m_covered[k] & (counted[k] == 0);
            if (cv::countNonZero(clippedHere) > 0) {
                cv::subtract(t, m_ref, dev);
                dev.setTo(0, ~clippedHere);
                cv::max(spread, dev, spread);
            }
        }
        if (!together.empty()) {
            cv::subtract(t, m_ref, dev);
            dev.setTo(0, counted[k] == 0);
            cv::blur(dev, dev, cv::Size(3, 3), cv::Point(-1, -1), cv::BORDER_REPLICATE);
            cv::absdiff(dev, cv::Scalar(0), dev);  // in place: no picture of its own
            cv::accumulate(dev, together);
        }
    }
    t.release();
    dev.release();
    // Typical pixel noise of the templates: the median standard deviation over
    // the judged pixels that at least two templates show.
    double noise = kDefaultNoise;
    {
        cv::Mat sd;
        cv::subtract(count, 1.0, sd);
        cv::max(sd, 1.0, sd);
        cv::divide(sq, sd, sd);
        sq.release();
        cv::sqrt(sd, sd);
        noise = MedianWhere(sd, m_judged & (count >= 2), kDefaultNoise);
    }
    // Where fewer templates measured a pixel, the spread of those every one measured.
    if (m_hue || cv::countNonZero(fewer) == 0)
        fewer.release();
    const cv::Mat measuredByAll = fewer.empty() ? cv::Mat() : m_judged & (count == double(m_templates.size()));
    count.release();

    // The whole tolerance scales with the sensitivity: 45 (the editor's
    // default) as described, looser below; stricter above, down to half, so
    // that even the strictest setting does not flag the noise of good parts.
    m_tolScale = std::max(0.5, (256 - sensibility) / 211.0);
    m_tolEdge = edgeScale / 100.0 / 6.0;
    m_tolBase = kBase * baseScale / 100.0 + kNoiseFactor * noise;
    m_tolOf = std::vector<float>();
    // Only where they change together beyond base and noise is read: a mask.
    if (!together.empty())
        together = together > m_tolBase;
    // The brightest and darkest each pixel was in any template (a clipped
    // one was at least as bright as it shows).
    cv::Mat brightest(m_size, CV_32FC1, cv::Scalar(-kFar)), darkest(m_size, CV_32FC1, cv::Scalar(kFar));
    for (size_t k = 0; k < m_templates.size(); ++k) {
        litTemplate(k);
        cv::max(brightest, t, dev);
        dev.copyTo(brightest, m_covered[k]);
        cv::min(darkest, t, dev);
        dev.copyTo(darkest, counted[k]);
    }
    t.release();
    dev.release();
    counted.clear();
    cv::Mat edge = Edge();
    // How far the templates' highlights lie apart, read before they are used up.
    cv::Mat range;
    if (!m_hue && m_templates.size() > 1) {
        cv::subtract(brightest, darkest, dev);
        dev.setTo(0, (brightest < -kFar / 2) | (darkest > kFar / 2));
        dev.convertTo(range, CV_8U);
        dev.release();
    }
    cv::Mat sites, measured;
    // Lets brightest and darkest go once read.
    WidenWhereVarying(spread, edge, brightest, darkest, together, range.empty() ? nullptr : &sites, &measured);
    together.release();
    // Where highlights vary, a frame may show them as far beyond the
    // templates as the templates show them apart.
    // Past the sites, the pixels the reach raised and their spread without it.
    std::vector<ShiftEnvelope::Raised> past;
    if (!sites.empty()) {
        ShiftEnvelope envelope(m_ref, range, measured, sites, kGlintReach, m_tolBase);
        measured.release();
        for (size_t k = 0; k < m_templates.size() && !envelope.empty(); ++k) {
            litTemplate(k);
            envelope.Add(t);
        }
        envelope.Widen(spread, &past);
        t.release();
    }
    range.release();
    sites.release();
    measured.release();
    // Where some templates clipped, fewer of them measured the pixel: its
    // spread (one template: none) falls short of what noise alone spreads
    // elsewhere, and a frame in dimmer light shows it unclipped. It spreads
    // at least as much as a pixel every template measured typically does.
    if (!fewer.empty()) {
        const double typical = MedianWhere(spread, measuredByAll, -1.0);
        if (typical >= 0) {
            cv::Mat floor = cv::max(spread, typical);
            floor.copyTo(spread, fewer);
            for (ShiftEnvelope::Raised& p : past)
                if (fewer.at<uchar>(p.y, p.x))
                    p.before = std::max(p.before, float(typical));
        }
    }
    m_tol = (spread + edge * m_tolEdge + m_tolBase) * m_tolScale;
    m_tol = cv::max(m_tol, 1.0);
    spread.release();
    m_reach.reset();
    if (!past.empty()) {
        // The tolerance those pixels would have without the reach, as m_tol is made.
        for (ShiftEnvelope::Raised& p : past)
            p.before = float(std::max((p.before + edge.at<float>(p.y, p.x) * m_tolEdge + m_tolBase) * m_tolScale, 1.0));
        KeepReach(past, m_templates.size(), [&](size_t k) -> const cv::Mat& {
            litTemplate(k);
            return t;
        });
        t.release();
    }
    edge.release();

    // A slightly defocused frame is judged against a softened reference, so
    // focus that drifts does not flag fine texture while the tolerance stays
    // tight for chips. Only their lighting-fit sums and focus grids are
    // kept from here; the copies are made again when a frame follows one.
    // A new object: a copy of this matcher keeps the sums of its own reference.
    auto fit = std::make_shared<Fit>();
    fit->per.resize(kSoftCount + 1);
    const int gridRows = (m_size.height + kFocusStride - 1) / kFocusStride;
    const int gridCols = (m_size.width + kFocusStride - 1) / kFocusStride;
    static_assert(kFocusLanes <= kFocusLoad, "a focus-grid pixel is read in one load");
    fit->focusGrid = cv::Mat(gridRows, gridCols * kFocusLanes + (kFocusLoad - kFocusLanes), CV_32FC1, cv::Scalar(0));
    cv::Mat soft;
    for (size_t k = 0; k <= kSoftCount; ++k) {
        if (k > 0)
            Soften(m_ref, k - 1, soft);
        const cv::Mat& from = k == 0 ? m_ref : soft;
        fit->per[k].Prepare(from, m_judged, k > 0 ? &fit->per[0] : nullptr, true);
        for (int r = 0; r < gridRows; ++r) {
            const float* src = from.ptr<float>(r * kFocusStride);
            float* dst = fit->focusGrid.ptr<float>(r) + k;
            for (int c = 0; c < gridCols; ++c)
                dst[c * kFocusLanes] = src[c * kFocusStride];
        }
    }
    m_fit = fit;
    if (m_narrowAllowed) {
        cv::Mat narrow, back;
        m_ref.convertTo(narrow, CV_8U);
        narrow.convertTo(back, CV_32F);
        if (cv::norm(back, m_ref, cv::NORM_INF) == 0) {
            m_ref = narrow;
            TryNarrowTolerance();
        }
    }
    m_valid = true;
    return true;
}

void GrayMatch::WidenWhereVarying(cv::Mat& spread, const cv::Mat& edge, cv::Mat& brightest, cv::Mat& darkest,
                                  const cv::Mat& together, cv::Mat* sites, cv::Mat* measured) const
{
    // Where the templates differ by most of what noise may (a pixel on its
    // own: noise; a patch: a highlight that moves and changes from cycle to
    // cycle), a frame can show the highlight a little further along and a
    // little brighter than any template did. The spread there grows to the
    // largest its neighbourhood showed, with room beyond it. A face without
    // such patches keeps its spread to the bit.
    // An edge that the templates show a little apart (their alignment) is
    // what the edge term already allows for: no patch.
    // A steep streak that slides across itself by a fraction of a pixel
    // differs in the templates by less than that, yet a frame shows it
    // further across than they did: where the templates differ slightly
    // (a patch, as above), the spread grows to twice the largest within
    // 1 px. An edge the templates show apart widens there as well, but not
    // into the face beside it.
    const cv::Mat slight = Patches(spread > edge * (m_tolEdge * kSlightEdgeShare) + m_tolBase * kVaryingShare);
    cv::Mat slightGrowth;
    if (cv::countNonZero(slight) > 0) {
        slightGrowth = cv::Mat::zeros(spread.size(), CV_32FC1);
        spread.copyTo(slightGrowth, slight);
        cv::dilate(slightGrowth, slightGrowth, cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(3, 3)));
        slightGrowth *= kGlintGrowth;
    }
    // A patch of noise, or of texture whose edges the templates show a
    // little apart, differs by about half the base at most; a highlight
    // differs by more than all of it somewhere. Only a patch that holds
    // such a core widens by a highlight's reach, so an unglinting face
    // keeps its tolerance.
    // One statement per mask: each float sum it compares with goes at its end.
    cv::Mat patches = Patches(spread > (edge * m_tolEdge + m_tolBase) * kVaryingShare);
    const cv::Mat core = spread > edge * (m_tolEdge * kVaryingShare) + m_tolBase;
    const cv::Mat varies = WithCore(patches, core);
    patches.release();
    if (cv::countNonZero(varies) > 0) {
        // What stands above the face within a highlight's reach, taken once
        // for both readers.
        cv::Mat raised;
        if (!m_hue || (!together.empty() && !slightGrowth.empty())) {
            cv::morphologyEx(m_ref, raised, cv::MORPH_OPEN, GlintReach(), cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
            cv::subtract(m_ref, raised, raised);
        }
        // The highlights that vary, and where they may travel.
        if (sites && measured && !m_hue) {
            *measured = varies.clone();
            cv::dilate(WithCore(raised > m_tolBase, varies), *sites, GlintReach());
            if (cv::countNonZero(*sites) == 0)
                sites->release();
        }
        // Reads the templates' own spread, before WidenAround grows it.
        if (!together.empty() && !slightGrowth.empty())
            WidenSlightHighlights(varies, slight, together, raised, spread);
        WidenAround(varies, spread, brightest, darkest);
        brightest.release();
        darkest.release();
        // Hues do not shine: only light stands above a face.
        if (!m_hue)
            WidenAcross(varies, raised, spread);
    }
    if (!slightGrowth.empty())
        spread = cv::max(spread, slightGrowth);
}

cv::Mat GrayMatch::Patches(cv::Mat varies)
{
    if (cv::countNonZero(varies) < kVaryingNeighbours)
        return cv::Mat::zeros(varies.size(), CV_8UC1);
    cv::Mat neighbours;
    cv::boxFilter(varies / 255, neighbours, CV_8U, cv::Size(3, 3), cv::Point(-1, -1), false, cv::BORDER_CONSTANT);
    varies &= neighbours >= kVaryingNeighbours;
    return varies;
}

cv::Mat GrayMatch::WithCore(const cv::Mat& patches, const cv::Mat& core, double share)
{
    cv::Mat label;
    const int n = cv::connectedComponents(patches, label, 8, CV_32S);
    if (n <= 1)
        return patches;
    std::vector<int> size(size_t(n), 0), held(size_t(n), 0);
    for (int r = 0; r < label.rows; ++r) {
        const int* pl = label.ptr<int>(r);
        const uchar* pc = core.ptr<uchar>(r);
        for (int c = 0; c < label.cols; ++c) {
            ++size[size_t(pl[c])];
            held[size_t(pl[c])] += pc[c] != 0;
        }
    }
    std::vector<uchar> kept(size_t(n), 0);
    for (size_t i = 1; i < kept.size(); ++i)
        kept[i] = held[i] > 0 && held[i] >= share * size[i] ? 255 : 0;
    cv::Mat out(patches.size(), CV_8UC1);
    for (int r = 0; r < label.rows; ++r) {
        const int* pl = label.ptr<int>(r);
        uchar* po = out.ptr<uchar>(r);
        for (int c = 0; c < label.cols; ++c)
            po[c] = kept[size_t(pl[c])];
    }
    return out;
}

void GrayMatch::WidenAround(const cv::Mat& varies, cv::Mat& spread, cv::Mat& brightest, cv::Mat& darkest) const
{
    const cv::Mat around = GlintReach();
    cv::Mat reach = cv::Mat::zeros(spread.size(), CV_32FC1);
    spread.copyTo(reach, varies);
    cv::dilate(reach, reach, around, cv::Point(-1, -1), 1, cv::BORDER_CONSTANT, cv::Scalar(0));
    // In place, here and below: no picture more than the ones at hand.
    reach *= kGlintGrowth;
    cv::max(spread, reach, spread);
    reach.release();
    // And the highlight may stand anywhere its patch reaches: as bright as
    // the patch was anywhere near, or as dark.
    brightest.setTo(-kFar, ~varies);
    cv::dilate(brightest, brightest, around, cv::Point(-1, -1), 1, cv::BORDER_CONSTANT, cv::Scalar(-kFar));
    darkest.setTo(kFar, ~varies);
    cv::erode(darkest, darkest, around, cv::Point(-1, -1), 1, cv::BORDER_CONSTANT, cv::Scalar(kFar));
    cv::subtract(brightest, m_ref, brightest);
    cv::max(spread, brightest, spread);
    cv::subtract(m_ref, darkest, darkest);
    cv::max(spread, darkest, spread);
}

void GrayMatch::WidenSlightHighlights(const cv::Mat& varies, const cv::Mat& slight, const cv::Mat& together,
                                      const cv::Mat& raised, cv::Mat& spread) const
{
    // A highlight that the templates vary only slightly (none of it varies
    // as the rules above ask) still slides along, across and brightens a
    // little. Where it runs down a rim into a dark outline, what stands above
    // the face stops short of its faded end; a frame that shows it a little
    // further along, inward and brighter at once than any template lights
    // that end where none did. Off such a highlight (beyond the reach of any
    // varying patch), where the templates change together with it beyond
    // base and noise, a pixel may spread as a slight patch does: twice the
    // largest within 1 px. Its body keeps its spread, as does a face where
    // nothing varies.
    const cv::Mat around = GlintReach();
    cv::Mat covered;
    cv::dilate(varies, covered, around);
    const cv::Mat body = raised > m_tolBase;
    const cv::Mat cores = slight & body & ~covered;
    if (cv::countNonZero(cores) == 0)
        return;
    const cv::Mat changes = WithCore(together, cores) & ~covered & ~body;
    cv::Mat grown;
    cv::dilate(spread, grown, cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(3, 3)));
    grown = cv::max(spread, grown * kGlintGrowth);
    grown.copyTo(spread, changes);
}

void GrayMatch::WidenAcross(const cv::Mat& varies, const cv::Mat& raised, cv::Mat& spread) const
{
    // A highlight on a polished edge slides across itself by a fraction of a
    // pixel from cycle to cycle. Where the few templates all showed it on one
    // side, they agree there and nothing varies, though the same highlight
    // varies where it fades or ends; a frame that shows it on the other side
    // flags its steep flank. Along the whole of every highlight that varies
    // over a share of itself, a pixel may differ by what moving the
    // highlight alone 1 px changes there: what stands above the face within
    // the reach, not the edge it lies on.
    cv::Mat body = WithCore(raised > m_tolBase, varies, kHighlightVaries);
    if (cv::countNonZero(body) == 0)
        return;
    const cv::Mat step = cv::getStructuringElement(cv::MORPH_CROSS, cv::Size(3, 3));
    cv::Mat up, down;
    cv::dilate(raised, up, step, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::erode(raised, down, step, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::subtract(up, raised, up);
    cv::subtract(raised, down, down);
    cv::max(up, down, up);
    cv::max(up, spread, up);
    // Its fringe too, where the flank runs out below the base.
    cv::dilate(body, body, step);
    up.copyTo(spread, body);
}

void GrayMatch::TryNarrowTolerance()
{
    // The index: the byte reference's 3x3 max-min, what the edge term was
    // taken of. Where the spread (or anything else) makes two pixels of one
    // index differ, the floats stay.
    cv::Mat dil, ero, index;
    const cv::Mat k = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3));
    cv::dilate(m_ref, dil, k, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::erode(m_ref, ero, k, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::subtract(dil, ero, index);
    std::vector<float> table(256, 0.f);
    bool seen[256] = {};
    for (int r = 0; r < m_size.height; ++r) {
        const uchar* pi = index.ptr<uchar>(r);
        const float* pt = m_tol.ptr<float>(r);
        for (int c = 0; c < m_size.width; ++c) {
            float& t = table[pi[c]];
            if (!seen[pi[c]]) {
                seen[pi[c]] = true;
                t = pt[c];
            } else if (std::memcmp(&t, &pt[c], sizeof(float)) != 0) {
                return;
            }
        }
    }
    m_tolLeast = HUGE_VALF;
    for (int i = 0; i < 256; ++i)
        if (seen[i])
            m_tolLeast = std::min(m_tolLeast, table[size_t(i)]);
    m_tol = index;
    m_tolOf = std::move(table);
}

cv::Mat GrayMatch::ToleranceFloats(std::vector<float>& buffer, bool fitGrid) const
{
    if (m_tol.depth() == CV_32F)
        return m_tol;
    buffer.resize(m_tol.total());
    cv::Mat out(m_size, CV_32FC1, buffer.data());
    const float* table = m_tolOf.data();
    if (fitGrid) {
        for (int r = 0; r < m_size.height; r += kLightingFitStride) {
            const uchar* pi = m_tol.ptr<uchar>(r);
            float* po = out.ptr<float>(r);
            int c = 0;
            static_assert(kLightingFitStride == 2, "four of eight indices per load");
            for (; c + 8 <= m_size.width; c += 8) {
                uint64_t eight;
                std::memcpy(&eight, pi + c, sizeof eight);
                po[c] = table[eight & 0xff];
                po[c + 2] = table[(eight >> 16) & 0xff];
                po[c + 4] = table[(eight >> 32) & 0xff];
                po[c + 6] = table[(eight >> 48) & 0xff];
            }
            for (; c < m_size.width; c += kLightingFitStride)
                po[c] = table[pi[c]];
        }
        return out;
    }
    for (int r = 0; r < m_size.height; ++r) {
        const uchar* pi = m_tol.ptr<uchar>(r);
        float* po = out.ptr<float>(r);
        int c = 0;
        // Eight indices per load: the lookups then cost no load of their
        // own, and a flat stretch (one index eight times) costs one.
        for (; c + 8 <= m_size.width; c += 8) {
            uint64_t eight;
            std::memcpy(&eight, pi + c, sizeof eight);
            if (eight == (eight & 0xff) * 0x0101010101010101ull) {
                const float t = table[eight & 0xff];
#if CV_SIMD128
                cv::v_store(po + c, cv::v_setall_f32(t));
                cv::v_store(po + c + 4, cv::v_setall_f32(t));
#else
                for (int k = 0; k < 8; ++k)
                    po[c + k] = t;
#endif
                continue;
            }
            for (int k = 0; k < 8; ++k, eight >>= 8)
                po[c + k] = table[eight & 0xff];
        }
        for (; c < m_size.width; ++c)
            po[c] = table[pi[c]];
    }
    return out;
}

void GrayMatch::DropTemplates()
{
    m_templates.clear();
    m_templates.shrink_to_fit();
    m_covered.clear();
    m_covered.shrink_to_fit();
}

void GrayMatch::Match(const cv::Mat& window, cv::Mat& diff, Judged* judged) const
{
    if (judged)
        judged->valid = false;
    if (window.empty()) {
        diff.release();
        return;
    }
    if (!m_valid) {
        diff = cv::Mat::zeros(window.rows, window.cols, CV_8UC1);
        return;
    }
    if (window.cols != m_size.width || window.rows != m_size.height) {
        diff = cv::Mat(window.rows, window.cols, CV_8UC1, cv::Scalar(255));
        return;
    }
    const cv::Mat g = ToGreyWindow(window);
    if (g.empty()) {
        diff = m_mask.clone();
        return;
    }
    constexpr size_t kRefs = kSoftCount + 1;
    cv::AutoBuffer<float, 1024> colOffset(size_t(m_size.width) + 16);
    // The frame's focus under lighting l: whichever reference, sharp or
    // softened, its pixels follow most closely (every fourth row and column
    // tells it well enough). A sampled row's lit values are taken once, then
    // each reference's cost sums over them in column order.
    const int gridCols = (m_size.width + kFocusStride - 1) / kFocusStride;
    cv::AutoBuffer<float, 512> lit(size_t(gridCols) + 4), litCol(size_t(gridCols) + 4), bound(size_t(gridCols) + 4);
    auto focusOf = [&](const LightingPlane& l) {
        m_fit->per.front().Columns(l, colOffset.data());
        for (int i = 0; i < gridCols; ++i)
            litCol[size_t(i)] = colOffset[size_t(i * kFocusStride)];
        const float gain = float(l.gain);
        double cost[kFocusLoad] = {};  // those past the references stay unread
        for (int r = 0; r < m_size.height; r += kFocusStride) {
            const float rowOffset = float(l.Row(r));
            const uchar* pw = g.ptr<uchar>(r);
            const uchar* pj = m_judged.ptr<uchar>(r);
            // A pixel that does not count (not judged, or clipped: it cannot
            // tell how sharp the frame is) gets a bound of 0: its difference
            // then adds +0, which leaves each (never negative) cost as it is.
            int i = 0;
#if CV_SIMD128
            const cv::v_uint32x4 low = cv::v_setall_u32(0xff), none = cv::v_setzero_u32();
            const cv::v_float32x4 rowV = cv::v_setall_f32(rowOffset), clipV = cv::v_setall_f32(kFocusClip);
            for (; (i + 4) * kFocusStride <= m_size.width; i += 4) {
                const int c = i * kFocusStride;
                static_assert(kFocusStride == 4, "one byte of each four");
                const cv::v_uint32x4 w = cv::v_reinterpret_as_u32(cv::v_load(pw + c)) & low;
                cv::v_uint32x4 counts = (cv::v_reinterpret_as_u32(cv::v_load(pj + c)) & low) != none;
                if (!m_hue)
                    counts = counts & ~((w == none) | (w == low));
                const cv::v_float32x4 v = cv::v_cvt_f32(cv::v_reinterpret_as_s32(w));
                cv::v_store(lit.data() + i, v - (rowV + cv::v_load(litCol.data() + i)));
                cv::v_store(bound.data() + i, clipV & cv::v_reinterpret_as_f32(counts));
            }
#endif
            for (; i < gridCols; ++i) {
                const int c = i * kFocusStride;
                const bool counts = pj[c] && (m_hue || !Clipped(pw[c]));
                lit[size_t(i)] = float(pw[c]) - (rowOffset + litCol[size_t(i)]);
                bound[size_t(i)] = counts ? kFocusClip : 0.f;
            }
            // Each reference's cost sums in column order, as one loop per
            // reference would; the references go side by side.
            const float* grid = m_fit->focusGrid.ptr<float>(r / kFocusStride);
            i = 0;
#if CV_SIMD128 && CV_SIMD128_64F
            static_assert(kRefs == 6 && kFocusLanes == 6, "three pairs of sums, the last load's upper half unused");
            const cv::v_float32x4 gainV = cv::v_setall_f32(gain);
            cv::v_float64x2 s01 = cv::v_load(cost), s23 = cv::v_load(cost + 2), s45 = cv::v_load(cost + 4);
            for (; i < gridCols; ++i) {
                const float* pr = grid + size_t(i) * kFocusLanes;
                const cv::v_float32x4 v = cv::v_setall_f32(lit[size_t(i)]);
                const cv::v_float32x4 clip = cv::v_setall_f32(bound[size_t(i)]);
                const cv::v_float32x4 a = cv::v_min(cv::v_abs(v - gainV * cv::v_load(pr)), clip);
                const cv::v_float32x4 b = cv::v_min(cv::v_abs(v - gainV * cv::v_load(pr + 4)), clip);
                const cv::v_float32x4 aa = a * a;
                s01 = s01 + cv::v_cvt_f64(aa);
                s23 = s23 + cv::v_cvt_f64_high(aa);
                s45 = s45 + cv::v_cvt_f64(b * b);
            }
            cv::v_store(cost, s01);
            cv::v_store(cost + 2, s23);
            cv::v_store(cost + 4, s45);
#endif
            for (; i < gridCols; ++i) {
                if (bound[size_t(i)] == 0.f)
                    continue;
                const float* pr = grid + size_t(i) * kFocusLanes;
                for (size_t k = 0; k < kRefs; ++k) {
                    const float a = std::min(std::abs(lit[size_t(i)] - gain * pr[k]), kFocusClip);
                    cost[k] += a * a;
                }
            }
        }
        return size_t(std::min_element(cost, cost + kRefs) - cost);
    };
    // The frame's lighting against the reference's; a foreign object is left
    // out of the fit by the second pass. A defocused frame's grey values
    // spread less than the sharp reference's, so a fit against that one
    // takes too low a gain (fine texture then differs by what the gain
    // missed): once the focus is known, the lighting is fitted again against
    // the copy the frame follows, and the focus checked under that lighting.
    StageClock::Laps laps(StageClock::MatchLighting);
    // A tolerance in bytes is read from its table: for the fits only where
    // they read it, for the comparison where a pixel might lie beyond it.
    thread_local std::vector<float> tolBuffer;
    const cv::Mat tolerance = ToleranceFloats(tolBuffer, true);
    const bool narrowTol = m_tol.depth() == CV_8U;
    size_t focus = 0;
    // The window's own sums are taken once, for every fit of this window.
    thread_local PreparedLightingPlane::WindowSums sums;
    sums.Forget();
    LightingPlane l = m_fit->per[0].Estimate(m_ref, g, m_judged, tolerance, !m_hue, &sums);
    for (int round = 0; round < 2; ++round) {
        const size_t next = focusOf(l);
        if (next == focus)
            break;
        focus = next;
        l = m_fit->per[focus].Estimate(ReferenceAt(focus), g, m_judged, tolerance, !m_hue, &sums);
    }
    if (judged) {
        judged->light = l;
        judged->focus = focus;
        judged->veil.release();
        judged->tolGain = l.gain;
        judged->valid = true;
    }
    laps.Next(StageClock::MatchCompare);
    m_fit->per.front().Columns(l, colOffset.data());
    const cv::Mat& reference = ReferenceAt(focus);
    const bool bytes = reference.depth() == CV_8U;
    diff.create(m_size, CV_8UC1);
    // Whether any pixel differs, gathered as the rows are written rather
    // than counted over the window again.
    uchar anyFar = 0;
#if CV_SIMD128
    cv::v_uint8x16 farBlocks = cv::v_setzero_u8();
#endif
    for (int r = 0; r < m_size.height; ++r) {
        const float rowOffset = float(l.Row(r));
        const float* pc = colOffset.data();
        const float* pr = bytes ? nullptr : reference.ptr<float>(r);
        const uchar* pb = bytes ? reference.ptr<uchar>(r) : nullptr;
        const float* pt = narrowTol ? nullptr : m_tol.ptr<float>(r);
        const uchar* pi = narrowTol ? m_tol.ptr<uchar>(r) : nullptr;
        const uchar* pw = g.ptr<uchar>(r);
        const uchar* pj = m_judged.ptr<uchar>(r);
        uchar* out = diff.ptr<uchar>(r);
        int c = 0;
#if CV_SIMD128
        // The same float steps, sixteen pixels at a time; a last block that
        // would run past the row is taken from the row's end instead (its
        // overlap is written twice, alike).
        const cv::v_float32x4 gain = cv::v_setall_f32(float(l.gain));
        const cv::v_float32x4 offset = cv::v_setall_f32(rowOffset);
        const cv::v_float32x4 zero = cv::v_setzero_f32();
        const cv::v_float32x4 white = cv::v_setall_f32(255.f);
        const bool leastFar = narrowTol && float(l.gain) > 0;
        const cv::v_float32x4 least = gain * cv::v_setall_f32(m_tolLeast);
        auto block = [&](int c0, auto inBytes, auto tolInBytes) {
            const cv::v_uint8x16 pixels = cv::v_load(pw + c0);
            const bool clipped = !m_hue && cv::v_check_any((pixels == cv::v_setzero_u8()) | (pixels == cv::v_setall_u8(255)));
            cv::v_uint16x8 lo16, hi16;
            cv::v_expand(pixels, lo16, hi16);
            cv::v_uint32x4 grey[4];
            cv::v_expand(lo16, grey[0], grey[1]);
            cv::v_expand(hi16, grey[2], grey[3]);
            cv::v_float32x4 ref[4];
            if constexpr (decltype(inBytes)::value) {
                cv::v_uint16x8 rlo, rhi;
                cv::v_expand(cv::v_load(pb + c0), rlo, rhi);
                cv::v_uint32x4 whole[4];
                cv::v_expand(rlo, whole[0], whole[1]);
                cv::v_expand(rhi, whole[2], whole[3]);
                for (int q = 0; q < 4; ++q)
                    ref[q] = cv::v_cvt_f32(cv::v_reinterpret_as_s32(whole[q]));
            } else {
                for (int q = 0; q < 4; ++q)
                    ref[q] = cv::v_load(pr + c0 + 4 * q);
            }
            // How far four pixels lie from the lit reference.
            auto offBy = [&](int q) {
                const cv::v_float32x4 w = cv::v_cvt_f32(cv::v_reinterpret_as_s32(grey[q]));
                cv::v_float32x4 s = (w - gain * ref[q]) - (offset + cv::v_load(pc + c0 + 4 * q));
                if (clipped) {
                    s = cv::v_select(w == white, cv::v_max(s, zero), s);
                    s = cv::v_select(w == zero, cv::v_min(s, zero), s);
                }
                return cv::v_abs(s);
            };
            cv::v_int32x4 flags[4];  // all ones where far
            if constexpr (!decltype(tolInBytes)::value) {
                for (int q = 0; q < 4; ++q)
                    flags[q] = cv::v_reinterpret_as_s32(offBy(q) > gain * cv::v_load(pt + c0 + 4 * q));
            } else {
                cv::v_float32x4 d[4];
                for (int q = 0; q < 4; ++q)
                    d[q] = offBy(q);
                // No pixel lies beyond gain times the least tolerance: none
                // beyond its own (gain > 0 keeps the products' order).
                if (leastFar
                    && cv::v_check_all(cv::v_reinterpret_as_s32((d[0] <= least) & (d[1] <= least) & (d[2] <= least)
                                                                & (d[3] <= least)))) {
                    cv::v_store(out + c0, cv::v_setzero_u8());
                    return;
                }
                const float* table = m_tolOf.data();
                for (int q = 0; q < 4; ++q) {
                    const uchar* at = pi + c0 + 4 * q;
                    const cv::v_float32x4 t(table[at[0]], table[at[1]], table[at[2]], table[at[3]]);
                    flags[q] = cv::v_reinterpret_as_s32(d[q] > gain * t);
                }
            }
            // Saturating packs keep all ones and zeros as they are.
            const cv::v_int8x16 far = cv::v_pack(cv::v_pack(flags[0], flags[1]), cv::v_pack(flags[2], flags[3]));
            const cv::v_uint8x16 kept = cv::v_reinterpret_as_u8(far) & cv::v_load(pj + c0);
            cv::v_store(out + c0, kept);
            farBlocks = farBlocks | kept;
        };
        auto blocks = [&](auto inBytes, auto tolInBytes) {
            for (; c + 16 <= m_size.width; c += 16)
                block(c, inBytes, tolInBytes);
            if (c < m_size.width && m_size.width >= 16) {
                block(m_size.width - 16, inBytes, tolInBytes);
                c = m_size.width;
            }
        };
        if (pi) {
            if (pb)
                blocks(std::true_type(), std::true_type());
            else
                blocks(std::false_type(), std::true_type());
        } else if (pb) {
            blocks(std::true_type(), std::false_type());
        } else {
            blocks(std::false_type(), std::false_type());
        }
#endif
        for (; c < m_size.width; ++c) {
            const float s = float(pw[c]) - float(l.gain) * (pb ? float(pb[c]) : pr[c]) - (rowOffset + pc[c]);
            const float d = std::abs(m_hue ? s : KnownDifference(pw[c], s));
            out[c] = (pj[c] && d > float(l.gain) * (pi ? m_tolOf[pi[c]] : pt[c])) ? 255 : 0;
            anyFar |= out[c];
        }
    }
#if CV_SIMD128
    if (cv::v_check_any(cv::v_reinterpret_as_s8(farBlocks != cv::v_setzero_u8())))
        anyFar = 255;
#endif
    // Past the sites, a pixel the reach alone lets through must show a
    // travelled highlight's shape.
    if (m_reach && !m_hue && CheckReach(g, l, colOffset.data(), focus, diff))
        anyFar = 255;
    // Only where pixels differ side by side may a veil be at work: a pixel
    // on its own is noise, which the opening removes anyway. The opening
    // reads past the window's edge as differing, so a line of pixels along
    // any edge stays: a pair there counts on every side, not only on the
    // left and top (where the anchor of a 2 x 2 block reaches out). The
    // 3 x 3 opening is a cross: a plus of five pixels holds no 2 x 2 block,
    // yet it stays and its rim grows it past the area limit.
    if (!m_hue && anyFar && AnyErodedByTwoOrCross(diff))
        TakeOutVeil(g, l, focus, tolerance, diff, judged);
    if (m_amplify > 0 && cv::countNonZero(diff) > 0) {
        const int s = 2 * m_amplify + 1;
        cv::dilate(diff, diff, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(s, s)));
        cv::bitwise_and(diff, m_judged, diff);
    }
}

void GrayMatch::TakeOutVeil(const cv::Mat& g, const LightingPlane& l, size_t focus, const cv::Mat& tolerance,
                            cv::Mat& diff, Judged* judged) const
{
    const cv::Mat& reference = ReferenceAt(focus);
    std::vector<float> columns(size_t(m_size.width));
    m_fit->per.front().Columns(l, columns.data());
    const bool narrowTol = m_tol.depth() == CV_8U;
    // A pixel's tolerance before the lighting's gain.
    const auto tolAt = [&](int y, int x) {
        return narrowTol ? m_tolOf[m_tol.ptr<uchar>(y)[x]] : m_tol.ptr<float>(y)[x];
    };
    // Nothing to do unless some pixels that differ lie brighter than the
    // lit reference, by no more than the brightest veil adds (and a margin
    // for the lighting fitted again): a strong difference stays, and so does
    // the soft rim of a strong one (a foreign object's edge). A veil over
    // most of the window is taken in by the first lighting fit as a lower
    // gain, a brighter offset and bends, which then lie above the frame
    // where the veil is thinnest: pixels that differ only by lying darker
    // start the fit too, but are left as they are unless a broad veil is
    // measured and fitted with the lighting.
    bool darkStart = false;
    {
        // OpenCV's box, read over the rows that hold the differing pixels
        // only (it takes each row on its own; rows without any add nothing).
        const cv::Range rows = NonZeroRows(diff);
        cv::Rect box = cv::boundingRect(diff.rowRange(rows));
        box.y += rows.start;
        thread_local cv::Mat could, strong;
        could.create(box.size(), CV_8U);
        strong.create(box.size(), CV_8U);
        bool anyStrong = false;
        int candidates = 0, darker = 0;
        for (int r = 0; r < box.height; ++r) {
            const int y = box.y + r;
            const uchar* out = diff.ptr<uchar>(y) + box.x;
            const uchar* pw = g.ptr<uchar>(y) + box.x;
            const float* pcol = columns.data() + box.x;
            uchar* pc = could.ptr<uchar>(r);
            uchar* ps = strong.ptr<uchar>(r);
            const float row = float(l.Row(y));
            std::memset(pc, 0, size_t(box.width));
            std::memset(ps, 0, size_t(box.width));
            // Most of the box is pixels that do not differ: sixteen of them
            // are passed over at once.
            for (int c = 0; c < box.width;) {
#if CV_SIMD128
                if (c + 16 <= box.width && !cv::v_check_any(cv::v_load(out + c) != cv::v_setzero_u8())) {
                    c += 16;
                    continue;
                }
#endif
                for (const int end = std::min(c + 16, box.width); c < end; ++c) {
                    if (!out[c])
                        continue;
                    const int x = box.x + c;
                    const float ref = reference.depth() == CV_8U ? float(reference.ptr<uchar>(y)[x]) : reference.ptr<float>(y)[x];
                    const float lit = float(l.gain) * ref + row + pcol[c];
                    const float t = float(l.gain) * tolAt(y, x);
                    const float e = float(pw[c]) - lit;
                    if (e > VeilFit::kMaxShare * (255.f - lit) + 1.5f * t || e < -(VeilFit::kMaxShare * lit + 1.5f * t)) {
                        ps[c] = 255;
                        anyStrong = true;
                    } else if (e > 0.f) {
                        pc[c] = 255;
                        ++candidates;
                    } else {
                        pc[c] = 1;
                        ++darker;
                    }
                }
            }
        }
        if ((candidates >= 4 || darker >= 4) && anyStrong) {
            static const cv::Mat rim = cv::Mat::ones(5, 5, CV_8U);  // an edge softened by up to 2 px
            cv::dilate(strong, strong, rim);
            candidates = darker = 0;
            for (int r = 0; r < box.height; ++r) {
                const uchar* pc = could.ptr<uchar>(r);
                const uchar* ps = strong.ptr<uchar>(r);
                for (int c = 0; c < box.width; ++c) {
                    candidates += pc[c] == 255 && !ps[c];
                    darker += pc[c] == 1 && !ps[c];
                }
            }
        }
        if (candidates < 4 && darker < 4)
            return;
        darkStart = candidates < 4;
    }
    cv::Mat lit, cleared;
    thread_local VeilFit fit;
    LightingPlane light = l;
    constexpr float kNoVeil = 0.01f;  // a share that changes no grey level the fit sees
    constexpr int kRounds = 3;  // veil, lighting, veil, lighting, veil
    bool together = false;
    for (int round = 0;; ++round) {
        reference.convertTo(lit, CV_32F, light.gain);
        m_fit->per.front().Columns(light, columns.data());
        for (int r = 0; r < m_size.height; ++r) {
            float* p = lit.ptr<float>(r);
            const float row = float(light.Row(r));
            for (int c = 0; c < m_size.width; ++c)
                p[c] += row + columns[size_t(c)];
        }
        if (!fit.Fit(lit, g, m_judged)) {
            if (round == 0)
                return;
            break;  // the lighting took the veil in: compare under it alone
        }
        if (round + 1 == kRounds)
            break;
        // The lighting and the veil together, where that holds; else in turns.
        // Only over a veil measured broad: fitted together, an even veil and
        // a lower gain are much alike, so on a frame without a veil the joint
        // fit may read one into the lighting (and widen every tolerance).
        if (round == 0 && fit.Broad(kNoVeil) && VeilFit::FitWithLighting(reference, g, m_judged, tolerance, light)) {
            together = true;
            round = kRounds - 2;
            continue;
        }
        // Started by darker pixels alone, only the lighting fitted with a
        // broad veil may tell them: fitted in turns it is the lighting that
        // already missed them.
        if (darkStart)
            return;
        // The lighting again, from where there is no veil: a veil lowers the
        // contrast beneath it, which a fit over it takes for a lower gain.
        // Veiled pixels are left out as clipped ones are. Where the veil
        // leaves too little, from the window as it would be without it.
        g.copyTo(cleared);
        const cv::Mat& share = fit.field();
        const bool leaveOut = cv::countNonZero((share < kNoVeil) & m_judged) * 10 >= cv::countNonZero(m_judged) * 3;
        for (int r = 0; r < m_size.height; ++r) {
            uchar* p = cleared.ptr<uchar>(r);
            const float* ps = share.ptr<float>(r);
            for (int c = 0; c < m_size.width; ++c) {
                if (Clipped(p[c]) || ps[c] <= 0.f)
                    continue;
                if (leaveOut)
                    p[c] = ps[c] < kNoVeil ? p[c] : 255;
                else
                    p[c] = uchar(std::clamp(std::lround((p[c] - 255.f * ps[c]) / (1.f - ps[c])), 1L, 254L));
            }
        }
        light = m_fit->per[focus].Estimate(reference, cleared, m_judged, tolerance, true);
    }
    const cv::Mat share = fit.field().empty() ? cv::Mat::zeros(m_size, CV_32F) : fit.field();
    // Fitted with the veil, the gain is the one beneath it, where a veil
    // lowers the contrast the templates' spread was measured in: the
    // tolerance keeps the gain the frame shows, veil and all.
    const double tolGain = together ? std::min(light.gain, l.gain) : light.gain;
    // How far each pixel lies off the veiled, lit reference, and the same
    // held within its tolerance (what its surroundings are judged by).
    thread_local cv::Mat off, held, around;
    off.create(m_size, CV_32F);
    held.create(m_size, CV_32F);
    for (int r = 0; r < m_size.height; ++r) {
        uchar* out = diff.ptr<uchar>(r);
        const float* pl = lit.ptr<float>(r);
        const float* ps = share.ptr<float>(r);
        const uchar* pw = g.ptr<uchar>(r);
        const uchar* pj = m_judged.ptr<uchar>(r);
        float* po = off.ptr<float>(r);
        float* ph = held.ptr<float>(r);
        for (int c = 0; c < m_size.width; ++c) {
            const float s = float(pw[c]) - ((1.f - ps[c]) * pl[c] + 255.f * ps[c]);
            const float t = float(tolGain) * tolAt(r, c);
            po[c] = KnownDifference(pw[c], s);
            ph[c] = pj[c] ? std::clamp(po[c], -t, t) : 0.f;
            if (out[c] && std::abs(po[c]) <= t)
                out[c] = 0;
        }
    }
    // A dark object under the veil may lie just where the unveiled reference
    // does (its contrast matching the lift), so the first comparison passed
    // it. A veil never darkens: beneath one, a pixel that lies darker than
    // the veiled reference by more than its tolerance, and by that much
    // below its surroundings (a cell about it; a veil or lighting missed
    // there moves them all alike), differs.
    // Only where the veil is measured: past the outer cells' centres it is
    // carried on to the window's edge, a guess.
    cv::blur(held, around, cv::Size(2 * VeilFit::kCell + 1, 2 * VeilFit::kCell + 1), cv::Point(-1, -1), cv::BORDER_REPLICATE);
    constexpr int kMeasured = VeilFit::kCell / 2;
    for (int r = kMeasured; r < m_size.height - kMeasured; ++r) {
        uchar* out = diff.ptr<uchar>(r);
        const uchar* pj = m_judged.ptr<uchar>(r);
        const float* ps = share.ptr<float>(r);
        const float* po = off.ptr<float>(r);
        const float* pa = around.ptr<float>(r);
        for (int c = kMeasured; c < m_size.width - kMeasured; ++c) {
            if (out[c] || !pj[c] || ps[c] < kNoVeil || po[c] >= 0.f)
                continue;
            const float t = float(tolGain) * tolAt(r, c);
            if (po[c] < -t && po[c] - pa[c] < -t)
                out[c] = 255;
        }
    }
    // The first comparison judged under a lighting that had taken the veil
    // in, so it may have passed a chip's edge that lies beyond its tolerance
    // under the veiled reference. Beside a difference that stays (within the
    // rim's 2 px), such a pixel differs, brighter or darker. Only over a veil
    // fitted with the lighting: fitted in turns, the veil is less sure.
    const cv::Range kept = together ? NonZeroRows(diff) : cv::Range(0, 0);
    if (!kept.empty()) {
        const cv::Range& rows = kept;
        cv::Rect box = cv::boundingRect(diff.rowRange(rows));
        box.y += rows.start;
        constexpr int kBeside = 2;
        box = cv::Rect(box.x - kBeside, box.y - kBeside, box.width + 2 * kBeside, box.height + 2 * kBeside)
            & cv::Rect(cv::Point(), m_size);
        if (!box.empty()) {
            thread_local cv::Mat near;
            static const cv::Mat beside = cv::Mat::ones(2 * kBeside + 1, 2 * kBeside + 1, CV_8U);
            static const cv::Mat pair = cv::Mat::ones(2, 2, CV_8U);
            // Only pixels that still differ side by side: a lone one is noise.
            cv::morphologyEx(diff(box), near, cv::MORPH_OPEN, pair, cv::Point(-1, -1), 1, cv::BORDER_CONSTANT, cv::Scalar(0));
            cv::dilate(near, near, beside);
            for (int r = 0; r < box.height; ++r) {
                const int y = box.y + r;
                uchar* out = diff.ptr<uchar>(y);
                const uchar* pn = near.ptr<uchar>(r);
                const uchar* pj = m_judged.ptr<uchar>(y);
                const float* ps = share.ptr<float>(y);
                const float* po = off.ptr<float>(y);
                for (int c = 0; c < box.width; ++c) {
                    const int x = box.x + c;
                    if (!pn[c] || out[x] || !pj[x] || ps[x] < kNoVeil)
                        continue;
                    if (std::abs(po[x]) > float(tolGain) * tolAt(y, x))
                        out[x] = 255;
                }
            }
        }
    }
    if (judged) {
        judged->light = light;
        judged->tolGain = tolGain;
        if (!fit.field().empty())
            fit.field().copyTo(judged->veil);
    }
}

const cv::Mat& GrayMatch::ReferenceAt(size_t k) const
{
    return k == 0 || !m_fit ? m_ref : m_fit->Softened(m_ref, std::min(k, kSoftCount) - 1);
}

cv::Mat GrayMatch::reference() const
{
    return m_ref.empty() ? cv::Mat() : AsFloat(m_ref);
}

cv::Mat GrayMatch::Edge() const
{
    // What a residual misalignment changes at each pixel of the reference.
    cv::Mat dil, ero, edge;
    const cv::Mat k = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3));
    const cv::Mat ref = AsFloat(m_ref);
    cv::dilate(ref, dil, k, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::erode(ref, ero, k, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::subtract(dil, ero, edge);
    return edge;
}

cv::Mat GrayMatch::spread() const
{
    if (!m_valid)
        return cv::Mat();
    std::vector<float> buffer;
    cv::Mat s = ToleranceFloats(buffer) / m_tolScale - Edge() * m_tolEdge - m_tolBase;
    return cv::max(s, 0.0);
}

void GrayMatch::GrowRim(const cv::Mat& window, const Judged& judged, cv::Mat& diff, int steps) const
{
    if (!m_valid || !judged.valid || steps <= 0 || diff.size() != m_size || diff.type() != CV_8UC1
        || window.size() != m_size)
        return;
    const cv::Rect seeds = cv::boundingRect(diff);
    if (seeds.empty())
        return;
    const cv::Mat g = ToGreyWindow(window);
    if (g.empty())
        return;
    // Only the neighbourhood the rim can reach is compared again.
    const cv::Rect area = cv::Rect(seeds.x - steps, seeds.y - steps, seeds.width + 2 * steps,
                                   seeds.height + 2 * steps) & cv::Rect(cv::Point(), m_size);
    const LightingPlane& l = judged.light;
    const cv::Mat& reference = ReferenceAt(judged.focus);
    const bool bytes = reference.depth() == CV_8U;
    const bool narrowTol = m_tol.depth() == CV_8U;
    // Only the pixels next to what is already flagged are compared, so the
    // cost follows the rim, not the window.
    cv::Mat grown = diff(area);
    thread_local cv::Mat next;
    for (int i = 0; i < steps; ++i) {
        cv::dilate(grown, next, cv::Mat());
        bool added = false;
        for (int r = 0; r < area.height; ++r) {
            const int y = area.y + r;
            const uchar* pn = next.ptr<uchar>(r);
            uchar* pg = grown.ptr<uchar>(r);
            const float* pr = bytes ? nullptr : reference.ptr<float>(y);
            const uchar* pb = bytes ? reference.ptr<uchar>(y) : nullptr;
            const float* pt = narrowTol ? nullptr : m_tol.ptr<float>(y);
            const uchar* pi = narrowTol ? m_tol.ptr<uchar>(y) : nullptr;
            const uchar* pw = g.ptr<uchar>(y);
            const uchar* pj = m_judged.ptr<uchar>(y);
            // Taken once a row: the same values the pixels read.
            const float* pv = judged.veil.empty() ? nullptr : judged.veil.ptr<float>(y);
            const double row = l.Row(y);
            for (int c = 0; c < area.width; ++c) {
                const int x = area.x + c;
                if (!pn[c] || pg[c] || !pj[x])
                    continue;
                const double lit = l.gain * (pb ? double(pb[x]) : double(pr[x])) + (row + l.Column(x));
                const double v = pv ? double(pv[x]) : 0.0;
                const double s = pw[x] - ((1 - v) * lit + 255 * v);
                const double d = std::abs(m_hue ? s : KnownDifference(pw[x], s));
                if (d > 0.5 * judged.tolGain * (pi ? m_tolOf[pi[x]] : pt[x])) {
                    pg[c] = 255;
                    added = true;
                }
            }
        }
        if (!added)
            break;
    }
}

void GrayMatch::CountBytes(ByteCounts& out) const
{
    out.Add("grey: sharp reference", m_ref);
    out.Add("grey: tolerance", m_tol);
    out.Add("grey: tolerance", m_tolOf.capacity() * sizeof(float));
    for (const cv::Mat& m : m_templates)
        out.Add("grey: template windows", m);
    for (const cv::Mat& m : m_covered)
        out.Add("grey: covered masks", m);
    out.Add("grey: masks (judged, ROI)", m_judged);
    out.Add("grey: masks (judged, ROI)", m_mask);
    if (m_fit) {
        const void* axes = nullptr;
        for (const PreparedLightingPlane& p : m_fit->per) {
            out.Add("grey: lighting-fit sums", p.Bytes());
            if (p.axes() != axes)
                out.Add("grey: lighting-fit sums", p.AxesBytes());
            axes = p.axes();
        }
        out.Add("grey: focus grids", m_fit->focusGrid);
        for (const cv::Mat& m : m_fit->soft)
            out.Add("grey: softened references", m);
    }
    if (m_reach) {
        out.Add("grey: travelled highlights", m_reach->points.capacity() * sizeof(Reach::Point));
        for (const Reach::Region& g : m_reach->regions) {
            out.Add("grey: travelled highlights", g.face);
            for (const cv::Mat& h : g.high)
                out.Add("grey: travelled highlights", h);
        }
    }
}

void GrayMatch::Clear()
{
    m_size = cv::Size();
    m_mask.release();
    m_templates.clear();
    m_covered.clear();
    m_judged.release();
    m_ref.release();
    m_tol.release();
    m_tolOf.clear();
    m_fit.reset();
    m_reach.reset();
    m_templateCount = 0;
    m_amplify = 0;
    m_hue = false;
    m_created = false;
    m_valid = false;
}
