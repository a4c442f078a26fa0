#include "VeilFit.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr int kStride = 2;          // every other row and column tells the cell's share well enough
constexpr float kLeastRoom = 32.f;  // grey levels below white: a near-white pixel tells little of s
constexpr size_t kLeastSamples = 24;
constexpr float kNone = 0.005f;     // a field below this everywhere is no veil
}  // namespace

void VeilFit::LowerEnvelope(cv::Mat& cells, float step)
{
    const float diag = step * float(std::sqrt(2.0));
    auto relax = [&](int r, int c, int dr, int dc, float w) {
        const int rr = r + dr, cc = c + dc;
        if (rr < 0 || cc < 0 || rr >= cells.rows || cc >= cells.cols)
            return;
        float& v = cells.at<float>(r, c);
        v = std::min(v, cells.at<float>(rr, cc) + w);
    };
    for (int r = 0; r < cells.rows; ++r)
        for (int c = 0; c < cells.cols; ++c) {
            relax(r, c, 0, -1, step);
            relax(r, c, -1, 0, step);
            relax(r, c, -1, -1, diag);
            relax(r, c, -1, 1, diag);
        }
    for (int r = cells.rows - 1; r >= 0; --r)
        for (int c = cells.cols - 1; c >= 0; --c) {
            relax(r, c, 0, 1, step);
            relax(r, c, 1, 0, step);
            relax(r, c, 1, 1, diag);
            relax(r, c, 1, -1, diag);
        }
    for (int r = 0; r < cells.rows; ++r)
        for (int c = 0; c < cells.cols; ++c) {
            float& v = cells.at<float>(r, c);
            v = std::isfinite(v) ? std::clamp(v, 0.f, kMaxShare) : 0.f;
        }
}

bool VeilFit::Fit(const cv::Mat& lit, const cv::Mat& y, const cv::Mat& use)
{
    m_field.release();
    // Cells of about kCell px that split the window evenly.
    const int gw = std::max(1, (lit.cols + kCell / 2) / kCell), gh = std::max(1, (lit.rows + kCell / 2) / kCell);
    const double cw = double(lit.cols) / gw, ch = double(lit.rows) / gh;
    m_cells.create(gh, gw, CV_32F);
    bool any = false;
    for (int gr = 0; gr < gh; ++gr)
        for (int gc = 0; gc < gw; ++gc) {
            m_ratios.clear();
            const int r0 = int(gr * ch), r1 = int((gr + 1) * ch), c0 = int(gc * cw), c1 = int((gc + 1) * cw);
            for (int r = r0 + (r0 & 1); r < r1; r += kStride) {
                const float* pl = lit.ptr<float>(r);
                const uchar* py = y.ptr<uchar>(r);
                const uchar* pu = use.ptr<uchar>(r);
                for (int c = c0 + (c0 & 1); c < c1; c += kStride) {
                    const float room = 255.f - pl[c];
                    if (pu[c] && py[c] != 0 && py[c] != 255 && room >= kLeastRoom)
                        m_ratios.push_back((float(py[c]) - pl[c]) / room);
                }
            }
            float s = std::numeric_limits<float>::infinity();  // not measured: the envelope decides
            if (m_ratios.size() >= kLeastSamples) {
                const auto mid = m_ratios.begin() + long(m_ratios.size() / 2);
                std::nth_element(m_ratios.begin(), mid, m_ratios.end());
                s = *mid;
                any = true;
            }
            m_cells.at<float>(gr, gc) = s;
        }
    if (!any)
        return false;
    LowerEnvelope(m_cells, float(kMaxSlope * std::min(cw, ch)));
    double most = 0;
    cv::minMaxLoc(m_cells, nullptr, &most);
    if (most < kNone)
        return false;
    // Between cell centres the share runs linearly, and on past the outer
    // ones to the window's edge (a veil does not level off there).
    std::vector<int> c0(size_t(lit.cols));
    std::vector<float> fx(size_t(lit.cols));
    for (int c = 0; c < lit.cols; ++c) {
        const double u = gw > 1 ? (c + 0.5) / cw - 0.5 : 0.0;
        c0[size_t(c)] = std::clamp(int(std::floor(u)), 0, std::max(gw - 2, 0));
        fx[size_t(c)] = float(u - c0[size_t(c)]);
    }
    m_field.create(lit.size(), CV_32F);
    for (int r = 0; r < lit.rows; ++r) {
        const double v = gh > 1 ? (r + 0.5) / ch - 0.5 : 0.0;
        const int r0 = std::clamp(int(std::floor(v)), 0, std::max(gh - 2, 0));
        const float fy = float(v - r0);
        const float* top = m_cells.ptr<float>(r0);
        const float* bottom = m_cells.ptr<float>(std::min(r0 + 1, gh - 1));
        float* out = m_field.ptr<float>(r);
        for (int c = 0; c < lit.cols; ++c) {
            const int a = c0[size_t(c)], b = std::min(a + 1, gw - 1);
            const float t = top[a] + fx[size_t(c)] * (top[b] - top[a]);
            const float d = bottom[a] + fx[size_t(c)] * (bottom[b] - bottom[a]);
            out[c] = std::clamp(t + fy * (d - t), 0.f, kMaxShare);
        }
    }
    return true;
}
