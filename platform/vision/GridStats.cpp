#include "GridStats.h"

#include <opencv2/core/hal/intrin.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {
GreyStats FromSums(int64_t n, int64_t s, int64_t sq)
{
    const double scale = n ? 1. / double(n) : 0.;
    GreyStats g;
    g.mean = double(s) * scale;
    g.sd = std::sqrt(std::max(double(sq) * scale - g.mean * g.mean, 0.));
    return g;
}
}  // namespace

void GridStats::SetGrid(const std::vector<int>& colEdges, const std::vector<int>& rowEdges, const cv::Mat& mask)
{
    m_cols = colEdges;
    m_rows = rowEdges;
    m_mask = mask;
    const size_t nx = m_cols.size() - 1, ny = m_rows.size() - 1;
    m_counts.assign(nx * ny, 0);
    for (size_t j = 0; j < ny; ++j)
        for (size_t i = 0; i < nx; ++i) {
            const cv::Rect r(m_cols[i], m_rows[j], m_cols[i + 1] - m_cols[i], m_rows[j + 1] - m_rows[j]);
            m_counts[j * nx + i] = r.area() > 0 ? cv::countNonZero(m_mask(r)) : 0;
        }
}

void GridStats::Measure(const cv::Mat& img, GreyStats& whole, std::vector<GreyStats>& cells) const
{
    const size_t nx = m_cols.size() - 1, ny = m_rows.size() - 1;
    cells.assign(nx * ny, GreyStats());
    int64_t total = 0, totalSq = 0, count = 0;
    cv::AutoBuffer<int64_t, 64> buffer(nx * ny * 2);
    int64_t* sums = buffer.data();
    std::fill(sums, sums + nx * ny * 2, int64_t(0));
    for (size_t j = 0; j < ny; ++j)
        for (int y = m_rows[j]; y < m_rows[j + 1]; ++y) {
            const uchar* g = img.ptr<uchar>(y);
            const uchar* m = m_mask.ptr<uchar>(y);
            for (size_t i = 0; i < nx; ++i) {
                // A masked-out pixel adds 0 to both sums (the mask is 0 or 255).
                int s = 0, sq = 0;
                int x = m_cols[i];
#if CV_SIMD128
                // Integer sums: any order gives the same.
                const cv::v_int16x8 one = cv::v_setall_s16(1);
                cv::v_int32x4 vs = cv::v_setzero_s32(), vsq = cv::v_setzero_s32();
                for (; x + 16 <= m_cols[i + 1]; x += 16) {
                    cv::v_uint16x8 lo, hi;
                    cv::v_expand(cv::v_load(g + x) & cv::v_load(m + x), lo, hi);
                    const cv::v_int16x8 a = cv::v_reinterpret_as_s16(lo), b = cv::v_reinterpret_as_s16(hi);
                    vs += cv::v_dotprod(a, one) + cv::v_dotprod(b, one);
                    vsq += cv::v_dotprod(a, a) + cv::v_dotprod(b, b);
                }
                s = cv::v_reduce_sum(vs);
                sq = cv::v_reduce_sum(vsq);
#endif
                for (; x < m_cols[i + 1]; ++x) {
                    const int v = g[x] & m[x];
                    s += v;
                    sq += v * v;
                }
                sums[2 * (j * nx + i)] += s;
                sums[2 * (j * nx + i) + 1] += sq;
            }
        }
    for (size_t c = 0; c < nx * ny; ++c) {
        cells[c] = FromSums(m_counts[c], sums[2 * c], sums[2 * c + 1]);
        total += sums[2 * c];
        totalSq += sums[2 * c + 1];
        count += m_counts[c];
    }
    whole = FromSums(count, total, totalSq);
}

// What cv::mean gives for one float channel under a mask: the masked pixels
// added one by one into a double in scan order, times one over their count.
double MaskedMean(const cv::Mat& img, const cv::Mat& mask)
{
    CV_Assert(img.type() == CV_32FC1 && mask.type() == CV_8UC1 && img.size() == mask.size());
    double s = 0;
    int64_t n = 0;
    for (int y = 0; y < img.rows; ++y) {
        const float* p = img.ptr<float>(y);
        const uchar* m = mask.ptr<uchar>(y);
        int x = 0;
#if CV_SIMD128
        // Whole runs of 16 masked-in pixels skip the per-pixel test, not the order.
        for (; x + 16 <= img.cols; x += 16) {
            if (cv::v_check_all(cv::v_reinterpret_as_s8(cv::v_load(m + x) != cv::v_setzero_u8()))) {
                for (int i = 0; i < 16; ++i)
                    s += p[x + i];
                n += 16;
            } else {
                for (int i = 0; i < 16; ++i)
                    if (m[x + i]) {
                        s += p[x + i];
                        ++n;
                    }
            }
        }
#endif
        for (; x < img.cols; ++x)
            if (m[x]) {
                s += p[x];
                ++n;
            }
    }
    return s * (n ? 1. / double(n) : 0.);
}

// One row of the masked picture (masked-out pixels read as `fill`) and of
// its smoothing input, the same grey as float.
void MaskedGreyRow(const uchar* grey, const uchar* mask, uchar fill, uchar* out, float* asFloat, int cols)
{
    int x = 0;
#if CV_SIMD128
    const cv::v_uint8x16 fillv = cv::v_setall_u8(fill);
    const cv::v_uint8x16 zero = cv::v_setzero_u8();
    for (; x + 16 <= cols; x += 16) {
        const cv::v_uint8x16 v = cv::v_select(cv::v_load(mask + x) != zero, cv::v_load(grey + x), fillv);
        cv::v_store(out + x, v);
        cv::v_uint16x8 lo, hi;
        cv::v_expand(v, lo, hi);
        cv::v_uint32x4 a, b;
        cv::v_expand(lo, a, b);
        cv::v_store(asFloat + x, cv::v_cvt_f32(cv::v_reinterpret_as_s32(a)));
        cv::v_store(asFloat + x + 4, cv::v_cvt_f32(cv::v_reinterpret_as_s32(b)));
        cv::v_expand(hi, a, b);
        cv::v_store(asFloat + x + 8, cv::v_cvt_f32(cv::v_reinterpret_as_s32(a)));
        cv::v_store(asFloat + x + 12, cv::v_cvt_f32(cv::v_reinterpret_as_s32(b)));
    }
#endif
    for (; x < cols; ++x) {
        out[x] = mask[x] ? grey[x] : fill;
        asFloat[x] = float(out[x]);
    }
}

// c - mean under the mask, 0 outside it: each pixel on its own, as the plain loop.
void CentreRow(float* c, const uchar* mask, float mean, int cols)
{
    int x = 0;
#if CV_SIMD128
    const cv::v_float32x4 m = cv::v_setall_f32(mean);
    const cv::v_float32x4 zerof = cv::v_setzero_f32();
    const cv::v_uint8x16 zero = cv::v_setzero_u8();
    for (; x + 16 <= cols; x += 16) {
        const cv::v_uint8x16 in = cv::v_load(mask + x) != zero;
        cv::v_uint16x8 lo, hi;
        cv::v_expand(in, lo, hi);
        cv::v_uint32x4 k[4];
        cv::v_expand(lo, k[0], k[1]);
        cv::v_expand(hi, k[2], k[3]);
        for (int q = 0; q < 4; ++q) {
            // The expanded 0xff lanes are non-zero words: a word mask again.
            const cv::v_float32x4 keep = cv::v_reinterpret_as_f32(k[q] != cv::v_setzero_u32());
            cv::v_store(c + x + 4 * q, cv::v_select(keep, cv::v_load(c + x + 4 * q) - m, zerof));
        }
    }
#endif
    for (; x < cols; ++x)
        c[x] = mask[x] ? c[x] - mean : 0.f;
}
