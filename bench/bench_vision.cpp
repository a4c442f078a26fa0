// Frame-size timings of the calls on the detection path.
#include "platform/vision/CBlobResult.h"
#include "platform/vision/FindShape.h"
#include "platform/vision/GrayMatch.h"
#include "platform/vision/ImageTransform.h"
#include "platform/vision/SURF.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>

#include <cmath>

namespace {
constexpr int W = 1920, H = 1080;

cv::Mat partPicture(unsigned seed)
{
    cv::RNG rng(seed);
    cv::Mat img(H, W, CV_8UC1, cv::Scalar(60));
    for (int i = 0; i < 400; ++i) {
        const cv::Point c(rng.uniform(0, W), rng.uniform(0, H));
        const int r = rng.uniform(8, 90);
        const int grey = rng.uniform(90, 250);
        if (rng.uniform(0, 2) == 0)
            cv::circle(img, c, r, cv::Scalar(grey), cv::FILLED, cv::LINE_AA);
        else
            cv::rectangle(img, cv::Rect(c.x - r, c.y - r / 2, 2 * r, r), cv::Scalar(grey), cv::FILLED, cv::LINE_AA);
    }
    cv::GaussianBlur(img, img, cv::Size(3, 3), 0.8);
    return img;
}

cv::Mat movedFrame(const cv::Mat& templ, cv::Point centre, double angle, int dx, int dy)
{
    const double a = angle * CV_PI / 180.0, c = std::cos(a), s = std::sin(a);
    cv::Mat m = (cv::Mat_<double>(2, 3) << c, -s, centre.x - c * centre.x + s * centre.y + dx, s, c,
                 centre.y - s * centre.x - c * centre.y + dy);
    cv::Mat frame;
    cv::warpAffine(templ, frame, m, templ.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(60));
    return frame;
}

void BM_FindShape(benchmark::State& state)
{
    const int range = static_cast<int>(state.range(0));
    const cv::Mat templ = partPicture(1);
    const cv::Rect box(W / 4, H / 4, W / 2, H / 2);
    const cv::Point centre(box.x + box.width / 2, box.y + box.height / 2);
    FindShape fs;
    fs.CreateShape(templ(box), 0.0, 0, range, centre.x, centre.y, false, 255,
                   cv::Mat(box.height, box.width, CV_8UC1, cv::Scalar(255)), 5, 0);
    const cv::Mat frame = movedFrame(templ, centre, range ? 10.0 : 0.0, 13, -7);
    int x = 0, y = 0;
    double r1 = 0, r2 = 0;
    for (auto _ : state) {
        const bool found = fs.Find(frame, 0, &x, &y, &r1, &r2);
        benchmark::DoNotOptimize(found);
    }
    state.counters["dx"] = x;
    state.counters["dy"] = y;
    state.counters["angle"] = r2;
}
BENCHMARK(BM_FindShape)->Arg(0)->Arg(30)->Unit(benchmark::kMillisecond);

void BM_TransformImage(benchmark::State& state)
{
    const cv::Mat src = partPicture(2);
    cv::Mat dst(src.size(), CV_8UC1);
    for (auto _ : state)
        TransformImage(src, dst, cv::Point2f(13, -7), cv::Point2f(960, 540), 10.0);
}
BENCHMARK(BM_TransformImage)->Unit(benchmark::kMillisecond);

void BM_GrayMatch(benchmark::State& state)
{
    const cv::Mat t = partPicture(3);
    GrayMatch gm;
    gm.Create(W, H, cv::Mat(), 0);
    gm.AddTemp(t);
    gm.AddTemp(movedFrame(t, cv::Point(960, 540), 0.0, 1, 0));
    gm.Train(45, static_cast<int>(state.range(0)), 100, 150);
    cv::Mat w = t.clone();
    cv::rectangle(w, cv::Rect(500, 500, 12, 12), cv::Scalar(255), cv::FILLED);
    cv::Mat diff;
    for (auto _ : state)
        gm.Match(w, diff);
}
BENCHMARK(BM_GrayMatch)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_Similarity(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const cv::Mat t = partPicture(5)(cv::Rect(0, 0, w, h)).clone();
    cv::Mat mask(h, w, CV_8UC1, cv::Scalar(255));
    cv::circle(mask, cv::Point(w / 2, h / 2), h / 4, cv::Scalar(0), cv::FILLED);
    SURF s;
    s.Create(w, h, mask);
    s.AddTemp(t, 1, 50, 80);
    s.AddTemp(movedFrame(t, cv::Point(w / 2, h / 2), 0.0, 1, 1), 1, 50, 80);
    s.Train(0, 0, 0, 0);
    cv::Mat out;
    for (auto _ : state)
        benchmark::DoNotOptimize(s.Match(t, out));
}
BENCHMARK(BM_Similarity)->Args({200, 150})->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

void BM_Blobs(benchmark::State& state)
{
    cv::Mat img = cv::Mat::zeros(H, W, CV_8UC1);
    cv::RNG rng(4);
    for (int i = 0; i < 2000; ++i)
        cv::circle(img, cv::Point(rng.uniform(0, W), rng.uniform(0, H)), rng.uniform(1, 6), cv::Scalar(255), cv::FILLED);
    for (auto _ : state) {
        CBlobResult res(img, cv::Mat(), 0);
        benchmark::DoNotOptimize(res.GetNumBlobs());
    }
}
BENCHMARK(BM_Blobs)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
