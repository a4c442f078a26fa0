#pragma once
// Lighting of a window against a reference: y ~ gain * x + offset over the
// pixels where `use` is set (every other row and column), fitted twice; the
// second fit leaves out pixels far off the first (a foreign object, a masked
// part). `tol` (CV_32F, optional) is how far a pixel may lie off and still count.
#include <opencv2/core.hpp>

#include <cstdint>
#include <memory>
#include <vector>

// The fits read their inputs on this grid only: rows and columns 0,
// kLightingFitStride, 2 * kLightingFitStride, ...
constexpr int kLightingFitStride = 2;  // every other row and column fits the lighting well enough

// A camera pixel at 0 or 255 only bounds the light there (at most that dark,
// at least that bright).
inline bool Clipped(int v) { return v == 0 || v == 255; }
// Where `pixels` (CV_8U) are neither 0 nor 255.
inline cv::Mat Unclipped(const cv::Mat& pixels) { return (pixels != 0) & (pixels != 255); }

struct Lighting {
    double gain = 1;
    double offset = 0;
};

Lighting FitLighting(const cv::Mat& x, const cv::Mat& y, const cv::Mat& use, const cv::Mat& tol);

// The same fit, with the same result to the last bit, for one reference x and
// mask fitted against many windows. Its sums over the reference alone are the
// same for every window and are kept; the window's own sums are integers,
// exact in any order. The cross sum of reference and window is exact too (so
// also in any order) when every reference value is a multiple of 2^-shift and
// the sum stays below 2^53 of those units: then it is taken in integers.
// The second fit only runs when the first leaves some pixel out.
class PreparedLightingFit {
public:
    void Prepare(const cv::Mat& x, const cv::Mat& use);
    // FitLighting(x, y, use, tol) for the x and use given to Prepare.
    Lighting Estimate(const cv::Mat& x, const cv::Mat& y, const cv::Mat& use, const cv::Mat& tol) const;
    bool ExactCross() const { return exactCross; }

private:
    double n = 0, sx = 0, sxx = 0;
    bool exactCross = false;
    int shift = 0;
    std::vector<int64_t> scaled;  // reference values * 2^shift, in scan order
};

// Lighting that also changes across the window (a lamp to one side, a dimmed
// corner): y ~ gain * x + offset + slopeX * u + slopeY * v + bendX * u^2 +
// bendY * v^2, with u and v the column and row from the window centre over
// the longer side. Fitted robustly like FitLighting: a second fit leaves out
// pixels far off the first, so a foreign object does not tilt the surface.
// Window pixels at 0 or 255 are clipped, not measured: neither fit uses them
// (unless the window holds hues, where they are values).
struct LightingPlane {
    double gain = 1;
    double offset = 0;
    double slopeX = 0;  // grey levels over the longer side
    double slopeY = 0;
    double bendX = 0;   // grey levels at the ends of the longer side
    double bendY = 0;
    double cx = 0, cy = 0, span = 1;  // u = (col - cx) / span, v = (row - cy) / span
    // The surface's part that depends on the column alone, and on the row.
    double Column(int col) const
    {
        const double u = (col - cx) / span;
        return slopeX * u + bendX * u * u;
    }
    double Row(int row) const
    {
        const double v = (row - cy) / span;
        return offset + slopeY * v + bendY * v * v;
    }
    double At(double x, int col, int row) const { return gain * x + Column(col) + Row(row); }
};

class PreparedLightingPlane {
public:
    static constexpr int kTerms = 6;  // x, 1, u, v, u^2, v^2
    using Normal = cv::Matx<double, kTerms, kTerms>;
    using Terms = cv::Vec<double, kTerms>;
    // `sameSize`, when given and prepared for a reference of x's size, lends
    // its per-column and per-row terms (they depend on the size alone). With
    // `sameUse` it was prepared over this very `use`: it lends the sums that
    // do not read x too (the same pixels in the same order), and only x's
    // own are taken, to the same bits.
    void Prepare(const cv::Mat& x, const cv::Mat& use, const PreparedLightingPlane* sameSize = nullptr,
                 bool sameUse = false);
    // What the fit takes from the window alone (its grey values' sums, where
    // it clips, its sampled values): one Estimate keeps it, and a later one
    // of the same window, mask, tolerance and clipping against another
    // reference of the same axes (a softened copy) sums only what depends on
    // that reference, with the same result to the last bit. Forget() before
    // the window's pixels change.
    class WindowSums {
    public:
        void Forget() { m_kept = false; }

    private:
        friend class PreparedLightingPlane;
        bool m_kept = false;
        const void* m_y = nullptr;
        const void* m_use = nullptr;
        const void* m_tol = nullptr;
        const void* m_axes = nullptr;
        cv::Size m_size;
        bool m_clips = true;
        Terms m_b;  // b[0], the reference's cross sum, is taken again
        double m_syy = 0;
        int m_clipped = 0;
        std::vector<cv::Point> m_clippedAt;  // in scan order
        std::vector<double> m_values;        // sampled values, four rows side by side (0 where left out)
    };
    // `clips` false: y is not an intensity (a hue), so 0 and 255 are values like any other.
    LightingPlane Estimate(const cv::Mat& x, const cv::Mat& y, const cv::Mat& use, const cv::Mat& tol,
                           bool clips = true, WindowSums* window = nullptr) const;
    // The same fit taken one pixel at a time: Estimate's result to the last
    // bit (Estimate takes it when there is no tolerance, as in training).
    LightingPlane EstimatePlain(const cv::Mat& x, const cv::Mat& y, const cv::Mat& use, const cv::Mat& tol,
                                bool clips = true) const;
    // float(l.Column(c)) for every column c into `out` (l fitted by this
    // object), without a division per column.
    void Columns(const LightingPlane& l, float* out) const
    {
        for (size_t c = 0; c < size_t(m_cols); ++c)
            out[c] = float(l.slopeX * m_u[c] + l.bendX * m_u[c] * m_u[c]);
    }
    // The sums, and the per-column and per-row terms (which planes prepared
    // from one another share: `axes` tells them apart).
    size_t Bytes() const { return sizeof(*this); }
    size_t AxesBytes() const { return m_axes ? sizeof(Axes) + m_axes->terms.capacity() * sizeof(double) : 0; }
    const void* axes() const { return m_axes.get(); }

private:
    LightingPlane Fit(const cv::Mat& x, const cv::Mat& y, const cv::Mat& use, const cv::Mat& tol, bool clips,
                      bool plain, WindowSums* window) const;
    template <class T>  // x's pixels: float, or uchar (whole grey levels)
    LightingPlane FitOf(const cv::Mat& x, const cv::Mat& y, const cv::Mat& use, const cv::Mat& tol, bool clips,
                        bool plain, WindowSums* window) const;
    Terms Basis(double x, int col, int row) const
    {
        return Terms(x, 1.0, m_u[size_t(col)], m_v[size_t(row)], m_uu[size_t(col)], m_vv[size_t(row)]);
    }
    double m_n = 0;
    bool m_finite = true;  // every value of the reference: a window's kept values may then be 0 where left out
    Normal m_xx;  // sums over products of the basis terms of the reference alone
    double m_cx = 0, m_cy = 0, m_span = 1;
    struct Axes {
        std::vector<double> terms;  // u, u^2 per column, then v, v^2 per row
    };
    std::shared_ptr<const Axes> m_axes;
    int m_cols = 0, m_rows = 0;
    // Per column and row in m_axes, no division per pixel.
    const double* m_u = nullptr;
    const double* m_uu = nullptr;
    const double* m_v = nullptr;
    const double* m_vv = nullptr;
};
