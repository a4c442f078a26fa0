#include "Opening.h"

#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/imgproc.hpp>

#include <cstring>
#include <vector>

namespace {

// dst(x) = op of the cross around (x, y) in a picture padded by one pixel:
// up, left, centre, right, down. p points at the padded row above.
template <typename Op, typename VecOp>
void CrossRow(const uchar* p, size_t pstep, uchar* dst, int cols, Op op, VecOp vop)
{
    const uchar* up = p + 1;
    const uchar* mid = p + pstep;
    const uchar* down = p + 2 * pstep + 1;
    int x = 0;
#if CV_SIMD128
    for (; x + 16 <= cols; x += 16) {
        const cv::v_uint8x16 a = vop(cv::v_load(up + x), cv::v_load(mid + x));
        const cv::v_uint8x16 b = vop(cv::v_load(mid + x + 1), cv::v_load(mid + x + 2));
        cv::v_store(dst + x, vop(vop(a, b), cv::v_load(down + x)));
    }
#endif
    for (; x < cols; ++x)
        dst[x] = op(op(op(up[x], mid[x]), op(mid[x + 1], mid[x + 2])), down[x]);
}

}  // namespace

namespace {
bool RowAny(const uchar* r, int cols)
{
    int x = 0;
#if CV_SIMD128
    cv::v_uint8x16 acc = cv::v_setzero_u8();
    // Looked at every 256 bytes: a long row stops soon after its first non-zero byte.
    for (; x + 256 <= cols; x += 256) {
        for (int i = 0; i < 256; i += 16)
            acc |= cv::v_load(r + x + i);
        if (cv::v_check_any(acc != cv::v_setzero_u8()))
            return true;
    }
    for (; x + 16 <= cols; x += 16)
        acc |= cv::v_load(r + x);
    // The last sixteen again rather than byte by byte: "any" minds no overlap.
    if (x < cols && cols >= 16) {
        acc |= cv::v_load(r + cols - 16);
        x = cols;
    }
    if (cv::v_check_any(acc != cv::v_setzero_u8()))
        return true;
#endif
    for (; x < cols; ++x)
        if (r[x])
            return true;
    return false;
}
}  // namespace

bool AnyNonZero(const cv::Mat& img)
{
    // An empty picture (most work images) is read as one row, without a tail per row.
    if (img.isContinuous())
        return RowAny(img.data, img.rows * img.cols);
    for (int y = 0; y < img.rows; ++y)
        if (RowAny(img.ptr<uchar>(y), img.cols))
            return true;
    return false;
}

cv::Range NonZeroRows(const cv::Mat& img)
{
    int y0 = 0;
    while (y0 < img.rows && !RowAny(img.ptr<uchar>(y0), img.cols))
        ++y0;
    if (y0 == img.rows)
        return cv::Range(0, 0);
    int y1 = img.rows - 1;
    while (!RowAny(img.ptr<uchar>(y1), img.cols))
        --y1;
    return cv::Range(y0, y1 + 1);
}

namespace {
// Whether rows p and q hold a 2 x 2 block of set pixels over columns
// x and x + d, for x in [x0, x1).
bool AnyBlock(const uchar* p, const uchar* q, int x0, int x1, int d)
{
    int x = x0;
#if CV_SIMD128
    cv::v_uint8x16 acc = cv::v_setzero_u8();
    auto at = [&](int c) {
        return cv::v_min(cv::v_min(cv::v_load(p + c), cv::v_load(p + c + d)),
                         cv::v_min(cv::v_load(q + c), cv::v_load(q + c + d)));
    };
    for (; x + 16 <= x1; x += 16)
        acc |= at(x);
    if (x < x1 && x1 - x0 >= 16) {
        acc |= at(x1 - 16);
        x = x1;
    }
    if (cv::v_check_any(acc != cv::v_setzero_u8()))
        return true;
#endif
    for (; x < x1; ++x)
        if (p[x] && p[x + d] && q[x] && q[x + d])
            return true;
    return false;
}
}  // namespace

bool AnyErodedByTwo(const cv::Mat& img, bool anchorTopLeft)
{
    CV_Assert(img.type() == CV_8UC1);
    if (img.empty())
        return false;
    // The block reaches back (default anchor) or forward from each pixel.
    const int d = anchorTopLeft ? 1 : -1;
    const int w = img.cols, h = img.rows;
    const int x0 = d < 0 ? 1 : 0, x1 = d < 0 ? w : w - 1;  // columns paired with x + d
    const int edge = d < 0 ? 0 : w - 1;
    for (int y = 0; y < img.rows; ++y) {
        // The row and column beyond the picture read as 255: an edge row
        // pairs with itself, the edge column only with the next row.
        const uchar* p = img.ptr<uchar>(y);
        const int yq = y + d;
        const uchar* q = img.ptr<uchar>(yq < 0 || yq >= h ? y : yq);
        if (p[edge] && q[edge])
            return true;
        if (AnyBlock(p, q, x0, x1, d))
            return true;
    }
    return false;
}

namespace {
// The corners only one anchor's border pairs reach: each alone is a block.
bool CornerSet(const cv::Mat& img)
{
    return img.ptr<uchar>(0)[0] || img.ptr<uchar>(img.rows - 1)[img.cols - 1];
}

// A 2 x 2 block in rows p and q, or a pair in the edge columns (the column
// beyond the picture reads as 255).
bool PairInRows(const uchar* p, const uchar* q, int w)
{
    return (p[0] && q[0]) || (p[w - 1] && q[w - 1]) || AnyBlock(p, q, 0, w - 1, 1);
}
}  // namespace

bool AnyErodedByTwoEither(const cv::Mat& img)
{
    CV_Assert(img.type() == CV_8UC1);
    if (img.empty())
        return false;
    // Both anchors see the same blocks inside the picture; they differ only
    // at the border, which reads as 255. There the default anchor adds pairs
    // along the top row and the left column and the top left pixel alone; the
    // top left anchor the same along the bottom row, the right column and the
    // bottom right pixel.
    const int w = img.cols, h = img.rows;
    if (CornerSet(img))
        return true;
    // Row pair (y, y + 1); the top and bottom rows also with themselves.
    auto blocks = [w](const uchar* p, const uchar* q) { return AnyBlock(p, q, 0, w - 1, 1); };
    if (blocks(img.ptr<uchar>(0), img.ptr<uchar>(0)) || blocks(img.ptr<uchar>(h - 1), img.ptr<uchar>(h - 1)))
        return true;
    for (int y = 0; y + 1 < h; ++y)
        if (PairInRows(img.ptr<uchar>(y), img.ptr<uchar>(y + 1), w))
            return true;
    return false;
}

namespace {
// Whether row p holds a pixel set with its four neighbours (u above, d
// below; beyond the picture a row or column stands in for itself, as a
// pixel that must be set anyway).
bool CrossInRow(const uchar* p, const uchar* u, const uchar* d, int w)
{
    auto at = [&](int x) { return p[x] && u[x] && d[x] && p[x > 0 ? x - 1 : x] && p[x + 1 < w ? x + 1 : x]; };
    if (at(0) || at(w - 1))
        return true;
    int x = 1;
#if CV_SIMD128
    cv::v_uint8x16 acc = cv::v_setzero_u8();
    auto block = [&](int c) {
        return cv::v_min(cv::v_min(cv::v_load(p + c), cv::v_min(cv::v_load(p + c - 1), cv::v_load(p + c + 1))),
                         cv::v_min(cv::v_load(u + c), cv::v_load(d + c)));
    };
    for (; x + 17 <= w; x += 16)
        acc |= block(x);
    if (x < w - 1 && w >= 18) {
        acc |= block(w - 17);
        x = w - 1;
    }
    if (cv::v_check_any(acc != cv::v_setzero_u8()))
        return true;
#endif
    for (; x < w - 1; ++x)
        if (at(x))
            return true;
    return false;
}
}  // namespace

bool AnyErodedByCross(const cv::Mat& img)
{
    CV_Assert(img.type() == CV_8UC1);
    const cv::Range rows = NonZeroRows(img);
    const int h = img.rows;
    for (int y = rows.start; y < rows.end; ++y)
        if (CrossInRow(img.ptr<uchar>(y), img.ptr<uchar>(y > 0 ? y - 1 : y), img.ptr<uchar>(y + 1 < h ? y + 1 : y), img.cols))
            return true;
    return false;
}

bool AnyErodedByTwoOrCross(const cv::Mat& img)
{
    CV_Assert(img.type() == CV_8UC1);
    if (img.empty())
        return false;
    const int w = img.cols, h = img.rows;
    if (CornerSet(img))
        return true;
    // A block or a cross needs a set pixel in each row it spans: most rows
    // of a work image hold none, and are read once.
    thread_local std::vector<uchar> set;
    set.resize(size_t(h));
    for (int y = 0; y < h; ++y)
        set[size_t(y)] = RowAny(img.ptr<uchar>(y), w);
    auto blocks = [w](const uchar* p, const uchar* q) { return AnyBlock(p, q, 0, w - 1, 1); };
    for (int y = 0; y < h; ++y) {
        if (!set[size_t(y)])
            continue;
        const uchar* p = img.ptr<uchar>(y);
        // The top and bottom rows pair with themselves (as AnyErodedByTwoEither).
        if ((y == 0 || y == h - 1) && blocks(p, p))
            return true;
        const bool below = y + 1 < h && set[size_t(y + 1)];
        if (below && PairInRows(p, img.ptr<uchar>(y + 1), w))
            return true;
        if ((y == 0 || set[size_t(y - 1)]) && (y + 1 == h || below)
            && CrossInRow(p, img.ptr<uchar>(y > 0 ? y - 1 : y), img.ptr<uchar>(y + 1 < h ? y + 1 : y), w))
            return true;
    }
    return false;
}

cv::Rect NonZeroBounds(const cv::Mat& img)
{
    if (!AnyNonZero(img))
        return cv::Rect();
    const cv::Range rows = NonZeroRows(img);
    const int y0 = rows.start, y1 = rows.end - 1;
    // The rows between, ORed: a column is used when any of them uses it.
    thread_local std::vector<uchar> cols;
    cols.assign(size_t(img.cols), 0);
    uchar* c = cols.data();
    for (int y = y0; y <= y1; ++y) {
        const uchar* r = img.ptr<uchar>(y);
        int x = 0;
#if CV_SIMD128
        for (; x + 16 <= img.cols; x += 16)
            cv::v_store(c + x, cv::v_load(c + x) | cv::v_load(r + x));
        if (x < img.cols && img.cols >= 16) {
            const int last = img.cols - 16;  // ORing twice changes nothing
            cv::v_store(c + last, cv::v_load(c + last) | cv::v_load(r + last));
            x = img.cols;
        }
#endif
        for (; x < img.cols; ++x)
            c[x] |= r[x];
    }
    int x0 = 0;
    while (!c[x0])
        ++x0;
    int x1 = img.cols - 1;
    while (!c[x1])
        --x1;
    return cv::Rect(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

bool OpenEllipse(cv::Mat& img, int k, const cv::Mat& element, cv::Rect* kept)
{
    CV_Assert(img.type() == CV_8UC1);
    if (kept)
        *kept = cv::Rect();
    // An opening never raises a pixel: what lies outside the box of the
    // non-zero pixels stays 0, so only the box is opened.
    const cv::Rect box = NonZeroBounds(img);
    if (box.empty())
        return false;
    if (kept)
        *kept = box;
    if (k <= 1)
        return true;
    if (k != 3) {
        cv::morphologyEx(img, img, cv::MORPH_OPEN, element);
        return AnyNonZero(img(box));
    }
    // Erosion reads beyond the picture as 255 and dilation as 0, which is
    // what the default border of the two means: only the picture counts.
    // Inside the picture but outside the box every pixel is 0, to both.
    const int rows = box.height;
    const int cols = box.width;
    const uchar top = box.y == 0 ? 255 : 0;
    const uchar bottom = box.y + rows == img.rows ? 255 : 0;
    const uchar left = box.x == 0 ? 255 : 0;
    const uchar right = box.x + cols == img.cols ? 255 : 0;
    const size_t pstep = size_t(cols) + 2;
    thread_local std::vector<uchar> padded, eroded;
    // Only the border is filled: the copy writes the rest.
    padded.resize(pstep * size_t(rows + 2));
    eroded.resize(pstep * size_t(rows + 2));
    std::memset(padded.data(), top, pstep);
    std::memset(padded.data() + pstep * size_t(rows + 1), bottom, pstep);
    std::memset(eroded.data(), 0, pstep);
    std::memset(eroded.data() + pstep * size_t(rows + 1), 0, pstep);
    for (int y = 0; y < rows; ++y) {
        uchar* row = padded.data() + pstep * size_t(y + 1);
        row[0] = left;
        row[cols + 1] = right;
        std::memcpy(row + 1, img.ptr<uchar>(box.y + y) + box.x, size_t(cols));
    }

    auto mn = [](uchar a, uchar b) { return a < b ? a : b; };
    auto mx = [](uchar a, uchar b) { return a > b ? a : b; };
#if CV_SIMD128
    auto vmn = [](const cv::v_uint8x16& a, const cv::v_uint8x16& b) { return cv::v_min(a, b); };
    auto vmx = [](const cv::v_uint8x16& a, const cv::v_uint8x16& b) { return cv::v_max(a, b); };
#else
    auto vmn = mn;
    auto vmx = mx;
#endif
    for (int y = 0; y < rows; ++y) {
        uchar* e = eroded.data() + pstep * size_t(y + 1);
        e[0] = e[cols + 1] = 0;
        CrossRow(padded.data() + pstep * size_t(y), pstep, e + 1, cols, mn, vmn);
    }
    for (int y = 0; y < rows; ++y)
        CrossRow(eroded.data() + pstep * size_t(y), pstep, img.ptr<uchar>(box.y + y) + box.x, cols, mx, vmx);
    return AnyNonZero(img(box));
}
