// Detection quality of the engine on mould scenes (1920x1080 grey): real
// photographs and generated machined faces (flat faces, straight edges).
// Cycles are moved by up to +-10 px, turned by up to +-3 degrees, with a gain
// of +-15 % and sensor noise; NG cycles carry a foreign chip of several sizes
// and contrasts inside the judged area. The engine is trained as a setter
// would train it (one Position ROI and one Defect ROI, the first good cycles
// as templates).
//
// Per scene, a training set without lighting changes picks the most telling
// settings (sensitivity, and an area limit just above the largest good
// value); an evaluation set with other cycles then adds what the training set
// never showed: a brightness ramp across the frame (up to +-12 grey levels),
// a light dimmed in one corner, slight defocus. The evaluation set is judged
// at the README's settings and at the chosen ones; a plain peer (intensity
// alignment, absolute difference, threshold, opening, area) judges the same
// frames. Prints caught % by chip size and contrast (30 to 80; fainter chips
// of 15 and 20 apart, to rank judges that both catch every counted one), false alarms, the
// positioning residual, the cycles positioning reported as lost and the
// silent misses (a pose used although more than 1 px off).
//
//   qualitybench [--good N] [--per-cell N] [--train-good N] [--train-per-cell N]
//                [--templates 5] [--scenes a,b] [--threads T] [--angle A]
//                [--area A] [--noise S] [--seed S] [--worst N] [--sensitivity S]
//                [--move M] [--defocus D] [--veil S [--veil-kind K]] [--glint-move M]
//                [--time-steps N [--time-repeats R] [--placed]]
//                [--offset O] [--knock] [--scale S] [--dump DIR]
//
// The photographs come with Debian's opencv-doc package (scripts/bench-deps
// installs it); MOJU_BENCH_IMAGES names another folder. --good defaults to
// 300 good evaluation cycles per scene; --good 1000 is the long run. Scene names starting
// with "flat" (machined faces) and "glint" (polished cavity faces whose
// highlights move and change from cycle to cycle, GlintScene.h) are
// generated (the rest of the name seeds them), as are "slide" (such faces
// whose highlights travel up to 3 px, SlideScene.h; --glint-move M sets how
// far any face's highlights travel), "grid", "cavities" and
// "dark" and "shade" (bench/PoseScenes.h), whose NG cycles' poses are
// checked too. --move moves the evaluation cycles by up to M px along x and
// y (default 10; beyond that every cycle's pose is checked and counted by
// how far it moved); --defocus blurs a defocused evaluation cycle by up to D
// (Gaussian sigma, default 0.9). --time-steps N times one engine step instead
// (TimeSteps below); --placed adds how many of those frames had their pose used.
// --offset sets the search margin around the Position ROI (default 8000: the
// whole frame); --knock shifts every evaluation cycle by one cavity's pitch
// along x, either way (420 px on scenes without cavities), as a knocked
// camera shows it; --scale enlarges every evaluation cycle by that share
// about the frame's centre (0.005: 0.5 %), as a camera moved nearer does.
// --veil S lays a smooth veil of steam over every evaluation cycle, peaking
// at S/2..S of the way to white, in shapes of kind K (SteamScene.h).
// --dump DIR writes each counted chip the README settings miss (its frame,
// and with --veil the frame unveiled and the veil) and judges it unveiled.
#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <numeric>
#include <thread>
#include <vector>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>

#include "BenchCamera.h"
#include "GlintScene.h"
#include "PoseScenes.h"
#include "SteamScene.h"
#include "SlideScene.h"
#include "inspect/CammerRecong.h"
#include "inspect/InspectHost.h"
#include "inspect/RoiRules.h"
#include "params/CammerSingleton.h"
#include "params/CammerWidgetData.h"
#include "foundation/VisionGlobals.h"

namespace {

constexpr int kW = 1920;
constexpr int kH = 1080;
const std::vector<int> kSizes = {8, 12, 16, 24, 32, 48};
// Contrasts below kCounted are fainter than the chips the caught % counts;
// where engine and peer both catch every counted chip without a false alarm,
// these rank them (a column of their own; the training never sees them).
const std::vector<int> kContrasts = {15, 20, 30, 50, 80};
constexpr size_t kCounted = 2;
// The judged area and the positioning model around it.
const cv::Rect kDefectBox(610, 330, 700, 420);
const cv::Rect kPositionBox(520, 250, 880, 580);

struct Options {
    int good = 300;  // --good 1000 for the long run
    int perCell = 30;
    int trainGood = 200;
    int trainPerCell = 10;
    std::vector<int> templateCounts = {5};
    QStringList scenes = {QStringLiteral("board"), QStringLiteral("stuff"), QStringLiteral("aloeL"),
                          QStringLiteral("blox"), QStringLiteral("building"), QStringLiteral("flat1"),
                          QStringLiteral("flat2"), QStringLiteral("glint1")};
    int threads = 4;
    int angle = 5;
    int area = 20;  // what the README asks a setter to set for chips from 8 px
    double noise = 2.5;
    int seed = 1;
    int worst = 0;  // good cycles with the largest residual to list
    int sensitivity = 0;  // judge the evaluation set at this one of kSensitivities, not the training's pick
    double move = 10;  // evaluation cycles' largest shift along x and y, px
    double defocus = 0.9;  // the largest defocus of an evaluation cycle (Gaussian sigma, px)
    bool placed = false;  // --placed: --time-steps also counts the frames whose pose was used
    int offset = 8000;  // --offset: the search margin around the Position ROI ("Offset")
    bool knock = false;  // --knock: the camera moved by one cavity's pitch (420 px where none)
    double scale = 0;  // --scale: evaluation cycles' picture scale off by this share (0.005: 0.5 %)
    Veil veil;  // --veil S [--veil-kind K]: every evaluation cycle veiled, its peak share drawn from S/2..S
    QString dump;  // --dump DIR: each counted chip missed at README settings, as frames and the veil drawn
};

class QuietHost : public InspectHost {
public:
    void insertRecord(const QString&) override {}
};

// Scene -> frame: turn about the frame centre, then shift.
struct Pose {
    double dx = 0, dy = 0, angle = 0, gain = 1, scale = 1;
    cv::Matx23d Forward() const
    {
        cv::Mat m = cv::getRotationMatrix2D(cv::Point2f(kW / 2.f, kH / 2.f), angle, scale);
        m.at<double>(0, 2) += dx;
        m.at<double>(1, 2) += dy;
        return cv::Matx23d(m);
    }
};

cv::Matx33d Full(const cv::Matx23d& a)
{
    return cv::Matx33d(a(0, 0), a(0, 1), a(0, 2), a(1, 0), a(1, 1), a(1, 2), 0, 0, 1);
}

cv::Point2d Apply(const cv::Matx33d& m, cv::Point2d p)
{
    const cv::Vec3d v = m * cv::Vec3d(p.x, p.y, 1);
    return {v[0], v[1]};
}

// cv::RNG's draws follow its seed linearly: cycles seeded a fixed step apart
// would move, light and blur in lockstep (a sweep, not a sample). The seed is
// mixed first so that every cycle draws on its own.
uint64_t CycleSeed(uint64_t x)
{
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

// `move`: the largest shift along x and along y, px.
Pose RandomPose(cv::RNG& rng, double move = 10.0)
{
    Pose p;
    p.dx = rng.uniform(-move, move);
    p.dy = rng.uniform(-move, move);
    p.angle = rng.uniform(-3.0, 3.0);
    p.gain = rng.uniform(0.85, 1.15);
    return p;
}

cv::Mat LoadScene(const QString& dir, const QString& name)
{
    const QString base = dir + QLatin1Char('/') + name;
    cv::Mat img;
    for (const char* ext : {".jpg", ".png"}) {
        img = cv::imread((base + QLatin1String(ext)).toStdString(), cv::IMREAD_GRAYSCALE);
        if (!img.empty())
            break;
    }
    if (img.empty())
        return img;
    // The widest 16:9 band, enlarged to the frame size.
    const int h = std::min(img.rows, img.cols * 9 / 16);
    const int w = h * 16 / 9;
    cv::Mat scene;
    cv::resize(img(cv::Rect((img.cols - w) / 2, (img.rows - h) / 2, w, h)), scene, cv::Size(kW, kH), 0, 0,
               cv::INTER_CUBIC);
    return scene;
}

// Sensor noise: random crops of a larger pre-drawn field.
class NoisePool {
public:
    NoisePool(double sigma, int seed)
    {
        cv::RNG rng(uint64_t(seed) * 7919u);
        field.create(kH + 256, kW + 256, CV_16SC1);
        rng.fill(field, cv::RNG::NORMAL, 0, sigma);
    }
    cv::Mat Crop(cv::RNG& rng) const { return field(cv::Rect(rng.uniform(0, 256), rng.uniform(0, 256), kW, kH)); }

private:
    cv::Mat field;
};

// What an evaluation cycle adds that the training never showed.
struct Change {
    double ramp = 0;        // grey levels at the frame's ends, +- (0 = none)
    double rampAngle = 0;   // radians
    double dim = 0;         // grey levels taken at the dimmed corner
    int corner = 0;         // 0..3
    double defocus = 0;     // Gaussian sigma in px (0 = sharp)
    double veil = 0;        // the veil's peak share (SteamScene.h)
};

// `defocus`: the largest blur of a defocused cycle (sigma, px).
Change RandomChange(cv::RNG& rng, double defocus = 0.9)
{
    Change c;
    const int kind = rng.uniform(0, 3);  // ramp, dimmed corner, both
    if (kind != 1) {
        c.ramp = rng.uniform(-12.0, 12.0);
        c.rampAngle = rng.uniform(0.0, 2 * CV_PI);
    }
    if (kind != 0) {
        c.dim = rng.uniform(4.0, 12.0);
        c.corner = rng.uniform(0, 4);
    }
    if (rng.uniform(0, 3) == 0)
        c.defocus = rng.uniform(0.4, defocus);
    return c;
}

cv::Mat Render(const cv::Mat& scene, const Pose& pose, const NoisePool& noise, cv::RNG& rng,
               const Change& change = Change())
{
    cv::Mat moved;
    cv::warpAffine(scene, moved, cv::Mat(pose.Forward()), scene.size(), cv::INTER_CUBIC, cv::BORDER_REFLECT101);
    if (change.defocus > 0)
        cv::GaussianBlur(moved, moved, cv::Size(), change.defocus);
    cv::Mat lit;
    moved.convertTo(lit, CV_16S, pose.gain);
    cv::add(lit, noise.Crop(rng), lit);
    if (change.ramp != 0 || change.dim != 0) {
        const double ca = std::cos(change.rampAngle), sa = std::sin(change.rampAngle);
        const double half = 0.5 * std::hypot(double(kW), double(kH));
        const double cornerX = (change.corner & 1) ? kW : 0, cornerY = (change.corner & 2) ? kH : 0;
        const double reach = 0.45 * kW;
        for (int y = 0; y < kH; ++y) {
            int16_t* row = lit.ptr<int16_t>(y);
            for (int x = 0; x < kW; ++x) {
                double d = change.ramp * ((x - kW / 2.0) * ca + (y - kH / 2.0) * sa) / half;
                if (change.dim != 0) {
                    const double r2 = ((x - cornerX) * (x - cornerX) + (y - cornerY) * (y - cornerY)) / (reach * reach);
                    d -= change.dim * std::exp(-r2);
                }
                row[x] = cv::saturate_cast<int16_t>(row[x] + std::lround(d));
            }
        }
    }
    cv::Mat out;
    lit.convertTo(out, CV_8U);
    return out;
}

// A machined face drawn for the benchmark: flat plates and bosses with
// straight edges, bores and grooves, a faint milling texture, slight blur.
cv::Mat GenerateFlat(int seed)
{
    cv::RNG rng(uint64_t(seed) * 104729u + 17u);
    constexpr int kUp = 4;  // drawn at 4 x with sub-pixel edges
    cv::Mat big(kH, kW, CV_8UC1, cv::Scalar(rng.uniform(90, 140)));
    auto grey = [&] { return cv::Scalar(rng.uniform(30, 220)); };
    for (int i = 0; i < 28; ++i) {
        const cv::Point2f c(float(rng.uniform(100, kW - 100)), float(rng.uniform(80, kH - 80)));
        const cv::Size2f sz(float(rng.uniform(60, 520)), float(rng.uniform(40, 360)));
        const float angle = rng.uniform(0, 3) == 0 ? float(rng.uniform(0.0, 180.0)) : 0.f;
        cv::Point2f corners[4];
        cv::RotatedRect(c, sz, angle).points(corners);
        std::vector<cv::Point> poly;
        for (const cv::Point2f& q : corners)
            poly.emplace_back(int(std::lround(q.x * kUp)), int(std::lround(q.y * kUp)));
        cv::fillConvexPoly(big, poly, grey(), cv::LINE_AA, 2);
    }
    for (int i = 0; i < 10; ++i)
        cv::circle(big, cv::Point(rng.uniform(0, kW) * kUp, rng.uniform(0, kH) * kUp), rng.uniform(12, 70) * kUp,
                   grey(), cv::FILLED, cv::LINE_AA, 2);
    for (int i = 0; i < 6; ++i) {
        const cv::Point a(rng.uniform(0, kW) * kUp, rng.uniform(0, kH) * kUp);
        const bool across = rng.uniform(0, 2) == 0;
        const cv::Point b = across ? cv::Point(a.x + rng.uniform(300, 1200) * kUp, a.y) : cv::Point(a.x, a.y + rng.uniform(200, 800) * kUp);
        cv::line(big, a, b, grey(), rng.uniform(6, 24), cv::LINE_AA, 2);  // thickness in whole px
    }
    // Milling marks: fine, low streaks along x.
    return Finish(big, rng, 6.0, 6.0, 0.8);
}

// A foreign chip: an irregular flake of `size` px across, drawn with
// anti-aliased edges at `at` (scene coordinates), `contrast` grey levels off
// the scene under it (darker or brighter, whichever fits).
void DrawChip(cv::Mat& scene, cv::Point2d at, int size, int contrast, cv::RNG& rng)
{
    constexpr int kUp = 4;
    const int side = size + 4;
    std::vector<cv::Point> poly;
    const int corners = rng.uniform(6, 10);
    const double turn = rng.uniform(0.0, 2 * CV_PI);
    for (int i = 0; i < corners; ++i) {
        const double a = turn + 2 * CV_PI * (i + rng.uniform(-0.3, 0.3)) / corners;
        const double r = size / 2.0 * (i == 0 ? 1.0 : rng.uniform(0.7, 1.0));
        poly.emplace_back(int(std::lround((side / 2.0 + r * std::cos(a)) * kUp)),
                          int(std::lround((side / 2.0 + r * std::sin(a)) * kUp)));
    }
    cv::Mat big = cv::Mat::zeros(side * kUp, side * kUp, CV_8UC1);
    cv::fillPoly(big, std::vector<std::vector<cv::Point>>{poly}, cv::Scalar(255), cv::LINE_8);
    cv::Mat cover;
    cv::resize(big, cover, cv::Size(side, side), 0, 0, cv::INTER_AREA);
    const cv::Rect r(int(at.x) - side / 2, int(at.y) - side / 2, side, side);
    cv::Mat under = scene(r);
    const double bg = cv::mean(under, cover > 127)[0];
    int sign = rng.uniform(0, 2) ? 1 : -1;
    if (bg + sign * contrast > 250 || bg + sign * contrast < 5)
        sign = -sign;
    const double grey = std::clamp(bg + sign * contrast, 0.0, 255.0);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const double a = cover.at<uchar>(y, x) / 255.0;
            uchar& px = under.at<uchar>(y, x);
            px = cv::saturate_cast<uchar>((1 - a) * px + a * (grey + rng.gaussian(2.0)));
        }
}

using Rig = BenchCamera;

Rig Train(const std::vector<cv::Mat>& templates, int sensitivity)
{
    Rig r;
    r.widget = std::make_unique<CammerWidgetData>(0);
    r.set = std::make_unique<CammerSingleton>(0);
    FrameLayout layout;
    layout.width = kW;
    layout.height = kH;
    layout.templateCount = int(templates.size());
    layout.groups = 1;
    r.widget->AllocateBuffers(layout);
    r.widget->ignorePointMask[0].assign(size_t(kW) * kH, 0);
    r.widget->templateImages[0].assign(templates.size(), FrameBytes(size_t(kW) * kH));
    r.widget->templateUsed[0].assign(templates.size(), 1);
    r.widget->templateNum[0] = int(templates.size());
    for (size_t k = 0; k < templates.size(); ++k)
        std::memcpy(r.widget->templateImages[0][k].data(), templates[k].data, size_t(kW) * kH);
    // The editor's defaults for the two codes.
    r.AddRoi(RoiCode::Position, kPositionBox, 10, 10, 10);
    r.AddRoi(RoiCode::Defect, kDefectBox, 3, sensitivity, 100);
    r.engine = std::make_unique<CammerRecong>(r.set.get(), r.widget.get());
    return r;
}

// The peer: Euclidean intensity alignment (ECC) of the positioning area onto
// the reference, gain/offset fit, absolute difference, threshold, opening,
// area. Its reference is the mean of the templates aligned the same way; its
// threshold the lowest that passes every template against the others at the
// area limit given.
class Peer {
public:
    Peer(const std::vector<cv::Mat>& templates, int area)
    {
        m_first = templates.front();
        std::vector<cv::Mat> aligned;
        for (const cv::Mat& t : templates) {
            cv::Mat a;
            if (!Align(t, a))
                a = t(kDefectBox).clone();
            aligned.push_back(a);
        }
        cv::Mat sum = cv::Mat::zeros(kDefectBox.size(), CV_32F);
        for (const cv::Mat& a : aligned)
            cv::accumulate(a, sum);
        m_reference = sum / double(aligned.size());
        m_threshold = 60;
        for (int t = 10; t < m_threshold; t += 2) {
            bool clean = true;
            for (size_t k = 0; k < aligned.size() && clean; ++k) {
                const cv::Mat others = aligned.size() == 1
                    ? sum
                    : cv::Mat((sum - cv::Mat_<float>(aligned[k])) / double(aligned.size() - 1));
                clean = AreaAbove(aligned[k], others, t) <= area;
            }
            if (clean) {
                m_threshold = t + 4;  // a margin over what the templates showed
                break;
            }
        }
    }
    // The area over the threshold; a frame it cannot align counts as huge.
    int Area(const cv::Mat& frame) const
    {
        cv::Mat a;
        if (!Align(frame, a))
            return 1 << 30;
        return AreaAbove(a, m_reference, m_threshold);
    }
    int threshold() const { return m_threshold; }

private:
    bool Align(const cv::Mat& frame, cv::Mat& out) const
    {
        // Coarse on half size, then full size, over the positioning area.
        cv::Mat warp = cv::Mat::eye(2, 3, CV_32F);
        cv::Mat t2, f2;
        cv::resize(m_first(kPositionBox), t2, cv::Size(), 0.5, 0.5, cv::INTER_AREA);
        cv::resize(frame, f2, cv::Size(), 0.5, 0.5, cv::INTER_AREA);
        warp.at<float>(0, 2) = kPositionBox.x / 2.f;
        warp.at<float>(1, 2) = kPositionBox.y / 2.f;
        try {
            cv::findTransformECC(t2, f2, warp, cv::MOTION_EUCLIDEAN,
                                 cv::TermCriteria(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 60, 1e-4), cv::noArray(),
                                 5);
            warp.at<float>(0, 2) *= 2;
            warp.at<float>(1, 2) *= 2;
            cv::findTransformECC(m_first(kPositionBox), frame, warp, cv::MOTION_EUCLIDEAN,
                                 cv::TermCriteria(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 15, 1e-5),
                                 cv::noArray(), 3);
        } catch (const cv::Exception&) {
            return false;
        }
        // warp maps positioning-box coordinates into the frame; read the judged box.
        warp.at<float>(0, 2) += warp.at<float>(0, 0) * float(kDefectBox.x - kPositionBox.x)
            + warp.at<float>(0, 1) * float(kDefectBox.y - kPositionBox.y);
        warp.at<float>(1, 2) += warp.at<float>(1, 0) * float(kDefectBox.x - kPositionBox.x)
            + warp.at<float>(1, 1) * float(kDefectBox.y - kPositionBox.y);
        cv::warpAffine(frame, out, warp, kDefectBox.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP,
                       cv::BORDER_REPLICATE);
        return true;
    }
    static int AreaAbove(const cv::Mat& img, const cv::Mat& ref, int threshold)
    {
        cv::Mat f;
        img.convertTo(f, CV_32F);
        // Lighting: a least-squares gain and offset.
        cv::Scalar mf, sf, mr, sr;
        cv::meanStdDev(f, mf, sf);
        cv::meanStdDev(ref, mr, sr);
        const double cov = cv::mean((f - mf[0]).mul(ref - mr[0]))[0];
        const double gain = sr[0] > 0 ? cov / (sr[0] * sr[0]) : 1.0;
        cv::Mat d = cv::abs(f - (ref * gain + (mf[0] - gain * mr[0])));
        cv::Mat bin = d > threshold;
        cv::morphologyEx(bin, bin, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(3, 3)));
        return cv::countNonZero(bin);
    }
    cv::Mat m_first;
    cv::Mat m_reference;
    int m_threshold = 60;
};

double Residual(const CammerRecong& engine, const InspectParams& p, const cv::Mat& frame, const cv::Matx33d& truth)
{
    double dx = 0, dy = 0, angle = 0;
    cv::Point2d centre;
    if (!engine.Position(0, p, frame, dx, dy, angle, centre))
        return -1;  // positioning reported the frame as lost
    // Aligned point of a frame point q: R(angle) (q + d - c) + c.
    const double a = angle * CV_PI / 180.0;
    double worst = 0;
    for (cv::Point2d u : {cv::Point2d(kDefectBox.tl()), cv::Point2d(kDefectBox.br()),
                          cv::Point2d(kDefectBox.x, kDefectBox.br().y), cv::Point2d(kDefectBox.br().x, kDefectBox.y)}) {
        const cv::Point2d q = Apply(truth, u) + cv::Point2d(dx, dy) - centre;
        const cv::Point2d v(std::cos(a) * q.x - std::sin(a) * q.y + centre.x, std::sin(a) * q.x + std::cos(a) * q.y + centre.y);
        worst = std::max(worst, cv::norm(v - u));
    }
    return worst;
}

// One set of cycles: good ones first, then per chip size and contrast.
struct SetSpec {
    int good = 0;
    int perCell = 0;
    uint64_t seedBase = 0;
    bool changes = false;  // lighting ramps, dimmed corners, defocus
    bool faint = false;    // also the chips below the counted contrasts
};

// What one cycle gave: per engine rig judged, the Defect ROI's area and
// whether positioning reported the frame as lost; the peer's area.
struct CycleOut {
    int cell = -1;  // -1 good
    std::vector<int> value;
    std::vector<uint8_t> lost;
    int peerArea = 0;
    double residual = -1;  // good cycles: -1 lost, else px over the judged box
    Pose pose;  // what the cycle drew, for --worst
    Change change;
    cv::Point2d chip;  // NG cycles: where the chip lies in template 0's frame
    std::vector<std::vector<cv::Rect>> marks;  // per rig, its blobs (template 0's frame), for --worst
};

// What a cycle drew (for --worst): its move, turn, gain and lighting.
void PrintDraw(const CycleOut& c)
{
    std::printf("move %+.2f %+.2f px, turn %+.2f deg, gain %.3f; ramp %+.1f at %.0f deg, dim %.1f corner %d, "
                "defocus %.2f, veil %.3f",
                c.pose.dx, c.pose.dy, c.pose.angle, c.pose.gain, c.change.ramp, c.change.rampAngle * 180 / CV_PI,
                c.change.dim, c.change.corner, c.change.defocus, c.change.veil);
}

// --dump: a missed chip's frame, the same frame without its veil (and what
// the README rig makes of that) and the veil drawn, in 1/1000 of the way to
// white, so the miss can be looked into outside the bench.
void DumpMiss(const Options& o, Rig& rig, const InspectParams& p, size_t index, const CycleOut& cy,
              const cv::Mat& frame, const cv::Mat& unveiled, const cv::Mat& field)
{
    const std::string base = QStringLiteral("%1/miss-%2").arg(o.dump).arg(index).toStdString();
    cv::imwrite(base + "-frame.png", frame);
    int bare = -1;
    if (!unveiled.empty()) {
        cv::imwrite(base + "-unveiled.png", unveiled);
        cv::Mat thousandths;
        field.convertTo(thousandths, CV_16U, 1000.0);
        cv::imwrite(base + "-veil.png", thousandths);
        cv::Mat work(kH, kW, CV_8UC1, rig.widget->workBuffer.data());
        unveiled.copyTo(work);
        rig.engine->ShapeMatch(0, p);
        CammerRecong::StepOutput out;
        rig.engine->Judge(0, p, false, out);
        bare = out.logLines.isEmpty() ? rig.widget->roiValue[0][1] : (1 << 30);
    }
    std::printf("  dumped %s: %d px chip of contrast %d at (%.0f, %.0f), area %d, without the veil %d\n", base.c_str(),
                kSizes[size_t(cy.cell) / kContrasts.size()], kContrasts[size_t(cy.cell) % kContrasts.size()], cy.chip.x,
                cy.chip.y, cy.value[0], bare);
}

struct Scene {
    cv::Mat picture;
    std::function<cv::Mat(cv::RNG&)> cycle;  // a picture drawn anew per cycle (glints), when set
    bool everyPose = false;  // NG cycles' poses checked too (scenes of repeats)
    std::vector<cv::Mat> templates;
    cv::Matx33d toScene;  // template 0 -> scene
    double knock = 0;  // evaluation cycles' extra shift along x, either way (px)
};

// Judges every cycle of a set with the rigs of `sensitivities` (one rig per
// thread and sensitivity) and, when asked, the peer.
std::vector<CycleOut> RunSet(const Options& o, const Scene& sc, const SetSpec& spec,
                             const std::vector<int>& sensitivities, const Peer* peer, bool residual)
{
    const NoisePool noise(o.noise, o.seed);
    InspectParams p = InspectHost::instance().params();
    const int threads = std::max(1, o.threads);
    std::vector<std::vector<Rig>> rigs(static_cast<size_t>(threads));
    for (auto& perThread : rigs)
        for (int sens : sensitivities)
            perThread.push_back(Train(sc.templates, sens));

    std::vector<CycleOut> cycles;
    std::vector<uint64_t> seeds;
    for (int i = 0; i < spec.good; ++i) {
        cycles.emplace_back();
        seeds.push_back(spec.seedBase + uint64_t(i));
    }
    for (size_t c = 0; c < kSizes.size() * kContrasts.size(); ++c)
        for (int i = 0; i < spec.perCell && (spec.faint || c % kContrasts.size() >= kCounted); ++i) {
            cycles.emplace_back();
            cycles.back().cell = int(c);
            seeds.push_back(spec.seedBase + 100000 + c * 1000 + size_t(i));
        }
    std::atomic<size_t> next{0};
    auto work = [&](int t) {
        for (size_t i = next++; i < cycles.size(); i = next++) {
            CycleOut& cy = cycles[i];
            cv::RNG r(CycleSeed(uint64_t(o.seed) * 7777u + seeds[i] * 31u));
            Pose pose = RandomPose(r, spec.changes ? o.move : 10.0);
            if (spec.changes && sc.knock > 0)
                pose.dx += r.uniform(0, 2) ? sc.knock : -sc.knock;
            if (spec.changes)
                pose.scale = 1 + o.scale;
            const Change change = spec.changes ? RandomChange(r, o.defocus) : Change();
            cy.pose = pose;
            cy.change = change;
            cv::Mat s = sc.cycle ? sc.cycle(r) : sc.picture;
            if (cy.cell >= 0) {
                s = s.clone();
                const int size = kSizes[size_t(cy.cell) / kContrasts.size()];
                const int contrast = kContrasts[size_t(cy.cell) % kContrasts.size()];
                const int margin = size / 2 + 20;
                const cv::Point2d u(r.uniform(kDefectBox.x + margin, kDefectBox.br().x - margin),
                                    r.uniform(kDefectBox.y + margin, kDefectBox.br().y - margin));
                DrawChip(s, Apply(sc.toScene, u), size, contrast, r);
                cy.chip = u;
            }
            cv::Mat frame = Render(s, pose, noise, r, change);
            cv::Mat unveiled, field;
            if (spec.changes && o.veil.share > 0) {
                Veil v = o.veil;
                v.share = r.uniform(0.5, 1.0) * o.veil.share;
                cy.change.veil = v.share;
                field = DrawVeilField(v, frame.size(), kDefectBox, r);
                if (!o.dump.isEmpty())
                    unveiled = frame.clone();
                ApplyVeil(frame, field);
            }
            for (Rig& rig : rigs[size_t(t)]) {
                cv::Mat work(kH, kW, CV_8UC1, rig.widget->workBuffer.data());
                frame.copyTo(work);
                rig.engine->ShapeMatch(0, p);
                CammerRecong::StepOutput out;
                rig.engine->Judge(0, p, false, out);
                // A judgement error or a lost pose holds at every limit.
                const bool held = !out.logLines.isEmpty();
                cy.value.push_back(held ? (1 << 30) : rig.widget->roiValue[0][1]);
                cy.lost.push_back(rig.widget->poseLost);
                if (o.worst > 0) {
                    const int32_t(*m)[4] = rig.widget->roiMarks[0][1];
                    cy.marks.emplace_back();
                    for (int b = 1; b <= m[0][0]; ++b)
                        cy.marks.back().emplace_back(cv::Point(m[b][0], m[b][1]), cv::Point(m[b][2], m[b][3]));
                }
            }
            if (!o.dump.isEmpty() && cy.cell >= 0 && size_t(cy.cell) % kContrasts.size() >= kCounted
                && cy.value[0] <= o.area)
                DumpMiss(o, rigs[size_t(t)].front(), p, i, cy, frame, unveiled, field);
            if (peer)
                cy.peerArea = peer->Area(frame);
            if (residual && (cy.cell < 0 || sc.everyPose))
                cy.residual = Residual(*rigs[size_t(t)].front().engine, p, frame, Full(pose.Forward()) * sc.toScene);
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(work, t);
    work(0);
    for (std::thread& th : pool)
        th.join();
    return cycles;
}

// Caught and false alarms of one judge (a rig, or the peer) at one area limit.
struct Tally {
    std::vector<int> caught, total;  // per size x contrast
    int falseAlarms = 0, good = 0;
    Tally() : caught(kSizes.size() * kContrasts.size()), total(caught.size()) {}
    int Caught() const { return Sum(caught, false); }
    int Total() const { return Sum(total, false); }
    // Counted chips larger than 20 px.
    int BigCaught() const { return Sum(caught, false, 20); }
    int BigTotal() const { return Sum(total, false, 20); }
    int FaintCaught() const { return Sum(caught, true); }
    int FaintTotal() const { return Sum(total, true); }

private:
    static int Sum(const std::vector<int>& v, bool faint, int over = 0)
    {
        int n = 0;
        for (size_t c = 0; c < v.size(); ++c)
            n += (c % kContrasts.size() < kCounted) == faint && kSizes[c / kContrasts.size()] > over ? v[c] : 0;
        return n;
    }
};

template <class AreaOf>
Tally Count(const std::vector<CycleOut>& cycles, int limit, AreaOf area)
{
    Tally t;
    for (const CycleOut& c : cycles) {
        const bool ng = area(c) > limit;
        if (c.cell < 0) {
            ++t.good;
            t.falseAlarms += ng;
        } else {
            ++t.total[size_t(c.cell)];
            t.caught[size_t(c.cell)] += ng;
        }
    }
    return t;
}

double Pct(int a, int b)
{
    return b ? 100.0 * a / b : 0.0;
}

void PrintTable(const char* title, const Tally& e, const Tally& peer)
{
    std::printf("%s: caught %% engine / peer\n  size \\ contrast", title);
    for (int c : kContrasts)
        std::printf("  %13d", c);
    std::printf("\n");
    for (size_t si = 0; si < kSizes.size(); ++si) {
        std::printf("  %4d px        ", kSizes[si]);
        for (size_t ci = 0; ci < kContrasts.size(); ++ci) {
            const size_t c = si * kContrasts.size() + ci;
            std::printf("  %5.1f / %5.1f", Pct(e.caught[c], e.total[c]), Pct(peer.caught[c], peer.total[c]));
        }
        std::printf("\n");
    }
    std::printf("  overall caught: engine %.1f %%, peer %.1f %% of %d chips; false alarms in %d good cycles: "
                "engine %d, peer %d\n",
                Pct(e.Caught(), e.Total()), Pct(peer.Caught(), peer.Total()), e.Total(), e.good, e.falseAlarms,
                peer.falseAlarms);
    if (e.FaintTotal() > 0)
        std::printf("  faint chips (contrast below %d, not counted above): engine %.1f %%, peer %.1f %% of %d\n",
                    kContrasts[kCounted], Pct(e.FaintCaught(), e.FaintTotal()), Pct(peer.FaintCaught(), peer.FaintTotal()),
                    e.FaintTotal());
}

QStringList ListArg(const QStringList& args, const QString& name, const QStringList& fallback)
{
    const int i = args.indexOf(name);
    return (i >= 0 && i + 1 < args.size()) ? args[i + 1].split(QLatin1Char(','), Qt::SkipEmptyParts) : fallback;
}

// Sensitivities a setter would try; the area limit follows from each.
const std::vector<int> kSensitivities = {45, 70, 100, 130, 160, 200};

struct Summary {
    QString scene;
    double readmeCaught = 0, chosenCaught = 0, peerCaught = 0;
    double readmeFaint = 0, chosenFaint = 0, peerFaint = 0;
    double readmeBig = 0, chosenBig = 0, peerBig = 0;
    int readmeFalse = 0, chosenFalse = 0, peerFalse = 0, good = 0;
    int chosenSens = 0, chosenArea = 0;
    double p99 = 0, maxResidual = 0;
    int lostGood = 0, silent = 0, silentNg = 0;
};

// The engine's settings for a scene: positioning on, judged group 0 only.
InspectParams UseParams(const Options& o)
{
    InspectParams p;
    p.motionCorrect = 0;
    p.angleRange = o.angle;
    p.defectArea = o.area;
    p.positionOffset = o.offset;
    p.detectOn[0] = 1;
    p.detectOn[1] = 0;
    InspectHost::instance().setParams(p);
    return p;
}

// The templates a setter teaches: the scene's first cycles, each moved and
// lit anew; `first` gets the first one's pose.
std::vector<cv::Mat> DrawTemplates(const Options& o, const cv::Mat& picture, int count,
                                   const std::function<cv::Mat(cv::RNG&)>& cycle, const NoisePool& noise,
                                   Pose* first = nullptr)
{
    cv::RNG rng(uint64_t(o.seed) * 1000003u + uint64_t(count));
    std::vector<cv::Mat> templates;
    for (int k = 0; k < count; ++k) {
        const Pose pose = RandomPose(rng);
        if (k == 0 && first)
            *first = pose;
        templates.push_back(Render(cycle ? cycle(rng) : picture, pose, noise, rng));
    }
    return templates;
}

Summary RunScene(const Options& o, const QString& name, const cv::Mat& picture, int templateCount,
                 const std::function<cv::Mat(cv::RNG&)>& cycle = {})
{
    UseParams(o);

    Scene sc;
    sc.picture = picture;
    sc.cycle = cycle;
    // Parts moved beyond the usual few pixels: every cycle's pose is checked.
    sc.everyPose = IsPoseScene(name) || o.move > 10 || o.knock;
    if (o.knock)
        sc.knock = PoseScenePitch(name).x > 0 ? PoseScenePitch(name).x : 420.0;
    const NoisePool noise(o.noise, o.seed);
    Pose first;
    sc.templates = DrawTemplates(o, picture, templateCount, cycle, noise, &first);
    sc.toScene = Full(first.Forward()).inv();

    // Training set: the settings a setter would find best on it.
    const SetSpec train{o.trainGood, o.trainPerCell, 1u << 20, false};
    const std::vector<CycleOut> tr = RunSet(o, sc, train, kSensitivities, nullptr, false);
    size_t best = 0;
    int bestLimit = 0;
    int bestCaught = -1;
    QString limits;
    for (size_t k = 0; k < kSensitivities.size(); ++k) {
        int limit = 0;
        // A cycle held by positioning no area limit can pass.
        for (const CycleOut& c : tr)
            if (c.cell < 0 && !c.lost[k])
                limit = std::max(limit, c.value[k]);
        const Tally t = Count(tr, limit, [k](const CycleOut& c) { return c.value[k]; });
        limits += QStringLiteral(" %1: %2 (%3 %),").arg(kSensitivities[k]).arg(limit).arg(Pct(t.Caught(), t.Total()), 0, 'f', 1);
        if (o.sensitivity > 0 ? kSensitivities[k] == o.sensitivity : t.Caught() > bestCaught) {
            bestCaught = t.Caught();
            best = k;
            bestLimit = limit;
        }
    }

    // Evaluation set: other cycles, with the lighting and focus changes.
    const Peer peer(sc.templates, o.area);
    const SetSpec eval{o.good, o.perCell, 1u << 24, true, true};
    const std::vector<int> judged = {45, kSensitivities[best]};
    const std::vector<CycleOut> ev = RunSet(o, sc, eval, judged, &peer, true);
    const Tally readme = Count(ev, o.area, [](const CycleOut& c) { return c.value[0]; });
    const Tally chosen = Count(ev, bestLimit, [](const CycleOut& c) { return c.value[1]; });
    const Tally peers = Count(ev, o.area, [](const CycleOut& c) { return c.peerArea; });

    std::printf("\nscene %s, %d templates: training set (%d good, %d NG) picks sensitivity %d, area limit %d "
                "(caught %.1f %% there); peer threshold %d\n",
                qPrintable(name), templateCount, o.trainGood, int(tr.size()) - o.trainGood, kSensitivities[best],
                bestLimit, Pct(bestCaught, int(tr.size()) - o.trainGood), peer.threshold());
    limits.chop(1);
    std::printf("  training set's largest good area by sensitivity (caught at it):%s%s\n", qPrintable(limits),
                o.sensitivity > 0 ? "; the sensitivity judged is --sensitivity's" : "");
    const QByteArray t1 = QStringLiteral("  evaluation set, README settings (sensitivity 45, area %1)").arg(o.area).toUtf8();
    PrintTable(t1.constData(), readme, peers);
    const QByteArray t2 = QStringLiteral("  evaluation set, chosen settings (sensitivity %1, area %2)")
                              .arg(kSensitivities[best]).arg(bestLimit).toUtf8();
    PrintTable(t2.constData(), chosen, peers);
    // The margin of the chosen limit: the largest good area the evaluation
    // set gave at the chosen sensitivity (cycles held by positioning aside).
    int evalMaxGood = 0;
    for (const CycleOut& c : ev)
        if (c.cell < 0 && !c.lost[1])
            evalMaxGood = std::max(evalMaxGood, c.value[1]);
    std::printf("  largest good area at sensitivity %d: training %d (the limit), evaluation %d\n", kSensitivities[best],
                bestLimit, evalMaxGood);

    Summary sum;
    sum.scene = name;
    sum.readmeCaught = Pct(readme.Caught(), readme.Total());
    sum.chosenCaught = Pct(chosen.Caught(), chosen.Total());
    sum.peerCaught = Pct(peers.Caught(), peers.Total());
    sum.readmeFaint = Pct(readme.FaintCaught(), readme.FaintTotal());
    sum.chosenFaint = Pct(chosen.FaintCaught(), chosen.FaintTotal());
    sum.peerFaint = Pct(peers.FaintCaught(), peers.FaintTotal());
    sum.readmeBig = Pct(readme.BigCaught(), readme.BigTotal());
    sum.chosenBig = Pct(chosen.BigCaught(), chosen.BigTotal());
    sum.peerBig = Pct(peers.BigCaught(), peers.BigTotal());
    sum.readmeFalse = readme.falseAlarms;
    sum.chosenFalse = chosen.falseAlarms;
    sum.peerFalse = peers.falseAlarms;
    sum.good = readme.good;
    sum.chosenSens = kSensitivities[best];
    sum.chosenArea = bestLimit;
    std::vector<double> res;
    int lostNg = 0;
    for (const CycleOut& c : ev) {
        if (c.cell >= 0) {
            lostNg += c.lost[0] != 0;
            sum.silentNg += c.residual > 1.0;
            continue;
        }
        if (c.residual < 0)
            ++sum.lostGood;
        else
            res.push_back(c.residual);
        sum.silent += c.residual > 1.0;
    }
    std::sort(res.begin(), res.end());
    if (o.worst > 0) {
        // And the counted chips missed, at either setting.
        for (const CycleOut& c : ev) {
            if (c.cell < 0 || size_t(c.cell) % kContrasts.size() < kCounted)
                continue;
            const bool missReadme = c.value[0] <= o.area, missChosen = c.value[1] <= bestLimit;
            if (!missReadme && !missChosen)
                continue;
            std::printf("  missed %d px chip of contrast %d at (%.0f, %.0f): area %d (README) / %d (chosen)%s; peer %d; ",
                        kSizes[size_t(c.cell) / kContrasts.size()], kContrasts[size_t(c.cell) % kContrasts.size()],
                        c.chip.x, c.chip.y, c.value[0], c.value[1], c.lost[0] ? ", lost" : "", c.peerArea);
            PrintDraw(c);
            std::printf("\n");
        }
        // The false alarms at either setting: where, and how far the pose was off.
        for (const CycleOut& c : ev) {
            if (c.cell >= 0 || (c.value[0] <= o.area && c.value[1] <= bestLimit))
                continue;
            std::printf("  false alarm: area %d (README) / %d (chosen), residual %.3f px; ", c.value[0], c.value[1],
                        c.residual);
            PrintDraw(c);
            std::printf("; blobs");
            for (size_t k = 0; k < c.marks.size(); ++k) {
                std::printf(" %s:", k == 0 ? "README" : "chosen");
                for (const cv::Rect& b : c.marks[k])
                    std::printf(" %dx%d at (%d, %d)", b.width, b.height, b.x, b.y);
            }
            std::printf("\n");
        }
        // Cycles used with a pose more than 1 px off: how far they moved.
        for (const CycleOut& c : ev)
            if (c.residual > 1.0) {
                std::printf("  used %.1f px off (%s): ", c.residual, c.cell < 0 ? "good" : "NG");
                PrintDraw(c);
                std::printf("\n");
            }
        // Which draws the worst residuals come from.
        std::vector<const CycleOut*> good;
        for (const CycleOut& c : ev)
            if (c.cell < 0 && c.residual >= 0)
                good.push_back(&c);
        std::sort(good.begin(), good.end(), [](const CycleOut* a, const CycleOut* b) { return a->residual > b->residual; });
        for (size_t i = 0; i < good.size() && int(i) < o.worst; ++i) {
            const CycleOut& c = *good[i];
            std::printf("  residual %.3f px: ", c.residual);
            PrintDraw(c);
            std::printf("\n");
        }
    }
    if (!res.empty()) {
        const size_t m = res.size();
        sum.p99 = res[std::min(m - 1, m * 99 / 100)];
        sum.maxResidual = res.back();
        std::printf("  positioning residual over the judged box (good cycles it used): median %.3f px, 90th %.3f, "
                    "99th %.3f, max %.3f\n",
                    res[m / 2], res[m * 9 / 10], sum.p99, sum.maxResidual);
    }
    std::printf("  positioning reported lost: %d of %d good cycles, %d NG cycles; silent misses (used, > 1 px off): %d",
                sum.lostGood, readme.good, lostNg, sum.silent);
    if (sc.everyPose)
        std::printf(" good, %d NG", sum.silentNg);
    std::printf("\n");
    // Held as moved (camera or mould) or as scaled, not as uncertain.
    int moved[2] = {}, scaled[2] = {};
    for (const CycleOut& c : ev) {
        moved[c.cell >= 0] += c.lost[0] == CammerWidgetData::PoseMoved;
        scaled[c.cell >= 0] += c.lost[0] == CammerWidgetData::PoseScaled;
    }
    std::printf("  held as camera or mould moved: %d good, %d NG cycles%s; as scale changed: %d good, %d NG\n", moved[0],
                moved[1], sc.knock > 0 ? qPrintable(QStringLiteral(" (knocked by %1 px)").arg(sc.knock)) : "", scaled[0],
                scaled[1]);
    if (o.move > 10) {
        // By how far the part moved from where it was taught: placed right,
        // held, used more than 1 px off (on a repeat or a wrong place).
        const double edges[] = {10, 20, 32, 45, 60, 1e9};
        std::printf("  by shift from the taught place: placed right / held / used > 1 px off\n");
        double from = 0;
        for (double to : edges) {
            int right = 0, held = 0, wrong = 0;
            for (const CycleOut& c : ev) {
                const double d = std::hypot(c.pose.dx, c.pose.dy);
                if (d < from || d >= to)
                    continue;
                right += c.residual >= 0 && c.residual <= 1.0;
                held += c.residual < 0;
                wrong += c.residual > 1.0;
            }
            if (right + held + wrong > 0)
                std::printf("    %2.0f-%-3.0f px: %d / %d / %d\n", from, std::min(to, o.move * std::sqrt(2.0)), right, held,
                            wrong);
            from = to;
        }
    }
    std::fflush(stdout);
    return sum;
}

// --time-steps N: one engine step (positioning and judgement of one camera,
// one thread) timed on N good cycles of the scene and on N frames of the
// same face with the part missing (a uniform face at the scene's mean grey,
// lit and noisy like a cycle). Each frame is stepped --time-repeats times and
// its fastest step kept; prints the median and spread per kind of frame and
// how many positioning held.
void TimeSteps(const Options& o, const QString& name, const cv::Mat& picture, int templateCount, int steps,
               int repeats, const std::function<cv::Mat(cv::RNG&)>& cycle)
{
    const InspectParams p = UseParams(o);
    const NoisePool noise(o.noise, o.seed);
    Rig rig = Train(DrawTemplates(o, picture, templateCount, cycle, noise), 45);
    const cv::Mat empty(kH, kW, CV_8UC1, cv::Scalar(cv::mean(picture)[0]));
    for (const bool missing : {false, true}) {
        std::vector<double> all, shape, held, placed;
        int heldCount = 0, usedCount = 0;
        for (int i = 0; i < steps; ++i) {
            cv::RNG r(CycleSeed(uint64_t(o.seed) * 7777u + (1u << 24) + uint64_t(i) * 31u));
            const Pose pose = RandomPose(r, o.move);
            const cv::Mat frame = Render(missing ? empty : (cycle ? cycle(r) : picture), pose, noise, r);
            double best = 1e30, bestShape = 1e30;
            bool wasHeld = false;
            for (int k = 0; k < std::max(1, repeats); ++k) {
                cv::Mat work(kH, kW, CV_8UC1, rig.widget->workBuffer.data());
                frame.copyTo(work);
                const int64 t0 = cv::getTickCount();
                rig.engine->ShapeMatch(0, p);
                const int64 t1 = cv::getTickCount();
                CammerRecong::StepOutput out;
                rig.engine->Judge(0, p, false, out);
                const int64 t2 = cv::getTickCount();
                const double f = 1000.0 / cv::getTickFrequency();
                if ((t2 - t0) * f < best) {
                    best = (t2 - t0) * f;
                    bestShape = (t1 - t0) * f;
                }
                wasHeld = !out.logLines.isEmpty() || rig.widget->poseLost;
            }
            all.push_back(best);
            shape.push_back(bestShape);
            (wasHeld ? held : placed).push_back(best);
            heldCount += wasHeld;
            usedCount += rig.engine->HasModel(0) && !rig.widget->poseLost;
        }
        auto median = [](std::vector<double> v) {
            if (v.empty())
                return 0.0;
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        std::printf("time %-10s %-7s: step median %8.1f ms (min %.1f, max %.1f), positioning %8.1f ms; held %d of %d "
                    "(held median %.1f ms, placed median %.1f ms)\n",
                    qPrintable(name), missing ? "missing" : "part", median(all),
                    *std::min_element(all.begin(), all.end()), *std::max_element(all.begin(), all.end()),
                    median(shape), heldCount, steps, median(held), median(placed));
        if (o.placed)
            std::printf("placed %-10s %-7s: pose used on %d of %d frames\n", qPrintable(name), missing ? "missing" : "part",
                        usedCount, steps);
        std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto num = [&](const QString& name, double fallback) {
        const int i = args.indexOf(name);
        return (i >= 0 && i + 1 < args.size()) ? args[i + 1].toDouble() : fallback;
    };
    Options o;
    o.good = int(num(QStringLiteral("--good"), o.good));
    o.perCell = int(num(QStringLiteral("--per-cell"), o.perCell));
    o.trainGood = int(num(QStringLiteral("--train-good"), o.trainGood));
    o.trainPerCell = int(num(QStringLiteral("--train-per-cell"), o.trainPerCell));
    o.threads = int(num(QStringLiteral("--threads"), o.threads));
    o.angle = int(num(QStringLiteral("--angle"), o.angle));
    o.area = int(num(QStringLiteral("--area"), o.area));
    o.noise = num(QStringLiteral("--noise"), o.noise);
    o.seed = int(num(QStringLiteral("--seed"), o.seed));
    o.worst = int(num(QStringLiteral("--worst"), o.worst));
    o.sensitivity = int(num(QStringLiteral("--sensitivity"), o.sensitivity));
    o.move = num(QStringLiteral("--move"), o.move);
    o.defocus = num(QStringLiteral("--defocus"), o.defocus);
    o.scenes = ListArg(args, QStringLiteral("--scenes"), o.scenes);
    o.placed = args.contains(QStringLiteral("--placed"));
    o.offset = int(num(QStringLiteral("--offset"), o.offset));
    o.knock = args.contains(QStringLiteral("--knock"));
    o.scale = num(QStringLiteral("--scale"), o.scale);
    o.veil.share = num(QStringLiteral("--veil"), 0);
    o.veil.kind = int(num(QStringLiteral("--veil-kind"), 1));
    {
        const int i = args.indexOf(QStringLiteral("--dump"));
        if (i >= 0 && i + 1 < args.size())
            o.dump = args[i + 1];
    }
    o.templateCounts.clear();
    for (const QString& t : ListArg(args, QStringLiteral("--templates"), {QStringLiteral("5")}))
        o.templateCounts.push_back(std::max(1, t.toInt()));

    cv::setNumThreads(1);
    gImageW = gShowW = kW;
    gImageH = gShowH = kH;
    QuietHost host;
    InspectHost::setInstance(&host);
    const QString dir = qEnvironmentVariableIsSet("MOJU_BENCH_IMAGES")
        ? qEnvironmentVariable("MOJU_BENCH_IMAGES")
        : QStringLiteral("/usr/share/doc/opencv-doc/examples/data");

    std::printf("evaluation: %d good cycles per scene, %d NG cycles per size and contrast; training: %d good, %d per "
                "cell; angle range %d, README area limit %d, noise sigma %.1f\n",
                o.good, o.perCell, o.trainGood, o.trainPerCell, o.angle, o.area, o.noise);
    std::vector<Summary> all;
    const int timeSteps = int(num(QStringLiteral("--time-steps"), 0));
    for (const QString& name : o.scenes) {
        std::unique_ptr<GlintScene> glint;
        if (name.startsWith(QLatin1String("glint")))
            glint = std::make_unique<GlintScene>(name.mid(5).toInt(), cv::Size(kW, kH), kPositionBox);
        else if (name.startsWith(QLatin1String("slide")))
            glint = SlideScene(name.mid(5).toInt(), cv::Size(kW, kH), kPositionBox);
        if (glint && args.contains(QStringLiteral("--glint-move")))
            glint->shift = num(QStringLiteral("--glint-move"), glint->shift);
        cv::Mat scene = glint ? glint->Still() : PoseScene(name);
        if (scene.empty())
            scene = name.startsWith(QLatin1String("flat")) ? GenerateFlat(name.mid(4).toInt()) : LoadScene(dir, name);
        if (scene.empty()) {
            std::fprintf(stderr, "no picture %s in %s (scripts/bench-deps installs them)\n", qPrintable(name),
                         qPrintable(dir));
            return 2;
        }
        if (timeSteps > 0) {
            TimeSteps(o, name, scene, o.templateCounts.front(), timeSteps, int(num(QStringLiteral("--time-repeats"), 3)),
                      glint ? [&](cv::RNG& r) { return glint->Cycle(r); } : std::function<cv::Mat(cv::RNG&)>());
            continue;
        }
        for (int t : o.templateCounts)
            all.push_back(RunScene(o, name, scene, t,
                                   glint ? [&](cv::RNG& r) { return glint->Cycle(r); } : std::function<cv::Mat(cv::RNG&)>()));
    }
    if (timeSteps > 0)
        return 0;
    std::printf("\nsummary (evaluation sets): caught %% / false alarms in good cycles\n"
                "  scene        README settings   chosen settings (sens, area)   peer           residual 99th / max   "
                "lost good   silent misses   faint chips caught: README / chosen / peer   over 20 px: README / chosen / peer\n");
    for (const Summary& s : all)
        std::printf("  %-10s  %5.1f %% / %-4d     %5.1f %% / %-4d (%d, %d)%*s %5.1f %% / %-4d   %.3f / %.3f px   %-9d   "
                    "%-13d   %5.1f / %5.1f / %5.1f %%                   %5.1f / %5.1f / %5.1f %%\n",
                    qPrintable(s.scene), s.readmeCaught, s.readmeFalse, s.chosenCaught, s.chosenFalse, s.chosenSens,
                    s.chosenArea, 6, "", s.peerCaught, s.peerFalse, s.p99, s.maxResidual, s.lostGood, s.silent,
                    s.readmeFaint, s.chosenFaint, s.peerFaint, s.readmeBig, s.chosenBig, s.peerBig);
    return 0;
}
