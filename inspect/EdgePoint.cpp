#include "EdgePoint.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>

RotateRectROI* Rect2RotateRect(const cv::Rect& box, int dir)
{
    auto* r = new RotateRectROI;
    r->cx = box.x + box.width / 2;
    r->cy = box.y + box.height / 2;
    if (dir == 0) {
        r->angle = 0.f;
        r->width = float(box.width);
        r->height = float(box.height);
    } else {
        r->angle = 90.f;
        r->width = float(box.height);
        r->height = float(box.width);
    }
    return r;
}

void getCornerPoints(const RotateRectROI& roi, std::vector<cv::Point2f>& corners)
{
    const float a = roi.angle * float(CV_PI) / 180.f;
    const float c = std::cos(a);
    const float s = std::sin(a);
    const float hw = roi.width / 2.f;
    const float hh = roi.height / 2.f;
    const float uv[4][2] = {{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}};
    corners.resize(4);
    for (int i = 0; i < 4; ++i) {
        const float u = uv[i][0], v = uv[i][1];
        const float px = u * c - v * s;
        const float py = u * s + v * c;
        corners[static_cast<size_t>(i)] = cv::Point2f(float(roi.cx + px), float(roi.cy + py));
    }
}

float DistP2P(const cv::Point2d& a, const cv::Point2d& b)
{
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

int clcEdgePoint(const cv::Mat& image, _EdgePointDetParam& param)
{
    param.found = false;
    const RotateRectROI* roi = param.roi;
    if (!roi || image.empty() || !(roi->width >= 1.0f) || !(roi->height >= 1.0f))
        return 0;

    // Working lists kept per thread: the judgement calls this for every
    // distance ROI of every step.
    thread_local std::vector<cv::Point2f> corners;
    thread_local std::vector<float> colSum, profile, grad, prefix, sm, edges;
    thread_local std::vector<int> plateau;
    getCornerPoints(*roi, corners);
    const float W = roi->width;
    const float H = roi->height;
    const cv::Point2f dst[4] = {{0.f, 0.f}, {W, 0.f}, {W, H}, {0.f, H}};
    // A strip's transform follows from its corners alone, and the same strips
    // come back every step: each is solved once per thread (a bounded list).
    struct Solved {
        std::array<float, 10> key;
        cv::Mat m;
    };
    thread_local std::vector<Solved> solved;
    const std::array<float, 10> key = {corners[0].x, corners[0].y, corners[1].x, corners[1].y, corners[2].x,
                                       corners[2].y, corners[3].x, corners[3].y, W, H};
    auto hit = std::find_if(solved.begin(), solved.end(), [&](const Solved& s) { return s.key == key; });
    if (hit == solved.end()) {
        if (solved.size() >= 256)
            solved.clear();
        solved.push_back({key, cv::getPerspectiveTransform(corners.data(), dst)});
        hit = solved.end() - 1;
    }
    const cv::Mat& m = hit->m;
    cv::warpPerspective(image, param.strip, m, cv::Size(int(W), int(H)), cv::INTER_LINEAR,
                        cv::BORDER_CONSTANT, cv::Scalar::all(0));
    if (param.strip.channels() == 3)
        cv::cvtColor(param.strip, param.strip, cv::COLOR_RGB2GRAY);
    else if (param.strip.channels() == 4)
        cv::cvtColor(param.strip, param.strip, cv::COLOR_RGBA2GRAY);

    const cv::Mat& strip = param.strip;
    const int n = strip.cols;
    const int rows = strip.rows;
    if (n <= 0 || rows <= 0)
        return 0;

    // Mean grey of each column, single precision.
    colSum.assign(static_cast<size_t>(n), 0.f);
    for (int y = 0; y < rows; ++y) {
        const uchar* p = strip.ptr<uchar>(y);
        for (int x = 0; x < n; ++x)
            colSum[static_cast<size_t>(x)] += p[x];
    }
    profile.resize(static_cast<size_t>(n));
    for (int x = 0; x < n; ++x)
        profile[static_cast<size_t>(x)] = colSum[static_cast<size_t>(x)] / float(rows);

    grad.assign(static_cast<size_t>(n), 0.f);
    for (int x = 1; x < n; ++x)
        grad[static_cast<size_t>(x)] = std::fabs(profile[static_cast<size_t>(x)] - profile[static_cast<size_t>(x - 1)]);
    for (float& g : grad)
        if (g < float(param.sensitivity))
            g = 0.f;

    const int w = param.smoothWidth;
    if (w > 1) {
        // Running sums over the unsmoothed values.
        prefix.assign(static_cast<size_t>(n) + 1, 0.f);
        for (int x = 0; x < n; ++x)
            prefix[static_cast<size_t>(x) + 1] = prefix[static_cast<size_t>(x)] + grad[static_cast<size_t>(x)];
        sm.resize(static_cast<size_t>(n));
        for (int x = 0; x < n; ++x) {
            const int lo = std::max(0, x - w / 2);
            const int hi = std::min(n - 1, x + (w - w / 2 - 1));
            sm[static_cast<size_t>(x)] = (prefix[static_cast<size_t>(hi) + 1] - prefix[static_cast<size_t>(lo)]) / float(hi - lo + 1);
        }
        grad.swap(sm);
    }

    param.gradient.assign(grad.begin(), grad.end());
    float maxG = 0.f;
    for (float g : grad)
        maxG = std::max(maxG, g);
    param.maxGrad = maxG;
    const float T = static_cast<float>(param.peakPercent * double(maxG) / 100.5);

    enum State { Idle, Low, Rising };
    State state = Idle;
    plateau.clear();
    edges.clear();
    for (int x = 0; x < n; ++x) {
        const float g = grad[static_cast<size_t>(x)];
        if (g <= T) {
            state = Low;
            continue;
        }
        if (x == n - 1) {
            plateau.push_back(x);
            edges.push_back((plateau.front() + plateau.back()) / 2.f);
            break;
        }
        const float next = grad[static_cast<size_t>(x) + 1];
        if (next > g) {
            plateau.clear();
            state = Rising;
        } else if (next == g) {
            if (state == Low || state == Rising) {
                plateau.push_back(x);
                state = Rising;
            }
        } else if (state == Rising) {
            plateau.push_back(x);
            if (edges.size() >= 2)
                edges.pop_back();
            edges.push_back((plateau.front() + plateau.back()) / 2.f);
            plateau.clear();
            state = Idle;
        }
    }
    if (edges.empty())
        return 0;

    const float a = roi->angle * float(CV_PI) / 180.f;
    const float c = std::cos(a);
    const float s = std::sin(a);
    param.points.clear();
    for (float e : edges) {
        const float t = e - float(n) * 0.5f;
        param.points.emplace_back(roi->cx + double(t * c), roi->cy + double(t * s));
    }
    param.found = true;
    return 1;
}
