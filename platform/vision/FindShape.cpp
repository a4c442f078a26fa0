#include "FindShape.h"

#include "DirectionBits.h"
#include "Pyramid.h"
#include "StageClock.h"
#include "TieRule.h"

#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/imgproc.hpp>

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>

namespace {

constexpr int kBins = DirectionBits::kBins;  // gradient directions over 180 degrees
constexpr int kSimMax = 4;           // similarity of equal directions
constexpr int kMinModelMag = 40;     // Sobel magnitude of an edge in the model
constexpr int kMinSearchMag = 24;    // ... and in the searched image
constexpr int kMinPoints = 8;
constexpr int kMaxLevels = 5;
// Candidates of the top level refined further, and kept after each finer level.
// Levels up to this many pixels get their direction bits computed whole.
constexpr size_t kDensePixels = 160 * 1000;
constexpr int kTopCandidates = 24;
constexpr int kRefineCandidates = 8;
constexpr double kRefineShare = 0.85;
// Top-level floor as a share of the minimum score: the coarse level blurs
// small features, so a true match may score well below its final value there.
constexpr double kCoarseFactor = 0.6;
// Trust: the grey fit must explain most of the model (a pose a pixel off on
// the part's edges explains far less; blur and foreign objects cost a few
// per cent), and no clearly different place may fit about as well.
constexpr double kMinFit = 0.80;
constexpr double kMaxRunnerUp = 0.97;
// A pose used may be off by at most this much over the judged boxes (px):
// a pixel of misalignment shows along every edge of a good part, or moves a
// real difference out of its place. Its noise, as the fit itself measures
// it, must keep it inside with this many standard deviations to spare.
constexpr double kMaxOff = 1.0;
constexpr double kOffSigmas = 4.0;
// A picture whose scale changed by a fraction of a percent (the camera crept
// nearer, a lens warmed) still fits the Position area by shift alone; the
// residual scale must keep the judged boxes' corners within half a pixel.
// Fixed cameras read an eighth of a pixel at most.
constexpr double kMaxScaled = 0.5;
constexpr int kConfirmTries = 4;  // places the grey fit may try before the part counts as lost
constexpr int kDistinct = 3;  // full-size pixels
// Places whose edges score at least this share of the best are all compared
// on the grey values before one is chosen: on a grid or a mould of identical
// cavities a repeat's edges score as well as the part's own place.
constexpr double kAlike = 0.90;
// A fixed camera sees the part within a few pixels of where it was taught:
// the best place this near it (full-size pixels) is kept for that comparison
// however many repeats score alike elsewhere.
constexpr double kNearPx = 32.0;
// A part found far from the taught place, with places scoring alike left
// out, is looked for again following every such place (the repeats of a
// grid) down to the grey fit; at most this many, for the time a frame may take.
constexpr int kFollowAlike = 96;

// Similarity of two direction bins by their distance (cosine-like).
constexpr std::array<int, 5> kSimByDist = {4, 3, 1, 0, 0};

int binOfAngle(float deg)
{
    // fmod of the angles a turn gives (-180 to 360 degrees) without the
    // library call: deg - 180 is exact there, as fmod is.
    float a = deg > -180.f && deg < 180.f ? deg : (deg >= 180.f && deg < 360.f ? deg - 180.f : std::fmod(deg, 180.f));
    if (a < 0)
        a += 180.f;
    // Non-negative, so truncation is the floor.
    return static_cast<int>(a / (180.f / kBins) + 0.5f) % kBins;
}

// std::lround of a point offset (well inside +-2^22) without the library
// call: the fraction x - trunc(x) is exact in float.
int roundOffset(float x)
{
    int t = static_cast<int>(x);
    const float f = x - static_cast<float>(t);
    if (f >= 0.5f)
        ++t;
    else if (f <= -0.5f)
        --t;
    return t;
}

int simOfBins(int a, int b)
{
    int d = std::abs(a - b);
    d = std::min(d, kBins - d);
    return kSimByDist[static_cast<size_t>(d)];
}

// Look-up: for each model bin, the best similarity to any bit of a spread mask.
struct SimLut {
    uint8_t v[kBins][256];
    SimLut()
    {
        for (int o = 0; o < kBins; ++o)
            for (int m = 0; m < 256; ++m) {
                int best = 0;
                for (int b = 0; b < kBins; ++b)
                    if (m & (1 << b))
                        best = std::max(best, simOfBins(o, b));
                v[o][m] = static_cast<uint8_t>(best);
            }
    }
};
const SimLut& simLut()
{
    static const SimLut lut;
    return lut;
}

using RotPoint = FindShape::RotPoint;
using Rotation = FindShape::Rotation;

// Turned point sets of one pyramid level, each angle turned once per search:
// the candidates of a level share most of their angles.
struct RotationCache {
    std::vector<Rotation> sets;
    size_t used = 0;
    void Reset() { used = 0; }
    const Rotation& At(const FindShape::Level& lv, float angle)
    {
        for (size_t i = 0; i < used; ++i)
            if (sets[i].angle == angle)
                return sets[i];
        if (used == sets.size())
            sets.emplace_back();
        Rotation& r = sets[used++];
        r.Turn(lv, angle);
        return r;
    }
};

// A pixel's bits and spread side by side (each stamp << 8 | bits): the
// reads of a sparse level scatter over a picture larger than the cache, and
// a pixel's two values then cost one cache line instead of two.
struct BitsCell {
    uint16_t bits, spread;
};
struct BitsCache {
    std::vector<BitsCell> cells;
    uint32_t gen = 0;
};

struct Candidate {
    double score;  // 0..1
    int x, y;      // model centre at the level
    float angle;
    bool near = false;  // the taught place, or the best place near it
    // The score at full size with the edges taken within a pixel: what the
    // minimum score is asked of. The exact score of the last pass falls
    // with the noise on a dark part's weak edges.
    double blurred = 0;
};

// A place the grey values were fitted at.
struct Tried {
    ShapePose start;  // where the edges left it
    ShapePose pose;
    PoseFit fit;
    bool done = false;
    bool ok = false;  // refined and well fitted
};

// Everything a search writes besides its result. Kept between searches so
// that its memory is reused; a search borrows one, so searches on several
// threads never share one.
struct SearchScratch {
    std::vector<cv::Mat> pyr;
    DirectionBits topBits;
    cv::Mat topSpread;
    std::array<cv::Mat, kBins> resp, respPadded;
    cv::Mat acc;
    std::vector<Candidate> cands, kept, topAll;
    std::vector<Tried> tried, triedBefore;
    std::vector<float> angles;
    std::vector<const uint8_t*> starts;
    std::vector<int> gridSums;
    std::array<BitsCache, kMaxLevels> sparse;
    std::array<DirectionBits, kMaxLevels> dense;
    std::array<cv::Mat, kMaxLevels> denseSpread;
    std::array<RotationCache, kMaxLevels> rotations;
};

class ScratchPool {
public:
    static std::unique_ptr<SearchScratch> take()
    {
        std::lock_guard<std::mutex> lock(mutex());
        auto& f = free();
        if (f.empty())
            return std::make_unique<SearchScratch>();
        std::unique_ptr<SearchScratch> c = std::move(f.back());
        f.pop_back();
        return c;
    }
    static void give(std::unique_ptr<SearchScratch> c)
    {
        std::lock_guard<std::mutex> lock(mutex());
        free().push_back(std::move(c));
    }

private:
    static std::mutex& mutex()
    {
        static std::mutex m;
        return m;
    }
    static std::vector<std::unique_ptr<SearchScratch>>& free()
    {
        static std::vector<std::unique_ptr<SearchScratch>> f;
        return f;
    }
};

// Direction bits of one pyramid level for the refinement. A small level is
// computed whole and read directly; on a large one only the few pixels a
// refinement touches are computed, cached in buffers that a generation count
// clears. Pixels on the image border have no direction; outside the image
// nothing.
class LevelBits {
public:
    void Init(const cv::Mat& img, int minMag, SearchScratch& scratch, int slot, bool dense)
    {
        m_img = &img;
        m_minMag2 = minMag * minMag;
        m_cells = nullptr;
        m_dense = m_denseSpread = nullptr;
        const size_t k = static_cast<size_t>(std::clamp(slot, 0, kMaxLevels - 1));
        if (dense) {
            DirectionBits& d = scratch.dense[k];
            d.Compute(img, minMag);
            d.ClearBorder();
            d.Spread(scratch.denseSpread[k]);
            m_dense = &d.Bits();
            m_denseSpread = &scratch.denseSpread[k];
            return;
        }
        BitsCache& c = scratch.sparse[k];
        const size_t n = size_t(img.cols) * size_t(img.rows);
        if (c.cells.size() < n) {
            c.cells.assign(n, BitsCell{0, 0});
            c.gen = 0;
        }
        if (++c.gen >= 256) {  // stamps would repeat: start afresh
            std::fill(c.cells.begin(), c.cells.end(), BitsCell{0, 0});
            c.gen = 1;
        }
        m_cells = c.cells.data();
        m_stamp = static_cast<uint16_t>(c.gen << 8);
    }
    bool Ready() const { return m_img != nullptr; }
    // The whole map (bits or spread) when the level is dense, else null.
    const cv::Mat* Dense(bool spread) const { return spread ? m_denseSpread : m_dense; }
    uint8_t at(int x, int y)
    {
        const cv::Mat& img = *m_img;
        if (x < 1 || y < 1 || x >= img.cols - 1 || y >= img.rows - 1)
            return 0;
        if (m_dense)
            return m_dense->at<uint8_t>(y, x);
        return sparseAt(x, y);
    }
    // A sparse level's bits of an inner pixel (1 <= x < cols - 1, the same for y).
    // Most reads find the bits made: that test stays at the caller, the
    // making does not.
    uint8_t sparseAt(int x, int y) __attribute__((always_inline))
    {
        const uint16_t v = m_cells[size_t(y) * size_t(m_img->cols) + size_t(x)].bits;
        if ((v & 0xFF00u) != m_stamp)
            return sparseMake(x, y);
        return static_cast<uint8_t>(v & 0xFF);
    }
    __attribute__((noinline)) uint8_t sparseMake(int x, int y)
    {
        const cv::Mat& img = *m_img;
        const uint8_t* r0 = img.ptr<uint8_t>(y - 1) + x;
        const uint8_t* r1 = img.ptr<uint8_t>(y) + x;
        const uint8_t* r2 = img.ptr<uint8_t>(y + 1) + x;
        const int gx = (r0[1] - r0[-1]) + 2 * (r1[1] - r1[-1]) + (r2[1] - r2[-1]);
        const int gy = (r2[-1] + 2 * r2[0] + r2[1]) - (r0[-1] + 2 * r0[0] + r0[1]);
        const uint8_t bits = DirectionBits::BitOf(gx, gy, m_minMag2);
        m_cells[size_t(y) * size_t(img.cols) + size_t(x)].bits = static_cast<uint16_t>(m_stamp | bits);
        return bits;
    }
    uint8_t spread(int x, int y)
    {
        const cv::Mat& img = *m_img;
        if (x < 0 || y < 0 || x >= img.cols || y >= img.rows)
            return 0;
        if (m_denseSpread)
            return m_denseSpread->at<uint8_t>(y, x);
        uint16_t& v = m_cells[size_t(y) * size_t(img.cols) + size_t(x)].spread;
        if ((v & 0xFF00u) != m_stamp) {
            uint8_t m = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    m |= at(x + dx, y + dy);
            v = static_cast<uint16_t>(m_stamp | m);
        }
        return static_cast<uint8_t>(v & 0xFF);
    }
    // A sparse level's spread of a pixel whose neighbours are all inner
    // pixels (2 <= x < cols - 2, the same for y).
    uint8_t sparseSpread(int x, int y)
    {
        const size_t cols = size_t(m_img->cols);
        uint16_t& v = m_cells[size_t(y) * cols + size_t(x)].spread;
        if ((v & 0xFF00u) != m_stamp) {
            uint8_t m = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    m |= sparseAt(x + dx, y + dy);
            v = static_cast<uint16_t>(m_stamp | m);
        }
        return static_cast<uint8_t>(v & 0xFF);
    }
    // sparseSpread of Side pixels side by side (2 <= x, x + Side <= cols - 2,
    // 2 <= y < rows - 2). When most are not known yet, the bits of their
    // columns are ORed once for all of them instead of nine times each.
    template <int Side>
    void sparseSpreadRow(int x, int y, uint8_t* out)
    {
        const size_t cols = size_t(m_img->cols);
        BitsCell* cell = m_cells + size_t(y) * cols + size_t(x);
        int unknown = 0;
        for (int i = 0; i < Side; ++i)
            unknown += (cell[i].spread & 0xFF00u) != m_stamp;
        if (unknown * 2 <= Side) {
            for (int i = 0; i < Side; ++i)
                out[i] = sparseSpread(x + i, y);
            return;
        }
        uint8_t column[Side + 2];
        for (int j = 0; j < Side + 2; ++j)
            column[j] = uint8_t(sparseAt(x - 1 + j, y - 1) | sparseAt(x - 1 + j, y) | sparseAt(x - 1 + j, y + 1));
        for (int i = 0; i < Side; ++i) {
            uint16_t& v = cell[i].spread;
            if ((v & 0xFF00u) != m_stamp)
                v = static_cast<uint16_t>(m_stamp | column[i] | column[i + 1] | column[i + 2]);
            out[i] = static_cast<uint8_t>(v & 0xFF);
        }
    }
    int cols() const { return m_img->cols; }
    int rows() const { return m_img->rows; }

private:
    const cv::Mat* m_img = nullptr;
    int m_minMag2 = 0;
    const cv::Mat* m_dense = nullptr;
    const cv::Mat* m_denseSpread = nullptr;
    BitsCell* m_cells = nullptr;
    uint16_t m_stamp = 0;
};

// Calls f(x, y, value) for every pixel of acc that is >= floor and no lower
// than its 8 neighbours (plateaus give several; keepBest merges them).
template <typename F>
void localMaxima(const cv::Mat& acc, int floor, F&& f)
{
    const int w = acc.cols, h = acc.rows;
    for (int y = 0; y < h; ++y) {
        const uint16_t* row = acc.ptr<uint16_t>(y);
        const uint16_t* up = y > 0 ? acc.ptr<uint16_t>(y - 1) : nullptr;
        const uint16_t* down = y + 1 < h ? acc.ptr<uint16_t>(y + 1) : nullptr;
        for (int x = 0; x < w; ++x) {
            const int v = row[x];
            if (v < floor || v == 0)
                continue;
            bool peak = true;
            for (int dx = -1; dx <= 1 && peak; ++dx) {
                const int xx = x + dx;
                if (xx < 0 || xx >= w)
                    continue;
                if ((dx != 0 && row[xx] > v) || (up && up[xx] > v) || (down && down[xx] > v))
                    peak = false;
            }
            if (peak)
                f(x, y, v);
        }
    }
}

// Highest score first; ties in a fixed order so that a search is repeatable.
bool better(const Candidate& a, const Candidate& b)
{
    if (a.score != b.score)
        return a.score > b.score;
    if (a.y != b.y)
        return a.y < b.y;
    if (a.x != b.x)
        return a.x < b.x;
    return a.angle < b.angle;
}

// Non-maximum suppression: keeps at most `count` candidates, best first,
// dropping any that lies within `dist` pixels and `dAngle` degrees of a
// better one. Places near the taught one are kept beyond the count; with
// `nearApart` each goes on on its own (only one on the very same place is
// dropped), else one that merges into a better one passes its mark on.
// `cut` (when given) is set when a place of its own whose score is alike
// (kAlike of the best) is left out for the count: the grey values never
// compare it. Places alike go on past the count too while fewer than
// `follow` are kept.
void keepBest(std::vector<Candidate>& cands, std::vector<Candidate>& kept, int count, int dist, float dAngle,
              bool* cut, bool nearApart = false, int follow = 0)
{
    std::sort(cands.begin(), cands.end(), better);
    kept.clear();
    size_t nearLeft = size_t(std::count_if(cands.begin(), cands.end(), [](const Candidate& c) { return c.near; }));
    const double alike = cands.empty() ? 0.0 : kAlike * cands.front().score;
    auto mergeInto = [&](const Candidate& c, int reach, bool apart) -> Candidate* {
        for (Candidate& k : kept)
            if ((!apart || k.near) && std::abs(k.x - c.x) <= reach && std::abs(k.y - c.y) <= reach
                && std::abs(k.angle - c.angle) <= dAngle)
                return &k;
        return nullptr;
    };
    for (const Candidate& c : cands) {
        nearLeft -= c.near;
        const bool followed = c.score >= alike && int(kept.size()) < follow;
        if (int(kept.size()) >= count && !c.near && !followed) {
            if (cut && !*cut && c.score >= alike && !mergeInto(c, dist, false))
                *cut = true;
            // Past the count only near places, and the question above, are left.
            if (nearLeft == 0 && (!cut || *cut || c.score < alike))
                break;
            continue;
        }
        // Kept apart, a near place merges only into a near one on the very same place.
        const bool apart = nearApart && c.near;
        Candidate* merged = mergeInto(c, apart ? 0 : dist, apart);
        if (merged)
            merged->near = merged->near || c.near;
        else
            kept.push_back(c);
    }
    cands.swap(kept);
}

// Places whose sum falls below `need` are of no use to the caller; sums
// come in chunks of points, so the check costs little beside the reads.
constexpr size_t kBoundChunk = 8;

// Adds the points' responses to a row of Side sums in chunks; gives up
// (false) once even full responses on every point left could not lift
// the row's best to `need`. Integer sums: the order of the points is free.
template <int Side, typename Add>
bool sumRow(const Rotation& rot, int need, int* acc, Add&& add)
{
    const size_t n = rot.points.size();
    for (size_t k0 = 0; k0 < n; k0 += kBoundChunk) {
        const size_t k1 = std::min(n, k0 + kBoundChunk);
        for (size_t k = k0; k < k1; ++k)
            add(k, acc);
        if (k1 < n) {
            int top = acc[0];
            for (int dx = 1; dx < Side; ++dx)
                top = std::max(top, acc[dx]);
            if (top + kSimMax * int(n - k1) < need)
                return false;
        }
    }
    return true;
}

// Similarity sums of the points at every centre of the square (cx +- rad,
// cy +- rad), a row of centres at a time with the row's sums in registers.
// A dense level whose reads all fall inside it is read directly. A place
// whose sum is below `need` or below a finished row's best may be left at
// -1 instead (when `quick`): it can be neither the best place nor tie with it.
// `need` rises to the best whole sum. The middle row goes first: its sums,
// near the best, rule out more of the others.
template <int Side>
void sumRows(LevelBits& bits, const Rotation& rot, int cx, int cy, bool spread, bool quick, int& need, int* sums)
{
    int unbounded = std::numeric_limits<int>::min();
    int& bar = quick ? need : unbounded;
    constexpr int rad = Side / 2;
    const SimLut& lut = simLut();
    const cv::Rect& e = rot.extent;
    const cv::Mat* map = bits.Dense(spread);
    auto rowAt = [](int i) { return i == 0 ? rad : (i - 1 < rad ? i - 1 : i); };
    auto finish = [&](int dy, bool whole, const int* acc) {
        int* out = sums + dy * Side;
        if (!whole) {
            std::fill(out, out + Side, -1);
            return;
        }
        for (int dx = 0; dx < Side; ++dx) {
            out[dx] = acc[dx];
            bar = std::max(bar, acc[dx]);
        }
    };
    if (map && cx - rad + e.x >= 0 && cy - rad + e.y >= 0 && cx + rad + e.x + e.width <= map->cols
        && cy + rad + e.y + e.height <= map->rows) {
        // Border pixels of a dense level hold no direction already.
        const ptrdiff_t step = ptrdiff_t(map->step[0]);
        // Each point's place in the map, worked out once for all rows.
        const size_t n = rot.points.size();
        cv::AutoBuffer<ptrdiff_t, 256> offset(n);
        for (size_t k = 0; k < n; ++k)
            offset[k] = ptrdiff_t(rot.points[k].dy) * step + rot.points[k].dx;
        for (int i = 0; i < Side; ++i) {
            const int dy = rowAt(i);
            const uint8_t* origin = map->ptr<uint8_t>(cy - rad + dy) + (cx - rad);
            int acc[Side] = {};
            const bool whole = sumRow<Side>(rot, bar, acc, [&](size_t k, int* a) {
                const uint8_t* row = lut.v[rot.points[k].bin];
                const uint8_t* src = origin + offset[k];
                for (int dx = 0; dx < Side; ++dx)
                    a[dx] += row[src[dx]];
            });
            finish(dy, whole, acc);
        }
        return;
    }
    // A sparse level read away from its border needs no bounds checks: a
    // spread reads the bits one pixel further, which lie inside too.
    const int margin = spread ? 2 : 1;
    if (!map && cx - rad + e.x >= margin && cy - rad + e.y >= margin
        && cx + rad + e.x + e.width <= bits.cols() - margin && cy + rad + e.y + e.height <= bits.rows() - margin) {
        for (int i = 0; i < Side; ++i) {
            const int dy = rowAt(i);
            int acc[Side] = {};
            const bool whole = sumRow<Side>(rot, bar, acc, [&](size_t k, int* a) {
                const RotPoint& p = rot.points[k];
                const uint8_t* row = lut.v[p.bin];
                const int py = cy - rad + dy + p.dy;
                const int px = cx - rad + p.dx;
                if (spread && quick) {
                    uint8_t m[Side];
                    bits.sparseSpreadRow<Side>(px, py, m);
                    for (int dx = 0; dx < Side; ++dx)
                        a[dx] += row[m[dx]];
                } else {
                    for (int dx = 0; dx < Side; ++dx)
                        a[dx] += row[spread ? bits.sparseSpread(px + dx, py) : bits.sparseAt(px + dx, py)];
                }
            });
            finish(dy, whole, acc);
        }
        return;
    }
    for (int i = 0; i < Side; ++i) {
        const int dy = rowAt(i);
        int acc[Side] = {};
        const bool whole = sumRow<Side>(rot, bar, acc, [&](size_t k, int* a) {
            const RotPoint& p = rot.points[k];
            const uint8_t* row = lut.v[p.bin];
            const int py = cy - rad + dy + p.dy;
            for (int dx = 0; dx < Side; ++dx) {
                const int px = cx - rad + dx + p.dx;
                a[dx] += row[spread ? bits.spread(px, py) : bits.at(px, py)];
            }
        });
        finish(dy, whole, acc);
    }
}

void sumGrid(LevelBits& bits, const Rotation& rot, int cx, int cy, int rad, bool spread, bool quick, int& need, int* sums)
{
    if (rad == 2)
        sumRows<5>(bits, rot, cx, cy, spread, quick, need, sums);
    else
        sumRows<3>(bits, rot, cx, cy, spread, quick, need, sums);
}

// The least sum of `norm`-scaled points whose score (sum / norm, as the
// search divides) reaches `floor`; maxSum + 1 when none does.
int leastSum(double floor, double norm, int maxSum)
{
    int v = static_cast<int>(std::clamp(std::ceil(floor * norm), 0.0, double(maxSum) + 1.0));
    while (v > 0 && (v - 1) / norm >= floor)
        --v;
    while (v <= maxSum && v / norm < floor)
        ++v;
    return v;
}

// The angles the top level is searched at.
std::vector<float> topAngles(int range, float step)
{
    std::vector<float> angles;
    if (range > 0) {
        const int n = static_cast<int>(std::ceil(range / step));
        for (int i = -n; i <= n; ++i)
            angles.push_back(std::clamp(i * step, -float(range), float(range)));
    } else {
        angles.push_back(0.f);
    }
    return angles;
}

}  // namespace

void FindShape::Rotation::Turn(const Level& lv, float a)
{
    angle = a;
    const float r = a * float(CV_PI) / 180.f;
    const float c = std::cos(r), s = std::sin(r);
    points.clear();
    points.reserve(lv.points.size());
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    for (const EdgePoint& p : lv.points) {
        RotPoint q;
        q.dx = roundOffset(c * p.x - s * p.y);
        q.dy = roundOffset(s * p.x + c * p.y);
        q.bin = binOfAngle(p.angle + a);
        x1 = std::min(x1, q.dx);
        y1 = std::min(y1, q.dy);
        x2 = std::max(x2, q.dx);
        y2 = std::max(y2, q.dy);
        points.push_back(q);
    }
    extent = cv::Rect(x1, y1, x2 - x1 + 1, y2 - y1 + 1);
}

void FindShape::Clear()
{
    state = 0;
    m_levels.clear();
    m_top.clear();
    m_refine.Clear();
    m_modelSize = cv::Size();
    m_cx = m_cy = 0;
    m_angleRange = 0;
    m_nearOnly = false;
}

bool FindShape::CreateShape(const cv::Mat& model, double angleStart, int reserved1, int angleRange, int cx,
                            int cy, bool reserved2, int reserved3, const cv::Mat& mask, int speed,
                            int reserved4)
{
    Q_UNUSED(angleStart);
    Q_UNUSED(reserved1);
    Q_UNUSED(reserved2);
    Q_UNUSED(reserved3);
    Q_UNUSED(reserved4);
    Clear();
    if (model.empty() || model.type() != CV_8UC1 || model.cols < 8 || model.rows < 8)
        return false;
    if (!mask.empty() && (mask.size() != model.size() || mask.type() != CV_8UC1))
        return false;
    m_modelSize = model.size();
    m_cx = cx;
    m_cy = cy;
    m_angleRange = (angleRange >= 1 && angleRange <= 180) ? angleRange : 0;

    int levels = 1;
    while (levels < kMaxLevels && std::min(model.cols, model.rows) / (1 << levels) >= 24)
        ++levels;

    // Fewer, stronger points when speed is asked for.
    const int sp = std::clamp(speed, 1, 10);
    const int fineCount = 192 - 8 * sp;
    const int coarseCount = 96 - 4 * sp;

    cv::Mat img = model;
    cv::Mat msk = mask.empty() ? cv::Mat(model.size(), CV_8UC1, cv::Scalar(255)) : (mask != 0);
    for (int l = 0; l < levels; ++l) {
        if (l > 0) {
            cv::Mat down;
            cv::pyrDown(img, down);
            img = down;
            cv::Mat md;
            cv::resize(msk, md, img.size(), 0, 0, cv::INTER_NEAREST);
            msk = md;
        }
        const float ccx = float(model.cols / 2) / float(1 << l);
        const float ccy = float(model.rows / 2) / float(1 << l);
        cv::Mat gx, gy;
        cv::Sobel(img, gx, CV_32F, 1, 0, 3, 1, 0, cv::BORDER_REPLICATE);
        cv::Sobel(img, gy, CV_32F, 0, 1, 3, 1, 0, cv::BORDER_REPLICATE);
        struct Cand {
            float mag;
            int x, y;
        };
        std::vector<Cand> cands;
        for (int y = 1; y < img.rows - 1; ++y) {
            const float* px = gx.ptr<float>(y);
            const float* py = gy.ptr<float>(y);
            const uint8_t* pm = msk.ptr<uint8_t>(y);
            for (int x = 1; x < img.cols - 1; ++x) {
                if (!pm[x])
                    continue;
                const float m = std::sqrt(px[x] * px[x] + py[x] * py[x]);
                if (m >= kMinModelMag)
                    cands.push_back({m, x, y});
            }
        }
        std::sort(cands.begin(), cands.end(), [](const Cand& a, const Cand& b) { return a.mag > b.mag; });
        // Most points on the full-size level, where the final position is taken.
        const int want = l == 0 ? fineCount : (l == levels - 1 ? coarseCount : (coarseCount + fineCount) / 3);
        // Spread the points: the strongest first, none closer than `gap` to another.
        Level lv;
        for (int gap = 6; gap >= 1 && int(lv.points.size()) < want; gap /= 2) {
            lv.points.clear();
            cv::Mat taken = cv::Mat::zeros(img.size(), CV_8UC1);
            for (const Cand& c : cands) {
                if (taken.at<uint8_t>(c.y, c.x))
                    continue;
                lv.points.push_back({float(c.x) - ccx, float(c.y) - ccy,
                                     float(std::atan2(gy.at<float>(c.y, c.x), gx.at<float>(c.y, c.x)) * 180.0 / CV_PI)});
                cv::rectangle(taken, cv::Rect(c.x - gap, c.y - gap, 2 * gap + 1, 2 * gap + 1), cv::Scalar(1), cv::FILLED);
                if (int(lv.points.size()) >= want)
                    break;
            }
        }
        if (int(lv.points.size()) < kMinPoints) {
            if (l == 0) {
                Clear();
                return false;
            }
            // Too little left at this scale: search from the level below. With
            // none left above full size the part's features are too faint
            // for any coarse level (its size allowed one).
            m_nearOnly = l == 1;
            break;
        }
        for (EdgePoint& p : lv.points) {
            p.angle = std::fmod(p.angle + 360.f, 180.f);
            lv.radius = std::max(lv.radius, std::sqrt(p.x * p.x + p.y * p.y));
        }
        lv.angleStep = float(std::clamp(2.0 / std::max(lv.radius, 1.f) * 180.0 / CV_PI, 0.1, 10.0));
        m_levels.push_back(lv);
    }
    const Level& tl = m_levels.back();
    for (float a : topAngles(m_angleRange, tl.angleStep)) {
        m_top.emplace_back();
        m_top.back().Turn(tl, a);
    }
    m_refine.Build(model, mask, static_cast<int>(m_levels.size()));
    state = 1;
    return true;
}

bool FindShape::Find(const cv::Mat& window, int reserved, int* x, int* y, double* r1, double* r2) const
{
    double fx = 0;
    double fy = 0;
    if (!Find(window, reserved, &fx, &fy, r1, r2))
        return false;
    if (x)
        *x = static_cast<int>(std::lround(fx));
    if (y)
        *y = static_cast<int>(std::lround(fy));
    return true;
}

double ShapeFound::OffBy(const cv::Rect2d& box) const
{
    double worst = 0;
    for (const cv::Point2d& u : {box.tl(), box.br(), cv::Point2d(box.x, box.y + box.height),
                                 cv::Point2d(box.x + box.width, box.y)}) {
        // A corner at (ox, oy) from the centre moves by (dx - a oy, dy + a ox).
        const double ox = u.x - centre.x, oy = u.y - centre.y;
        const cv::Matx23d j(1, 0, -oy, 0, 1, ox);
        const cv::Matx22d c = j * cov * j.t();
        const double half = 0.5 * (c(0, 0) + c(1, 1));
        const double det = std::sqrt(0.25 * (c(0, 0) - c(1, 1)) * (c(0, 0) - c(1, 1)) + c(0, 1) * c(0, 1));
        worst = std::max(worst, half + det);
    }
    return std::sqrt(worst);
}

double ShapeFound::ScaledBy(const cv::Rect2d& box) const
{
    double far = 0;
    for (const cv::Point2d& u : {box.tl(), box.br(), cv::Point2d(box.x, box.y + box.height),
                                 cv::Point2d(box.x + box.width, box.y)})
        far = std::max(far, std::hypot(u.x - centre.x, u.y - centre.y));
    return std::abs(scale) * far;
}

bool ShapeFound::Trusted(const cv::Rect2d& judged) const
{
    return refined && fit >= kMinFit && !ambiguous && kOffSigmas * OffBy(judged) <= kMaxOff
        && ScaledBy(judged) <= kMaxScaled;
}

bool FindShape::Find(const cv::Mat& window, int reserved, double* x, double* y, double* r1, double* r2) const
{
    Q_UNUSED(reserved);
    ShapeFound f;
    if (!Find(window, f))
        return false;
    if (x)
        *x = f.x;
    if (y)
        *y = f.y;
    if (r1)
        *r1 = f.score;
    if (r2)
        *r2 = f.angle;
    return true;
}

bool FindShape::Find(const cv::Mat& window, ShapeFound& found) const
{
    return Search(window, nullptr, found);
}

bool FindShape::Find(const cv::Mat& window, const cv::Point2d& taught, ShapeFound& found) const
{
    return Search(window, &taught, found);
}

bool FindShape::Search(const cv::Mat& window, const cv::Point2d* taught, ShapeFound& found) const
{
    found = ShapeFound();
    if (!IsValid() || window.empty() || window.type() != CV_8UC1)
        return false;
    struct Borrowed {
        std::unique_ptr<SearchScratch> s = ScratchPool::take();
        ~Borrowed()
        {
            if (!s->pyr.empty())
                s->pyr[0] = cv::Mat();  // the caller's pixels are not kept
            ScratchPool::give(std::move(s));
        }
    } borrowed;
    SearchScratch& sc = *borrowed.s;
    const int levels = static_cast<int>(m_levels.size());
    std::vector<cv::Mat>& pyr = sc.pyr;
    pyr.resize(static_cast<size_t>(levels));
    pyr[0] = window;
    StageClock::Laps laps(StageClock::SearchPyramid);
    for (int l = 1; l < levels; ++l)
        PyrDownGrey(pyr[static_cast<size_t>(l - 1)], pyr[static_cast<size_t>(l)]);

    // Exhaustive search on the top level with response maps.
    const int top = levels - 1;
    const Level& tl = m_levels[static_cast<size_t>(top)];
    // A model too faint for any coarse level is searched at full size within
    // kNearPx of the taught place (along x and y) only. Over a whole window
    // that search costs hundreds of ms a frame, and its edges, hardly above
    // the noise, score chance places as well as the part: it placed such a
    // part on frames without it. The margin keeps the edges read near the
    // taught place as the whole window gives them (a gradient and its spread
    // read two pixels on).
    cv::Rect area(0, 0, pyr[static_cast<size_t>(top)].cols, pyr[static_cast<size_t>(top)].rows);
    const int nearPx = int(kNearPx);
    const bool nearOnly = m_nearOnly && taught;
    cv::Point near;
    if (nearOnly) {
        cv::Rect reads = m_top.front().extent;
        for (const Rotation& rot : m_top)
            reads |= rot.extent;
        near = cv::Point(int(std::lround(taught->x)), int(std::lround(taught->y)));
        const int r = nearPx + 1 + 2;  // + 1: a local maximum compares its neighbours
        area &= cv::Rect(near.x - r + reads.x, near.y - r + reads.y, 2 * r + reads.width, 2 * r + reads.height);
    }
    const cv::Mat timg = pyr[static_cast<size_t>(top)](area);
    laps.Next(StageClock::SearchCoarse);
    sc.topBits.Compute(timg, kMinSearchMag);
    sc.topBits.Spread(sc.topSpread);
    const SimLut& lut = simLut();
    // Response maps with eight zero columns beyond their right edge, so that
    // the sums below run in whole vectors (the extra sums are not looked at).
    constexpr int kPad = 8;
    for (int o = 0; o < kBins; ++o) {
        cv::Mat& padded = sc.respPadded[static_cast<size_t>(o)];
        if (padded.rows != timg.rows || padded.cols != timg.cols + kPad) {
            padded.create(timg.rows, timg.cols + kPad, CV_8UC1);
            padded.setTo(0);
        }
        cv::Mat& resp = sc.resp[static_cast<size_t>(o)];
        resp = padded(cv::Rect(0, 0, timg.cols, timg.rows));
        const cv::Mat table(1, 256, CV_8UC1, const_cast<uint8_t*>(lut.v[o]));
        cv::LUT(sc.topSpread, table, resp);
    }

    // Every local maximum of every angle above a loose floor is a candidate:
    // on a mould of near-identical cavities the coarse level cannot tell the
    // cavities apart, so the right one need not be the top-level best.
    const double coarseMin = m_minScore * kCoarseFactor;
    std::vector<Candidate>& cands = sc.cands;
    cands.clear();
    // One buffer holds the sums of every turn: their sizes differ, and a
    // buffer made to each would be allocated anew for every turn.
    int accRows = 0, accCols = 0;
    for (const Rotation& rot : m_top) {
        accRows = std::max(accRows, timg.rows - rot.extent.height + 1);
        accCols = std::max(accCols, (timg.cols - rot.extent.width + kPad) / kPad * kPad);
    }
    if (accRows > 0 && accCols > 0)
        sc.acc.create(accRows, accCols, CV_16UC1);
    for (const Rotation& rot : m_top) {
        const cv::Rect& ext = rot.extent;
        // Centres for which every point lies inside the image.
        const int x0 = -ext.x, y0 = -ext.y;
        const int w = timg.cols - ext.width + 1, h = timg.rows - ext.height + 1;
        if (w <= 0 || h <= 0)
            continue;
        found.scanned += long(w) * long(h);
        const int wide = (w + kPad - 1) / kPad * kPad;
        cv::Mat acc = sc.acc(cv::Rect(0, 0, wide, h));
        // Where each point reads its response row for the first centre row;
        // all response maps share one row step.
        std::vector<const uint8_t*>& starts = sc.starts;
        starts.clear();
        for (const RotPoint& p : rot.points)
            starts.push_back(sc.resp[static_cast<size_t>(p.bin)].ptr<uint8_t>(y0 + p.dy) + x0 + p.dx);
        const size_t respStep = sc.resp[0].step[0];
        [[maybe_unused]] const size_t nStarts = starts.size();
        [[maybe_unused]] constexpr size_t kByteBatch = 255 / kSimMax;
        // Row by row, so that a row of sums stays in the cache over all points.
        for (int yy = 0; yy < h; ++yy) {
            uint16_t* dst = acc.ptr<uint16_t>(yy);
            const size_t rowAt = size_t(yy) * respStep;
            int xx = 0;
#if CV_SIMD128
            // Sums stay far below 2^16, so the saturating adds never saturate.
            // Up to kByteBatch responses (at most kSimMax each) fit a byte, so
            // they are summed sixteen to a vector before widening.
            for (; xx + 32 <= wide; xx += 32) {
                cv::v_uint16x8 s0 = cv::v_setzero_u16(), s1 = s0, s2 = s0, s3 = s0;
                for (size_t b = 0; b < nStarts; b += kByteBatch) {
                    const size_t e = std::min(nStarts, b + kByteBatch);
                    cv::v_uint8x16 a0 = cv::v_setzero_u8(), a1 = a0;
                    for (size_t k = b; k < e; ++k) {
                        const uint8_t* src = starts[k] + rowAt + xx;
                        a0 = a0 + cv::v_load(src);
                        a1 = a1 + cv::v_load(src + 16);
                    }
                    cv::v_uint16x8 lo, hi;
                    cv::v_expand(a0, lo, hi);
                    s0 = s0 + lo;
                    s1 = s1 + hi;
                    cv::v_expand(a1, lo, hi);
                    s2 = s2 + lo;
                    s3 = s3 + hi;
                }
                cv::v_store(dst + xx, s0);
                cv::v_store(dst + xx + 8, s1);
                cv::v_store(dst + xx + 16, s2);
                cv::v_store(dst + xx + 24, s3);
            }
            for (; xx < wide; xx += 8) {
                cv::v_uint16x8 s0 = cv::v_setzero_u16();
                for (const uint8_t* start : starts)
                    s0 = s0 + cv::v_load_expand(start + rowAt + xx);
                cv::v_store(dst + xx, s0);
            }
#endif
            for (; xx < w; ++xx) {
                int sum = 0;
                for (const uint8_t* start : starts)
                    sum += start[rowAt + size_t(xx)];
                dst[xx] = static_cast<uint16_t>(sum);
            }
        }
        const double norm = kSimMax * double(rot.points.size());
        localMaxima(acc(cv::Rect(0, 0, w, h)), static_cast<int>(std::ceil(coarseMin * norm)), [&](int lx, int ly, int v) {
            const int x = lx + x0 + area.x, y = ly + y0 + area.y;
            if (!nearOnly || (std::abs(x - near.x) <= nearPx && std::abs(y - near.y) <= nearPx))
                cands.push_back({v / norm, x, y, rot.angle, false, v / norm});
        });
    }
    if (taught) {
        // Two places go on however many repeats score alike elsewhere: the
        // taught place itself, at its best turn, and the best place near it.
        // The coarse level scores a patch of places about the part alike, and
        // the best of them may lie off to one side of it.
        const double scale = 1.0 / double(1 << top);
        const int sx = int(std::lround(taught->x * scale)), sy = int(std::lround(taught->y * scale));
        Candidate seed{-1, sx, sy, 0.f, true, 0};
        const int qx = sx - area.x, qy = sy - area.y;  // in the searched area
        for (const Rotation& rot : m_top) {
            const cv::Rect& e = rot.extent;
            if (rot.points.empty() || qx + e.x < 0 || qy + e.y < 0 || qx + e.x + e.width > timg.cols
                || qy + e.y + e.height > timg.rows)
                continue;
            int sum = 0;
            for (const RotPoint& p : rot.points)
                sum += sc.resp[size_t(p.bin)].at<uint8_t>(qy + p.dy, qx + p.dx);
            const double v = sum / (kSimMax * double(rot.points.size()));
            if (v > seed.score || (v == seed.score && std::abs(rot.angle) < std::abs(seed.angle)))
                seed = {v, sx, sy, rot.angle, true, v};
        }
        const double reach = kNearPx * scale + 1.0;
        Candidate* bestNear = nullptr;
        for (Candidate& c : cands) {
            // No hypot is below either leg: most places are told by those.
            const double dx = c.x - taught->x * scale, dy = c.y - taught->y * scale;
            if (std::abs(dx) <= reach && std::abs(dy) <= reach && std::hypot(dx, dy) <= reach
                && (!bestNear || better(c, *bestNear)))
                bestNear = &c;
        }
        if (bestNear)
            bestNear->near = true;
        if (seed.score >= coarseMin)
            cands.push_back(seed);
    }
    if (taught)
        sc.topAll = cands;
    // Set when a place whose edges score alike is left uncompared (a grid
    // holds more repeats than the search follows). The top level's coarse
    // scores find many places alike on any texture; the finer ones tell.
    bool cut = false;
    const bool turn = m_angleRange > 0;
    std::vector<Tried>& tried = sc.tried;
    auto attempt = [&](size_t i) -> const Tried& {
        Tried& t = tried[i];
        if (!t.done) {
            t.done = true;
            t.start = ShapePose{double(cands[i].x), double(cands[i].y), double(cands[i].angle)};
            // The second pass ends many places where the first did: fitted once.
            for (const Tried& b : sc.triedBefore)
                if (b.start.cx == t.start.cx && b.start.cy == t.start.cy && b.start.angle == t.start.angle) {
                    t = b;
                    return t;
                }
            t.pose = t.start;
            t.ok = m_refine.Refine(pyr, turn, t.pose, &t.fit) && t.fit.fit >= kMinFit;
        }
        return t;
    };
    constexpr size_t kNone = size_t(-1);
    size_t pick = kNone;
    bool moved = false;
    for (int pass = 0;; ++pass) {
        // The second pass follows every place scoring alike.
        const int follow = pass > 0 ? kFollowAlike : 0;
        sc.triedBefore.clear();
        if (pass > 0) {
            cands = sc.topAll;
            for (const Tried& t : tried)
                if (t.done)
                    sc.triedBefore.push_back(t);
        }
        cut = false;
        keepBest(cands, sc.kept, kTopCandidates, 2, 2.5f * tl.angleStep, pass > 0 ? &cut : nullptr, true, follow);
        if (cands.empty())
            return false;

        laps.Next(StageClock::SearchLevels);
        // Refine every candidate down the pyramid; the direction bits of a level
        // are shared by all candidates. After each level only the best few go on.
        std::array<LevelBits, kMaxLevels> levelBits;
        for (RotationCache& r : sc.rotations)
            r.Reset();
        float prevStep = tl.angleStep;
        std::vector<float>& as = sc.angles;
        for (int l = top - 1; l >= -1; --l) {
            // l == -1: a last pass on level 0 without spreading, for the exact position.
            const bool last = l < 0;
            const int lvIdx = last ? 0 : l;
            const size_t li = static_cast<size_t>(lvIdx);
            const Level& lv = m_levels[li];
            LevelBits& bits = levelBits[li];
            if (!bits.Ready())
                bits.Init(pyr[li], kMinSearchMag, sc, lvIdx, pyr[li].total() <= kDensePixels);
            RotationCache& rotations = sc.rotations[li];
            const int rad = last ? 1 : 2;
            // Every turn of a level has all its points, so one norm serves the level.
            const int nPoints = static_cast<int>(lv.points.size());
            const double levelNorm = kSimMax * double(nPoints);
            // A candidate that cannot reach what keeps it on (the share of the
            // level's best so far) is dropped below whatever its places score, so
            // they need not be scored in full. The last pass scores every place:
            // its few places settle the exact position.
            double levelBest = -1;
            for (Candidate& c : cands) {
                const int cx = last ? c.x : c.x * 2;
                const int cy = last ? c.y : c.y * 2;
                as.clear();
                if (m_angleRange > 0) {
                    const int n = static_cast<int>(std::ceil(prevStep / lv.angleStep));
                    for (int i = -n; i <= n; ++i)
                        as.push_back(std::clamp(c.angle + i * lv.angleStep, -float(m_angleRange), float(m_angleRange)));
                } else {
                    as.push_back(0.f);
                }
                Candidate nb{-1, cx, cy, c.angle, c.near, 0};
                // The spread bits of a coarse level score a whole patch of places
                // alike. The first of them leans up and left, and on soft edges
                // that run mostly one way the lean outgrows what the next level's
                // grid reaches back: the search ends on a wrong place and a good
                // part is reported lost. The middle of the tied places goes on.
                int tied = 0;
                double sumX = 0, sumY = 0, sumA = 0;
                int need = last ? 0
                                : (m_quick && levelBest > 0 ? leastSum(levelBest * kRefineShare, levelNorm, kSimMax * nPoints) : 0);
                // The middle turn first: near the best, it rules out more of the
                // others. The places are then compared in their fixed order.
                const size_t cells = size_t(2 * rad + 1) * size_t(2 * rad + 1);
                std::vector<int>& grid = sc.gridSums;
                grid.resize(as.size() * cells);
                const size_t mid = as.size() / 2;
                for (size_t k = 0; k < as.size(); ++k) {
                    const size_t i = k == 0 ? mid : (k <= mid ? k - 1 : k);
                    sumGrid(bits, rotations.At(lv, as[i]), cx, cy, rad, !last, m_quick, need, grid.data() + i * cells);
                }
                for (size_t i = 0; i < as.size(); ++i) {
                    const float a = as[i];
                    const Rotation& rot = rotations.At(lv, a);
                    const int* sums = grid.data() + i * cells;
                    const double norm = kSimMax * double(rot.points.size());
                    for (int dy = -rad; dy <= rad; ++dy)
                        for (int dx = -rad; dx <= rad; ++dx) {
                            const int sum = sums[(dy + rad) * (2 * rad + 1) + dx + rad];
                            if (sum < 0)
                                continue;  // below the best or below what keeps the candidate
                            const double s = rot.points.empty() ? 0.0 : sum / norm;
                            if (s > nb.score) {
                                nb = {s, cx + dx, cy + dy, a, c.near, 0};
                                tied = 0;
                                sumX = sumY = sumA = 0;
                            }
                            if (s == nb.score) {
                                ++tied;
                                sumX += dx;
                                sumY += dy;
                                sumA += a;
                            }
                        }
                }
                if (tied > 1) {
                    nb.x = cx + int(std::lround(sumX / tied));
                    nb.y = cy + int(std::lround(sumY / tied));
                    nb.angle = float(sumA / tied);
                }
                nb.blurred = last ? c.blurred : nb.score;
                c = nb;
                levelBest = std::max(levelBest, nb.score);
            }
            if (last) {
                // Distinct places only, best first: the grey values choose among them below.
                keepBest(cands, sc.kept, kRefineCandidates, kDistinct, 3.f * lv.angleStep, &cut, false, follow);
                break;
            }
            keepBest(cands, sc.kept, kRefineCandidates, 1, 0.5f * lv.angleStep, &cut, true, follow);
            // Once the level shows the part's features, a clearly worse place is dropped.
            const double floor = cands.front().score * kRefineShare;
            while (cands.size() > 1 && cands.back().score < floor)
                cands.pop_back();
            prevStep = lv.angleStep;
        }
        cands.erase(std::remove_if(cands.begin(), cands.end(), [&](const Candidate& c) { return c.blurred < m_minScore; }),
                    cands.end());
        if (cands.empty())
            return false;
        // The edge search ends on whole pixels and angle steps; the grey values of
        // the model place it well below that, and tell a true place from one
        // whose edges merely look alike (blurred or dimmed edges score low
        // everywhere; a repeat of a grid or a twin cavity scores as well). Every
        // place whose edges score alike, and the one near the taught place, is
        // refined before any is chosen.
        laps.Next(StageClock::SearchFit);
        tried.assign(cands.size(), Tried());
        const double alike = kAlike * cands.front().score;
        bool nearSeen = false;
        for (size_t i = 0; i < cands.size(); ++i) {
            nearSeen = nearSeen || cands[i].near;
            if (cands[i].near || cands[i].score >= alike)
                attempt(i);
        }
        // The one that fits best wins. But a place near the taught one is not
        // traded for one elsewhere, even one that fits better: a fixed camera
        // sees the part there, and a repeat elsewhere fits better than the part
        // itself when a chip lies on it. Without such a place (the search was
        // told none, or the part is not there), the best-scoring places that did
        // not fit are followed by the next ones in turn.
        pick = kNone;
        for (size_t i = 0; i < cands.size(); ++i)
            if (tried[i].ok && (cands[i].near || !nearSeen) && (pick == kNone || tried[i].fit.fit > tried[pick].fit.fit))
                pick = i;
        for (size_t i = 0; pick == kNone && !nearSeen && i < std::min(cands.size(), size_t(kConfirmTries)); ++i)
            if (attempt(i).ok)
                pick = i;
        // No place near the taught one fits: the part (or the camera) has moved.
        // Of the places that fit as well as the best (repeats), the one nearest
        // the taught place goes first, as a part moved by a few tens of pixels
        // lies there; what lies around them decides (the caller's surroundings
        // check), as for a place near the taught one.
        moved = false;
        if (pick != kNone && taught && !cands[pick].near) {
            const Tried& best = tried[pick];
            auto away = [&](size_t i) { return std::hypot(tried[i].pose.cx - taught->x, tried[i].pose.cy - taught->y); };
            size_t nearest = pick;
            for (size_t i = 0; i < cands.size(); ++i) {
                if (!tried[i].ok || i == pick)
                    continue;
                const double tie = TieRule::Margin(best.fit.fit, best.fit.wobble, tried[i].fit.wobble);
                if (tried[i].fit.fit >= best.fit.fit - tie && away(i) < away(nearest))
                    nearest = i;
            }
            pick = nearest;
            moved = true;
        }
        // Found far off with repeats left uncompared: once more, comparing them all.
        if (pass > 0 || !moved || !cut || std::hypot(tried[pick].pose.cx - taught->x, tried[pick].pose.cy - taught->y) <= kNearPx)
            break;
    }
    ShapePose pose{double(cands[0].x), double(cands[0].y), double(cands[0].angle)};
    if (pick == kNone) {
        found.fit = attempt(0).fit.fit;
        pick = 0;
        for (size_t i = 0; i < cands.size(); ++i)
            if (cands[i].near && tried[i].fit.fit > found.fit)
                found.fit = tried[i].fit.fit;
    } else {
        const Tried& chosen = tried[pick];
        pose = chosen.pose;
        found.fit = chosen.fit.fit;
        found.refined = true;
        found.cov = chosen.fit.cov;
        found.scale = chosen.fit.scale;
        found.wobble = chosen.fit.wobble;
        // Only a tie between the place near the taught one and repeats well
        // away from it may be broken by what lies around the part.
        bool breakable = cands[pick].near || moved;
        std::vector<ShapePose> rivals;
        for (size_t i = 0; i < cands.size(); ++i) {
            if (i == pick || (!tried[i].done && cands[i].score < kMaxRunnerUp * cands[pick].score))
                continue;
            // The edges alone cannot tell the two places apart (a long
            // straight edge scores alike along itself, a repeat alike over
            // there). When the other one settles elsewhere and explains the
            // model about as well (or better), the part could be at either.
            const Tried& other = attempt(i);
            if (!other.ok)
                continue;
            const double rim = m_refine.Radius() * std::abs(other.pose.angle - pose.angle) * CV_PI / 180.0;
            const bool elsewhere = std::hypot(other.pose.cx - pose.cx, other.pose.cy - pose.cy) + rim > 1.0;
            const double tie = TieRule::Margin(chosen.fit.fit, chosen.fit.wobble, other.fit.wobble);
            if (!elsewhere)
                continue;
            if (other.fit.fit < found.fit - tie) {
                // Away from the taught place a chip on the part lowers its fit
                // below a repeat's: the surroundings must favour the place
                // over every repeat that fits, not only the tied ones.
                if (moved && std::hypot(other.pose.cx - pose.cx, other.pose.cy - pose.cy) > kNearPx)
                    rivals.push_back(other.pose);
                continue;
            }
            found.ambiguous = true;
            breakable = breakable && other.fit.fit <= found.fit + tie
                && std::hypot(other.pose.cx - pose.cx, other.pose.cy - pose.cy) > kNearPx;
            found.tied.push_back(other.pose);
        }
        if (breakable && !rivals.empty()) {
            found.ambiguous = true;
            found.tied.insert(found.tied.end(), rivals.begin(), rivals.end());
        }
        if (!breakable)
            found.tied.clear();
        // A part found neither at nor near the taught place is the best of
        // the places compared; when repeats were left uncompared, one of
        // them may be the part and the one found a repeat.
        if (taught && cut && !cands[pick].near && std::hypot(pose.cx - taught->x, pose.cy - taught->y) > kNearPx) {
            found.ambiguous = true;
            found.tied.clear();  // nothing around the part can tell it from a repeat never compared
        }
    }
    found.centre = cv::Point2d(pose.cx, pose.cy);
    found.box = cv::Rect2d(pose.cx - m_modelSize.width / 2.0, pose.cy - m_modelSize.height / 2.0, m_modelSize.width,
                           m_modelSize.height);
    found.x = m_cx - pose.cx;
    found.y = m_cy - pose.cy;
    found.score = cands[pick].score;
    found.angle = -pose.angle;
    return true;
}
