// Detection quality of the engine on real photographs used as mould scenes
// (1920x1080 grey): good cycles moved by up to +-10 px, turned by up to
// +-3 degrees, with a gain of +-15 % and sensor noise; NG cycles carry a
// foreign chip of several sizes and contrasts inside the judged area. The
// engine is trained as a setter would train it (one Position ROI and one
// Defect ROI, the first good cycles as templates) and judges every cycle;
// a plain peer (intensity alignment, absolute difference, threshold,
// opening, area) judges the same frames. Prints caught % by chip size and
// contrast, false alarms and the positioning residual.
//
//   qualitybench [--good N] [--per-cell N] [--templates 5,10] [--scenes a,b]
//                [--threads T] [--angle A] [--area A] [--noise S] [--seed S]
//
// The photographs come with Debian's opencv-doc package
// (scripts/bench-deps installs it); MOJU_BENCH_IMAGES names another folder.
#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>

#include "BenchCamera.h"
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
const std::vector<int> kContrasts = {30, 50, 80};
// The judged area and the positioning model around it.
const cv::Rect kDefectBox(610, 330, 700, 420);
const cv::Rect kPositionBox(520, 250, 880, 580);

struct Options {
    int good = 1000;
    int perCell = 30;
    std::vector<int> templateCounts = {5, 10};
    QStringList scenes = {QStringLiteral("board"), QStringLiteral("stuff"), QStringLiteral("aloeL")};
    int threads = 4;
    int angle = 5;
    int area = 20;  // what the README asks a setter to set for chips from 8 px
    double noise = 2.5;
    int seed = 1;
};

class QuietHost : public InspectHost {
public:
    void insertRecord(const QString&) override {}
};

// Scene -> frame: turn about the frame centre, then shift.
struct Pose {
    double dx = 0, dy = 0, angle = 0, gain = 1;
    cv::Matx23d Forward() const
    {
        cv::Mat m = cv::getRotationMatrix2D(cv::Point2f(kW / 2.f, kH / 2.f), angle, 1.0);
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

Pose RandomPose(cv::RNG& rng)
{
    Pose p;
    p.dx = rng.uniform(-10.0, 10.0);
    p.dy = rng.uniform(-10.0, 10.0);
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

cv::Mat Render(const cv::Mat& scene, const Pose& pose, const NoisePool& noise, cv::RNG& rng)
{
    cv::Mat moved;
    cv::warpAffine(scene, moved, cv::Mat(pose.Forward()), scene.size(), cv::INTER_CUBIC, cv::BORDER_REFLECT101);
    cv::Mat lit;
    moved.convertTo(lit, CV_16S, pose.gain);
    cv::add(lit, noise.Crop(rng), lit);
    cv::Mat out;
    lit.convertTo(out, CV_8U);
    return out;
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

Rig Train(const std::vector<cv::Mat>& templates)
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
    r.AddRoi(RoiCode::Defect, kDefectBox, 3, 45, 100);
    r.engine = std::make_unique<CammerRecong>(r.set.get(), r.widget.get());
    return r;
}

// The peer: Euclidean intensity alignment (ECC) of the positioning area onto
// the reference, gain/offset fit, absolute difference, threshold, opening,
// area. Its reference is the mean of the templates aligned the same way; its
// threshold the lowest that passes every template against the others.
class Peer {
public:
    Peer(const std::vector<cv::Mat>& templates, const std::vector<int>& areas)
        : m_areas(areas)
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
        for (int area : m_areas) {
            int chosen = 60;
            for (int t = 10; t < chosen; t += 2) {
                bool clean = true;
                for (size_t k = 0; k < aligned.size() && clean; ++k) {
                    const cv::Mat others = aligned.size() == 1
                        ? sum
                        : cv::Mat((sum - cv::Mat_<float>(aligned[k])) / double(aligned.size() - 1));
                    clean = AreaAbove(aligned[k], others, t) <= area;
                }
                if (clean) {
                    chosen = t + 4;  // a margin over what the templates showed
                    break;
                }
            }
            m_thresholds.push_back(chosen);
        }
    }
    // Per area limit: NG?
    std::vector<bool> Judge(const cv::Mat& frame) const
    {
        std::vector<bool> ng(m_areas.size(), true);
        cv::Mat a;
        if (!Align(frame, a))
            return ng;
        for (size_t i = 0; i < m_areas.size(); ++i)
            ng[i] = AreaAbove(a, m_reference, m_thresholds[i]) > m_areas[i];
        return ng;
    }
    int threshold(size_t i) const { return m_thresholds[i]; }

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
    std::vector<int> m_areas;
    std::vector<int> m_thresholds;
};

// Counts of one area limit.
struct Tally {
    std::vector<int> engineCaught, peerCaught, total;  // per size x contrast
    int engineFalse = 0, peerFalse = 0, good = 0;
    Tally() : engineCaught(kSizes.size() * kContrasts.size()), peerCaught(engineCaught.size()), total(engineCaught.size()) {}
    void Add(const Tally& t)
    {
        for (size_t c = 0; c < total.size(); ++c) {
            total[c] += t.total[c];
            engineCaught[c] += t.engineCaught[c];
            peerCaught[c] += t.peerCaught[c];
        }
        engineFalse += t.engineFalse;
        peerFalse += t.peerFalse;
        good += t.good;
    }
};

double Residual(const CammerRecong& engine, const InspectParams& p, const cv::Mat& frame, const cv::Matx33d& truth)
{
    double dx = 0, dy = 0, angle = 0;
    cv::Point2d centre;
    if (!engine.Position(0, p, frame, dx, dy, angle, centre))
        return 1e9;
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

// One scene and template count: every cycle judged by the engine and the
// peer; results per area limit (areas[0] is the one the engine runs with).
struct SceneResult {
    std::vector<Tally> byArea;
    std::vector<double> residual;
    std::vector<int> peerThreshold;
};

SceneResult RunScene(const Options& o, const cv::Mat& scene, int templateCount, const std::vector<int>& areas)
{
    const NoisePool noise(o.noise, o.seed);
    InspectParams p;
    p.motionCorrect = 0;
    p.angleRange = o.angle;
    p.defectArea = areas.front();
    p.detectOn[0] = 1;
    p.detectOn[1] = 0;
    InspectHost::instance().setParams(p);

    // Templates: the first good cycles.
    cv::RNG rng(uint64_t(o.seed) * 1000003u + uint64_t(templateCount));
    std::vector<cv::Mat> templates;
    Pose first;
    for (int k = 0; k < templateCount; ++k) {
        const Pose pose = RandomPose(rng);
        if (k == 0)
            first = pose;
        templates.push_back(Render(scene, pose, noise, rng));
    }
    const cv::Matx33d toScene = Full(first.Forward()).inv();  // template 0 -> scene

    const int threads = std::max(1, o.threads);
    std::vector<Rig> rigs;
    for (int t = 0; t < threads; ++t)
        rigs.push_back(Train(templates));
    const Peer peer(templates, areas);

    // Cycles: good ones first, then per size and contrast.
    struct Cycle {
        int cell = -1;  // -1 good
        uint64_t seed;
    };
    std::vector<Cycle> cycles;
    for (int i = 0; i < o.good; ++i)
        cycles.push_back({-1, uint64_t(i)});
    for (size_t c = 0; c < kSizes.size() * kContrasts.size(); ++c)
        for (int i = 0; i < o.perCell; ++i)
            cycles.push_back({int(c), uint64_t(100000 + c * 1000 + size_t(i))});

    std::vector<SceneResult> parts(static_cast<size_t>(threads));
    for (SceneResult& r : parts)
        r.byArea.assign(areas.size(), Tally());
    std::atomic<size_t> next{0};
    auto work = [&](int t) {
        Rig& rig = rigs[size_t(t)];
        SceneResult& part = parts[size_t(t)];
        cv::Mat work(kH, kW, CV_8UC1, rig.widget->workBuffer.data());
        for (size_t i = next++; i < cycles.size(); i = next++) {
            const Cycle& cy = cycles[i];
            cv::RNG r(uint64_t(o.seed) * 7777u + cy.seed * 31u + uint64_t(templateCount));
            const Pose pose = RandomPose(r);
            cv::Mat s = scene;
            if (cy.cell >= 0) {
                s = scene.clone();
                const int size = kSizes[size_t(cy.cell) / kContrasts.size()];
                const int contrast = kContrasts[size_t(cy.cell) % kContrasts.size()];
                const int margin = size / 2 + 20;
                const cv::Point2d u(r.uniform(kDefectBox.x + margin, kDefectBox.br().x - margin),
                                    r.uniform(kDefectBox.y + margin, kDefectBox.br().y - margin));
                DrawChip(s, Apply(toScene, u), size, contrast, r);
            }
            const cv::Mat frame = Render(s, pose, noise, r);
            frame.copyTo(work);
            rig.engine->ShapeMatch(0, p);
            CammerRecong::StepOutput out;
            rig.engine->Judge(0, p, false, out);
            // The Defect ROI's area decides; a judgement error holds at every limit.
            const int value = rig.widget->roiValue[0][1];
            const bool error = !out.logLines.isEmpty();
            const std::vector<bool> peerNg = peer.Judge(frame);
            for (size_t a = 0; a < areas.size(); ++a) {
                const bool engineNg = error || value > areas[a];
                Tally& tally = part.byArea[a];
                if (cy.cell < 0) {
                    ++tally.good;
                    tally.engineFalse += engineNg;
                    tally.peerFalse += peerNg[a];
                } else {
                    ++tally.total[size_t(cy.cell)];
                    tally.engineCaught[size_t(cy.cell)] += engineNg;
                    tally.peerCaught[size_t(cy.cell)] += peerNg[a];
                }
            }
            if (cy.cell < 0)
                part.residual.push_back(Residual(*rig.engine, p, frame, Full(pose.Forward()) * toScene));
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(work, t);
    work(0);
    for (std::thread& th : pool)
        th.join();

    SceneResult all;
    all.byArea.assign(areas.size(), Tally());
    for (const SceneResult& part : parts) {
        for (size_t a = 0; a < areas.size(); ++a)
            all.byArea[a].Add(part.byArea[a]);
        all.residual.insert(all.residual.end(), part.residual.begin(), part.residual.end());
    }
    for (size_t a = 0; a < areas.size(); ++a)
        all.peerThreshold.push_back(peer.threshold(a));
    std::sort(all.residual.begin(), all.residual.end());
    return all;
}

double Pct(int a, int b)
{
    return b ? 100.0 * a / b : 0.0;
}

void PrintTable(const char* title, const Tally& t)
{
    std::printf("%s: caught %% engine / peer\n  size \\ contrast", title);
    for (int c : kContrasts)
        std::printf("  %13d", c);
    std::printf("\n");
    int ec = 0, pc = 0, n = 0;
    for (size_t si = 0; si < kSizes.size(); ++si) {
        std::printf("  %4d px        ", kSizes[si]);
        for (size_t ci = 0; ci < kContrasts.size(); ++ci) {
            const size_t c = si * kContrasts.size() + ci;
            std::printf("  %5.1f / %5.1f", Pct(t.engineCaught[c], t.total[c]), Pct(t.peerCaught[c], t.total[c]));
            ec += t.engineCaught[c];
            pc += t.peerCaught[c];
            n += t.total[c];
        }
        std::printf("\n");
    }
    std::printf("  overall caught: engine %.1f %%, peer %.1f %% of %d chips; false alarms in %d good cycles: "
                "engine %d, peer %d\n",
                Pct(ec, n), Pct(pc, n), n, t.good, t.engineFalse, t.peerFalse);
}

QStringList ListArg(const QStringList& args, const QString& name, const QStringList& fallback)
{
    const int i = args.indexOf(name);
    return (i >= 0 && i + 1 < args.size()) ? args[i + 1].split(QLatin1Char(','), Qt::SkipEmptyParts) : fallback;
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
    o.threads = int(num(QStringLiteral("--threads"), o.threads));
    o.angle = int(num(QStringLiteral("--angle"), o.angle));
    o.area = int(num(QStringLiteral("--area"), o.area));
    o.noise = num(QStringLiteral("--noise"), o.noise);
    o.seed = int(num(QStringLiteral("--seed"), o.seed));
    o.scenes = ListArg(args, QStringLiteral("--scenes"), o.scenes);
    o.templateCounts.clear();
    for (const QString& t : ListArg(args, QStringLiteral("--templates"), {QStringLiteral("5"), QStringLiteral("10")}))
        o.templateCounts.push_back(std::max(1, t.toInt()));

    cv::setNumThreads(1);
    gImageW = gShowW = kW;
    gImageH = gShowH = kH;
    QuietHost host;
    InspectHost::setInstance(&host);
    const QString dir = qEnvironmentVariableIsSet("MOJU_BENCH_IMAGES")
        ? qEnvironmentVariable("MOJU_BENCH_IMAGES")
        : QStringLiteral("/usr/share/doc/opencv-doc/examples/data");

    std::vector<int> areas = {o.area};
    if (o.area != 100)
        areas.push_back(100);  // the stored default, for comparison
    std::printf("good cycles %d per scene and template count, NG cycles %d per size and contrast, angle range %d, "
                "Defect area limit %d, noise sigma %.1f\n",
                o.good, o.perCell, o.angle, o.area, o.noise);
    std::vector<Tally> total(areas.size(), Tally());
    std::vector<double> residual;
    for (const QString& name : o.scenes) {
        const cv::Mat scene = LoadScene(dir, name);
        if (scene.empty()) {
            std::fprintf(stderr, "no picture %s in %s (scripts/bench-deps installs them)\n", qPrintable(name),
                         qPrintable(dir));
            return 2;
        }
        for (int t : o.templateCounts) {
            const SceneResult r = RunScene(o, scene, t, areas);
            const QByteArray title = QStringLiteral("\nscene %1, %2 templates, area %3 (peer threshold %4)")
                                         .arg(name).arg(t).arg(areas[0]).arg(r.peerThreshold[0]).toUtf8();
            PrintTable(title.constData(), r.byArea[0]);
            for (size_t a = 1; a < areas.size(); ++a)
                std::printf("  with area %d: see the summary\n", areas[a]);
            const size_t m = r.residual.size();
            if (m)
                std::printf("  positioning residual over the judged box: median %.3f px, 90th %.3f, max %.3f\n",
                            r.residual[m / 2], r.residual[m * 9 / 10], r.residual.back());
            for (size_t a = 0; a < areas.size(); ++a)
                total[a].Add(r.byArea[a]);
            residual.insert(residual.end(), r.residual.begin(), r.residual.end());
            std::fflush(stdout);
        }
    }
    for (size_t a = 0; a < areas.size(); ++a) {
        const QByteArray title = QStringLiteral("\nall scenes and template counts, area %1").arg(areas[a]).toUtf8();
        PrintTable(title.constData(), total[a]);
    }
    std::sort(residual.begin(), residual.end());
    if (!residual.empty())
        std::printf("positioning residual over the judged box, all good cycles: median %.3f px, 90th %.3f, max %.3f\n",
                    residual[residual.size() / 2], residual[residual.size() * 9 / 10], residual.back());
    return 0;
}
