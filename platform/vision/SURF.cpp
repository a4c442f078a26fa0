#include "SURF.h"

#include <opencv2/imgproc.hpp>

#include <QtGlobal>

#include <algorithm>
#include <cmath>

namespace {
constexpr double kFlatStdDev = 2.0;  // grey levels; below this a template has no pattern
}

bool SURF::Create(int w, int h, const cv::Mat& mask)
{
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
    // Search +-margin pixels: a part that sits a little off still matches.
    m_margin = std::clamp(std::min(w, h) / 10, 0, 8);
    const cv::Rect inner(m_margin, m_margin, w - 2 * m_margin, h - 2 * m_margin);
    m_innerMask = m_mask(inner).clone();
    m_created = true;
    return true;
}

cv::Mat SURF::prepareGrey(const cv::Mat& window) const
{
    cv::Mat g;
    if (window.type() == CV_8UC1)
        g = window;
    else if (window.depth() == CV_8U && (window.channels() == 3 || window.channels() == 4))
        cv::cvtColor(window, g, window.channels() == 4 ? cv::COLOR_BGRA2GRAY : cv::COLOR_BGR2GRAY);
    else
        return cv::Mat();
    cv::Mat f;
    g.convertTo(f, CV_32FC1);
    return f;
}

bool SURF::AddTemp(const cv::Mat& window, int mode, int threshold, int minScore)
{
    Q_UNUSED(mode);
    Q_UNUSED(threshold);
    if (!m_created || window.cols != m_size.width || window.rows != m_size.height)
        return false;
    const cv::Mat f = prepareGrey(window);
    if (f.empty())
        return false;
    Model m;
    const cv::Rect inner(m_margin, m_margin, m_size.width - 2 * m_margin, m_size.height - 2 * m_margin);
    m.inner = f(inner).clone();
    cv::Scalar mean, sd;
    cv::meanStdDev(m.inner, mean, sd, m_innerMask);
    m.mean = mean[0];
    m.flat = sd[0] < kFlatStdDev || cv::countNonZero(m_innerMask) < 4;
    m_models.push_back(m);
    m_minScore = minScore;
    m_valid = false;
    return true;
}

bool SURF::Train(int a, int b, int c, int d)
{
    Q_UNUSED(a);
    Q_UNUSED(b);
    Q_UNUSED(c);
    Q_UNUSED(d);
    m_valid = m_created && !m_models.empty();
    return m_valid;
}

float SURF::Match(const cv::Mat& window, cv::Mat& out) const
{
    out = cv::Mat::zeros(std::max(window.rows, 0), std::max(window.cols, 0), CV_8UC1);
    if (!m_valid || window.cols != m_size.width || window.rows != m_size.height)
        return 0.f;
    const cv::Mat f = prepareGrey(window);
    if (f.empty())
        return 0.f;
    double best = 0;
    cv::Mat result;
    for (const Model& m : m_models) {
        double score = 0;
        if (m.flat) {
            // Nothing to correlate: compare the mean grey level of the best shift.
            cv::matchTemplate(f, m.inner, result, cv::TM_SQDIFF, m_innerMask);
            double minVal = 0;
            cv::minMaxLoc(result, &minVal);
            const double n = std::max(1, cv::countNonZero(m_innerMask));
            const double rms = std::sqrt(std::max(minVal, 0.0) / n);
            score = std::max(0.0, 100.0 - rms * 100.0 / 64.0);
        } else {
            cv::matchTemplate(f, m.inner, result, cv::TM_CCOEFF_NORMED, m_innerMask);
            cv::patchNaNs(result, 0.0);
            double maxVal = 0;
            cv::minMaxLoc(result, nullptr, &maxVal);
            score = std::clamp(maxVal, 0.0, 1.0) * 100.0;
        }
        best = std::max(best, score);
    }
    return static_cast<float>(best);
}

void SURF::Clear()
{
    m_size = cv::Size();
    m_mask.release();
    m_innerMask.release();
    m_margin = 0;
    m_models.clear();
    m_minScore = 80;
    m_created = false;
    m_valid = false;
}
