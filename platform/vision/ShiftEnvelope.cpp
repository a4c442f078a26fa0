#include "ShiftEnvelope.h"

#include "BilinearRead.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace {
constexpr double kStep = 0.5;  // px between the envelope's samples, along and round
constexpr int kSummed = 5;     // the travel's window (px): a crest and its flanks
constexpr float kOff = 1e6f;   // a read that touches a pixel off every highlight is below this
}  // namespace

ShiftEnvelope::ShiftEnvelope(const cv::Mat& ref, const cv::Mat& range, const cv::Mat& measured, const cv::Mat& sites,
                             int reach, double least)
{
    if (cv::countNonZero(sites) == 0 || cv::countNonZero(measured) == 0)
        return;
    const int most = 2 * reach;
    const cv::Mat disc = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * reach + 1, 2 * reach + 1));
    // One picture at a time where it can: training holds few floats a pixel.
    cv::Mat raised;
    cv::morphologyEx(ref, raised, cv::MORPH_OPEN, disc, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::subtract(ref, raised, raised);
    cv::erode(ref, m_under, disc, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    // Only a highlight travels: an edge beside it, over the dark side, does not.
    m_under.setTo(HUGE_VALF, raised <= least);
    cv::Mat slope, gy;
    cv::Sobel(raised, slope, CV_32F, 1, 0, 3, 1.0 / 8, 0, cv::BORDER_REPLICATE);
    cv::Sobel(raised, gy, CV_32F, 0, 1, 3, 1.0 / 8, 0, cv::BORDER_REPLICATE);
    cv::magnitude(slope, gy, slope);
    gy.release();
    const cv::Size box(kSummed, kSummed);
    cv::blur(slope, slope, box, cv::Point(-1, -1), cv::BORDER_REPLICATE);
    cv::Mat spread;
    cv::boxFilter(range, spread, CV_32F, box, cv::Point(-1, -1), true, cv::BORDER_REPLICATE);
    // Measured where the templates vary beyond base and noise and a slope
    // explains their range within the most; noise or texture measures nothing. The travel
    // overwrites the slope.
    for (int r = 0; r < ref.rows; ++r) {
        const uchar* pm = measured.ptr<uchar>(r);
        const float* pr = spread.ptr<float>(r);
        float* ps = slope.ptr<float>(r);
        for (int c = 0; c < ref.cols; ++c)
            ps[c] = pm[c] && pr[c] > least && pr[c] <= most * ps[c] ? pr[c] / ps[c] : 0.f;
    }
    spread.release();
    cv::Mat& travel = slope;
    // A frame may show a highlight as far beyond the farthest template as
    // they lie apart, where the reference, which averages them, no longer
    // stands above its face: the envelope reaches that far past its sites,
    // each measured pixel by its own travel (a streak's flank by how far it
    // moves across, not along).
    cv::Mat within = cv::Mat::zeros(travel.size(), CV_32F);
    travel.copyTo(within, sites);
    cv::dilate(travel, travel, disc);
    cv::Mat beyond = cv::Mat::zeros(travel.size(), CV_32F), step;
    for (int k = 1; k <= most; ++k) {
        cv::Mat from = cv::Mat::zeros(travel.size(), CV_32F);
        within.copyTo(from, within >= k);
        if (cv::countNonZero(from) == 0)
            break;
        cv::dilate(from, step, cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * k + 1, 2 * k + 1)));
        cv::max(beyond, step, beyond);
    }
    within.release();
    for (int r = 0; r < sites.rows; ++r) {
        const uchar* ps = sites.ptr<uchar>(r);
        const float* pt = travel.ptr<float>(r);
        const float* pb = beyond.ptr<float>(r);
        const float* pr = raised.ptr<float>(r);
        for (int c = 0; c < sites.cols; ++c) {
            const float t = ps[c] ? pt[c] : pb[c];
            if (t > 0)
                m_points.push_back(Point{c, r, t, pr[c], -HUGE_VALF, ps[c] == 0});
        }
    }
}

void ShiftEnvelope::Add(const cv::Mat& lit)
{
    if (m_points.empty())
        return;
    const cv::Mat h = lit - m_under;  // the template's highlights over the face beneath
    for (Point& p : m_points) {
        const int n = int(std::ceil(p.travel / kStep));
        for (int j = 0; j <= n; ++j) {
            const double rad = p.travel * j / n;
            const int round = j == 0 ? 1 : std::max(8, int(std::ceil(2 * CV_PI * rad / kStep)));
            for (int i = 0; i < round; ++i) {
                const double a = 2 * CV_PI * i / round;
                double v;
                if (Bilinear<float>(h, p.x + rad * std::cos(a), p.y + rad * std::sin(a), v) && v > -kOff)
                    p.hi = std::max(p.hi, float(v));
            }
        }
    }
}

void ShiftEnvelope::Widen(cv::Mat& spread, std::vector<Raised>* past) const
{
    // The highlight lands on the face the opening sees there.
    for (const Point& p : m_points) {
        if (p.hi < -kOff)
            continue;
        float& s = spread.at<float>(p.y, p.x);
        if (past && p.beyond && p.hi - p.raised > s)
            past->push_back(Raised{p.x, p.y, p.travel, s});
        s = std::max(s, p.hi - p.raised);
    }
}
