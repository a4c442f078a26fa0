#include "SteamScene.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

cv::Mat DrawVeilField(const Veil& v, cv::Size frame, const cv::Rect& around, cv::RNG& rng)
{
    // The kind fixes the style; the cycle's rng the cloud itself.
    cv::RNG style(uint64_t(v.kind) * 2654435761u + 7u);
    const int clouds = style.uniform(1, 5);
    // Sigma, px. A veil is smooth: it rises over 100 px at least (sigma of
    // 80 px or more in every direction), as diffuse steam does at this scale.
    const double least = style.uniform(80.0, 160.0), most = least * style.uniform(1.5, 3.5);
    const double stretch = style.uniform(1.0, 3.0);  // a plume drawn out along one direction
    // Drawn on a grid of 8 px and enlarged: a veil has no fine detail.
    constexpr int kStep = 8;
    const cv::Size small((frame.width + kStep - 1) / kStep, (frame.height + kStep - 1) / kStep);
    cv::Mat f = cv::Mat::zeros(small, CV_32F);
    const cv::Rect reach(around.x - around.width / 4, around.y - around.height / 4, around.width * 3 / 2,
                         around.height * 3 / 2);
    for (int k = 0; k < clouds; ++k) {
        const double cx = rng.uniform(double(reach.x), double(reach.br().x)) / kStep;
        const double cy = rng.uniform(double(reach.y), double(reach.br().y)) / kStep;
        const double sa = rng.uniform(least, most) / kStep;
        const double sb = std::max(least / kStep, sa / rng.uniform(1.0, stretch));
        const double turn = rng.uniform(0.0, CV_PI);
        const double weight = rng.uniform(0.4, 1.0);
        const double c = std::cos(turn), s = std::sin(turn);
        for (int y = 0; y < small.height; ++y) {
            float* row = f.ptr<float>(y);
            for (int x = 0; x < small.width; ++x) {
                const double u = ((x - cx) * c + (y - cy) * s) / sa, w = (-(x - cx) * s + (y - cy) * c) / sb;
                row[x] += float(weight * std::exp(-0.5 * (u * u + w * w)));
            }
        }
    }
    double peak = 0;
    cv::minMaxLoc(f, nullptr, &peak);
    if (peak > 0)
        f *= v.share / peak;
    cv::Mat out;
    cv::resize(f, out, frame, 0, 0, cv::INTER_LINEAR);
    return out;
}

void ApplyVeil(cv::Mat& frame, const cv::Mat& field)
{
    for (int y = 0; y < frame.rows; ++y) {
        uchar* p = frame.ptr<uchar>(y);
        const float* s = field.ptr<float>(y);
        for (int x = 0; x < frame.cols; ++x)
            p[x] = cv::saturate_cast<uchar>((1.f - s[x]) * p[x] + 255.f * s[x]);
    }
}
