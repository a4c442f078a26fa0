#include "VeilFit.h"

#include <opencv2/core/hal/intrin.hpp>
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
    m_fieldDue = false;
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
    m_cols = lit.cols;
    m_rows = lit.rows;
    m_cw = cw;
    m_ch = ch;
    m_fieldDue = true;
    return true;
}

void VeilFit::MakeField() const
{
    m_fieldDue = false;
    const int gw = m_cells.cols, gh = m_cells.rows;
    // Between cell centres the share runs linearly, and on past the outer
    // ones to the window's edge (a veil does not level off there).
    std::vector<int> c0(static_cast<size_t>(m_cols));
    std::vector<float> fx(static_cast<size_t>(m_cols));
    for (int c = 0; c < m_cols; ++c) {
        const double u = gw > 1 ? (c + 0.5) / m_cw - 0.5 : 0.0;
        c0[size_t(c)] = std::clamp(int(std::floor(u)), 0, std::max(gw - 2, 0));
        fx[size_t(c)] = float(u - c0[size_t(c)]);
    }
    m_field.create(cv::Size(m_cols, m_rows), CV_32F);
    // Along a row of cells the two rows of centres, interpolated across, are
    // the same for every pixel row: taken once per row of cells.
    std::vector<float> tops(static_cast<size_t>(m_cols)), bottoms(static_cast<size_t>(m_cols));
    int across = -1;
    for (int r = 0; r < m_rows; ++r) {
        const double v = gh > 1 ? (r + 0.5) / m_ch - 0.5 : 0.0;
        const int r0 = std::clamp(int(std::floor(v)), 0, std::max(gh - 2, 0));
        const float fy = float(v - r0);
        if (r0 != across) {
            across = r0;
            const float* top = m_cells.ptr<float>(r0);
            const float* bottom = m_cells.ptr<float>(std::min(r0 + 1, gh - 1));
            for (int c = 0; c < m_cols; ++c) {
                const int a = c0[size_t(c)], b = std::min(a + 1, gw - 1);
                tops[size_t(c)] = top[a] + fx[size_t(c)] * (top[b] - top[a]);
                bottoms[size_t(c)] = bottom[a] + fx[size_t(c)] * (bottom[b] - bottom[a]);
            }
        }
        float* out = m_field.ptr<float>(r);
        const float* pt = tops.data();
        const float* pd = bottoms.data();
        int c = 0;
#if CV_SIMD128
        // std::clamp's own choices, lane by lane.
        const cv::v_float32x4 fyV = cv::v_setall_f32(fy), zero = cv::v_setzero_f32(), most = cv::v_setall_f32(kMaxShare);
        for (; c + 4 <= m_cols; c += 4) {
            const cv::v_float32x4 t = cv::v_load(pt + c);
            const cv::v_float32x4 x = t + fyV * (cv::v_load(pd + c) - t);
            cv::v_store(out + c, cv::v_select(x < zero, zero, cv::v_select(most < x, most, x)));
        }
#endif
        for (; c < m_cols; ++c)
            out[c] = std::clamp(pt[c] + fy * (pd[c] - pt[c]), 0.f, kMaxShare);
    }
}

bool VeilFit::Broad(float least) const
{
    for (int r = 0; r + 1 < m_cells.rows; ++r)
        for (int c = 0; c + 1 < m_cells.cols; ++c)
            if (std::min(std::min(m_cells.at<float>(r, c), m_cells.at<float>(r, c + 1)),
                         std::min(m_cells.at<float>(r + 1, c), m_cells.at<float>(r + 1, c + 1)))
                >= least)
                return true;
    return false;
}

namespace {
// Linear interpolation between cell centres along one axis (on past the
// outer ones): the lower cell and the weight of the upper one.
void Axis(int length, int cells, std::vector<int>& lower, std::vector<float>& upper)
{
    const double size = double(length) / cells;
    lower.resize(size_t(length));
    upper.resize(size_t(length));
    for (int i = 0; i < length; ++i) {
        const double u = cells > 1 ? (i + 0.5) / size - 0.5 : 0.0;
        lower[size_t(i)] = std::clamp(int(std::floor(u)), 0, std::max(cells - 2, 0));
        upper[size_t(i)] = float(u - lower[size_t(i)]);
    }
}
}  // namespace

bool VeilFit::FitWithLighting(const cv::Mat& x, const cv::Mat& y, const cv::Mat& use, const cv::Mat& tol,
                              LightingPlane& light, float* thickest)
{
    constexpr int kTerms = 6;            // x, 1, u, v, u^2, v^2
    constexpr double kSmooth = 2.0e5;    // per (share step between neighbours)^2, in grey levels^2
    constexpr double kSmall = 1.0;       // keeps the system solvable where a cell has no pixel
    constexpr int kRounds = 4;
    constexpr double kThin = 0.02;      // a share that hardly changes the picture
    constexpr double kThinPart = 0.25;  // of the cells the pixels tell
    constexpr double kDip = 0.06;       // share below the cells around
    constexpr int kLoose = 2;  // rounds before the surface is first anchored
    constexpr double kGauge = 1.0e8;
    const int gw = std::max(1, (x.cols + kJointCell / 2) / kJointCell);
    const int gh = std::max(1, (x.rows + kJointCell / 2) / kJointCell);
    const int cells = gw * gh, n = kTerms + cells;
    std::vector<int> cx, cy;
    std::vector<float> fx, fy;
    Axis(x.cols, gw, cx, fx);
    Axis(x.rows, gh, cy, fy);
    const bool bytes = x.depth() == CV_8U;
    LightingPlane l = light;
    cv::Mat_<double> s(n, 1, 0.0);  // lighting terms, then shares
    s(0) = l.gain;
    s(1) = l.offset;
    s(2) = l.slopeX;
    s(3) = l.slopeY;
    s(4) = l.bendX;
    s(5) = l.bendY;
    cv::Mat_<double> a(n, n), b(n, 1);
    std::vector<double> weight(static_cast<size_t>(cells));
    // The thinnest veil over cells the pixels tell is none: with s = least +
    // (1 - least) * s', (1 - s) * lit + 255 * s = (1 - s') * lit' + 255 * s',
    // lit' = (1 - least) * lit + 255 * least. `broad`: a dip of one cell (a
    // dark object) does not anchor it.
    double most = 0, dip = 0;
    auto anchor = [&](bool broad) {
        double least = std::numeric_limits<double>::infinity(), wide = least;
        most = -least;
        for (int gr = 0; gr < gh; ++gr)
            for (int gc = 0; gc < gw; ++gc) {
                if (weight[size_t(gr * gw + gc)] < kLeastSamples)
                    continue;
                const double v = s(kTerms + gr * gw + gc);
                double around = v;
                for (int dr = -1; dr <= 1; ++dr)
                    for (int dc = -1; dc <= 1; ++dc) {
                        const int rr = gr + dr, cc = gc + dc;
                        if (rr >= 0 && cc >= 0 && rr < gh && cc < gw)
                            around = std::max(around, s(kTerms + rr * gw + cc));
                    }
                most = std::max(most, v);
                least = std::min(least, v);
                wide = std::min(wide, around);
            }
        if (!std::isfinite(least) || wide >= 1.0 || s(0) <= 0.0)
            return false;
        dip = wide - least;
        if (broad)
            least = wide;
        const double keep = 1.0 - least;
        for (int i = 0; i < kTerms; ++i)
            s(i) *= keep;
        s(1) += 255.0 * least;
        for (int i = 0; i < cells; ++i)
            s(kTerms + i) = (s(kTerms + i) - least) / keep;
        most = (most - least) / keep;
        dip /= keep;
        return true;
    };
    for (int round = 0; round < kRounds; ++round) {
        a = 0.0;
        b = 0.0;
        std::fill(weight.begin(), weight.end(), 0.0);
        for (int r = 0; r < x.rows; r += kLightingFitStride) {
            const uchar* py = y.ptr<uchar>(r);
            const uchar* pu = use.ptr<uchar>(r);
            const float* pt = tol.ptr<float>(r);
            const double v = (r - l.cy) / l.span;
            const int r0 = cy[size_t(r)], r1 = std::min(r0 + 1, gh - 1);
            const double wy = fy[size_t(r)];
            for (int c = 0; c < x.cols; c += kLightingFitStride) {
                if (!pu[c] || Clipped(py[c]))
                    continue;
                const double u = (c - l.cx) / l.span;
                const double xv = bytes ? double(x.ptr<uchar>(r)[c]) : double(x.ptr<float>(r)[c]);
                const double basis[kTerms] = {xv, 1.0, u, v, u * u, v * v};
                const int c0 = cx[size_t(c)], c1 = std::min(c0 + 1, gw - 1);
                const double wx = fx[size_t(c)];
                const int at[4] = {r0 * gw + c0, r0 * gw + c1, r1 * gw + c0, r1 * gw + c1};
                const double w[4] = {(1 - wy) * (1 - wx), (1 - wy) * wx, wy * (1 - wx), wy * wx};
                double lit = 0, share = 0;
                for (int k = 0; k < kTerms; ++k)
                    lit += s(k) * basis[k];
                for (int k = 0; k < 4; ++k)
                    share += w[k] * s(kTerms + at[k]);
                const double e = py[c] - ((1 - share) * lit + 255.0 * share);
                // A veil never darkens, nor lifts beyond kMaxShare; once the
                // surface is anchored, a pixel darker than the lighting alone,
                // or one the fit cannot explain (a foreign object, a chip),
                // no longer pulls it.
                const double t = 2.0 * s(0) * pt[c] + 4.0;
                if (e < -t || e > kMaxShare * (255.0 - lit) + t
                    || (round >= kLoose && (std::abs(e) > t || py[c] < lit - t)))
                    continue;
                double j[kTerms + 4];
                int idx[kTerms + 4];
                for (int k = 0; k < kTerms; ++k) {
                    j[k] = (1 - share) * basis[k];
                    idx[k] = k;
                }
                for (int k = 0; k < 4; ++k) {
                    j[kTerms + k] = (255.0 - lit) * w[k];
                    idx[kTerms + k] = kTerms + at[k];
                    weight[size_t(at[k])] += std::abs(w[k]);
                }
                for (int p = 0; p < kTerms + 4; ++p) {
                    b(idx[p]) += j[p] * e;
                    double* row = a[idx[p]];
                    for (int q = 0; q < kTerms + 4; ++q)
                        row[idx[q]] += j[p] * j[q];
                }
            }
        }
        // Neighbouring shares alike, and the gradient of that penalty.
        for (int gr = 0; gr < gh; ++gr)
            for (int gc = 0; gc < gw; ++gc) {
                const int i = kTerms + gr * gw + gc;
                a(i, i) += kSmall;
                b(i) -= kSmall * s(i);
                auto pair = [&](int j) {
                    a(i, i) += kSmooth;
                    a(j, j) += kSmooth;
                    a(i, j) -= kSmooth;
                    a(j, i) -= kSmooth;
                    const double d = s(i) - s(j);
                    b(i) -= kSmooth * d;
                    b(j) += kSmooth * d;
                };
                if (gc + 1 < gw)
                    pair(i + 1);
                if (gr + 1 < gh)
                    pair(i + gw);
            }
        // An even share is lighting (gain and offset) too: a step may not
        // move the shares' mean; the anchor below sets it.
        const double k = kGauge / double(cells) / double(cells);
        for (int i = 0; i < cells; ++i)
            for (int j = 0; j < cells; ++j)
                a(kTerms + i, kTerms + j) += k;
        cv::Mat_<double> step;
        if (!cv::solve(a, b, step, cv::DECOMP_CHOLESKY))
            return false;
        s += step;
        if (round + 1 == kLoose && !anchor(true))
            return false;
    }
    if (!anchor(false))
        return false;
    // Where the veil is thinnest must be a broad part of the window, or no
    // narrow dip below its surroundings: a dark object on a clear frame
    // reads as a veil everywhere else, thinnest over the object.
    int told = 0, thin = 0;
    for (int i = 0; i < cells; ++i)
        if (weight[size_t(i)] >= kLeastSamples) {
            ++told;
            thin += s(kTerms + i) <= kThin;
        }
    if (thin < kThinPart * told && dip > kDip)
        return false;
    l.gain = s(0);
    l.offset = s(1);
    l.slopeX = s(2);
    l.slopeY = s(3);
    l.bendX = s(4);
    l.bendY = s(5);
    light = l;
    if (thickest)
        *thickest = float(most);
    return true;
}
