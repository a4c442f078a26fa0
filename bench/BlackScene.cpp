#include "BlackScene.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

#include "PoseScenes.h"

namespace {

constexpr int kW = 1920;
constexpr int kH = 1080;
constexpr int kShift = 2;  // sub-pixel corners: coordinates x 4
constexpr double kUp = 1 << kShift;

cv::Point Up(double x, double y)
{
    return {int(std::lround(x * kUp)), int(std::lround(y * kUp))};
}

void Rib(cv::Mat& img, cv::Point2d a, cv::Point2d b, int width, double grey)
{
    cv::line(img, Up(a.x, a.y), Up(b.x, b.y), cv::Scalar(grey), width, cv::LINE_AA, kShift);
}

}  // namespace

cv::Mat BlackPart(int seed)
{
    cv::RNG rng(uint64_t(seed) * 2654435761u + 29u);
    const double face = rng.uniform(37.0, 43.0);
    cv::Mat img(kH, kW, CV_8UC1, cv::Scalar(face));
    // Ribs: long straight strips, some across, some along, a few at a slant;
    // some meet in a frame around a pocket.
    for (int i = 0; i < 22; ++i) {
        const cv::Point2d a(rng.uniform(40, kW - 40), rng.uniform(40, kH - 40));
        const double len = rng.uniform(120.0, 700.0);
        const int kind = rng.uniform(0, 5);
        const double turn = kind == 0 ? rng.uniform(0.0, CV_PI) : (kind < 3 ? 0.0 : CV_PI / 2);
        const cv::Point2d b = a + len * cv::Point2d(std::cos(turn), std::sin(turn));
        Rib(img, a, b, rng.uniform(5, 16), face + rng.uniform(4.0, 9.0));
    }
    for (int i = 0; i < 3; ++i) {
        const double cx = rng.uniform(300, kW - 300), cy = rng.uniform(220, kH - 220);
        const double hw = rng.uniform(80, 220), hh = rng.uniform(60, 160);
        const double grey = face + rng.uniform(4.0, 9.0);
        const int width = rng.uniform(6, 12);
        const cv::Point2d c[4] = {{cx - hw, cy - hh}, {cx + hw, cy - hh}, {cx + hw, cy + hh}, {cx - hw, cy + hh}};
        for (int k = 0; k < 4; ++k)
            Rib(img, c[k], c[(k + 1) % 4], width, grey);
    }
    // Bosses: round, low, with a core hole in some.
    for (int i = 0; i < 16; ++i) {
        const double x = rng.uniform(30, kW - 30), y = rng.uniform(30, kH - 30), r = rng.uniform(12.0, 55.0);
        cv::circle(img, Up(x, y), int(std::lround(r * kUp)), cv::Scalar(face + rng.uniform(3.0, 7.0)), cv::FILLED,
                   cv::LINE_AA, kShift);
        if (rng.uniform(0, 2))
            cv::circle(img, Up(x, y), int(std::lround(r * 0.4 * kUp)), cv::Scalar(face - rng.uniform(8.0, 14.0)),
                       cv::FILLED, cv::LINE_AA, kShift);
    }
    // Holes: round and slotted, darker than the face.
    for (int i = 0; i < 18; ++i) {
        const double x = rng.uniform(30, kW - 30), y = rng.uniform(30, kH - 30);
        const double grey = face - rng.uniform(8.0, 14.0);
        if (rng.uniform(0, 3)) {
            cv::circle(img, Up(x, y), int(std::lround(rng.uniform(5.0, 30.0) * kUp)), cv::Scalar(grey), cv::FILLED,
                       cv::LINE_AA, kShift);
        } else {
            const bool across = rng.uniform(0, 2) == 0;
            const double len = rng.uniform(30.0, 120.0);
            Rib(img, {x, y}, across ? cv::Point2d(x + len, y) : cv::Point2d(x, y + len), rng.uniform(8, 20), grey);
        }
    }
    // A fine grain of about one grey level, softened as a lens would.
    return Finish(img, rng, 4.5, 1.0, 1.0);
}
