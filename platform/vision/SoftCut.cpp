#include "SoftCut.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define MOJU_SOFTCUT_AVX2 1
#endif

namespace {

void OpenCvCut(const cv::Mat& src, const cv::Rect& cut, double sigma, cv::Mat& dst)
{
    cv::GaussianBlur(src(cut), dst, cv::Size(3, 3), sigma, sigma, cv::BORDER_REPLICATE);
}

#ifdef MOJU_SOFTCUT_AVX2
// OpenCV's float filter on AVX2 sums each row as fma(k0, right, fma(k1,
// centre, k0 * left)) and each column as fma(k0, up + down, k1 * centre),
// rounded to even: the same operations in the same order give its pixels.
// Every product here is written as fma or alone, so contraction cannot
// change a sum.

// Row sums of columns x0 .. x0 + w - 1 of the row at p; xl and xr are the
// columns read left and right of them (the parent's rim repeated). `f`
// takes the row's pixels in float (w + 2 of them, from x0 - 1), converted
// once rather than for each of the three taps.
__attribute__((target("avx2,fma"))) void RowSums(const uchar* p, int x0, int w, int xl, int xr, float k0, float k1,
                                                float* f, float* out)
{
    f[0] = float(p[xl]);
    f[w + 1] = float(p[xr]);
    const uchar* q = p + x0;
    int x = 0;
    for (; x + 16 <= w; x += 16) {
        _mm256_storeu_ps(f + 1 + x,
                         _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64((const __m128i*)(q + x)))));
        _mm256_storeu_ps(f + 9 + x,
                         _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64((const __m128i*)(q + x + 8)))));
    }
    for (; x + 8 <= w; x += 8)
        _mm256_storeu_ps(f + 1 + x,
                         _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64((const __m128i*)(q + x)))));
    for (; x < w; ++x)
        f[1 + x] = float(q[x]);
    const __m256 v0 = _mm256_set1_ps(k0), v1 = _mm256_set1_ps(k1);
    x = 0;
    for (; x + 16 <= w; x += 16) {
        const __m256 a = _mm256_mul_ps(v0, _mm256_loadu_ps(f + x));
        const __m256 b = _mm256_mul_ps(v0, _mm256_loadu_ps(f + x + 8));
        _mm256_storeu_ps(out + x, _mm256_fmadd_ps(v0, _mm256_loadu_ps(f + x + 2),
                                                  _mm256_fmadd_ps(v1, _mm256_loadu_ps(f + x + 1), a)));
        _mm256_storeu_ps(out + x + 8, _mm256_fmadd_ps(v0, _mm256_loadu_ps(f + x + 10),
                                                      _mm256_fmadd_ps(v1, _mm256_loadu_ps(f + x + 9), b)));
    }
    for (; x + 8 <= w; x += 8)
        _mm256_storeu_ps(out + x, _mm256_fmadd_ps(v0, _mm256_loadu_ps(f + x + 2),
                                                  _mm256_fmadd_ps(v1, _mm256_loadu_ps(f + x + 1),
                                                                  _mm256_mul_ps(v0, _mm256_loadu_ps(f + x)))));
    for (; x < w; ++x)
        out[x] = std::fma(k0, f[x + 2], std::fma(k1, f[x + 1], k0 * f[x]));
}

// The rounded column sums of one output row from the row sums above (u),
// at (c) and below (d) it.
__attribute__((target("avx2,fma"))) void ColumnSums(const float* u, const float* c, const float* d, int w, float k0,
                                                   float k1, uchar* o)
{
    const __m256 v0 = _mm256_set1_ps(k0), v1 = _mm256_set1_ps(k1);
    int x = 0;
    for (; x + 16 <= w; x += 16) {
        const __m256i n0 = _mm256_cvtps_epi32(_mm256_fmadd_ps(
            v0, _mm256_add_ps(_mm256_loadu_ps(u + x), _mm256_loadu_ps(d + x)), _mm256_mul_ps(v1, _mm256_loadu_ps(c + x))));
        const __m256i n1 = _mm256_cvtps_epi32(_mm256_fmadd_ps(v0,
                                                              _mm256_add_ps(_mm256_loadu_ps(u + x + 8), _mm256_loadu_ps(d + x + 8)),
                                                              _mm256_mul_ps(v1, _mm256_loadu_ps(c + x + 8))));
        // Packing works within each 128-bit half: put the halves back in order.
        const __m256i words = _mm256_permute4x64_epi64(_mm256_packs_epi32(n0, n1), 0xD8);
        _mm_storeu_si128((__m128i*)(o + x),
                         _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1)));
    }
    for (; x + 8 <= w; x += 8) {
        const __m256i n = _mm256_cvtps_epi32(_mm256_fmadd_ps(
            v0, _mm256_add_ps(_mm256_loadu_ps(u + x), _mm256_loadu_ps(d + x)), _mm256_mul_ps(v1, _mm256_loadu_ps(c + x))));
        const __m128i words = _mm_packs_epi32(_mm256_castsi256_si128(n), _mm256_extracti128_si256(n, 1));
        _mm_storel_epi64((__m128i*)(o + x), _mm_packus_epi16(words, words));
    }
    for (; x < w; ++x)
        o[x] = cv::saturate_cast<uchar>(std::fma(k0, u[x] + d[x], k1 * c[x]));
}

__attribute__((target("avx2,fma"))) void FloatCut(const cv::Mat& src, const cv::Rect& cut, float k0, float k1,
                                                 cv::Mat& dst)
{
    cv::Size whole;
    cv::Point ofs;
    src.locateROI(whole, ofs);
    // The parent's extent in src's coordinates.
    const int px0 = -ofs.x, px1 = whole.width - ofs.x - 1;
    const int py0 = -ofs.y, py1 = whole.height - ofs.y - 1;
    const int w = cut.width, h = cut.height;
    const std::ptrdiff_t step = std::ptrdiff_t(src.step[0]);
    dst.create(h, w, CV_8UC1);
    thread_local std::vector<float> line, sums;
    line.resize(size_t(w) + 2);
    sums.resize(3 * size_t(w));
    float* rows[3] = {sums.data(), sums.data() + w, sums.data() + 2 * w};
    int have[3] = {INT_MIN, INT_MIN, INT_MIN};
    const int xl = std::max(cut.x - 1, px0), xr = std::min(cut.x + w, px1);
    // The row sums of src's row y (inside the parent), kept for three rows.
    auto rowOf = [&](int y) -> const float* {
        const int slot = ((y % 3) + 3) % 3;
        if (have[slot] != y) {
            have[slot] = y;
            RowSums(src.data + std::ptrdiff_t(y) * step, cut.x, w, xl, xr, k0, k1, line.data(), rows[slot]);
        }
        return rows[slot];
    };
    for (int y = 0; y < h; ++y) {
        const int gy = cut.y + y;
        const float* u = rowOf(std::max(gy - 1, py0));
        const float* c = rowOf(gy);
        const float* d = rowOf(std::min(gy + 1, py1));
        ColumnSums(u, c, d, w, k0, k1, dst.ptr<uchar>(y));
    }
}

// Whether this machine's OpenCV gives the float filter's pixels: it picks
// its code by the processor, and a build without FMA rounds the sums apart.
bool FloatCutMatches()
{
    if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma") || !cv::checkHardwareSupport(CV_CPU_AVX2)
        || !cv::checkHardwareSupport(CV_CPU_FMA3))
        return false;
    cv::RNG rng(7);
    cv::Mat parent(61, 83, CV_8UC1);
    rng.fill(parent, cv::RNG::UNIFORM, 0, 256);
    // Neighbourhoods whose middle pixel the sums without fma round apart
    // (at sigma 0.8), so that a build without it is told too.
    const uchar apart[3][9] = {{124, 209, 154, 75, 157, 150, 187, 40, 228},
                               {102, 89, 251, 112, 74, 122, 91, 98, 218},
                               {133, 15, 155, 162, 148, 3, 245, 220, 207}};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 9; ++i)
            parent.at<uchar>(20 + i / 3, 20 + 5 * k + i % 3) = apart[k][i];
    const cv::Mat k = cv::getGaussianKernel(3, 0.8, CV_32F);
    for (const cv::Rect& cut : {cv::Rect(0, 0, 40, 30), cv::Rect(5, 4, 71, 50), cv::Rect(50, 31, 33, 30),
                                cv::Rect(1, 1, 3, 3), cv::Rect(10, 0, 17, 61)}) {
        cv::Mat ref, mine;
        OpenCvCut(parent, cut, 0.8, ref);
        FloatCut(parent, cut, k.at<float>(0), k.at<float>(1), mine);
        if (cv::norm(ref, mine, cv::NORM_INF) != 0)
            return false;
    }
    return true;
}
#endif

}  // namespace

void SoftCut(const cv::Mat& src, const cv::Rect& cut, double sigma, cv::Mat& dst)
{
#ifdef MOJU_SOFTCUT_AVX2
    static const bool matches = FloatCutMatches();
    // A whole picture takes OpenCV's fixed-point filter.
    if (matches && src.type() == CV_8UC1 && src(cut).isSubmatrix() && cut.width >= 1 && cut.height >= 1) {
        thread_local double kernelSigma = -1;
        thread_local float k0 = 0, k1 = 0;
        if (sigma != kernelSigma) {
            const cv::Mat k = cv::getGaussianKernel(3, sigma, CV_32F);
            k0 = k.at<float>(0);
            k1 = k.at<float>(1);
            kernelSigma = sigma;
        }
        FloatCut(src, cut, k0, k1, dst);
        return;
    }
#endif
    OpenCvCut(src, cut, sigma, dst);
}

void SoftBox::Start(const cv::Mat& src, const cv::Rect& cut, double sigma)
{
    m_cut = cut;
    m_sigma = sigma;
    m_dst.create(cut.size(), CV_8UC1);
    m_made = cv::Rect();
    // A whole picture's pixels come from another filter than any part of it.
    if (!src(cut).isSubmatrix()) {
        SoftCut(src, cut, sigma, m_dst);
        m_made = cv::Rect(cv::Point(), cut.size());
    }
}

void SoftBox::MakePart(const cv::Rect& r, const cv::Mat& src)
{
    if (r.empty())
        return;
    cv::Mat part = m_dst(r);
    SoftCut(src, r + m_cut.tl(), m_sigma, part);
}

void SoftBox::Want(const cv::Rect& want, const cv::Mat& src)
{
    const cv::Rect r = want & cv::Rect(cv::Point(), m_cut.size());
    if (r.empty() || (r & m_made) == r)
        return;
    if (m_made.empty()) {
        MakePart(r, src);
        m_made = r;
        return;
    }
    const cv::Rect grown = r | m_made;
    // The strips above and below the pixels made, then beside them.
    MakePart(cv::Rect(grown.x, grown.y, grown.width, m_made.y - grown.y), src);
    MakePart(cv::Rect(grown.x, m_made.br().y, grown.width, grown.br().y - m_made.br().y), src);
    MakePart(cv::Rect(grown.x, m_made.y, m_made.x - grown.x, m_made.height), src);
    MakePart(cv::Rect(m_made.br().x, m_made.y, grown.br().x - m_made.br().x, m_made.height), src);
    m_made = grown;
}
