#include "ImageTransform.h"

#include "RowPrefetch.h"

#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <immintrin.h>
#define MOJU_WARP_AVX2 1
#endif

namespace {
bool usable(const cv::Mat& src, const cv::Mat& dst)
{
    if (src.empty() || dst.empty() || src.size() != dst.size() || src.type() != dst.type())
        return false;
    // Overlapping buffers would read pixels already written.
    const uchar* sb = src.datastart;
    const uchar* se = src.dataend;
    const uchar* db = dst.datastart;
    const uchar* de = dst.dataend;
    return se <= db || de <= sb;
}
}  // namespace

namespace {
std::atomic<bool> g_wideBlend{true};

#ifdef MOJU_WARP_AVX2
bool HasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// The turned row's grouped blend of ApplyRect, sixteen pixels at a time with
// the same integers: for processors with AVX2, checked at run time (the build
// assumes SSE2 only). Writes groups from i while a whole one fits before
// last and returns where it stopped; a group whose source pixels do not
// follow one another is left to the caller from there.
__attribute__((target("avx2"), always_inline)) inline __m256i WidenRow(const uchar* q)
{
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q)));
}

__attribute__((target("avx2"))) int BlendTurnedAvx2(const uchar* base, ptrdiff_t st, int X0, int Y0, const int* ad,
                                                    const int* bd, const short* al, const short* bl, uchar* out,
                                                    int i, int last)
{
    const __m256i x0 = _mm256_set1_epi16(static_cast<short>(X0));
    const __m256i y0 = _mm256_set1_epi16(static_cast<short>(Y0));
    const __m256i frac = _mm256_set1_epi16(31);
    const __m256i full = _mm256_set1_epi16(32);
    const __m256i half = _mm256_set1_epi32(512);
    for (; i + 16 <= last; i += 16) {
        const int sx0 = (X0 + ad[i]) >> 10;
        const int sy0 = (Y0 + bd[i]) >> 10;
        const int d = ((Y0 + bd[i + 15]) >> 10) - sy0;
        if (((X0 + ad[i + 15]) >> 10) - sx0 != 15 || d < -1 || d > 1)
            break;
        const __m256i xs = _mm256_add_epi16(x0, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(al + i)));
        const __m256i ys = _mm256_add_epi16(y0, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bl + i)));
        const uchar* p = base + ptrdiff_t(sy0) * st + sx0;
        __m256i a0 = WidenRow(p), a1 = WidenRow(p + 1), b0 = WidenRow(p + st), b1 = WidenRow(p + st + 1);
        if (d != 0) {
            const __m256i rel = _mm256_sub_epi16(ys, _mm256_set1_epi16(static_cast<short>(sy0 * 1024)));
            const __m256i moved = d > 0 ? _mm256_cmpgt_epi16(rel, _mm256_set1_epi16(1023))
                                        : _mm256_cmpgt_epi16(_mm256_setzero_si256(), rel);
            const uchar* q = p + (d > 0 ? 2 * st : -st);
            const __m256i c0 = WidenRow(q), c1 = WidenRow(q + 1);
            if (d > 0) {
                a0 = _mm256_blendv_epi8(a0, b0, moved);
                a1 = _mm256_blendv_epi8(a1, b1, moved);
                b0 = _mm256_blendv_epi8(b0, c0, moved);
                b1 = _mm256_blendv_epi8(b1, c1, moved);
            } else {
                b0 = _mm256_blendv_epi8(b0, a0, moved);
                b1 = _mm256_blendv_epi8(b1, a1, moved);
                a0 = _mm256_blendv_epi8(a0, c0, moved);
                a1 = _mm256_blendv_epi8(a1, c1, moved);
            }
        }
        const __m256i wx = _mm256_and_si256(_mm256_srai_epi16(xs, 5), frac);
        const __m256i wy = _mm256_and_si256(_mm256_srai_epi16(ys, 5), frac);
        const __m256i top = _mm256_adds_epi16(_mm256_slli_epi16(a0, 5), _mm256_mullo_epi16(_mm256_subs_epi16(a1, a0), wx));
        const __m256i bottom = _mm256_adds_epi16(_mm256_slli_epi16(b0, 5), _mm256_mullo_epi16(_mm256_subs_epi16(b1, b0), wx));
        const __m256i wv = _mm256_subs_epi16(full, wy);
        // Unpacks and packs keep to 128-bit lanes: pixels 0-7 end in the
        // first lane's low half, 8-15 in the second's.
        const __m256i r0 = _mm256_srai_epi32(
            _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(top, bottom), _mm256_unpacklo_epi16(wv, wy)), half), 10);
        const __m256i r1 = _mm256_srai_epi32(
            _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(top, bottom), _mm256_unpackhi_epi16(wv, wy)), half), 10);
        const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(r0, r1), _mm256_setzero_si256());
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm256_castsi256_si128(_mm256_permute4x64_epi64(bytes, 0x08)));
    }
    return i;
}
#endif
}  // namespace

void FrameWarp::AllowWideBlend(bool allowed)
{
    g_wideBlend.store(allowed, std::memory_order_relaxed);
}

bool FrameWarp::WideBlend()
{
#ifdef MOJU_WARP_AVX2
    return g_wideBlend.load(std::memory_order_relaxed) && HasAvx2();
#else
    return false;
#endif
}

bool MoveImage(const cv::Mat& src, cv::Mat& dst, int dx, int dy)
{
    if (!usable(src, dst))
        return false;
    const int w = src.cols;
    const int h = src.rows;
    if (std::abs(dx) >= w || std::abs(dy) >= h) {
        dst.setTo(cv::Scalar::all(0));
        return true;
    }
    const cv::Rect from(std::max(0, -dx), std::max(0, -dy), w - std::abs(dx), h - std::abs(dy));
    const cv::Rect to(std::max(0, dx), std::max(0, dy), from.width, from.height);
    cv::Mat target = dst(to);
    src(from).copyTo(target);
    // Only the strips the shift uncovers are cleared: one pass over the frame.
    dst.rowRange(0, to.y).setTo(cv::Scalar::all(0));
    dst.rowRange(to.y + to.height, h).setTo(cv::Scalar::all(0));
    dst(cv::Rect(0, to.y, to.x, to.height)).setTo(cv::Scalar::all(0));
    dst(cv::Rect(to.x + to.width, to.y, w - to.x - to.width, to.height)).setTo(cv::Scalar::all(0));
    return true;
}

namespace {
// p = R (q + offset - centre) + centre, as a 2 x 3 matrix.
cv::Matx23d Forward(cv::Point2f offset, cv::Point2f centre, double angle)
{
    const double a = angle * CV_PI / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    const double tx = offset.x - centre.x;
    const double ty = offset.y - centre.y;
    return cv::Matx23d(c, -s, c * tx - s * ty + centre.x, s, c, s * tx + c * ty + centre.y);
}

bool IsShift(cv::Point2f offset, double angle)
{
    return angle == 0.0 && offset.x == std::round(offset.x) && offset.y == std::round(offset.y);
}
}  // namespace

bool TransformImage(const cv::Mat& src, cv::Mat& dst, cv::Point2f offset, cv::Point2f centre, double angle)
{
    if (!usable(src, dst))
        return false;
    if (IsShift(offset, angle))
        return MoveImage(src, dst, int(offset.x), int(offset.y));
    uchar* before = dst.data;
    cv::warpAffine(src, dst, cv::Mat(Forward(offset, centre, angle)), dst.size(), cv::INTER_LINEAR,
                   cv::BORDER_CONSTANT, cv::Scalar::all(0));
    return dst.data == before;
}

void FrameWarp::SetShift(int dx, int dy)
{
    m_kind = Kind::Shift;
    m_dx = dx;
    m_dy = dy;
}

void FrameWarp::SetTransform(cv::Point2f offset, cv::Point2f centre, double angle)
{
    if (IsShift(offset, angle)) {
        SetShift(int(offset.x), int(offset.y));
        return;
    }
    m_kind = Kind::Affine;
    m_offset = offset;
    m_centre = centre;
    m_angle = angle;
    // Inverted the way warpAffine inverts a forward matrix, step by step, so
    // that the fixed-point source coordinates below are the same.
    const cv::Matx23d f = Forward(offset, centre, angle);
    double* M = m_inverse;
    for (int i = 0; i < 6; ++i)
        M[i] = f.val[i];
    double D = M[0] * M[4] - M[1] * M[3];
    D = D != 0 ? 1. / D : 0;
    const double A11 = M[4] * D, A22 = M[0] * D;
    M[0] = A11;
    M[1] *= -D;
    M[3] *= -D;
    M[4] = A22;
    const double b1 = -M[0] * M[2] - M[1] * M[5];
    const double b2 = -M[3] * M[2] - M[4] * M[5];
    M[2] = b1;
    M[5] = b2;
}

bool FrameWarp::Apply(const cv::Mat& src, cv::Mat& dst) const
{
    switch (m_kind) {
    case Kind::Shift:
        return MoveImage(src, dst, m_dx, m_dy);
    case Kind::Affine:
        return TransformImage(src, dst, m_offset, m_centre, m_angle);
    case Kind::None:
        break;
    }
    return false;
}

bool FrameWarp::ApplyRect(const cv::Mat& src, cv::Mat& dst, const cv::Rect& rect) const
{
    if (!usable(src, dst) || m_kind == Kind::None)
        return false;
    const cv::Rect r = rect & cv::Rect(0, 0, dst.cols, dst.rows);
    if (r.empty())
        return true;
    if (m_kind == Kind::Shift) {
        // dst(x, y) = src(x - dx, y - dy), 0 where that falls outside.
        cv::Mat out = dst(r);
        const cv::Rect from = cv::Rect(r.x - m_dx, r.y - m_dy, r.width, r.height) & cv::Rect(0, 0, src.cols, src.rows);
        if (from.area() != r.area())
            out.setTo(cv::Scalar::all(0));
        if (!from.empty())
            src(from).copyTo(dst(cv::Rect(from.x + m_dx, from.y + m_dy, from.width, from.height)));
        return true;
    }
    // warpAffine's source coordinates in 1/32 pixel: per column a product
    // rounded once, per row another, added (what its block loop computes).
    constexpr int kAbBits = 10;
    constexpr int kAbScale = 1 << kAbBits;
    constexpr int kInterBits = 5;
    constexpr int kTab = 1 << kInterBits;
    constexpr int kRoundDelta = kAbScale / kTab / 2;
    const double* M = m_inverse;
    thread_local std::vector<int> adelta, bdelta;
    // Their low 16 bits: the fractions are bits 5..9 of a sum, which the low
    // bits of the addends fix, so eight of them fit one 16-bit vector.
    thread_local std::vector<short> alow, blow;
    adelta.resize(size_t(r.width));
    bdelta.resize(size_t(r.width));
    alow.resize(size_t(r.width));
    blow.resize(size_t(r.width));
    for (int x = 0; x < r.width; ++x) {
        adelta[size_t(x)] = cv::saturate_cast<int>(M[0] * (r.x + x) * kAbScale);
        bdelta[size_t(x)] = cv::saturate_cast<int>(M[3] * (r.x + x) * kAbScale);
        alow[size_t(x)] = static_cast<short>(adelta[size_t(x)]);
        blow[size_t(x)] = static_cast<short>(bdelta[size_t(x)]);
    }
    // Read through plain pointers in the row loops (thread_local vectors cost
    // a lookup per use).
    const int* const adp = adelta.data();
    const int* const bdp = bdelta.data();
    // Source columns step by 0 or 1 pixel per pixel and source rows move one
    // way by at most a pixel (a turn of less than 45 degrees, as positioning
    // finds): then a group's ends tell where every pixel in it reads.
    bool steady = true;
    const bool wide = WideBlend();
    {
        int up = 0, down = 0;
        for (int x = 1; x < r.width; ++x) {
            const int da = adelta[size_t(x)] - adelta[size_t(x - 1)];
            const int db = bdelta[size_t(x)] - bdelta[size_t(x - 1)];
            steady = steady && da >= 0 && da <= kAbScale && db >= -kAbScale && db <= kAbScale;
            up |= db > 0;
            down |= db < 0;
        }
        steady = steady && !(up && down);
    }
    // Bilinear weights in 1/32 steps per axis; (sum + 2^9) >> 10 is warpAffine's
    // rounding of its 15-bit products.
    const int w = src.cols;
    const int h = src.rows;
    const size_t step = src.step[0];
    const uchar* base = src.data;
    // No turn: every pixel of a row has the same fraction and the next source pixel.
    const bool pureShift = M[0] == 1.0 && M[3] == 0.0;
    // Then adelta steps by exactly 1024 and bdelta is 0 (checked, not assumed).
    bool wholeColumns = pureShift;
    for (int x = 0; wholeColumns && x < r.width; ++x)
        wholeColumns = adelta[size_t(x)] - adelta[0] == x * kAbScale && bdelta[size_t(x)] == 0;
    auto blend = [](int v00, int v01, int v10, int v11, int fx, int fy) {
        const int top = v00 * (kTab - fx) + v01 * fx;
        const int bottom = v10 * (kTab - fx) + v11 * fx;
        return static_cast<uchar>((top * (kTab - fy) + bottom * fy + 512) >> 10);
    };
    // The lines a row some rows ahead will read and write are asked for now
    // (see RowPrefetch.h); samples along that row lie closer than a cache
    // line in x and a row in y (one a line where rows are not turned), so
    // they reach the lines it reads. A steeply turned row reads lines the
    // rows before it mostly read already: only its destination is asked for.
    constexpr int kAhead = kRowsAhead;
    cv::Mat box = dst(r);
    const double slope = std::abs(M[3]);
    const bool source = slope <= 1.0 / 8;
    const int along = slope == 0 ? 64 : slope < 1.0 / 32 ? 32 : int(0.5 / slope);
    auto prefetchRow = [&](int y) {
        PrefetchRowForWrite(box, y);
        if (!source)
            return;
        const int X0 = cv::saturate_cast<int>((M[1] * (r.y + y) + M[2]) * kAbScale) + kRoundDelta;
        const int Y0 = cv::saturate_cast<int>((M[4] * (r.y + y) + M[5]) * kAbScale) + kRoundDelta;
        const int e = r.width - 1;
        const int xa = (X0 + adp[0]) >> kAbBits, xe = (X0 + adp[e]) >> kAbBits;
        const int ya = (Y0 + bdp[0]) >> kAbBits, ye = (Y0 + bdp[e]) >> kAbBits;
        if (std::min(xa, xe) >= 0 && std::max(xa, xe) <= w - 1 && std::min(ya, ye) >= 0 && std::max(ya, ye) <= h - 2) {
            // Source coordinates move one way along the row: with both ends
            // in the frame, no sample between needs clamping.
            const int* ad = adp;
            const int* bd = bdp;
            for (int x = 0; x < e; x += along) {
                const uchar* q = base + size_t((Y0 + bd[x]) >> kAbBits) * step + size_t((X0 + ad[x]) >> kAbBits);
                __builtin_prefetch(q);
                __builtin_prefetch(q + step);
            }
            const uchar* p = base + size_t(ye) * step + size_t(xe);
            __builtin_prefetch(p);
            __builtin_prefetch(p + step);
            __builtin_prefetch(p + 1);
            __builtin_prefetch(p + step + 1);
            return;
        }
        for (int x = 0;; x += along) {
            const int k = std::min(x, r.width - 1);
            const int sx = std::clamp((X0 + adp[k]) >> kAbBits, 0, w - 1);
            const int sy = std::max(0, std::min((Y0 + bdp[k]) >> kAbBits, h - 2));
            const uchar* p = base + size_t(sy) * step + size_t(sx);
            __builtin_prefetch(p);
            __builtin_prefetch(p + step);
            if (k == r.width - 1) {
                __builtin_prefetch(p + 1);
                __builtin_prefetch(p + step + 1);
                break;
            }
        }
    };
    const bool prefetch = h >= 2;
    for (int y = 0; prefetch && y < std::min(kAhead, r.height); ++y)
        prefetchRow(y);
    for (int y = 0; y < r.height; ++y) {
        if (prefetch && y + kAhead < r.height)
            prefetchRow(y + kAhead);
        const int X0 = cv::saturate_cast<int>((M[1] * (r.y + y) + M[2]) * kAbScale) + kRoundDelta;
        const int Y0 = cv::saturate_cast<int>((M[4] * (r.y + y) + M[5]) * kAbScale) + kRoundDelta;
        uchar* out = dst.ptr<uchar>(r.y + y) + r.x;
        auto coords = [&](int x, int& sx, int& sy, int& fx, int& fy) {
            const int X = (X0 + adp[x]) >> (kAbBits - kInterBits);
            const int Y = (Y0 + bdp[x]) >> (kAbBits - kInterBits);
            sx = X >> kInterBits;
            sy = Y >> kInterBits;
            fx = X & (kTab - 1);
            fy = Y & (kTab - 1);
        };
        auto inside = [&](int x) {
            int sx, sy, fx, fy;
            coords(x, sx, sy, fx, fy);
            return unsigned(sx) < unsigned(w - 1) && unsigned(sy) < unsigned(h - 1);
        };
        // Source coordinates move linearly along the row, so the pixels whose
        // four neighbours all lie in the frame form one run: find its ends.
        int first = 0, last = r.width;
        if (wholeColumns) {
            // Columns step by exactly one pixel and the row stays: the run's
            // ends by arithmetic, the same as the search below finds.
            int sx0, sy0, fx0, fy0;
            coords(0, sx0, sy0, fx0, fy0);
            first = std::max(0, -sx0);
            last = std::min(r.width, w - 1 - sx0);
            if (unsigned(sy0) >= unsigned(h - 1) || last <= first)
                first = last = r.width;
        } else {
            while (first < r.width && !inside(first))
                ++first;
            while (last > first && !inside(last - 1))
                --last;
        }
        for (int x = 0; x < r.width; ++x) {
            if (x == first) {
                int sx, sy, fx, fy;
                coords(first, sx, sy, fx, fy);
                if (pureShift) {
                    // Same fraction along the whole run: a plain loop over two rows.
                    const uchar* p0 = base + size_t(sy) * step + size_t(sx);
                    const uchar* p1 = p0 + step;
                    const int n = last - first;
                    uchar* o = out + first;
                    int i = 0;
                    if (fx == 0 && fy == 0) {
                        // A shift within 1/64 pixel of whole pixels weighs only
                        // the first of the four: the blend is a copy.
                        std::memcpy(o, p0, size_t(n));
                        x = last - 1;
                        continue;
                    }
#if CV_SIMD128
                    // The same integer sums, eight pixels at a time; each reads
                    // one pixel beyond its eight, which the run's last pixel
                    // reads too. A run's tail is one more vector ending at the
                    // run's end: it rewrites a few pixels with the same values.
                    const cv::v_int16x8 wl = cv::v_setall_s16(short(kTab - fx));
                    const cv::v_int16x8 wr = cv::v_setall_s16(short(fx));
                    const cv::v_int16x8 wv = cv::v_reinterpret_as_s16(cv::v_setall_s32((fy << 16) | (kTab - fy)));
                    const cv::v_int32x4 half = cv::v_setall_s32(512);
                    for (bool tail = false;; i += 8) {
                        if (i + 8 > n) {
                            if (tail || i >= n || n < 8)
                                break;
                            i = n - 8;
                            tail = true;
                        }
                        const cv::v_int16x8 a0 = cv::v_reinterpret_as_s16(cv::v_load_expand(p0 + i));
                        const cv::v_int16x8 a1 = cv::v_reinterpret_as_s16(cv::v_load_expand(p0 + i + 1));
                        const cv::v_int16x8 b0 = cv::v_reinterpret_as_s16(cv::v_load_expand(p1 + i));
                        const cv::v_int16x8 b1 = cv::v_reinterpret_as_s16(cv::v_load_expand(p1 + i + 1));
                        // Products stay within 16 bits: the plain multiply, not
                        // the saturating one operator* stands for (several
                        // instructions each on SSE2).
                        const cv::v_int16x8 top = cv::v_mul_wrap(a0, wl) + cv::v_mul_wrap(a1, wr);
                        const cv::v_int16x8 bottom = cv::v_mul_wrap(b0, wl) + cv::v_mul_wrap(b1, wr);
                        cv::v_int16x8 lo, hi;
                        cv::v_zip(top, bottom, lo, hi);
                        const cv::v_int32x4 r0 = cv::v_dotprod(lo, wv, half) >> 10;
                        const cv::v_int32x4 r1 = cv::v_dotprod(hi, wv, half) >> 10;
                        // Results lie in 0..255: the signed packs are exact, and
                        // cheaper than the unsigned 32-bit pack without SSE4.1.
                        cv::v_pack_u_store(o + i, cv::v_pack(r0, r1));
                    }
#endif
                    for (; i < n; ++i)
                        o[i] = blend(p0[i], p0[i + 1], p1[i], p1[i + 1], fx, fy);
                } else {
                    // blend() rewritten with one product per axis: the same integers.
                    const int* ad = adp;
                    const int* bd = bdp;
                    const ptrdiff_t st = ptrdiff_t(step);
                    auto pixel = [&](int k) {
                        const int X = (X0 + ad[k]) >> (kAbBits - kInterBits);
                        const int Y = (Y0 + bd[k]) >> (kAbBits - kInterBits);
                        const uchar* p = base + ptrdiff_t(Y >> kInterBits) * st + (X >> kInterBits);
                        const int ux = X & (kTab - 1);
                        const int uy = Y & (kTab - 1);
                        const int top = p[0] * kTab + (p[1] - p[0]) * ux;
                        const int bottom = p[st] * kTab + (p[st + 1] - p[st]) * ux;
                        return static_cast<uchar>((top * kTab + (bottom - top) * uy + 512) >> 10);
                    };
                    int i = first;
#ifdef MOJU_WARP_AVX2
                    if (steady && wide)
                        i = BlendTurnedAvx2(base, st, X0, Y0, ad, bd, alow.data(), blow.data(), out, i, last);
#endif
#if CV_SIMD128
                    // A slightly turned row reads eight neighbouring source
                    // pixels of the same two rows most of the time: then the
                    // eight are blended at once, each with its own weights.
                    const cv::v_int16x8 x0 = cv::v_setall_s16(static_cast<short>(X0));
                    const cv::v_int16x8 y0 = cv::v_setall_s16(static_cast<short>(Y0));
                    const cv::v_int16x8 frac = cv::v_setall_s16(short(kTab - 1));
                    const cv::v_int16x8 full = cv::v_setall_s16(short(kTab));
                    const cv::v_int32x4 half = cv::v_setall_s32(512);
                    const short* al = alow.data();
                    const short* bl = blow.data();
                    // A run's tail is one more group of eight ending at the run's end.
                    for (bool tail = false; steady; i += 8) {
                        if (i + 8 > last) {
                            if (tail || i >= last || last - first < 8)
                                break;
                            i = last - 8;
                            tail = true;
                        }
                        // The group's first and last source pixels: seven
                        // columns apart means one step each, the same row or
                        // the next means every pixel lies on one of those two.
                        const int sx0 = (X0 + ad[i]) >> kAbBits;
                        const int sy0 = (Y0 + bd[i]) >> kAbBits;
                        const int d = ((Y0 + bd[i + 7]) >> kAbBits) - sy0;
                        if (((X0 + ad[i + 7]) >> kAbBits) - sx0 != 7 || d < -1 || d > 1) {
                            for (int k = i; k < i + 8; ++k)
                                out[k] = pixel(k);
                            continue;
                        }
                        const cv::v_int16x8 xs = cv::v_add_wrap(x0, cv::v_load(al + i));
                        const cv::v_int16x8 ys = cv::v_add_wrap(y0, cv::v_load(bl + i));
                        const uchar* p = base + ptrdiff_t(sy0) * st + sx0;
                        cv::v_int16x8 a0 = cv::v_reinterpret_as_s16(cv::v_load_expand(p));
                        cv::v_int16x8 a1 = cv::v_reinterpret_as_s16(cv::v_load_expand(p + 1));
                        cv::v_int16x8 b0 = cv::v_reinterpret_as_s16(cv::v_load_expand(p + st));
                        cv::v_int16x8 b1 = cv::v_reinterpret_as_s16(cv::v_load_expand(p + st + 1));
                        if (d != 0) {
                            // A turned row steps to the next source row somewhere in
                            // the eight: those lanes read the pair of rows one
                            // further up or down. Each lane's place against the
                            // first one's row lies within -1024..2047: exact in 16 bits.
                            const cv::v_int16x8 rel = cv::v_sub_wrap(ys, cv::v_setall_s16(static_cast<short>(sy0 * kAbScale)));
                            const cv::v_int16x8 moved = d > 0 ? rel > cv::v_setall_s16(short(kAbScale - 1)) : rel < cv::v_setzero_s16();
                            const uchar* q = p + (d > 0 ? 2 * st : -st);
                            const cv::v_int16x8 c0 = cv::v_reinterpret_as_s16(cv::v_load_expand(q));
                            const cv::v_int16x8 c1 = cv::v_reinterpret_as_s16(cv::v_load_expand(q + 1));
                            if (d > 0) {
                                a0 = cv::v_select(moved, b0, a0);
                                a1 = cv::v_select(moved, b1, a1);
                                b0 = cv::v_select(moved, c0, b0);
                                b1 = cv::v_select(moved, c1, b1);
                            } else {
                                b0 = cv::v_select(moved, a0, b0);
                                b1 = cv::v_select(moved, a1, b1);
                                a0 = cv::v_select(moved, c0, a0);
                                a1 = cv::v_select(moved, c1, a1);
                            }
                        }
                        const cv::v_int16x8 wx = (xs >> (kAbBits - kInterBits)) & frac;
                        const cv::v_int16x8 wy = (ys >> (kAbBits - kInterBits)) & frac;
                        // a0 * (32 - wx) + a1 * wx, one product fewer; within
                        // 16 bits, so the plain multiply.
                        const cv::v_int16x8 top = (a0 << kInterBits) + cv::v_mul_wrap(a1 - a0, wx);
                        const cv::v_int16x8 bottom = (b0 << kInterBits) + cv::v_mul_wrap(b1 - b0, wx);
                        cv::v_int16x8 lo, hi, wlo, whi;
                        cv::v_zip(top, bottom, lo, hi);
                        cv::v_zip(full - wy, wy, wlo, whi);
                        const cv::v_int32x4 r0 = cv::v_dotprod(lo, wlo, half) >> 10;
                        const cv::v_int32x4 r1 = cv::v_dotprod(hi, whi, half) >> 10;
                        cv::v_pack_u_store(out + i, cv::v_pack(r0, r1));
                    }
#endif
                    for (; i < last; ++i)
                        out[i] = pixel(i);
                }
                x = last - 1;
                continue;
            }
            int sx, sy, fx, fy;
            coords(x, sx, sy, fx, fy);
            if (sx >= w || sx + 1 < 0 || sy >= h || sy + 1 < 0) {
                out[x] = 0;
                continue;
            }
            auto at = [&](int xx, int yy) {
                return (xx >= 0 && yy >= 0 && xx < w && yy < h) ? int(base[size_t(yy) * step + size_t(xx)]) : 0;
            };
            out[x] = blend(at(sx, sy), at(sx + 1, sy), at(sx, sy + 1), at(sx + 1, sy + 1), fx, fy);
        }
    }
    return true;
}
