#include "LightingFit.h"

#include <opencv2/core/hal/intrin.hpp>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kFitStride = kLightingFitStride;

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
#if CV_SIMD128
// The even-numbered of sixteen values from p on, as floats.
inline void LoadEven(const float* p, cv::v_float32x4& a03, cv::v_float32x4& a47)
{
    cv::v_float32x4 odd;
    cv::v_load_deinterleave(p, a03, odd);
    cv::v_load_deinterleave(p + 8, a47, odd);
}

inline void LoadEven(const uchar* p, cv::v_float32x4& a03, cv::v_float32x4& a47)
{
    cv::v_uint32x4 u03, u47;
    cv::v_expand(cv::v_reinterpret_as_u16(cv::v_load(p)) & cv::v_setall_u16(0xff), u03, u47);
    a03 = cv::v_cvt_f32(cv::v_reinterpret_as_s32(u03));
    a47 = cv::v_cvt_f32(cv::v_reinterpret_as_s32(u47));
}
#endif

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

void PreparedLightingPlane::Prepare(const cv::Mat& x, const cv::Mat& use, const PreparedLightingPlane* sameSize,
                                    bool sameUse)
{
    m_cx = (x.cols - 1) / 2.0;
    m_cy = (x.rows - 1) / 2.0;
    m_span = std::max(1, std::max(x.cols, x.rows));
    const bool lent = sameSize && sameSize->m_axes && sameSize->m_cols == x.cols && sameSize->m_rows == x.rows;
    if (lent) {
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
    m_finite = cv::checkRange(x);
    if (lent && sameUse) {
        // Each sum is its own, over the pixels in scan order: x's row sums
        // alone taken, as AddOuter takes them, the same to the bit. Most of
        // a softened copy's preparing in training went on the other fifteen.
        m_n = sameSize->m_n;
        m_xx = sameSize->m_xx;
        Terms first = Terms::zeros();
        ForEachFitPixel(x, cv::Mat(), use, cv::Mat(), [&](int c, int r, double a, int, double) {
            const Terms j = Basis(a, c, r);
            for (int k = 0; k < kTerms; ++k)
                first[k] += j[0] * j[k];
            return true;
        });
        for (int k = 0; k < kTerms; ++k)
            m_xx(0, k) = first[k];
        Mirror(m_xx);
        return;
    }
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
                                              const cv::Mat& tol, bool clips, WindowSums* window) const
{
    return Fit(x, y, use, tol, clips, false, window);
}

LightingPlane PreparedLightingPlane::EstimatePlain(const cv::Mat& x, const cv::Mat& y, const cv::Mat& use,
                                                   const cv::Mat& tol, bool clips) const
{
    return Fit(x, y, use, tol, clips, true, nullptr);
}

LightingPlane PreparedLightingPlane::Fit(const cv::Mat& x, const cv::Mat& y, const cv::Mat& use, const cv::Mat& tol,
                                         bool clips, bool plain, WindowSums* window) const
{
    // x holds floats, or whole grey levels in bytes: the same values either way.
    return x.depth() == CV_8U ? FitOf<uchar>(x, y, use, tol, clips, plain, window)
                              : FitOf<float>(x, y, use, tol, clips, plain, window);
}

template <class T>
LightingPlane PreparedLightingPlane::FitOf(const cv::Mat& x, const cv::Mat& y, const cv::Mat& use, const cv::Mat& tol,
                                           bool clips, bool plain, WindowSums* window) const
{
    auto clipped = [clips](int v) { return clips && Clipped(v); };
    LightingPlane l;
    l.cx = m_cx;
    l.cy = m_cy;
    l.span = m_span;
    if (m_n < 16 || x.size() != y.size() || x.cols != m_cols || x.rows != m_rows)
        return l;
#if CV_SIMD128_64F
    const bool lanes = !plain && !tol.empty();
#else
    const bool lanes = false;
#endif
    // First fit over every pixel: the reference's sums are kept, the window's
    // are taken now, row by row (the row's own terms multiply its sums once).
    // A clipped pixel (0 or 255) only bounds the light there: it stays out of
    // both fits, and its share of the reference's sums is taken back out, so
    // highlights gone white do not pull the gain down.
    Terms b = Terms::zeros();
    double syy = 0;
    Normal clippedXX = Normal::zeros();
    int nClipped = 0;
    if (window && !lanes)
        window->Forget();  // only the lanes below keep the window's sums
    // Adds one sampled row's sums to the fit's, in row order.
    auto addRow = [&](int r, double sxv, double sv, double suv, double suuv, int64_t svv) {
        b[0] += sxv;
        b[1] += sv;
        b[2] += suv;
        b[3] += m_v[size_t(r)] * sv;
        b[4] += suuv;
        b[5] += m_vv[size_t(r)] * sv;
        syy += double(svv);
    };
    if (!lanes) {
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
                sxv += px[c] * v;
                suv += m_u[size_t(c)] * v;
                suuv += m_uu[size_t(c)] * v;
                svv += int64_t(py[c]) * py[c];
            }
            addRow(r, sxv, sv, suv, suuv, svv);
        }
    }
#if CV_SIMD128_64F
    else if (window && window->m_kept && window->m_y == y.data && window->m_use == use.data
             && window->m_tol == tol.data && window->m_axes == m_axes.get() && window->m_size == x.size()
             && window->m_clips == clips && m_finite) {
        // The window's sums as kept; only the cross sum with this reference
        // is taken, each row's in column order as below. A pixel left out
        // holds 0 there, so a finite reference value adds a*0 = +-0, which
        // leaves a sum (never -0, as it starts at +0) as it is.
        b = window->m_b;
        syy = window->m_syy;
        nClipped = window->m_clipped;
        for (const cv::Point& p : window->m_clippedAt)
            AddOuter(clippedXX, Basis(x.ptr<T>(p.y)[p.x], p.x, p.y));
        constexpr int kRows = 4;
        const int sampled = (x.cols + kFitStride - 1) / kFitStride;
        const double* gv = window->m_values.data();
        b[0] = 0;
        for (int r0 = 0; r0 < x.rows; r0 += kFitStride * kRows, gv += size_t(sampled) * kRows) {
            // Rows past the window read the first one: their lanes are not taken.
            const T* px[kRows];
            for (int j = 0; j < kRows; ++j)
                px[j] = x.ptr<T>(r0 + j * kFitStride < x.rows ? r0 + j * kFitStride : r0);
            cv::v_float64x2 x01 = cv::v_setzero_f64(), x23 = x01;
            for (int i = 0; i < sampled; ++i) {
                const int c = i * kFitStride;
                const double* pv = gv + i * kRows;
                x01 = x01 + cv::v_float64x2(double(px[0][c]), double(px[1][c])) * cv::v_load(pv);
                x23 = x23 + cv::v_float64x2(double(px[2][c]), double(px[3][c])) * cv::v_load(pv + 2);
            }
            double sxv[kRows];
            cv::v_store(sxv, x01);
            cv::v_store(sxv + 2, x23);
            for (int j = 0; j < kRows && r0 + j * kFitStride < x.rows; ++j)
                b[0] += sxv[j];
        }
    }
    else {
        // Four sampled rows side by side, one per lane: each lane sums its
        // row in column order with the plain loop's operations, so every sum
        // is the same to the last bit. A pixel left out reads 0 and leaves a
        // sum as it is. The integer sums are exact in any order.
        constexpr int kRows = 4;
        const int sampled = (x.cols + kFitStride - 1) / kFitStride;
        cv::AutoBuffer<double, 1024> gx(size_t(sampled) * kRows), groupValues(window ? 0 : size_t(sampled) * kRows);
        const size_t groups = size_t((x.rows + kFitStride * kRows - 1) / (kFitStride * kRows));
        if (window) {
            window->m_kept = false;
            window->m_values.resize(groups * size_t(sampled) * kRows);
            window->m_clippedAt.clear();
        }
        for (int r0 = 0; r0 < x.rows; r0 += kFitStride * kRows) {
            double* gvAt = window ? window->m_values.data() + size_t(r0 / (kFitStride * kRows)) * size_t(sampled) * kRows
                                  : groupValues.data();
            int64_t sv[kRows] = {}, svv[kRows] = {};
            for (int j = 0; j < kRows; ++j) {
                const int r = r0 + j * kFitStride;
                double* ox = gx.data() + j;
                double* ov = gvAt + j;
                if (r >= x.rows) {
                    for (int i = 0; i < sampled; ++i)
                        ox[i * kRows] = ov[i * kRows] = 0;
                    continue;
                }
                const T* px = x.ptr<T>(r);
                const uchar* py = y.ptr<uchar>(r);
                const uchar* pu = use.ptr<uchar>(r);
                auto one = [&](int i) {
                    const int c = i * kFitStride;
                    double a = 0, v = 0;
                    if (pu[c]) {
                        if (clipped(py[c])) {
                            AddOuter(clippedXX, Basis(px[c], c, r));
                            ++nClipped;
                            if (window)
                                window->m_clippedAt.emplace_back(c, r);
                        } else {
                            a = px[c];
                            v = py[c];
                            sv[j] += py[c];
                            svv[j] += int(py[c]) * py[c];
                        }
                    }
                    ox[i * kRows] = a;
                    ov[i * kRows] = v;
                };
                // Eight sampled pixels at a time (the even bytes of sixteen);
                // where one of them is used and clipped, one by one.
                const cv::v_uint16x8 low = cv::v_setall_u16(0xff), none = cv::v_setzero_u16();
                const cv::v_int16x8 ones = cv::v_setall_s16(1);
                cv::v_int32x4 sum = cv::v_setzero_s32(), squares = sum;
                int i = 0;
                for (; (i + 8) * kFitStride <= x.cols; i += 8) {
                    const int c = i * kFitStride;
                    const cv::v_uint16x8 grey = cv::v_reinterpret_as_u16(cv::v_load(py + c)) & low;
                    const cv::v_uint16x8 used = (cv::v_reinterpret_as_u16(cv::v_load(pu + c)) & low) != none;
                    if (clips && cv::v_check_any(used & ((grey == none) | (grey == low)))) {
                        for (int k = 0; k < 8; ++k)
                            one(i + k);
                        continue;
                    }
                    const cv::v_int16x8 v = cv::v_reinterpret_as_s16(grey & used);
                    sum += cv::v_dotprod(v, ones);
                    squares += cv::v_dotprod(v, v);
                    cv::v_int32x4 v03, v47, m03, m47;
                    cv::v_expand(v, v03, v47);
                    cv::v_expand(cv::v_reinterpret_as_s16(used), m03, m47);  // all ones stay all ones
                    cv::v_float32x4 a03, a47;
                    LoadEven(px + c, a03, a47);
                    a03 = a03 & cv::v_reinterpret_as_f32(m03);
                    a47 = a47 & cv::v_reinterpret_as_f32(m47);
                    const cv::v_float64x2 vs[4] = {cv::v_cvt_f64(v03), cv::v_cvt_f64_high(v03), cv::v_cvt_f64(v47),
                                                   cv::v_cvt_f64_high(v47)};
                    const cv::v_float64x2 as[4] = {cv::v_cvt_f64(a03), cv::v_cvt_f64_high(a03), cv::v_cvt_f64(a47),
                                                   cv::v_cvt_f64_high(a47)};
                    for (int k = 0; k < 4; ++k) {
                        double* at = ox + (i + 2 * k) * kRows;
                        cv::v_store_low(at, as[k]);
                        cv::v_store_high(at + kRows, as[k]);
                        at = ov + (i + 2 * k) * kRows;
                        cv::v_store_low(at, vs[k]);
                        cv::v_store_high(at + kRows, vs[k]);
                    }
                }
                sv[j] += cv::v_reduce_sum(sum);
                svv[j] += cv::v_reduce_sum(squares);
                for (; i < sampled; ++i)
                    one(i);
            }
            cv::v_float64x2 x01 = cv::v_setzero_f64(), x23 = x01, u01 = x01, u23 = x01, w01 = x01, w23 = x01;
            for (int i = 0; i < sampled; ++i) {
                const size_t c = size_t(i * kFitStride);
                const cv::v_float64x2 mu = cv::v_setall_f64(m_u[c]);
                const cv::v_float64x2 muu = cv::v_setall_f64(m_uu[c]);
                const double* pa = gx.data() + i * kRows;
                const double* pv = gvAt + i * kRows;
                const cv::v_float64x2 v01 = cv::v_load(pv), v23 = cv::v_load(pv + 2);
                x01 = x01 + cv::v_load(pa) * v01;
                x23 = x23 + cv::v_load(pa + 2) * v23;
                u01 = u01 + mu * v01;
                u23 = u23 + mu * v23;
                w01 = w01 + muu * v01;
                w23 = w23 + muu * v23;
            }
            double sxv[kRows], suv[kRows], suuv[kRows];
            cv::v_store(sxv, x01);
            cv::v_store(sxv + 2, x23);
            cv::v_store(suv, u01);
            cv::v_store(suv + 2, u23);
            cv::v_store(suuv, w01);
            cv::v_store(suuv + 2, w23);
            for (int j = 0; j < kRows && r0 + j * kFitStride < x.rows; ++j)
                addRow(r0 + j * kFitStride, sxv[j], double(sv[j]), suv[j], suuv[j], svv[j]);
        }
        if (window) {
            window->m_kept = true;
            window->m_y = y.data;
            window->m_use = use.data;
            window->m_tol = tol.data;
            window->m_axes = m_axes.get();
            window->m_size = x.size();
            window->m_clips = clips;
            window->m_b = b;
            window->m_syy = syy;
            window->m_clipped = nClipped;
        }
    }
#endif
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
    // The first fit's surface per sampled column and per row.
    const int sampled = (x.cols + kFitStride - 1) / kFitStride;
    cv::AutoBuffer<double, 512> column(static_cast<size_t>(sampled)), row(size_t(x.rows));
    for (int i = 0; i < sampled; ++i) {
        const size_t c = size_t(i * kFitStride);
        column[size_t(i)] = l.slopeX * m_u[c] + l.bendX * m_uu[c];
    }
    for (int r = 0; r < x.rows; ++r)
        row[size_t(r)] = l.offset + l.slopeY * m_v[size_t(r)] + l.bendY * m_vv[size_t(r)];
    auto far = [&](int c, int r, double a, double v, double t) {
        return std::abs(v - (l.gain * a + column[size_t(c / kFitStride)] + row[size_t(r)])) > std::max(limit, t);
    };
    // The second fit is the first without the far pixels: their share is
    // taken back out of the sums, so only they cost anything.
    Normal a2 = a1;
    Terms b2 = b;
    double n2 = n1;
    auto leaveOut = [&](int c, int r, double a, int v) {
        const Terms j = Basis(a, c, r);
        for (int i = 0; i < kTerms; ++i) {
            b2[i] -= j[i] * v;
            for (int k = i; k < kTerms; ++k)
                a2(i, k) -= j[i] * j[k];
        }
        n2 -= 1;
    };
    if (!lanes) {
        ForEachFitPixel(x, y, use, tol, [&](int c, int r, double a, int v, double t) {
            if (!clipped(v) && far(c, r, a, v, t))
                leaveOut(c, r, a, v);
            return true;
        });
    }
#if CV_SIMD128_64F
    else {
        // Eight sampled pixels at a time are tested with the same operations;
        // only where one lies far are they looked at one by one, in order.
        const cv::v_float64x2 gain = cv::v_setall_f64(l.gain);
        const cv::v_float64x2 lim = cv::v_setall_f64(limit);
        const cv::v_uint16x8 low = cv::v_setall_u16(0xff);
        for (int r = 0; r < x.rows; r += kFitStride) {
            const T* px = x.ptr<T>(r);
            const uchar* py = y.ptr<uchar>(r);
            const uchar* pu = use.ptr<uchar>(r);
            const float* pt = tol.ptr<float>(r);
            const cv::v_float64x2 rowOffset = cv::v_setall_f64(row[size_t(r)]);
            auto one = [&](int c) {
                if (pu[c] && !clipped(py[c]) && far(c, r, px[c], py[c], pt[c]))
                    leaveOut(c, r, px[c], py[c]);
            };
            int i = 0;
            for (; (i + 8) * kFitStride <= x.cols; i += 8) {
                const int c = i * kFitStride;
                cv::v_uint32x4 g03, g47;
                cv::v_expand(cv::v_reinterpret_as_u16(cv::v_load(py + c)) & low, g03, g47);
                const cv::v_int32x4 grey03 = cv::v_reinterpret_as_s32(g03), grey47 = cv::v_reinterpret_as_s32(g47);
                cv::v_float32x4 a03, a47, t03, t47, odd;
                LoadEven(px + c, a03, a47);
                cv::v_load_deinterleave(pt + c, t03, odd);
                cv::v_load_deinterleave(pt + c + 8, t47, odd);
                const cv::v_float64x2 v[4] = {cv::v_cvt_f64(grey03), cv::v_cvt_f64_high(grey03), cv::v_cvt_f64(grey47),
                                              cv::v_cvt_f64_high(grey47)};
                const cv::v_float64x2 a[4] = {cv::v_cvt_f64(a03), cv::v_cvt_f64_high(a03), cv::v_cvt_f64(a47),
                                              cv::v_cvt_f64_high(a47)};
                const cv::v_float64x2 t[4] = {cv::v_cvt_f64(t03), cv::v_cvt_f64_high(t03), cv::v_cvt_f64(t47),
                                              cv::v_cvt_f64_high(t47)};
                cv::v_float64x2 any = cv::v_setzero_f64();
                for (int k = 0; k < 4; ++k) {
                    const cv::v_float64x2 e = (gain * a[k] + cv::v_load(column.data() + i + 2 * k)) + rowOffset;
                    any = any | (cv::v_abs(v[k] - e) > cv::v_max(lim, t[k]));
                }
                if (cv::v_check_any(any))
                    for (int k = 0; k < 8; ++k)
                        one(c + k * kFitStride);
            }
            for (; i < sampled; ++i)
                one(i * kFitStride);
        }
    }
#endif
    if (n2 == n1)
        return l;
    if (n2 < 16)
        return l;
    Mirror(a2);
    if (SolvePlane(a2, b2, theta))
        take(theta);
    return l;
}
