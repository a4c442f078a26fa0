#include "GrayMatch.h"

#include "ColorConvert.h"

#include <opencv2/imgproc.hpp>

#include <QtGlobal>

#include <algorithm>

bool GrayMatch::Create(int w, int h, const cv::Mat& mask, int mode)
{
    Q_UNUSED(mode);
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
    m_created = true;
    return true;
}

bool GrayMatch::AddTemp(const cv::Mat& window)
{
    if (!m_created || window.cols != m_size.width || window.rows != m_size.height)
        return false;
    const cv::Mat g = ToGreyWindow(window);
    if (g.empty())
        return false;
    m_templates.push_back(g.clone());
    m_valid = false;  // retrain to use it
    return true;
}

bool GrayMatch::Train(int sensibility, int amplify, int baseScale, int edgeScale)
{
    m_valid = false;
    if (!m_created || m_templates.empty())
        return false;
    sensibility = std::clamp(sensibility, 0, 255);
    m_amplify = std::clamp(amplify, 0, 4);
    baseScale = std::max(baseScale, 0);
    edgeScale = std::max(edgeScale, 0);

    cv::Mat sum(m_size, CV_32FC1, cv::Scalar(0));
    for (const cv::Mat& t : m_templates)
        cv::accumulate(t, sum);
    cv::Mat ref;
    sum.convertTo(ref, CV_32FC1, 1.0 / double(m_templates.size()));

    cv::Mat spread(m_size, CV_32FC1, cv::Scalar(0));
    cv::Mat tf, dev;
    for (const cv::Mat& t : m_templates) {
        t.convertTo(tf, CV_32FC1);
        cv::absdiff(tf, ref, dev);
        spread = cv::max(spread, dev);
    }

    // What a shift of up to one pixel can change at each pixel of the reference.
    cv::Mat dil, ero, edge;
    const cv::Mat k = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3));
    cv::dilate(ref, dil, k, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::erode(ref, ero, k, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::subtract(dil, ero, edge);

    const double base = std::max(1.0, (256 - sensibility) * baseScale / 100.0 / 6.0);
    cv::Mat tol = spread + edge * (edgeScale / 100.0) + base;

    cv::Mat lowF = ref - tol;
    cv::Mat highF = ref + tol;
    // A pixel counts as different only strictly outside [low, high]; rounding
    // outward keeps that true for the exact reference.
    lowF.convertTo(m_low, CV_8UC1);    // saturating, rounded
    highF.convertTo(m_high, CV_8UC1);
    m_low.setTo(cv::Scalar(0), m_mask == 0);
    m_high.setTo(cv::Scalar(255), m_mask == 0);
    m_valid = true;
    return true;
}

void GrayMatch::Match(const cv::Mat& window, cv::Mat& diff) const
{
    if (window.empty()) {
        diff.release();
        return;
    }
    if (!m_valid) {
        diff = cv::Mat::zeros(window.rows, window.cols, CV_8UC1);
        return;
    }
    if (window.cols != m_size.width || window.rows != m_size.height) {
        diff = cv::Mat(window.rows, window.cols, CV_8UC1, cv::Scalar(255));
        return;
    }
    const cv::Mat g = ToGreyWindow(window);
    if (g.empty()) {
        diff = m_mask.clone();
        return;
    }
    cv::Mat inside;
    cv::inRange(g, m_low, m_high, inside);
    cv::bitwise_not(inside, diff);
    if (m_amplify > 0 && cv::countNonZero(diff) > 0) {
        const int s = 2 * m_amplify + 1;
        cv::dilate(diff, diff, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(s, s)));
        cv::bitwise_and(diff, m_mask, diff);
    }
}

void GrayMatch::Clear()
{
    m_size = cv::Size();
    m_mask.release();
    m_templates.clear();
    m_low.release();
    m_high.release();
    m_amplify = 0;
    m_created = false;
    m_valid = false;
}
