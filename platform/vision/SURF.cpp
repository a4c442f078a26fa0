#include "SURF.h"

#include <opencv2/imgproc.hpp>

#include <QtGlobal>

#include <algorithm>
#include <cmath>

namespace {
constexpr double kFlatStdDev = 2.0;  // grey levels; below this a template has no pattern
constexpr int kMaxMargin = 8;        // largest shift searched, full-size pixels
constexpr double kMinMaskPixels = 16;

// Masked sums of a window part at one shift; they do not depend on the
// template, so all templates share them.
struct WindowSums {
    double sumI = 0, sumII = 0;
    bool known = false;
};

// Normalised correlation of the window part at `shift` with a zero-mean template.
double zncc(const cv::Mat& win, const cv::Mat& winSq, const cv::Mat& zeroMean, double sumSq, const cv::Mat& weight,
            double count, int margin, cv::Point shift, WindowSums& ws)
{
    const cv::Rect r(margin + shift.x, margin + shift.y, zeroMean.cols, zeroMean.rows);
    const cv::Mat part = win(r);
    if (!ws.known) {
        ws.sumI = part.dot(weight);
        ws.sumII = winSq(r).dot(weight);
        ws.known = true;
    }
    const double sumIT = part.dot(zeroMean);
    const double varI = ws.sumII - ws.sumI * ws.sumI / count;
    if (varI <= 1e-6 || sumSq <= 1e-6)
        return 0.0;
    return sumIT / std::sqrt(varI * sumSq);
}
}  // namespace

cv::Mat SURF::toFloatGrey(const cv::Mat& window)
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

std::vector<cv::Mat> SURF::pyramid(const cv::Mat& grey) const
{
    std::vector<cv::Mat> p(m_masks.size());
    p[0] = grey;
    for (size_t l = 1; l < p.size(); ++l)
        cv::resize(p[l - 1], p[l], cv::Size(p[l - 1].cols / 2, p[l - 1].rows / 2), 0, 0, cv::INTER_AREA);
    return p;
}

bool SURF::Create(int w, int h, const cv::Mat& mask)
{
    Clear();
    if (w <= 0 || h <= 0)
        return false;
    if (!mask.empty() && (mask.cols != w || mask.rows != h || mask.type() != CV_8UC1))
        return false;
    m_size = cv::Size(w, h);
    cv::Mat full;
    if (mask.empty())
        full = cv::Mat(h, w, CV_32FC1, cv::Scalar(1));
    else
        cv::Mat(mask != 0).convertTo(full, CV_32FC1, 1.0 / 255);
    // Search +-margin pixels, coarse to fine: a part that sits a little off still matches.
    const int margin = std::clamp(std::min(w, h) / 10, 0, kMaxMargin);
    cv::Mat level = full;
    for (int l = 0;; ++l) {
        const int m = margin >> l;
        LevelMask lm;
        lm.margin = m;
        const cv::Rect inner(m, m, level.cols - 2 * m, level.rows - 2 * m);
        // A pixel of a reduced level counts only when wholly inside the mask.
        cv::threshold(level(inner), lm.weight, 0.999, 1.0, cv::THRESH_BINARY);
        lm.count = cv::sum(lm.weight)[0];
        if (l > 0 && lm.count < kMinMaskPixels)
            break;
        m_masks.push_back(lm);
        if (m <= 1 || std::min(level.cols, level.rows) < 32)
            break;
        cv::Mat next;
        cv::resize(level, next, cv::Size(level.cols / 2, level.rows / 2), 0, 0, cv::INTER_AREA);
        level = next;
    }
    m_created = true;
    return true;
}

bool SURF::AddTemp(const cv::Mat& window, int mode, int threshold, int minScore)
{
    Q_UNUSED(mode);
    Q_UNUSED(threshold);
    if (!m_created || window.cols != m_size.width || window.rows != m_size.height)
        return false;
    const cv::Mat f = toFloatGrey(window);
    if (f.empty())
        return false;
    const std::vector<cv::Mat> pyr = pyramid(f);
    Model model;
    for (size_t l = 0; l < m_masks.size(); ++l) {
        const LevelMask& lm = m_masks[l];
        const cv::Rect inner(lm.margin, lm.margin, lm.weight.cols, lm.weight.rows);
        const cv::Mat t = pyr[l](inner);
        const double n = std::max(lm.count, 1.0);
        const double mean = t.dot(lm.weight) / n;
        LevelModel lv;
        lv.zeroMean = (t - mean).mul(lm.weight);
        lv.sumSq = lv.zeroMean.dot(lv.zeroMean);
        if (l == 0) {
            model.mean = mean;
            model.flat = lm.count < 4 || std::sqrt(lv.sumSq / n) < kFlatStdDev;
        }
        model.levels.push_back(lv);
    }
    m_models.push_back(model);
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
    const cv::Mat f = toFloatGrey(window);
    if (f.empty())
        return 0.f;
    const std::vector<cv::Mat> pyr = pyramid(f);
    const int top = static_cast<int>(m_masks.size()) - 1;
    std::vector<cv::Mat> squares(pyr.size());
    // Window sums per level and shift, filled as the templates ask for them.
    std::vector<std::vector<WindowSums>> sums(pyr.size());
    for (size_t l = 0; l < m_masks.size(); ++l) {
        const int side = 2 * m_masks[l].margin + 1;
        sums[l].assign(size_t(side) * size_t(side), WindowSums());
    }
    double best = 0;
    for (const Model& model : m_models) {
        double score = 0;
        if (model.flat) {
            // Nothing to correlate: compare the mean grey level.
            const LevelMask& lm = m_masks[0];
            const cv::Mat part = f(cv::Rect(lm.margin, lm.margin, lm.weight.cols, lm.weight.rows));
            const double mean = part.dot(lm.weight) / std::max(lm.count, 1.0);
            score = std::max(0.0, 100.0 - std::abs(mean - model.mean) * 100.0 / 64.0);
        } else {
            cv::Point at(0, 0);
            double r = -1;
            for (int l = top; l >= 0; --l) {
                const cv::Mat& img = pyr[static_cast<size_t>(l)];
                cv::Mat& sq = squares[static_cast<size_t>(l)];
                if (sq.empty())
                    sq = img.mul(img);
                const LevelMask& lm = m_masks[static_cast<size_t>(l)];
                const LevelModel& lv = model.levels[static_cast<size_t>(l)];
                const int reach = l == top ? lm.margin : 1;
                const cv::Point centre = l == top ? cv::Point(0, 0) : at * 2;
                r = -1;
                cv::Point bestAt = centre;
                for (int dy = -reach; dy <= reach; ++dy)
                    for (int dx = -reach; dx <= reach; ++dx) {
                        const cv::Point s(centre.x + dx, centre.y + dy);
                        if (std::abs(s.x) > lm.margin || std::abs(s.y) > lm.margin)
                            continue;
                        WindowSums& ws = sums[static_cast<size_t>(l)][size_t((s.y + lm.margin) * (2 * lm.margin + 1)
                                                                             + s.x + lm.margin)];
                        const double v = zncc(img, sq, lv.zeroMean, lv.sumSq, lm.weight, std::max(lm.count, 1.0),
                                              lm.margin, s, ws);
                        if (v > r) {
                            r = v;
                            bestAt = s;
                        }
                    }
                at = bestAt;
            }
            score = std::clamp(r, 0.0, 1.0) * 100.0;
        }
        best = std::max(best, score);
    }
    return static_cast<float>(best);
}

void SURF::Clear()
{
    m_size = cv::Size();
    m_masks.clear();
    m_models.clear();
    m_minScore = 80;
    m_created = false;
    m_valid = false;
}
