#include "LightingFit.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace {
constexpr int kFitStride = 2;  // every other row and column fits the lighting well enough

// Calls f(column, row, x, y, tolerance) for each used pixel of the fit grid in scan order
// and stops early when f returns false. An absent y reads 0; an absent tol
// reads -inf, which never raises a limit. x is CV_32F, or CV_8U (a
// reference of whole grey levels, read as the same values).
template <class T, class F>
bool ForEachFitPixelOf(const cv::Mat& x, const cv::Mat& y, const cv::Mat& use, const cv::Mat& tol, F& f)
{
    for (int r = 0; r < x.rows; r += kFitStride) {
        const T* px = x.ptr<T>(r);
        const uchar* py = y.empty() ? nullptr : y.ptr<uchar>(r);
        const uchar* pu = use.ptr<uchar>(r);
        const float* pt = tol.empty() ? nullptr : tol.ptr<float>(r);
        for (int c = 0; c < x.cols; c += kFitStride)
            if (pu[c] && !f(c, r, double(px[c]), py ? int(py[c]) : 0, pt ? double(pt[c]) : -HUGE_VAL))
                return false;
    }
    return true;
}

template <class F>
bool ForEachFitPixel(const cv::Mat& x, const cv::Mat& y, const cv::Mat& use, const cv::Mat& tol, F&& f)
{
    return x.depth() == CV_8U ? ForEachFitPixelOf<uchar>(x, y, use, tol, f) : ForEachFitPixelOf<float>(x, y, use, tol, f);
}

// The least-squares line through the sums; `limit` becomes three times the
// residual spread, the bound of a second fit.
Lighting Solve(double n, double sx, double sy, double sxx, double sxy, double syy, double& limit)
{
    Lighting l;
    const double var = sxx - sx * sx / n;
    l.gain = var > n ? std::clamp((sxy - sx * sy / n) / var, 0.5, 2.0) : 1.0;
    l.offset = (sy - l.gain * sx) / n;
    const double res = (syy - 2 * l.gain * sxy - 2 * l.offset * sy + l.gain * l.gain * sxx
                        + 2 * l.gain * l.offset * sx + n * l.offset * l.offset) / n;
    limit = 3.0 * std::sqrt(std::max(res, 1.0));
    return l;
}
}  // namespace

Lighting FitLighting(const cv::Mat& x, const cv::Mat& y, const cv::Mat& use, const cv::Mat& tol)
{
    Lighting l;
    double limit = 1e9;
    for (int pass = 0; pass < 2; ++pass) {
        double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
        ForEachFitPixel(x, y, use, tol, [&](int, int, double a, int yb, double t) {
            const double b = yb;
            if (pass > 0 && std::abs(b - (l.gain * a + l.offset)) > std::max(limit, t))
                return true;
            n += 1;
            sx += a;
            sy += b;
            sxx += a * a;
            sxy += a * b;
            syy += b * b;
            return true;
        });
        if (n < 8)
            return pass == 0 ? Lighting() : l;
        l = Solve(n, sx, sy, sxx, sxy, syy, limit);
    }
    return l;
}

void PreparedLightingFit::Prepare(const cv::Mat& x, const cv::Mat& use)
{
    n = sx = sxx = 0;
    scaled.clear();
    int frac = 0;      // fractional bits the values need
    double bound = 0;  // largest |cross sum| a window can give
    bool finite = true;
    ForEachFitPixel(x, cv::Mat(), use, cv::Mat(), [&](int, int, double a, int, double) {
        n += 1;
        sx += a;
        sxx += a * a;
        if (!std::isfinite(a)) {
            finite = false;
            return true;
        }
        bound += std::abs(a) * 255.0;
        if (a != 0) {
            int e = 0;
            std::frexp(a, &e);  // |a| in [2^(e-1), 2^e): 24 bits from 2^(e-1) down
            frac = std::max(frac, 24 - e);
        }
        return true;
    });
    exactCross = finite && frac <= 60 && std::ldexp(bound, std::max(frac, 0)) < 0x1p52;  // a margin for the rounded bound
    if (!exactCross)
        return;
    shift = std::max(frac, 0);
    ForEachFitPixel(x, cv::Mat(), use, cv::Mat(), [&](int, int, double a, int, double) {
        scaled.push_back(int64_t(std::ldexp(a, shift)));
        return true;
    });
}

Lighting PreparedLightingFit::Estimate(const cv::Mat& x, const cv::Mat& y, const cv::Mat& use, const cv::Mat& tol) const
{
    if (n < 8)
        return Lighting();
    // FitLighting's sums, taken as described above; each double that is
    // still a running sum adds in FitLighting's order.
    struct Sums {
        int64_t n = 0, sy = 0, syy = 0;
        int64_t sxScaled = 0, sxyScaled = 0;
        double sx = 0, sxx = 0, sxy = 0;
    };
    auto solve = [&](const Sums& t, double nn, double sx_, double sxx_, double& limit) {
        const double sxy = exactCross ? std::ldexp(double(t.sxyScaled), -shift) : t.sxy;
        return Solve(nn, sx_, double(t.sy), sxx_, sxy, double(t.syy), limit);
    };

    Sums first;
    size_t k = 0;
    ForEachFitPixel(x, y, use, cv::Mat(), [&](int, int, double a, int b, double) {
        first.sy += b;
        first.syy += b * b;
        if (exactCross)
            first.sxyScaled += scaled[k++] * b;
        else
            first.sxy += a * double(b);
        return true;
    });
    double limit = 0;
    const Lighting l = solve(first, n, sx, sxx, limit);

    // The second fit leaves out pixels far off the first; when it leaves out
    // none, it sums what the first summed and ends where it did.
    auto far = [&](double a, int b, double t) {
        return std::abs(double(b) - (l.gain * a + l.offset)) > std::max(limit, t);
    };
    if (ForEachFitPixel(x, y, use, tol, [&](int, int, double a, int b, double t) { return !far(a, b, t); }))
        return l;
    Sums second;
    k = 0;
    ForEachFitPixel(x, y, use, tol, [&](int, int, double a, int b, double t) {
        const size_t i = k++;
        if (far(a, b, t))
            return true;
        ++second.n;
        second.sy += b;
        second.syy += b * b;
        second.sxx += a * a;
        if (exactCross) {
            second.sxScaled += scaled[i];
            second.sxyScaled += scaled[i] * b;
        } else {
            second.sx += a;
            second.sxy += a * double(b);
        }
        return true;
    });
    if (second.n < 8)
        return l;
    const double sx2 = exactCross ? std::ldexp(double(second.sxScaled), -shift) : second.sx;
    return solve(second, double(second.n), sx2, second.sxx, limit);
}

namespace {
// Solves the normal equations; false when they are singular or the gain
// leaves its range (then the caller keeps a plain gain and offset).
bool SolvePlane(const PreparedLightingPlane::Normal& a, const PreparedLightingPlane::Terms& b,
                PreparedLightingPlane::Terms& theta)
{
    constexpr int n = PreparedLightingPlane::kTerms;
    PreparedLightingPlane::Normal m = a;
    theta = b;
    if (!cv::Cholesky(m.val, n * sizeof(double), n, theta.val, sizeof(double), 1))
        return false;
    return std::isfinite(theta[0]) && theta[0] >= 0.5 && theta[0] <= 2.0;
}

void Mirror(PreparedLightingPlane::Normal& m)
{
    for (int i = 0; i < PreparedLightingPlane::kTerms; ++i)
        for (int k = 0; k < i; ++k)
            m(i, k) = m(k, i);
}

void AddOuter(PreparedLightingPlane::Normal& m, const PreparedLightingPlane::Terms& j)
{
    for (int i = 0; i < PreparedLightingPlane::kTerms; ++i)
        for (int k = i; k < PreparedLightingPlane::kTerms; ++k)
            m(i, k) += j[i] * j[k];
}
}  // namespace

void PreparedLightingPlane::Prepare(const cv::Mat& x, const cv::Mat& use, const PreparedLightingPlane* sameSize)
{
    m_cx = (x.cols - 1) / 2.0;
    m_cy = (x.rows - 1) / 2.0;
    m_span = std::max(1, std::max(x.cols, x.rows));
    if (sameSize && sameSize->m_axes && sameSize->m_cols == x.cols && sameSize->m_rows == x.rows) {
        m_axes = sameSize->m_axes;
    } else {
        auto axes = std::make_shared<Axes>();
        axes->terms.resize(2 * size_t(x.cols) + 2 * size_t(x.rows));
        double* u = axes->terms.data();
        double* uu = u + x.cols;
        double* v = uu + x.cols;
        double* vv = v + x.rows;
        for (int c = 0; c < x.cols; ++c) {
            u[c] = (c - m_cx) / m_span;
            uu[c] = u[c] * u[c];
        }
        for (int r = 0; r < x.rows; ++r) {
            v[r] = (r - m_cy) / m_span;
            vv[r] = v[r] * v[r];
        }
        m_axes = std::move(axes);
    }
    m_cols = x.cols;
    m_rows = x.rows;
    m_u = m_axes->terms.data();
    m_uu = m_u + m_cols;
    m_v = m_uu + m_cols;
    m_vv = m_v + m_rows;
    m_n = 0;
    m_xx = Normal::zeros();
    ForEachFitPixel(x, cv::Mat(), use, cv::Mat(), [&](int c, int r, double a, int, double) {
        AddOuter(m_xx, Basis(a, c, r));
        m_n += 1;
        return true;
    });
    Mirror(m_xx);
}

LightingPlane PreparedLightingPlane::Estimate(const cv::Mat& x, const cv::Mat& y, const cv::Mat& use,
                                              const cv::Mat& tol, bool clips) const
{
    auto clipped = [clips](int v) { return clips && Clipped(v); };
    LightingPlane l;
    l.cx = m_cx;
    l.cy = m_cy;
    l.span = m_span;
    if (m_n < 16 || x.size() != y.size() || x.cols != m_cols || x.rows != m_rows)
        return l;
    // First fit over every pixel: the reference's sums are kept, the window's
    // are taken now, row by row (the row's own terms multiply its sums once).
    // A clipped pixel (0 or 255) only bounds the light there: it stays out of
    // both fits, and its share of the reference's sums is taken back out, so
    // highlights gone white do not pull the gain down.
    Terms b = Terms::zeros();
    double syy = 0;
    Normal clippedXX = Normal::zeros();
    int nClipped = 0;
    // x holds floats, or whole grey levels in bytes: the same values either way.
    auto firstSums = [&](auto* pixelType) {
        using T = std::remove_pointer_t<decltype(pixelType)>;
        for (int r = 0; r < x.rows; r += kFitStride) {
            const T* px = x.ptr<T>(r);
            const uchar* py = y.ptr<uchar>(r);
            const uchar* pu = use.ptr<uchar>(r);
            double sv = 0, sxv = 0, suv = 0, suuv = 0;
            int64_t svv = 0;
            for (int c = 0; c < x.cols; c += kFitStride) {
                if (!pu[c])
                    continue;
                if (clipped(py[c])) {
                    AddOuter(clippedXX, Basis(px[c], c, r));
                    ++nClipped;
                    continue;
                }
                const double v = py[c];
                sv += v;
                sxv += float(px[c]) * v;
                suv += m_u[size_t(c)] * v;
                suuv += m_uu[size_t(c)] * v;
                svv += int64_t(py[c]) * py[c];
            }
            b[0] += sxv;
            b[1] += sv;
            b[2] += suv;
            b[3] += m_v[size_t(r)] * sv;
            b[4] += suuv;
            b[5] += m_vv[size_t(r)] * sv;
            syy += double(svv);
        }
    };
    if (x.depth() == CV_8U)
        firstSums(static_cast<uchar*>(nullptr));
    else
        firstSums(static_cast<float*>(nullptr));
    Normal a1 = m_xx;
    double n1 = m_n;
    if (nClipped > 0) {
        Mirror(clippedXX);
        a1 -= clippedXX;
        n1 -= nClipped;
    }
    Terms theta;
    if (n1 < 16 || !SolvePlane(a1, b, theta)) {
        // A reference too flat to tell gain from the surface: gain and offset alone.
        // A fresh matrix: assigning the expression to one that shares `use`
        // would write into the caller's mask.
        const cv::Mat known = nClipped > 0 ? cv::Mat(use & Unclipped(y)) : use;
        const Lighting flat = FitLighting(x, y, known, tol);
        l.gain = flat.gain;
        l.offset = flat.offset;
        return l;
    }
    auto take = [&](const Terms& t) {
        l.gain = t[0];
        l.offset = t[1];
        l.slopeX = t[2];
        l.slopeY = t[3];
        l.bendX = t[4];
        l.bendY = t[5];
    };
    take(theta);
    // Residual spread of the first fit: sum (y - J theta)^2 = syy - theta . b at the solution.
    const double limit = 3.0 * std::sqrt(std::max((syy - theta.dot(b)) / n1, 1.0));
    // The first fit's surface per column and per row.
    cv::AutoBuffer<double, 512> column(size_t(x.cols)), row(size_t(x.rows));
    for (int c = 0; c < x.cols; ++c)
        column[size_t(c)] = l.slopeX * m_u[size_t(c)] + l.bendX * m_uu[size_t(c)];
    for (int r = 0; r < x.rows; ++r)
        row[size_t(r)] = l.offset + l.slopeY * m_v[size_t(r)] + l.bendY * m_vv[size_t(r)];
    auto far = [&](int c, int r, double a, double v, double t) {
        return std::abs(v - (l.gain * a + column[size_t(c)] + row[size_t(r)])) > std::max(limit, t);
    };
    // The second fit is the first without the far pixels: their share is
    // taken back out of the sums, so only they cost anything.
    Normal a2 = a1;
    Terms b2 = b;
    double n2 = n1;
    ForEachFitPixel(x, y, use, tol, [&](int c, int r, double a, int v, double t) {
        if (clipped(v) || !far(c, r, a, v, t))
            return true;
        const Terms j = Basis(a, c, r);
        for (int i = 0; i < kTerms; ++i) {
            b2[i] -= j[i] * v;
            for (int k = i; k < kTerms; ++k)
                a2(i, k) -= j[i] * j[k];
        }
        n2 -= 1;
        return true;
    });
    if (n2 == n1)
        return l;
    if (n2 < 16)
        return l;
    Mirror(a2);
    if (SolvePlane(a2, b2, theta))
        take(theta);
    return l;
}
