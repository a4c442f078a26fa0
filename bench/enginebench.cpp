// Times one detection step (positioning and judgement) of eight grey 1920x1080
// cameras with 50 ROIs each, on 1 and on 2 threads, with angleRange 0 and 30,
// on good frames and on NG frames (a foreign object in every fourth ROI); the
// training of all cameras; and the yardstick: one memcpy pass over eight
// frames that are not in the cache (copied from and to pools larger than
// twice the last-level cache), beside the same pass over cached frames.
// Medians and minimums of both, the ratio against the cold pass, a digest of
// every verdict and value (to compare builds) and the allocations per step.
//
//   enginebench [--threads N] [--angle A] [--steps S] [--cv-threads T]
//               [--breakdown] [--verbose] [--dx X --dy Y] [--noise N]
//               [--model-w W --model-h H] [--frames good|ng]
// --threads, --angle and --frames restrict the run to one value; --breakdown
// prints where the step's time goes: per stage summed over all cameras and
// threads (with the allocations each makes), per camera and thread on the
// last thread count (the balance), and camera 0 by function code timed
// alone; --verbose checks the alignment of camera 0 and probes the
// positioning model directly.
// For the panel's two cores: taskset -c 0,1 enginebench
#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <ctime>
#include <unistd.h>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "BenchCamera.h"
#include "inspect/CammerRecong.h"
#include "inspect/InspectHost.h"
#include "inspect/InspectStep.h"
#include "inspect/ParamRoi.h"
#include "inspect/RoiRules.h"
#include "inspect/StepWorkers.h"
#include "params/CammerSingleton.h"
#include "params/CammerWidgetData.h"
#include "foundation/VisionGlobals.h"
#include "platform/vision/StageClock.h"

// Allocations are counted by standing in for glibc's allocator entry points
// (not under the sanitizers, which bring their own).
std::atomic<long> gAllocations{0};
thread_local long tAllocations = 0;  // the calling thread's, for the breakdown
long ThreadAllocations()
{
    return tAllocations;
}
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && defined(__GLIBC__)
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void* malloc(size_t n)
{
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    ++tAllocations;
    return __libc_malloc(n);
}
void* calloc(size_t a, size_t b)
{
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    ++tAllocations;
    return __libc_calloc(a, b);
}
void* realloc(void* p, size_t n)
{
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    ++tAllocations;
    return __libc_realloc(p, n);
}
void* memalign(size_t align, size_t n)
{
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    ++tAllocations;
    return __libc_memalign(align, n);
}
void* aligned_alloc(size_t align, size_t n)
{
    return memalign(align, n);
}
int posix_memalign(void** out, size_t align, size_t n)
{
    *out = memalign(align, n);
    return *out ? 0 : ENOMEM;
}
}
#define MOJU_COUNTS_ALLOCATIONS 1
#endif

namespace {
double gNoise = 2;
// How far the parts sit from the taught place; a fraction of a pixel makes
// the warp blend instead of copy.
double gShiftX = 5;
double gShiftY = -3;
constexpr int kW = 1920;
constexpr int kH = 1080;
constexpr int kCameras = 8;
constexpr int kTemplates = 10;

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

class QuietHost : public InspectHost {
public:
    void insertRecord(const QString&) override { ++errors; }
    int errors = 0;
};

// A mould-like scene: parts with edges, holes and text-like marks on a shaded plate.
cv::Mat Scene(int seed)
{
    cv::Mat m(kH, kW, CV_8UC1);
    for (int y = 0; y < kH; ++y)
        m.row(y).setTo(60 + y * 40 / kH);
    cv::RNG rng(static_cast<uint64_t>(seed));
    // Cells differ a little from each other (as cavities of a real mould do),
    // so the positioning model has one best place.
    cv::RNG layout(7);
    for (int gy = 0; gy < 6; ++gy)
        for (int gx = 0; gx < 12; ++gx) {
            const cv::Point o(gx * 160 + 10 + layout.uniform(-6, 7), gy * 180 + 20 + layout.uniform(-6, 7));
            const int r = 18 + layout.uniform(0, 12);
            const int bar = 40 + layout.uniform(0, 50);
            cv::rectangle(m, cv::Rect(o.x + 15, o.y + 15, 120, 110), cv::Scalar(170), cv::FILLED);
            cv::circle(m, o + cv::Point(75, 70), r, cv::Scalar(30), cv::FILLED);
            cv::rectangle(m, cv::Rect(o.x + 30, o.y + 110, bar, 8), cv::Scalar(230), cv::FILLED);
            for (int d = 0; d < 8; ++d)
                cv::circle(m, o + cv::Point(25 + d * 12, 30), 2, cv::Scalar(240), cv::FILLED);
        }
    // The mould's own large features (plate edges, a guide ring) under the cavities.
    cv::rectangle(m, cv::Rect(300, 200, 700, 420), cv::Scalar(110), 6);
    cv::circle(m, cv::Point(1250, 560), 230, cv::Scalar(210), 10);
    cv::line(m, cv::Point(520, 820), cv::Point(1500, 700), cv::Scalar(15), 12);
    cv::Mat noise(kH, kW, CV_8UC1);
    rng.fill(noise, cv::RNG::NORMAL, 0, gNoise);
    cv::add(m, noise, m);
    return m;
}

cv::Mat Moved(const cv::Mat& src, double dx, double dy, double angle)
{
    cv::Mat a = cv::getRotationMatrix2D(cv::Point2f(kW / 2.f, kH / 2.f), angle, 1.0);
    a.at<double>(0, 2) += dx;
    a.at<double>(1, 2) += dy;
    cv::Mat out;
    cv::warpAffine(src, out, a, src.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    return out;
}

using Camera = BenchCamera;

// 50 ROIs: 20 Defect, 10 Spot, 3 black + 3 white area, 3 white + 3 black num,
// 4 Similarity, 4 Dist-Measure. No Position ROI: the model is the centre half
// of template 0, the largest model positioning ever builds.
void BuildRoiSet(Camera& c)
{
    // Cells away from the frame edge, where an aligned frame has no uncovered border.
    auto cell = [](int i) { return cv::Point((1 + i % 10) * 160 + 10, (i / 10) * 170 + 50); };
    int i = 0;
    for (int k = 0; k < 20; ++k, ++i)
        c.AddRoi(RoiCode::Defect, cv::Rect(cell(i), cv::Size(150, 150)), 3, 45, 100);
    for (int k = 0; k < 10; ++k, ++i)
        c.AddRoi(RoiCode::Spot, cv::Rect(cell(i) + cv::Point(20, 20), cv::Size(110, 100)), 12800, 0, 50000);
    for (int k = 0; k < 3; ++k, ++i)
        c.AddRoi(RoiCode::BlackArea, cv::Rect(cell(i) + cv::Point(40, 40), cv::Size(70, 60)), 0, 50, 5000);
    for (int k = 0; k < 3; ++k, ++i)
        c.AddRoi(RoiCode::WhiteArea, cv::Rect(cell(i) + cv::Point(20, 100), cv::Size(110, 30)), 0, 200, 5000);
    for (int k = 0; k < 3; ++k, ++i)
        c.AddRoi(RoiCode::WhiteNum, cv::Rect(cell(i) + cv::Point(10, 15), cv::Size(130, 30)), 1, 200, 0x640001);
    for (int k = 0; k < 3; ++k, ++i)
        c.AddRoi(RoiCode::BlackNum, cv::Rect(cell(i) + cv::Point(30, 30), cv::Size(90, 80)), 1, 60, 0x640001);
    for (int k = 0; k < 4; ++k, ++i)
        c.AddRoi(RoiCode::Similarity, cv::Rect(cell(i), cv::Size(150, 150)), 0, 80, 0);
    for (int k = 0; k < 4; ++k, ++i)
        c.AddRoi(RoiCode::DistMeasure, cv::Rect(cell(i) + cv::Point(0, 60), cv::Size(150, 20)), 0, 35, 200);
}

int Arg(const QStringList& args, const QString& name, int fallback)
{
    const int i = args.indexOf(name);
    return (i >= 0 && i + 1 < args.size()) ? args[i + 1].toInt() : fallback;
}

// What a step decided, to compare runs on different thread counts.
std::vector<int> Verdicts(const std::vector<Camera>& cams)
{
    std::vector<int> v;
    for (const Camera& cam : cams) {
        v.push_back(cam.widget->cameraOK);
        for (int j = 0; j < cam.set->count[0]; ++j) {
            v.push_back(cam.widget->roiOK[0][j]);
            v.push_back(cam.widget->roiValue[0][j]);
        }
    }
    return v;
}

void Probe(const QStringList& args, std::vector<Camera>& cams, int angle)
{
    cams[0].widget->FinishInspectFrame();
    cv::Mat tpl(kH, kW, CV_8UC1, cams[0].widget->templateImages[0][0].data());
    cv::Mat ins(kH, kW, CV_8UC1, cams[0].widget->inspectFrame.data());
    cv::Mat wrk(kH, kW, CV_8UC1, cams[0].widget->workBuffer.data());
    const cv::Rect in(100, 100, kW - 200, kH - 200);
    FindShape fs;
    const int bw = Arg(args, QStringLiteral("--model-w"), kW / 2);
    const int bh = Arg(args, QStringLiteral("--model-h"), kH / 2);
    const cv::Rect box((kW - bw) / 2, (kH - bh) / 2, bw, bh);
    const bool built = fs.CreateShape(tpl(box), 0.0, 0, angle, kW / 2, kH / 2, false, 255,
                                      cv::Mat(box.size(), CV_8UC1, cv::Scalar(255)), 5, 0);
    int x = 0, y = 0;
    double r1 = 0, r2 = 0;
    const bool found = fs.Find(wrk, 0, &x, &y, &r1, &r2);
    int x2 = 0, y2 = 0;
    double s1 = 0, s2 = 0;
    const bool f1 = fs.Find(tpl, 0, &x2, &y2, &s1, &s2);
    std::printf("  on its own template: found %d x %d y %d score %.3f\n", f1, x2, y2, s1);
    cv::Mat other(kH, kW, CV_8UC1, cams[0].widget->templateImages[0][1].data());
    const bool f2 = fs.Find(other, 0, &x2, &y2, &s1, &s2);
    std::printf("  on template 1: found %d x %d y %d score %.3f\n", f2, x2, y2, s1);
    std::printf("  model %d found %d x %d y %d score %.3f angle %.2f (frame moved by %.2f, %.2f)\n", built, found, x, y,
                r1, r2, gShiftX, gShiftY);
    std::printf("  mean |inspect - template| %.2f, |work - template| %.2f\n",
                cv::norm(ins(in), tpl(in), cv::NORM_L1) / in.area(), cv::norm(wrk(in), tpl(in), cv::NORM_L1) / in.area());
    QStringList failing;
    for (Camera& cam : cams)
        for (int j = 0; j < cam.set->count[0]; ++j)
            if (!cam.widget->roiOK[0][j])
                failing << QStringLiteral("%1:%2=%3").arg(cam.set->algorithm[0][j]).arg(j).arg(cam.widget->roiValue[0][j]);
    std::printf("  failing code:roi=value %s\n", qPrintable(failing.join(QLatin1Char(' '))));
}

// Phases of camera 0, each timed alone; the lines add up to the last one.
void Breakdown(Camera& cam, const InspectParams& p)
{
    constexpr int kRuns = 9;
    CammerSingleton& set = *cam.set;
    const cv::Mat work(kH, kW, CV_8UC1, cam.widget->workBuffer.data());
    auto timed = [&](auto&& f) {
        std::vector<double> t;
        for (int r = 0; r < kRuns; ++r) {
            const auto a = Clock::now();
            f();
            t.push_back(Ms(a, Clock::now()));
        }
        std::sort(t.begin(), t.end());
        return t[t.size() / 2];
    };
    double dx = 0, dy = 0, angle = 0;
    cv::Point2d centre;
    const double locate = timed([&] { cam.engine->Position(0, p, work, dx, dy, angle, centre); });
    const double align = timed([&] { cam.engine->ShapeMatch(0, p); });
    std::printf("  camera 0 positioning without the warp: %.2f ms\n", locate);
    std::printf("  camera 0 warp: %.2f ms\n", align - locate);
    double sum = align;
    std::vector<int> codes(set.algorithm[0], set.algorithm[0] + set.count[0]);
    for (int code : {0, 1, 4, 5, 6, 7, 8, 9}) {
        for (size_t j = 0; j < codes.size(); ++j)
            set.algorithm[0][j] = codes[j] == code ? code : RoiCode::Position;
        CammerRecong::StepOutput out;
        const double t = timed([&] { cam.engine->Judge(0, p, false, out); });
        sum += t;
        std::printf("  camera 0 code %d ROIs: %.2f ms\n", code, t);
    }
    for (size_t j = 0; j < codes.size(); ++j)
        set.algorithm[0][j] = codes[j];
    CammerRecong::StepOutput out;
    const double whole = timed([&] {
        cam.engine->ShapeMatch(0, p);
        cam.engine->Judge(0, p, false, out);
    });
    std::printf("  camera 0 sum of the lines %.2f ms; positioning and all ROIs at once %.2f ms\n", sum, whole);
}

// Processor time of the whole process (all threads), for runs on a busy machine.
double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Spread {
    double median = 0, min = 0;
};

Spread Summary(std::vector<double> t)
{
    std::sort(t.begin(), t.end());
    return {t[t.size() / 2], t.front()};
}

// One memcpy pass over eight frames, from and to buffers the pass before did
// not touch: pools of more than twice the last-level cache each. `warm`
// copies the same eight frames each time instead.
Spread CopyPass(bool warm)
{
    const size_t frame = size_t(kW) * kH;
    long llc = sysconf(_SC_LEVEL3_CACHE_SIZE);
    if (llc <= 0)
        llc = 32l << 20;
    const size_t perPool = std::max<size_t>(size_t(kCameras), (2 * size_t(llc) + frame - 1) / frame + size_t(kCameras));
    const size_t count = warm ? size_t(kCameras) : perPool;
    std::vector<std::vector<uint8_t>> from(count, std::vector<uint8_t>(frame, 1));
    std::vector<std::vector<uint8_t>> to(count, std::vector<uint8_t>(frame, 2));
    std::vector<double> t;
    size_t next = 0;
    for (int pass = 0; pass < 31; ++pass) {
        const auto a = Clock::now();
        for (int c = 0; c < kCameras; ++c) {
            const size_t k = (next + size_t(c)) % count;
            std::memcpy(to[k].data(), from[k].data(), frame);
        }
        t.push_back(Ms(a, Clock::now()));
        next = (next + size_t(kCameras)) % count;
    }
    t.erase(t.begin());  // the first pass also faults the pages in
    return Summary(t);
}

// What a step decided, as one number to compare builds and thread counts.
uint64_t Digest(const std::vector<int>& v)
{
    uint64_t digest = 1469598103934665603ull;
    for (int x : v)
        digest = (digest ^ uint64_t(uint32_t(x))) * 1099511628211ull;
    return digest;
}

// The step as InspectStep runs it, with each camera's positioning and
// judgement timed on the thread that ran it, and the engine's stage clock on.
void StepBreakdown(const std::vector<CammerRecong*>& engines, const std::vector<cv::Mat>& frames,
                   const InspectParams& p, int threads, int steps, const std::function<void()>& load)
{
    struct Span {
        int thread = 0;
        double start = 0, locate = 0, judge = 0;
    };
    std::vector<std::vector<Span>> runs;
    std::vector<double> walls;
    std::vector<CammerRecong::StepOutput> outputs(engines.size());
    std::mutex idsMutex;
    std::vector<std::thread::id> ids;
    auto slot = [&] {
        std::lock_guard<std::mutex> lock(idsMutex);
        const auto id = std::this_thread::get_id();
        auto it = std::find(ids.begin(), ids.end(), id);
        if (it == ids.end())
            it = ids.insert(ids.end(), id);
        return int(it - ids.begin());
    };
    slot();  // the calling thread is thread 0
    StageClock::Start(ThreadAllocations);
    for (int s = 0; s < steps; ++s) {
        load();
        std::vector<Span> spans(engines.size());
        const auto a = Clock::now();
        StepWorkers::instance().Run(engines.size(), threads, [&](size_t i) {
            Span& sp = spans[i];
            sp.thread = slot();
            const auto t0 = Clock::now();
            engines[i]->ShapeMatch(0, p);
            const auto t1 = Clock::now();
            outputs[i] = {};
            engines[i]->Judge(0, p, false, outputs[i]);
            const auto t2 = Clock::now();
            sp.start = Ms(a, t0);
            sp.locate = Ms(t0, t1);
            sp.judge = Ms(t1, t2);
        });
        walls.push_back(Ms(a, Clock::now()));
        runs.push_back(spans);
    }
    StageClock::Stop();
    const StageClock::Totals t = StageClock::Take();
    const double wall = Summary(walls).median;
    std::printf("  breakdown on %d thread(s), %d steps, step median %.2f ms; per step, summed over the cameras:\n",
                threads, steps, wall);
    double staged = 0;
    for (int k = 0; k < StageClock::kStages; ++k) {
        if (StageClock::Parent(k) >= 0)
            continue;
        staged += t.ms[k];
        std::printf("    %-26s %7.2f ms %6.1f calls %7.1f allocations\n", StageClock::Name(k), t.ms[k] / steps,
                    double(t.calls[k]) / steps, double(t.allocations[k]) / steps);
        for (int part = 0; part < StageClock::kStages; ++part)
            if (StageClock::Parent(part) == k && t.calls[part] > 0)
                std::printf("      of which %-17s %7.2f ms %6.1f calls %7.1f allocations\n", StageClock::Name(part),
                            t.ms[part] / steps, double(t.calls[part]) / steps, double(t.allocations[part]) / steps);
    }
    // Per camera: the median over the steps of each part.
    std::vector<double> threadBusy(ids.size(), 0.0);
    double total = 0;
    for (size_t c = 0; c < engines.size(); ++c) {
        std::vector<double> loc, jud, start;
        std::vector<int> on(ids.size(), 0);
        for (const auto& spans : runs) {
            loc.push_back(spans[c].locate);
            jud.push_back(spans[c].judge);
            start.push_back(spans[c].start);
            ++on[size_t(spans[c].thread)];
            threadBusy[size_t(spans[c].thread)] += spans[c].locate + spans[c].judge;
            total += spans[c].locate + spans[c].judge;
        }
        QStringList threadsUsed;
        for (size_t k = 0; k < on.size(); ++k)
            if (on[k])
                threadsUsed << QStringLiteral("%1 x%2").arg(k).arg(on[k]);
        // The pose decides the warp's path: a whole-pixel shift copies, a
        // fractional one blends, a turn steps through the source.
        double dx = 0, dy = 0, turn = 0;
        cv::Point2d centre;
        const bool found = engines[c]->Position(0, p, frames[c], dx, dy, turn, centre);
        std::printf("    camera %zu: positioning and warp %.2f ms, judgement %.2f ms, starts at %.2f ms; on thread %s; "
                    "pose %s%.3f, %.3f, %.4f deg\n",
                    c, Summary(loc).median, Summary(jud).median, Summary(start).median,
                    qPrintable(threadsUsed.join(QStringLiteral(", "))), found ? "" : "not found ", dx, dy, turn);
    }
    const double busy = total / steps;
    std::printf("    %-26s %7.2f ms (positioning and judgement outside the stages above)\n", "not in a stage",
                busy - staged / steps);
    for (size_t k = 0; k < threadBusy.size(); ++k)
        std::printf("    thread %zu busy %.2f ms per step\n", k, threadBusy[k] / steps);
    std::printf("    cameras' time %.2f ms per step, of which in stages %.2f ms; on %d thread(s) the step could take "
                "%.2f ms, took %.2f ms (median)\n",
                busy, staged / steps, threads, busy / threads, wall);
}

// A foreign object in every fourth ROI of the camera's scene: dark on bright
// ground, bright on dark, at the ROI's centre.
cv::Mat WithForeignObjects(const cv::Mat& scene, const CammerSingleton& set)
{
    cv::Mat m = scene.clone();
    for (int j = 0; j < set.count[0]; j += 4) {
        const cv::Rect box = set.RoiBox(0, j);
        const cv::Point c(box.x + box.width / 2, box.y + box.height / 2);
        const int half = std::min({12, box.width / 3, box.height / 3});
        const cv::Rect r(c.x - half, c.y - half, 2 * half, 2 * half);
        const double ground = cv::mean(m(r))[0];
        cv::rectangle(m, r, cv::Scalar(ground > 128 ? 5 : 250), cv::FILLED);
    }
    return m;
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int steps = std::max(1, Arg(args, QStringLiteral("--steps"), 15));
    cv::setNumThreads(Arg(args, QStringLiteral("--cv-threads"), 1));
    gNoise = Arg(args, QStringLiteral("--noise"), 2);
    auto real = [&](const QString& name, double fallback) {
        const int i = args.indexOf(name);
        return (i >= 0 && i + 1 < args.size()) ? args[i + 1].toDouble() : fallback;
    };
    gShiftX = real(QStringLiteral("--dx"), 5);
    gShiftY = real(QStringLiteral("--dy"), -3);
    std::vector<int> threadCounts = {1, 2};
    if (args.contains(QStringLiteral("--threads")))
        threadCounts = {std::max(1, Arg(args, QStringLiteral("--threads"), 1))};
    std::vector<int> angles = {0, 30};
    if (args.contains(QStringLiteral("--angle")))
        angles = {Arg(args, QStringLiteral("--angle"), 0)};

    gImageW = gShowW = kW;
    gImageH = gShowH = kH;
    QuietHost host;
    InspectHost::setInstance(&host);

    std::vector<cv::Mat> templates;
    for (int k = 0; k < kTemplates; ++k)
        templates.push_back(Scene(100 + k));
    std::vector<cv::Mat> scenes;
    for (int c = 0; c < kCameras; ++c)
        scenes.push_back(Scene(50 + c));

    const Spread cold = CopyPass(false);
    const Spread warm = CopyPass(true);
    std::printf("cameras %d, ROIs per camera 50, hardware threads %u, steps timed %d\n", kCameras,
                std::thread::hardware_concurrency(), steps);
    std::printf("yardstick, memcpy of 8 frames: not in cache median %.2f ms (min %.2f); in cache median %.2f ms "
                "(min %.2f)\n",
                cold.median, cold.min, warm.median, warm.min);
    bool allEqual = true;
    for (int angle : angles) {
        InspectParams p;
        p.motionCorrect = 0;
        p.angleRange = angle;
        p.detectOn[0] = 1;
        p.detectOn[1] = 0;
        host.setParams(p);

        std::vector<Camera> cams(kCameras);
        std::vector<cv::Mat> goodFrames, ngFrames;
        for (int c = 0; c < kCameras; ++c) {
            Camera& cam = cams[size_t(c)];
            cam.widget = std::make_unique<CammerWidgetData>(c);
            cam.set = std::make_unique<CammerSingleton>(c);
            FrameLayout layout;
            layout.width = kW;
            layout.height = kH;
            layout.templateCount = kTemplates;
            layout.groups = 1;
            cam.widget->AllocateBuffers(layout);
            cam.widget->ignorePointMask[0].assign(size_t(kW) * kH, 0);
            cam.widget->templateImages[0].assign(kTemplates, FrameBytes(size_t(kW) * kH));
            cam.widget->templateUsed[0].assign(kTemplates, 1);
            cam.widget->templateNum[0] = kTemplates;
            for (int k = 0; k < kTemplates; ++k)
                std::memcpy(cam.widget->templateImages[0][size_t(k)].data(), templates[size_t(k)].data, size_t(kW) * kH);
            BuildRoiSet(cam);
            goodFrames.push_back(Moved(scenes[size_t(c)], gShiftX, gShiftY, angle ? 2.0 : 0.0));
            ngFrames.push_back(Moved(WithForeignObjects(scenes[size_t(c)], *cam.set), gShiftX, gShiftY, angle ? 2.0 : 0.0));
        }

        // Training of all cameras (what a save of the ROI editor costs).
        const auto t0 = Clock::now();
        for (Camera& cam : cams)
            cam.engine = std::make_unique<CammerRecong>(cam.set.get(), cam.widget.get());
        const double trainMs = Ms(t0, Clock::now());
        std::printf("angleRange %d: VarTrain+CreateShape, all cameras: %.1f ms; models %d of %d\n", angle, trainMs,
                    int(std::count_if(cams.begin(), cams.end(), [](const Camera& c) { return c.engine->HasModel(0); })),
                    kCameras);

        std::vector<CammerRecong*> engines;
        for (Camera& cam : cams)
            engines.push_back(cam.engine.get());
        // The good frames' median per thread count, for the NG line of the same count.
        std::vector<double> goodMedians(threadCounts.size(), 0.0);
        std::vector<bool> kinds = {false, true};
        const int framesArg = args.indexOf(QStringLiteral("--frames"));
        if (framesArg >= 0 && framesArg + 1 < args.size())
            kinds = {args[framesArg + 1] == QStringLiteral("ng")};
        for (const bool ng : kinds) {
            const std::vector<cv::Mat>& frames = ng ? ngFrames : goodFrames;
            std::vector<int> first;
            for (size_t t = 0; t < threadCounts.size(); ++t) {
                const int threads = threadCounts[t];
                auto load = [&] {
                    for (int c = 0; c < kCameras; ++c)
                        std::memcpy(cams[size_t(c)].widget->workBuffer.data(), frames[size_t(c)].data, size_t(kW) * kH);
                };
                load();
                InspectStep::Run(engines, 0, threads);  // warm-up
                std::vector<double> times;
                long allocations = 0;
                const double cpuBefore = CpuMs();
                for (int s = 0; s < steps; ++s) {
                    g_listParamROI.clear();
                    load();
                    const long before = gAllocations.load();
                    const auto a = Clock::now();
                    InspectStep::Run(engines, 0, threads);
                    times.push_back(Ms(a, Clock::now()));
                    allocations += gAllocations.load() - before;
                }
                const double cpuPerStep = (CpuMs() - cpuBefore) / steps;
                const Spread step = Summary(times);
                int ngCameras = 0;
                for (Camera& cam : cams)
                    ngCameras += cam.widget->cameraOK ? 0 : 1;
                const std::vector<int> v = Verdicts(cams);
                if (first.empty())
                    first = v;
                const bool same = v == first;
                allEqual = allEqual && same;
                if (!ng)
                    goodMedians[t] = step.median;
                std::printf("angleRange %d, %s frames, threads %d: step median %.1f ms, min %.1f; %.1f x the cold pass "
                            "(min %.1f x); NG cameras %d, run errors %d; verdicts %s (digest %016llx)",
                            angle, ng ? "NG" : "good", threads, step.median, step.min, step.median / cold.median,
                            step.min / cold.min, ngCameras, host.errors,
                            same ? "as on the first thread count" : "DIFFER from the first thread count",
                            static_cast<unsigned long long>(Digest(v)));
#ifdef MOJU_COUNTS_ALLOCATIONS
                std::printf("; allocations per step %ld", allocations / steps);
#endif
                if (ng && goodMedians[t] > 0)
                    std::printf("; NG / good %.2f", step.median / goodMedians[t]);
                std::printf("; CPU %.1f ms per step", cpuPerStep);
                std::printf("\n");
                if (args.contains(QStringLiteral("--breakdown")))
                    StepBreakdown(engines, frames, p, threads, steps, load);
            }
        }
        for (int c = 0; c < kCameras; ++c)
            std::memcpy(cams[size_t(c)].widget->workBuffer.data(), goodFrames[size_t(c)].data, size_t(kW) * kH);
        if (args.contains(QStringLiteral("--breakdown")))
            Breakdown(cams[0], p);
        if (args.contains(QStringLiteral("--verbose")))
            Probe(args, cams, angle);
    }
    return allEqual ? 0 : 1;
}
