#include "PoseRefine.h"

#include "BilinearRead.h"
#include "EdgeCells.h"
#include "NormalSums.h"
#include "SoftCut.h"

#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr int kMaxRefineLevels = 3;
// Sample points per level, finest first: enough for a few hundredths of a pixel.
constexpr int kPointsPerLevel[kMaxRefineLevels] = {2500, 1500, 800};
constexpr float kMinGradient = 2.f;  // grey levels per pixel
constexpr int kIterations = 12;
constexpr double kSettled = 0.004;  // pixels moved at the model's rim
constexpr double kPi = 3.14159265358979323846;

constexpr int kUnknowns = kPoseUnknowns;
static_assert(kUnknowns % 2 == 0, "the right-hand side is summed in pairs");
// Residual beyond which a sample counts as foreign when the fit is scored.
constexpr double kScoreClip = 24.0;
// A frame's slope at a sample counts up to this many times the model's own
// there, plus a floor for the noise (grey levels per pixel).
constexpr double kSteeper = 2.0;
constexpr double kSlopeFloor = 2.0;
// The finest fit reads model and frame both softened by this Gaussian (px):
// sensor noise of single pixels otherwise moves the pose by a tenth of a
// pixel on parts with few, soft edges, while the edges that carry the pose
// keep nearly all their slope.
constexpr double kFineSmooth = 0.8;
constexpr int kFineKernel = 3;
static_assert(kFineKernel == 3, "SoftCut blurs 3 x 3");
// The weaker direction of the model's edges must carry at least this share
// of the stronger one's slope energy to place the part along both.
constexpr double kMinCrossShare = 0.01;
// The finest level's points should carry at least this much slope energy
// along their weaker direction (squared slopes summed, in units of the
// model's noise variance): noise moves the pose by about the inverse root
// of it. A model whose edges run out before the points wanted do (few,
// faint edges: black plastic) and that carries less is read along its
// edges up to this many times more densely.
constexpr double kWantEnergy = 4000.0;
constexpr double kMaxDenser = 5.0;
// How far the frame's noise and the mismatch between model and frame (a
// defocused frame against a sharp model) may have moved the pose is read
// from the residuals' pull patch by patch: along an edge both pull the same
// way over many neighbouring samples, which a sum over single samples takes
// as independent and so underrates. Patch side, full-size px, and the
// fewest patches across the model's shorter side (too few patches would
// let the pulls cancel within them).
constexpr int kPatch = 32;
constexpr int kMinPatches = 8;
// Defocus (Gaussian sigma, px) of the copies of the finest samples, the
// model itself first. A frame softer than the model leans the fit: the
// samples sit on the model's steepest pixels, a fraction of a pixel beside
// each edge's middle, where the flatter edge of the frame reaches the
// model's grey only further out; over a faint part's few edges that does not
// average out, and its residuals show it as a lean, not as scatter.
constexpr double kDefocus[] = {0, 0.6, 0.9, 1.2, 1.5, 1.8, 2.1, 2.4, 2.8, 3.2};
// The samples sit where blur changes the grey least (the middle of an edge);
// which copy a frame follows is read this far to either side across the edge.
constexpr double kFlank = 3.0;
// Every this many samples tell it well enough (thousands of flanks).
constexpr size_t kFocusStride = 4;
// Less defocus than this is fitted against the model itself.
constexpr double kMinDefocus = 0.8;
// Fits of the finest level at most, as the copy the frame follows is chosen anew.
constexpr int kFocusRounds = 3;
// Where noise makes up more than this share of the part's own spread, the
// frame's noise is checked against the model's before it is taken out, and
// at most this many times what their difference shows is.
constexpr double kSharedShare = 0.05;
constexpr double kSharedSpare = 1.5;

// A read that touches a clipped pixel (0 or 255) says nothing of the pose: a
// frame brighter than the model flattens its highlights, and fitting those
// would pull the pose across them.
inline bool Clipped(const BilinearFrame& img, double x, double y)
{
    const uchar* p = img.data + img.step * size_t(int(y)) + int(x);
    const uchar* q = p + img.step;
    const int lo = std::min(std::min(p[0], p[1]), std::min(q[0], q[1]));
    const int hi = std::max(std::max(p[0], p[1]), std::max(q[0], q[1]));
    return lo == 0 || hi == 255;
}

struct Fit {
    double cost = 0;  // truncated squared residuals
    double scored = 0;  // the same truncated at kScoreClip (costs only)
    double passed = 0;  // costs only: how much of the frame's noise variance the reads pass, summed
    int used = 0;
};

// The picture's scale about the centre as an eleventh unknown of the
// finest fit: its column of derivatives (the slope along the sample's
// offset from the centre) bordered onto the normal equations. Summed in the
// fit's own pass, it leaves the scale to a solve of the bordered system,
// without a second pass over the samples once the pose has settled.
struct Border {
    double cross[kUnknowns] = {};  // weighted products with the other unknowns' derivatives
    double self = 0;  // ... with itself
    double rhs = 0;
    int used = 0;
    void Add(const double* wj, double w, double js, double res)
    {
#if CV_SIMD128_64F
        const cv::v_float64x2 vjs = cv::v_setall_f64(js);
        for (int m = 0; m < kUnknowns; m += 2)
            cv::v_store(cross + m, cv::v_load(cross + m) + cv::v_load(wj + m) * vjs);
#else
        for (int m = 0; m < kUnknowns; ++m)
            cross[m] += wj[m] * js;
#endif
        const double wjs = w * js;
        self += wjs * js;
        rhs -= wjs * res;
        ++used;
    }
};

// The scale's part of the step the bordered system takes from the pose
// `normal` and `rhs` were summed at (0 when too few samples tell it).
double ScaleStep(const cv::Matx<double, kUnknowns, kUnknowns>& normal, const cv::Vec<double, kUnknowns>& rhs,
                 const Border& border)
{
    if (border.used < 16)
        return 0;
    constexpr int k = kUnknowns + 1;
    cv::Matx<double, k, k> all;
    cv::Vec<double, k> step;
    for (int m = 0; m < kUnknowns; ++m) {
        for (int n = 0; n < kUnknowns; ++n)
            all(m, n) = normal(m, n);
        all(m, kUnknowns) = all(kUnknowns, m) = border.cross[m];
        step[m] = rhs[m];
    }
    all(kUnknowns, kUnknowns) = border.self;
    step[kUnknowns] = border.rhs;
    if (!cv::Cholesky(all.val, k * sizeof(double), k, step.val, sizeof(double), 1))
        return 0;
    return step[kUnknowns];
}

// Sensor noise of a picture over `region` (variance, grey levels squared),
// read on a grid of at most about kNoiseReads places (inside `mask` when it
// is given, of the region's size). The 3 x 3 operator cancels every plane
// and leaves noise of variance 36 sigma^2; the median of its size barely
// hears the edges and detail that answer it too. Clipped pixels show none.
constexpr int kNoiseReads = 4096;
constexpr int kMostNoiseSize = 8 * 255;  // the operator's largest size on 8-bit pixels
inline int NoiseSize(const uchar* p, size_t row)
{
    const uchar* u = p - row;
    const uchar* d = p + row;
    return u[-1] + u[1] + d[-1] + d[1] - 2 * (u[0] + d[0] + p[-1] + p[1]) + 4 * p[0];
}
double NoiseVariance(const cv::Mat& img, const cv::Rect& region, const cv::Mat& mask = cv::Mat())
{
    const cv::Rect r = region & cv::Rect(1, 1, img.cols - 2, img.rows - 2);
    if (r.empty())
        return 0;
    const int step = std::max(1, int(std::sqrt(double(r.area()) / kNoiseReads)));
    const size_t row = img.step[0];
    // The sizes are whole numbers up to kMostNoiseSize: counted per size,
    // their median is found without sorting.
    thread_local std::array<int, kMostNoiseSize + 1> counts;
    counts.fill(0);
    int n = 0;
    const uchar* const masks = mask.empty() ? nullptr : mask.data;
    const size_t maskRow = mask.empty() ? 0 : mask.step[0];
    const int x1 = r.br().x;
    for (int y = r.y; y < r.br().y; y += step) {
        const uchar* line = img.ptr<uchar>(y);
        const uchar* m = masks ? masks + size_t(y - region.y) * maskRow - region.x : nullptr;
        for (int x = r.x; x < x1; x += step) {
            const uchar* p = line + x;
            if ((m && !m[x]) || p[0] == 0 || p[0] == 255)
                continue;
            ++counts[size_t(std::abs(NoiseSize(p, row)))];
            ++n;
        }
    }
    if (n < 16)
        return 0;
    // The (n / 2)-th smallest, counted from 0.
    int mid = 0;
    for (int below = counts[0]; below <= n / 2; below += counts[size_t(mid)])
        ++mid;
    // The median of |N(0, 1)| is 0.6745.
    const double sigma = mid / (6.0 * 0.6745);
    return sigma * sigma;
}

}  // namespace

void PoseRefine::Build(const cv::Mat& model, const cv::Mat& mask, int levels)
{
    Clear();
    if (model.empty() || model.type() != CV_8UC1)
        return;
    cv::Mat img = model;
    cv::Mat msk = mask.empty() ? cv::Mat(model.size(), CV_8UC1, cv::Scalar(255)) : cv::Mat(mask != 0);
    levels = std::clamp(levels, 1, kMaxRefineLevels);
    for (int l = 0; l < levels; ++l) {
        if (l > 0) {
            cv::Mat down, maskDown;
            cv::pyrDown(img, down);
            img = down;
            cv::resize(msk, maskDown, img.size(), 0, 0, cv::INTER_NEAREST);
            msk = maskDown;
        }
        if (img.cols < 8 || img.rows < 8)
            break;
        // Points whose neighbourhood lies inside the mask: what lies outside
        // it may change from cycle to cycle.
        cv::Mat inner;
        cv::erode(msk, inner, cv::Mat(), cv::Point(-1, -1), 2, cv::BORDER_CONSTANT, cv::Scalar(0));
        if (l == 0) {
            m_noise = NoiseVariance(img, cv::Rect(0, 0, img.cols, img.rows), inner);
            // The same grid of reads, kept to compare a frame's noise with the model's.
            const int step = std::max(1, int(std::sqrt(double(img.cols - 2) * (img.rows - 2) / kNoiseReads)));
            for (int y = 1; y < img.rows - 1; y += step)
                for (int x = 1; x < img.cols - 1; x += step) {
                    const uchar* q = img.ptr<uchar>(y) + x;
                    if (inner.at<uchar>(y, x) && q[0] != 0 && q[0] != 255)
                        m_probes.push_back({float(x - model.cols / 2), float(y - model.rows / 2),
                                            NoiseSize(q, img.step[0])});
                }
        }
        // A new picture: `img` may be a view of the caller's template.
        cv::Mat seen;
        if (l == 0)
            cv::GaussianBlur(img, seen, cv::Size(kFineKernel, kFineKernel), kFineSmooth, kFineSmooth, cv::BORDER_REPLICATE);
        else
            seen = img;
        cv::Mat gx, gy;
        cv::Sobel(seen, gx, CV_32F, 1, 0, 3, 0.125);
        cv::Sobel(seen, gy, CV_32F, 0, 1, 3, 0.125);
        // The strongest gradient of each grid cell, cells sized for about
        // twice the points wanted, so the points cover the whole model.
        using Cand = EdgeCell;
        std::vector<Cand> cands;
        auto pick = [&](int cell, int want) {
            StrongestPerCell(gx, gy, inner, cv::Rect(2, 2, img.cols - 4, img.rows - 4), cell, kMinGradient, want, cands);
        };
        // The slope energy of the points' weaker direction (smallest
        // eigenvalue of the summed gradient outer products) and the larger.
        auto energy = [&](double& weak, double& strong) {
            double sxx = 0, syy = 0, sxy = 0;
            for (const Cand& c : cands) {
                const double ix = gx.at<float>(c.y, c.x), iy = gy.at<float>(c.y, c.x);
                sxx += ix * ix;
                syy += iy * iy;
                sxy += ix * iy;
            }
            const double half = 0.5 * (sxx + syy);
            const double det = std::sqrt(0.25 * (sxx - syy) * (sxx - syy) + sxy * sxy);
            weak = half - det;
            strong = half + det;
        };
        const int want = kPointsPerLevel[l];
        const int cell = std::max(2, int(std::sqrt(double(img.total()) / (2.0 * want))));
        pick(cell, want);
        if (l == 0 && m_noise > 0 && int(cands.size()) < want) {
            // A part whose edges are few and faint against the noise (black
            // plastic) places no better than the noise over one point per
            // cell along them allows: then the cells shrink, so that more
            // of each edge's length is read.
            double weak = 0, strong = 0;
            energy(weak, strong);
            const double denser = std::min(kMaxDenser, kWantEnergy * m_noise / std::max(weak, 1e-9));
            if (denser > 1.0) {
                const int fine = std::max(2, int(std::lround(cell / denser)));
                if (fine < cell)
                    pick(fine, int(want * denser));
            }
        }
        if (cands.size() < 16)
            break;
        const float ccx = float(model.cols / 2) / float(1 << l);
        const float ccy = float(model.rows / 2) / float(1 << l);
        std::vector<Sample> pts;
        pts.reserve(cands.size());
        if (l == 0) {
            // Edges that all run one way (stripes, a single straight edge)
            // hold the part across them only: along them any place fits.
            double weak = 0, strong = 0;
            energy(weak, strong);
            m_oneWay = weak < kMinCrossShare * strong;
        }
        const int side = std::clamp(std::min(img.cols, img.rows) / kMinPatches, 2, kPatch);
        const int across = (img.cols + side - 1) / side;
        if (l == 0)
            m_patches = across * ((img.rows + side - 1) / side);
        for (const Cand& c : cands)
            pts.push_back({float(c.x) - ccx, float(c.y) - ccy, float(seen.at<uchar>(c.y, c.x)),
                           float(img.at<uchar>(c.y, c.x)), kSteeper * std::sqrt(c.mag) + kSlopeFloor, 0.0, 0.0, 0.0, 0.0, 0.0,
                           l == 0 ? c.y / side * across + c.x / side : 0});
        double radius = 1;
        double mean = 0;
        for (const Sample& q : pts) {
            radius = std::max(radius, double(std::hypot(q.x, q.y)));
            mean += q.raw;
        }
        mean /= double(pts.size());
        double spread = 0;
        for (Sample& q : pts) {
            spread += (q.raw - mean) * (q.raw - mean);
            q.mx = q.x * (1.0 / radius);
            q.my = q.y * (1.0 / radius);
            q.mxx = q.mx * q.mx;
            q.mxy = q.mx * q.my;
            q.myy = q.my * q.my;
        }
        m_levels.push_back(std::move(pts));
        m_radius.push_back(radius);
        m_spread.push_back(std::max(spread, 1.0));
        if (l > 0)
            continue;
        for (const Cand& c : cands) {
            const float ix = gx.at<float>(c.y, c.x), iy = gy.at<float>(c.y, c.x);
            const float m = std::max(std::hypot(ix, iy), 1e-6f);
            m_across.emplace_back(ix / m, iy / m);
        }
        // Each copy from the one before, by what the blur adds (blurs add in sigma squared).
        cv::Mat softSeen, softRaw;
        seen.convertTo(softSeen, CV_32F);
        img.convertTo(softRaw, CV_32F);
        double before = 0;
        for (const double sigma : kDefocus) {
            const double step = std::sqrt(sigma * sigma - before * before);
            before = sigma;
            if (step > 0) {
                cv::GaussianBlur(softSeen, softSeen, cv::Size(0, 0), step, step, cv::BORDER_REPLICATE);
                cv::GaussianBlur(softRaw, softRaw, cv::Size(0, 0), step, step, cv::BORDER_REPLICATE);
            }
            Softened soft;
            double sum = 0;
            for (size_t i = 0; i < cands.size(); ++i) {
                const Cand& c = cands[i];
                for (const double side : {-kFlank, kFlank}) {
                    // Kept inside, so the read cannot fail.
                    const double x = std::clamp(c.x + side * m_across[i][0], 0.0, img.cols - 1.001);
                    const double y = std::clamp(c.y + side * m_across[i][1], 0.0, img.rows - 1.001);
                    double v = 0;
                    Bilinear<float>(softSeen, x, y, v);
                    soft.flanks.push_back(float(v));
                }
                soft.grey.push_back(softSeen.at<float>(c.y, c.x));
                soft.raw.push_back(softRaw.at<float>(c.y, c.x));
                sum += soft.raw.back();
                // The slope across the edge, as a pose one pixel off reads it.
                double ahead = 0, behind = 0;
                const double ux = m_across[i][0], uy = m_across[i][1];
                Bilinear<float>(softRaw, std::clamp(c.x + ux, 0.0, img.cols - 1.001),
                                std::clamp(c.y + uy, 0.0, img.rows - 1.001), ahead);
                Bilinear<float>(softRaw, std::clamp(c.x - ux, 0.0, img.cols - 1.001),
                                std::clamp(c.y - uy, 0.0, img.rows - 1.001), behind);
                soft.slopes += 0.25 * (ahead - behind) * (ahead - behind);
            }
            const double m = sum / double(cands.size());
            double sq = 0;
            for (const float v : soft.raw)
                sq += (v - m) * (v - m);
            soft.spread = std::max(sq, 1.0);
            // A blur passes the sum of its squared weights of white noise
            // (along x, times the same along y).
            const cv::Mat k = cv::getGaussianKernel(int(std::lround(sigma * 8 + 1)) | 1, sigma, CV_64F);
            cv::Mat both;
            cv::filter2D(k, both, -1, cv::getGaussianKernel(kFineKernel, kFineSmooth, CV_64F), cv::Point(-1, -1), 0,
                         cv::BORDER_CONSTANT);
            const double pass = k.dot(k), passBoth = both.dot(both);
            soft.noise = m_noise * pass * pass;
            // Two reads two pixels apart, a quarter of their difference squared.
            soft.slopes = std::max(0.0, soft.slopes - double(cands.size()) * 0.5 * soft.noise);
            soft.greyNoise = m_noise * passBoth * passBoth;
            m_softened.push_back(std::move(soft));
        }
    }
}

bool PoseRefine::Refine(const std::vector<cv::Mat>& pyramid, bool turn, ShapePose& pose, PoseFit* fitOut) const
{
    if (fitOut)
        *fitOut = PoseFit();
    if (m_levels.empty() || pyramid.empty() || m_oneWay)
        return false;
    const int top = std::min(int(m_levels.size()), int(pyramid.size())) - 1;
    const ShapePose seed = pose;
    ShapePose p = pose;
    double gain = 1;
    double offset = 0;
    // Lighting that changes across the part (a lamp to one side, a dimmed
    // corner): grey levels per model radius along the model's x and y.
    double slopeX = 0;
    double slopeY = 0;
    // A light dimmed in one corner also bends across the part; taken as a
    // plane, what is left over leans the pose towards the dark side by some
    // hundredths of a pixel. Its bend along xx, xy and yy.
    double bend[3] = {0, 0, 0};
    double clip = 1e9;  // residual beyond which a pixel counts as an outlier
    // The finest level's last normal equations: how far the frame's noise
    // can move the pose.
    cv::Matx<double, kUnknowns, kUnknowns> lastNormal;
    // ... their right-hand side, and the row and column the picture's scale
    // about the centre adds to them (see Border).
    cv::Vec<double, kUnknowns> lastRhs;
    Border lastBorder;
    // ... and each patch's pull on the unknowns there (kUnknowns per patch).
    thread_local std::vector<double> pulls;
    // The copy of the finest samples the frame follows (m_softened; 0 the model itself).
    size_t focus = 0;
    int rounds = 0;
    ShapePose sharp;  // the finest level's fit against the model itself
    // Cosine and sine of the turn, kept for the angle last asked: the fit's
    // reads mostly share one pose (every one without the turn).
    double turnAngle = std::numeric_limits<double>::quiet_NaN(), turnCos = 1, turnSin = 0;
    auto turnOf = [&](double angle, double& c, double& s) {
        if (!(angle == turnAngle && std::signbit(angle) == std::signbit(turnAngle))) {
            const double a = angle * kPi / 180.0;
            turnCos = std::cos(a);
            turnSin = std::sin(a);
            turnAngle = angle;
        }
        c = turnCos;
        s = turnSin;
    };
    auto modelGrey = [&](const std::vector<Sample>& pts, size_t i, bool unsoftened) -> double {
        if (focus == 0 || &pts != &m_levels[0])
            return unsoftened ? pts[i].raw : pts[i].grey;
        const Softened& soft = m_softened[focus];
        return unsoftened ? soft.raw[i] : soft.grey[i];
    };

    // Residuals and derivatives at one pose; accumulates the normal equations
    // when `normal` is given. Unknowns: cx, cy, angle (radians), gain, offset.
    // `img` may be a softened cut of `raw` whose corner lies at `origin`;
    // clipping is told from `raw`, and `unsoftened` compares the samples'
    // unsoftened greys with `img`.
    // Kept inline: as a call of its own it reads the fit's state through
    // the closure and costs more than its three copies.
    auto evaluate = [&](const cv::Mat& img, const cv::Mat& raw, cv::Point origin, const std::vector<Sample>& pts,
                        double scale, const ShapePose& at,
                        cv::Matx<double, kUnknowns, kUnknowns>* normal, cv::Vec<double, kUnknowns>* rhs,
                        bool unsoftened, double* patchPulls = nullptr,
                        Border* border = nullptr) __attribute__((always_inline)) {
        Fit fit;
        // The right-hand side, summed from zeros; `rhs` gets it.
        double sums[kUnknowns] = {};
        double c, s;
        turnOf(at.angle, c, s);
        const double cx = at.cx * scale - origin.x;
        const double cy = at.cy * scale - origin.y;
        // Copies of the fit's state: the sums stored for every sample could
        // otherwise be taken to change it, which reads it anew each time.
        const double g = gain, o = offset, sx = slopeX, sy = slopeY, b0 = bend[0], b1 = bend[1], b2 = bend[2];
        const double cl = clip;
        const BilinearFrame frame(img), rawFrame(raw);
        // The model's greys, chosen once rather than for every sample.
        const bool own = focus == 0 || &pts != &m_levels[0];
        const float* soft = own ? nullptr : (unsoftened ? m_softened[focus].raw.data() : m_softened[focus].grey.data());
        for (size_t i = 0; i < pts.size(); ++i) {
            const Sample& pt = pts[i];
            // The sample's offset from the centre, turned: the read's place
            // and, for the scale, the direction its derivative takes.
            const double ox = c * pt.x - s * pt.y, oy = s * pt.x + c * pt.y;
            const double qx = ox + cx;
            const double qy = oy + cy;
            double v, l = 0, r = 0, u = 0, d = 0;
            // The neighbours give the gradient; a cost alone needs only to
            // know they lie inside, as a step does.
            if (normal) {
                if (!BilinearCross(frame, qx, qy, v, l, r, u, d))
                    continue;
            } else if (!Bilinear(frame, qx, qy, v)
                       || (qx - 1 < 0 || qy - 1 < 0 || qx + 1 > frame.maxX || qy + 1 > frame.maxY)) {
                continue;
            }
            const double mx = pt.mx;
            const double my = pt.my;
            const double model = soft ? double(soft[i]) : double(unsoftened ? pt.raw : pt.grey);
            const double res = g * v + o + sx * mx + sy * my + b0 * mx * mx + b1 * mx * my + b2 * my * my - model;
            ++fit.used;
            fit.cost += std::min(res * res, cl * cl);
            if (!normal) {
                fit.scored += std::min(res * res, kScoreClip * kScoreClip);
                // A bilinear read passes sum(weight^2) of the pixels' noise variance.
                // Both lie beyond 1 here: the whole part is floor's.
                const double fx = qx - int(qx), fy = qy - int(qy);
                fit.passed += ((1 - fx) * (1 - fx) + fx * fx) * ((1 - fy) * (1 - fy) + fy * fy);
                continue;
            }
            if (Clipped(rawFrame, qx + origin.x, qy + origin.y))
                continue;
            // Huber weight: large differences (a foreign object) pull less.
            const double ar = std::abs(res);
            const double w = ar <= cl ? 1.0 : cl / ar;
            double ix = g * (r - l) * 0.5;
            double iy = g * (d - u) * 0.5;
            // An edge far steeper than the part's own at this sample belongs
            // to something foreign (a chip, a glint): its pull on the pose is
            // cut to what the part's own edge there could give. On a dark
            // part a chip's edge is many times steeper than any of the part's.
            const double cap = pt.cap;
            const double slope2 = ix * ix + iy * iy;
            if (slope2 > cap * cap) {
                const double k = cap / std::sqrt(slope2);
                ix *= k;
                iy *= k;
            }
            // d(q)/d(angle) = (-s x - c y, c x - s y)
            const double ia = ix * (-s * pt.x - c * pt.y) + iy * (c * pt.x - s * pt.y);
            const double j[kUnknowns] = {ix, iy, turn ? ia : 0.0, v, 1.0, mx, my, pt.mxx, pt.mxy, pt.myy};
            double wj[kUnknowns];
            // The patch's pull takes the same products as the right-hand side.
            double* pull = patchPulls ? patchPulls + size_t(pt.patch) * kUnknowns : nullptr;
#if CV_SIMD128_64F
            const cv::v_float64x2 vw = cv::v_setall_f64(w), vres = cv::v_setall_f64(res);
            for (int m = 0; m < kUnknowns; m += 2) {
                const cv::v_float64x2 wjm = vw * cv::v_load(j + m);
                const cv::v_float64x2 pulled = wjm * vres;
                cv::v_store(wj + m, wjm);
                cv::v_store(sums + m, cv::v_load(sums + m) - pulled);
                if (pull)
                    cv::v_store(pull + m, cv::v_load(pull + m) + pulled);
            }
#else
            for (int m = 0; m < kUnknowns; ++m) {
                wj[m] = w * j[m];
                sums[m] -= wj[m] * res;
                if (pull)
                    pull[m] += wj[m] * res;
            }
#endif
            AddWeightedOuter(normal->val, wj, j, turn);
            if (border)
                border->Add(wj, w, ix * ox + iy * oy, res);
        }
        if (rhs)
            for (int m = 0; m < kUnknowns; ++m)
                (*rhs)[m] = sums[m];
        return fit;
    };

    // Which copy of the finest samples, the model itself or a softened one,
    // the frame at `at` follows most closely once each is brought to the
    // frame's grey levels by its own gain and offset (under the lighting
    // across the part fitted so far). Samples the fit takes as foreign do
    // not decide it.
    auto focusOf = [&](const cv::Mat& img, const cv::Mat& raw, cv::Point origin, const ShapePose& at) -> size_t {
        const std::vector<Sample>& pts = m_levels[0];
        const size_t copies = m_softened.size();
        double c, s;
        turnOf(at.angle, c, s);
        double n = 0, sl = 0, sll = 0;
        // Sums of the stack, not of vectors the compiler must take as
        // written through each other; the flanks' rows looked up once.
        constexpr size_t kCopies = std::size(kDefocus);
        double sg[kCopies] = {}, sgg[kCopies] = {}, slg[kCopies] = {};
        const float* flanks[kCopies];
        for (size_t k = 0; k < copies; ++k)
            flanks[k] = m_softened[k].flanks.data();
        const BilinearFrame frame(img), rawFrame(raw);
        for (size_t i = 0; i < pts.size(); i += kFocusStride) {
            const Sample& pt = pts[i];
            const double qx = c * pt.x - s * pt.y + at.cx - origin.x;
            const double qy = s * pt.x + c * pt.y + at.cy - origin.y;
            double v;
            if (!Bilinear(frame, qx, qy, v) || Clipped(rawFrame, qx + origin.x, qy + origin.y))
                continue;
            const double light = offset + slopeX * pt.mx + slopeY * pt.my + bend[0] * pt.mxx + bend[1] * pt.mxy
                + bend[2] * pt.myy;
            if (std::abs(gain * v + light - modelGrey(pts, i, false)) > clip)
                continue;
            const double ax = c * m_across[i][0] - s * m_across[i][1];
            const double ay = s * m_across[i][0] + c * m_across[i][1];
            for (int side = 0; side < 2; ++side) {
                const double d = side ? kFlank : -kFlank;
                if (!Bilinear(frame, qx + d * ax, qy + d * ay, v))
                    continue;
                const double lit = gain * v + light;
                n += 1;
                sl += lit;
                sll += lit * lit;
                for (size_t k = 0; k < copies; ++k) {
                    const double g = flanks[k][2 * i + size_t(side)];
                    sg[k] += g;
                    sgg[k] += g * g;
                    slg[k] += lit * g;
                }
            }
        }
        if (n < 16)
            return focus;
        // What each copy leaves of the frame's own spread: the frame is what
        // is explained (a softer copy spreads less, which says nothing). The
        // model's own noise, which a softer copy has less of, is taken out:
        // else a sharp frame of a faint part follows the copy that hides the
        // model's noise, not the one as sharp as itself.
        size_t best = 0;
        double least = std::numeric_limits<double>::max();
        for (size_t k = 0; k < copies; ++k) {
            const double vgg = sgg[k] - sg[k] * sg[k] / n;
            if (vgg <= 1e-6)
                continue;
            const double vlg = slg[k] - sl * sg[k] / n;
            const double left
                = sll - sl * sl / n - vlg * vlg / vgg - vlg * vlg / (vgg * vgg) * n * m_softened[k].greyNoise;
            if (left < least) {
                least = left;
                best = k;
            }
        }
        return best;
    };

    // Softened cut of the finest level around the part; a cut of a larger
    // picture blurs with its real neighbours, so its rim needs no care beyond
    // the reach of the fit.
    thread_local SoftBox fine;
    bool fineStarted = false;
    cv::Rect seenBox;  // where the finest level read the frame
    // The finest level's reads lie within kFineReach of a sample (flanks and
    // bilinear neighbours); the pixels are made with kFineSlack more, so
    // that the fit moves that far before it asks again. A turn moves a read
    // by at most its distance from the centre times the angle.
    constexpr double kFineReach = kFlank + 1.0;
    constexpr double kFineSlack = 2.0;
    ShapePose covered;
    // x0 .. y1: the samples' box turned as at `at`, about the centre.
    auto want = [&](const cv::Mat& raw, const ShapePose& at, cv::Point origin, double x0, double y0, double x1,
                    double y1) {
        const double m = kFineReach + kFineSlack + 1.0;
        const cv::Rect2d box(at.cx - origin.x + x0 - m, at.cy - origin.y + y0 - m, x1 - x0 + 2 * m, y1 - y0 + 2 * m);
        const cv::Rect2d all(0, 0, fine.Cut().width, fine.Cut().height);
        // A box that misses the cut (or is not a number) is read nowhere.
        const cv::Rect2d in = box & all;
        if (in.width > 0 && in.height > 0)
            fine.Want(cv::Rect(cv::Point(int(std::floor(in.x)), int(std::floor(in.y))),
                               cv::Point(int(std::ceil(in.br().x)) + 1, int(std::ceil(in.br().y)) + 1)),
                      raw);
        covered = at;
    };
    auto cover = [&](const cv::Mat& raw, const ShapePose& at, cv::Point origin) {
        double c, s;
        turnOf(at.angle, c, s);
        double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
        for (const Sample& pt : m_levels[0]) {
            const double qx = c * pt.x - s * pt.y, qy = s * pt.x + c * pt.y;
            x0 = std::min(x0, qx);
            x1 = std::max(x1, qx);
            y0 = std::min(y0, qy);
            y1 = std::max(y1, qy);
        }
        want(raw, at, origin, x0, y0, x1, y1);
    };
    // Before the finest level reads at `at`: the pixels its samples reach.
    auto reach0 = [&](const cv::Mat& raw, const ShapePose& at, cv::Point origin) {
        const double moved = std::hypot(at.cx - covered.cx, at.cy - covered.cy)
            + std::abs(at.angle - covered.angle) * kPi / 180.0 * (m_radius[0] + kFineReach);
        if (!(moved <= kFineSlack))
            cover(raw, at, origin);
    };
    const double reach = 3.0 * double(1 << top);
    for (int l = top; l >= 0; --l) {
        const cv::Mat& raw = pyramid[size_t(l)];
        const std::vector<Sample>& pts = m_levels[size_t(l)];
        const double scale = 1.0 / double(1 << l);
        const double radius = m_radius[size_t(l)];
        cv::Mat img = raw;
        cv::Point origin(0, 0);
        if (l == 0) {
            // The samples' box at this pose, widened by the fit's reach.
            double c, s;
            turnOf(p.angle, c, s);
            double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
            for (const Sample& pt : pts) {
                const double qx = c * pt.x - s * pt.y, qy = s * pt.x + c * pt.y;
                x0 = std::min(x0, qx);
                x1 = std::max(x1, qx);
                y0 = std::min(y0, qy);
                y1 = std::max(y1, qy);
            }
            const int m = int(std::ceil(reach)) + kFineKernel + 2;
            const cv::Rect cut = cv::Rect(int(std::floor(p.cx + x0)) - m, int(std::floor(p.cy + y0)) - m,
                                          int(x1 - x0) + 2 * m + 2, int(y1 - y0) + 2 * m + 2)
                & cv::Rect(0, 0, raw.cols, raw.rows);
            if (cut.width < 3 || cut.height < 3)
                return false;
            // A later round over the same cut keeps the pixels made.
            if (!fineStarted || fine.Cut() != cut) {
                fine.Start(raw, cut, kFineSmooth);
                fineStarted = true;
            }
            img = fine.Picture();
            origin = cut.tl();
            want(raw, p, origin, x0, y0, x1, y1);
            seenBox = cut;
        }
        // Lighting first, so the first step of the geometry is not spent on it.
        {
            double n = 0, sv = 0, st = 0, svv = 0, svt = 0;
            double c, s;
            turnOf(p.angle, c, s);
            // The values read here also give the outlier scale below (same
            // pose, same reads); NaN marks a sample a cost would not count.
            thread_local std::vector<double> seen;
            seen.assign(pts.size(), std::numeric_limits<double>::quiet_NaN());
            const BilinearFrame frame(img), rawFrame(raw);
            for (size_t i = 0; i < pts.size(); ++i) {
                const Sample& pt = pts[i];
                const double qx = c * pt.x - s * pt.y + p.cx * scale - origin.x;
                const double qy = s * pt.x + c * pt.y + p.cy * scale - origin.y;
                double v;
                if (!Bilinear(frame, qx, qy, v) || Clipped(rawFrame, qx + origin.x, qy + origin.y))
                    continue;
                if (!(qx - 1 < 0 || qy - 1 < 0 || qx + 1 > frame.maxX || qy + 1 > frame.maxY))
                    seen[i] = v;
                const double t = modelGrey(pts, i, false);
                n += 1;
                sv += v;
                st += t;
                svv += v * v;
                svt += v * t;
            }
            if (n < 16)
                return false;
            const double var = svv - sv * sv / n;
            gain = var > 1e-6 ? std::clamp((svt - sv * st / n) / var, 0.5, 2.0) : 1.0;
            offset = (st - gain * sv) / n;
            slopeX = slopeY = 0;
            bend[0] = bend[1] = bend[2] = 0;
            clip = 1e9;
            // What evaluate() at this pose would sum, from the values kept.
            Fit f;
            for (size_t i = 0; i < pts.size(); ++i) {
                if (std::isnan(seen[i]))
                    continue;
                const double res = gain * seen[i] + offset - modelGrey(pts, i, false);
                ++f.used;
                f.cost += std::min(res * res, clip * clip);
            }
            // Outliers are what lies well beyond the spread of the bulk.
            clip = std::max(6.0, 2.5 * std::sqrt(f.cost / std::max(1, f.used)));
        }
        for (int it = 0; it < kIterations; ++it) {
            cv::Matx<double, kUnknowns, kUnknowns> normal = cv::Matx<double, kUnknowns, kUnknowns>::zeros();
            cv::Vec<double, kUnknowns> rhs = cv::Vec<double, kUnknowns>::zeros();
            if (l == 0) {
                pulls.assign(size_t(m_patches) * kUnknowns, 0.0);
                reach0(raw, p, origin);
            }
            Border kept;
            const Fit f = evaluate(img, raw, origin, pts, scale, p, &normal, &rhs, false, l == 0 ? pulls.data() : nullptr,
                                   l == 0 && fitOut ? &kept : nullptr);
            if (f.used < int(pts.size()) / 2 || f.used < 16)
                return false;
            if (!turn)
                normal(2, 2) = 1;
            for (int m = 0; m < kUnknowns; ++m)
                for (int n = 0; n < m; ++n)
                    normal(m, n) = normal(n, m);
            if (l == 0) {
                lastNormal = normal;
                lastRhs = rhs;
                lastBorder = kept;
            }
            // cv::solve's Cholesky without its temporary matrices.
            cv::Vec<double, kUnknowns> step = rhs;
            if (!cv::Cholesky(normal.val, kUnknowns * sizeof(double), kUnknowns, step.val, sizeof(double), 1))
                return false;
            p.cx += step[0] / scale;
            p.cy += step[1] / scale;
            if (turn)
                p.angle += step[2] * 180.0 / kPi;
            gain = std::clamp(gain + step[3], 0.5, 2.0);
            offset += step[4];
            slopeX += step[5];
            slopeY += step[6];
            for (int k = 0; k < 3; ++k)
                bend[k] += step[7 + k];
            if (std::hypot(step[0], step[1]) + std::abs(step[2]) * radius < kSettled)
                break;
        }
        // A fit that wandered off the seed has locked onto something else.
        if (std::hypot(p.cx - seed.cx, p.cy - seed.cy) > reach || std::abs(p.angle - seed.angle) > 5.0)
            return false;
        if (l == 0 && !m_softened.empty() && ++rounds < kFocusRounds) {
            if (rounds == 1)
                sharp = p;
            reach0(raw, p, origin);
            size_t next = focusOf(img, raw, origin, p);
            // A frame about as sharp as the model is fitted against the model:
            // the least softened copy is what the noise alone may pick.
            if (kDefocus[next] < kMinDefocus)
                next = 0;
            if (next != focus) {
                // The finest level once more, against the copy the frame follows.
                focus = next;
                ++l;
            }
        }
    }
    // A picture enlarged or shrunk by a fraction of a percent fits at the
    // Position area by shift alone, yet leaves a judged box far from its
    // centre pixels off: the residual scale about the centre is read from
    // the finest fit, with the other unknowns free.
    const double residualScale = fitOut && fineStarted ? ScaleStep(lastNormal, lastRhs, lastBorder) : 0.0;
    // Keep the refined pose only when it explains the model better than the seed.
    const cv::Mat& img = pyramid[0];
    // Judged on the unsoftened frame, as sharp as a pose a pixel off shows.
    const Fit after = evaluate(img, img, {0, 0}, m_levels[0], 1.0, p, nullptr, nullptr, true);
    const Fit before = evaluate(img, img, {0, 0}, m_levels[0], 1.0, seed, nullptr, nullptr, true);
    if (after.used < int(m_levels[0].size()) / 2)
        return false;
    // A seed already on the spot (a whole-pixel move) can fit better than
    // where foreign objects pulled the fit: then the seed stands.
    // Compared at the score's clip: the fit's own outlier clip comes from the
    // softened frame and would flatten the sharp one's residuals. What the
    // noise of model and frame leaves (less where a read falls between
    // pixels) is taken out of both first, and the seed must fit better by
    // more than noise alone could make two poses differ: on a dark part's
    // weak edges noise outweighs half a pixel of pose.
    const double frameNoise = NoiseVariance(img, seenBox);
    // Scored against the copy the frame follows: its own noise and contrast.
    const double modelNoise = m_softened.empty() ? m_noise : m_softened[focus].noise;
    const double modelSpread = m_softened.empty() ? m_spread[0] : m_softened[focus].spread;
    auto noiseOf = [&](const Fit& f) { return gain * gain * frameNoise * f.passed + f.used * modelNoise; };
    auto excess = [&](const Fit& f) { return (f.scored - noiseOf(f)) / f.used; };
    const double wobble = noiseOf(after) / after.used * std::sqrt(2.0 / after.used);
    const bool keepSeed = before.used > 0 && excess(before) < excess(after) - wobble;
    pose = keepSeed ? seed : p;
    if (fitOut) {
        // Share of the part's own grey-value spread the pose explains beyond
        // what the noise of model and frame leaves; a foreign object over a
        // few samples costs little, a pose a pixel off on the part's edges a
        // lot. Samples the frame does not show count as misses.
        const Fit& scored = keepSeed ? before : after;
        const double n = double(m_levels[0].size());
        const double missing = n - scored.used;
        const double unexplained = scored.scored + missing * kScoreClip * kScoreClip;
        double noise = noiseOf(scored);
        double own = modelSpread - n * modelNoise;
        // A faint part's edge samples sit midway between greys a few levels
        // apart and spread less than the noise, though its edges place it:
        // there what a pose one pixel off leaves unexplained sets the scale.
        if (own < n * modelNoise && !m_softened.empty())
            own = std::max(own, m_softened[focus].slopes);
        // Noise is taken out as what model and frame each bring of their own.
        // A frame that repeats the model's own noise (a sensor's fixed pattern,
        // a copy of the template) leaves less, and there a face without the
        // part "explains" a faint model. What the difference of the two
        // carries is read where the model's noise was; where noise weighs
        // in the fit, no more than that (with some to spare) is taken out.
        if (noise > kSharedShare * own && !m_probes.empty()) {
            double c, s;
            turnOf(pose.angle, c, s);
            const size_t row = img.step[0];
            thread_local std::vector<double> sizes;
            sizes.clear();
            for (const Probe& pr : m_probes) {
                const int x = int(std::lround(c * pr.x - s * pr.y + pose.cx));
                const int y = int(std::lround(s * pr.x + c * pr.y + pose.cy));
                if (x < 1 || y < 1 || x > img.cols - 2 || y > img.rows - 2)
                    continue;
                const uchar* q = img.ptr<uchar>(y) + x;
                if (q[0] != 0 && q[0] != 255)
                    sizes.push_back(std::abs(gain * NoiseSize(q, row) - pr.size));
            }
            if (sizes.size() >= 16) {
                auto mid = sizes.begin() + std::ptrdiff_t(sizes.size() / 2);
                std::nth_element(sizes.begin(), mid, sizes.end());
                const double sigma = *mid / (6.0 * 0.6745);
                noise = std::min(noise, kSharedSpare * sigma * sigma * scored.used);
            }
        }
        // A part that shows less contrast of its own (spread or slope) than noise
        // has no shape to place.
        if (own >= n * modelNoise && own > 0) {
            fitOut->fit = std::clamp(1.0 - (unexplained - noise) / own, 0.0, 1.0);
            fitOut->noise = noise / own;
            fitOut->wobble = fitOut->noise * std::sqrt(2.0 / std::max(scored.used, 1));
        }
        // The pose's share of inverse(normal) * (summed outer products of
        // the patches' pulls) * inverse(normal): what the pulls, were
        // they drawn anew, would move the pose by (lighting unknowns taken
        // as unknown too).
        cv::Matx<double, kUnknowns, 3> rows = cv::Matx<double, kUnknowns, 3>::zeros();
        for (int k = 0; k < 3; ++k)
            rows(k, k) = 1;
        if (cv::Cholesky(lastNormal.val, kUnknowns * sizeof(double), kUnknowns, rows.val, 3 * sizeof(double), 3)) {
            // Each patch's pull turned into its move of the pose.
            for (int b = 0; b < m_patches; ++b) {
                const double* pull = pulls.data() + size_t(b) * kUnknowns;
                double move[3] = {0, 0, 0};
                for (int m = 0; m < kUnknowns; ++m)
                    for (int k = 0; k < 3; ++k)
                        move[k] += rows(m, k) * pull[m];
                if (!turn)
                    move[2] = 0;
                for (int m = 0; m < 3; ++m)
                    for (int n = 0; n < 3; ++n)
                        fitOut->cov(m, n) += move[m] * move[n];
            }
        }
        // Two fits of one frame that disagree leave the part at either, half
        // their difference each way: a seed that fits better than the fit
        // (a foreign object pulled the fit, or the seed lies up to half a
        // pixel off and noise favoured it). The fit against the softened
        // copy moved from the one against the model itself by what the blur
        // leaned it; the blur is read to a step of the copies only, and on a
        // faint part noise moves that reading, so the move counts twice as
        // much: the lean left over may be as large.
        auto either = [&](const ShapePose& a, const ShapePose& b, double share) {
            const double d[3] = {a.cx - b.cx, a.cy - b.cy, turn ? (a.angle - b.angle) * kPi / 180.0 : 0.0};
            for (int m = 0; m < 3; ++m)
                for (int n = 0; n < 3; ++n)
                    fitOut->cov(m, n) += share * d[m] * d[n];
        };
        fitOut->scale = residualScale;
        if (keepSeed)
            either(seed, p, 0.25);
        if (focus != 0)
            either(p, sharp, 0.5);
    }
    return true;
}

double PoseRefine::Noise(const cv::Mat& img, const cv::Rect& region)
{
    return NoiseVariance(img, region);
}
