#include "SURF.h"

#include "ColorConvert.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/core/hal/hal.hpp>
#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

namespace {
constexpr int kMaxKeypoints = 150;  // per window: bounds the time of a match
constexpr int kPatch = 19;          // ORB patch side; small windows need a small patch
constexpr int kFastThreshold = 20;  // grey levels; lower lets sensor noise make corners
constexpr float kRatio = 0.8f;      // best / second-best descriptor distance
constexpr double kInlierPx = 3.0;
constexpr int kGrid = 4;
constexpr double kPlainGreyRange = 64.0;
// Share of differing descriptor bits: full credit up to kSame, none from
// kOther on. Noise and a few pixels of shift stay below 0.2; an unrelated
// patch lies near 0.5.
constexpr double kSame = 0.2;
constexpr double kOther = 0.35;
constexpr double kDescriptorBits = 256.0;
constexpr int kProbeStep = 10;          // pixels between grid probes
constexpr double kProbeTexture = 10.0;  // grey std dev a probe patch needs
// Cell mean (or contrast) off the lighting fit, grey levels: agrees fully up
// to kCellSame, not at all from kCellOther on.
constexpr double kCellSame = 20.0;
constexpr double kCellOther = 45.0;
// Grey structure "not moved": correlation of the smoothed pictures, full
// agreement from kNccSame, none at kNccOther; templates flatter than kFlat
// have no structure to correlate.
constexpr double kNccSame = 0.9;
constexpr double kNccOther = 0.5;
constexpr double kFlat = 3.0;
constexpr double kSmooth = 1.2;  // Gaussian sigma: takes the sensor noise off the correlation

cv::Ptr<cv::ORB> newOrb()
{
    return cv::ORB::create(kMaxKeypoints, 1.2f, 1, kPatch, 0, 2, cv::ORB::HARRIS_SCORE, kPatch, kFastThreshold);
}

// How far from its centre a detected corner reaches; masked-out pixels read as
// the mean grey, so a little overlap with them does no harm.
float support(const cv::KeyPoint& k)
{
    return 0.5f * k.size + 2.f;
}

// An ORB descriptor compares pixels of the blurred picture at the keypoint's
// rounded centre plus the turned pattern's rounded offsets. A turn so small
// that no offset within the patch rounds differently reads the very pixels
// no turn reads (a grid probe of a template placed a few tenths of a degree
// turned); a margin keeps offsets near a rounding edge out.
bool ReadsAsUnturned(float degrees)
{
    const double a = double(degrees) * CV_PI / 180.0;
    return kPatch * (std::abs(1.0 - std::cos(a)) + std::abs(std::sin(a))) < 0.45;
}

// The keypoints of `all` that describe differently (what a descriptor reads
// of one: place, turn, level), each with its own index as class_id, and per
// keypoint of `all` the index of its distinct one. Inside `merge`, unturned
// keypoints with the same rounded centre count as one; near the picture's
// edge, where the describer drops keypoints by their exact place, only equal
// keypoints do.
void DistinctPlaces(const std::vector<cv::KeyPoint>& all, const cv::Rect2f& merge, std::vector<cv::KeyPoint>& places,
                    std::vector<int>& placeOf)
{
    auto key = [&](size_t i) {
        const cv::KeyPoint& k = all[i];
        if (merge.contains(k.pt) && ReadsAsUnturned(k.angle))
            return std::make_tuple(0, float(cvRound(k.pt.x)), float(cvRound(k.pt.y)), 0.f, 0.f, k.octave);
        return std::make_tuple(1, k.pt.x, k.pt.y, k.angle, k.size, k.octave);
    };
    thread_local std::vector<std::tuple<int, float, float, float, float, int>> keys;
    keys.resize(all.size());
    for (size_t i = 0; i < all.size(); ++i)
        keys[i] = key(i);
    thread_local std::vector<size_t> order;
    order.resize(all.size());
    for (size_t i = 0; i < all.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
    places.clear();
    placeOf.assign(all.size(), -1);
    for (size_t n = 0; n < order.size(); ++n) {
        if (n == 0 || keys[order[n]] != keys[order[n - 1]]) {
            places.push_back(all[order[n]]);
            places.back().class_id = int(places.size()) - 1;
        }
        placeOf[order[n]] = int(places.size()) - 1;
    }
}

cv::Mat identity()
{
    return (cv::Mat_<double>(2, 3) << 1, 0, 0, 0, 1, 0);
}
}  // namespace

bool SURF::Create(int w, int h, const cv::Mat& mask)
{
    Clear();
    if (w <= 0 || h <= 0)
        return false;
    if (!mask.empty() && (mask.cols != w || mask.rows != h || mask.type() != CV_8UC1))
        return false;
    m_size = cv::Size(w, h);
    m_mask = mask.empty() ? cv::Mat(h, w, CV_8UC1, cv::Scalar(255)) : cv::Mat(mask != 0);
    const cv::Mat room = Room();
    m_detect = room >= 4.f;
    m_reach = room >= support(cv::KeyPoint(0.f, 0.f, float(kPatch)));
    // Grid cells as cell() cuts them; a cell counts when enough of it is masked in.
    std::vector<int> cols, rows;
    for (int i = 0; i <= kGrid; ++i) {
        cols.push_back(i * w / kGrid);
        rows.push_back(i * h / kGrid);
    }
    m_stats.SetGrid(cols, rows, m_mask);
    m_cellUsed.assign(size_t(kGrid * kGrid), false);
    for (int cy = 0; cy < kGrid; ++cy)
        for (int cx = 0; cx < kGrid; ++cx) {
            const cv::Rect r = cell(cx, cy);
            const int n = m_stats.CellCounts()[size_t(cy * kGrid + cx)];
            m_cellUsed[size_t(cy * kGrid + cx)] = r.area() > 0 && n >= std::max(4, r.area() / 4);
        }
    m_created = true;
    return true;
}

cv::Mat SURF::Room() const
{
    // The window edge bounds a descriptor like a masked-out pixel does.
    cv::Mat padded;
    cv::copyMakeBorder(m_mask, padded, 1, 1, 1, 1, cv::BORDER_CONSTANT, cv::Scalar(0));
    cv::Mat room;
    cv::distanceTransform(padded, room, cv::DIST_L2, cv::DIST_MASK_PRECISE);
    return room(cv::Rect(1, 1, m_size.width, m_size.height));
}

bool SURF::HasRoom(int x, int y, float need, cv::Mat& room) const
{
    // One detector level: every corner, and every probe, has the size of the patch.
    if (need == support(cv::KeyPoint(0.f, 0.f, float(kPatch))))
        return m_reach.at<uchar>(y, x) != 0;
    // Another size: the distances, made once for the caller's whole list.
    if (room.empty())
        room = Room();
    return room.at<float>(y, x) >= need;
}

SURF::Features SURF::extract(const cv::Mat& window) const
{
    Features f;
    extractGrey(window, f);
    extractCorners(f);
    return f;
}

void SURF::extractGrey(const cv::Mat& window, Features& f) const
{
    f.points.clear();
    f.descriptors.release();
    const cv::Mat g = ToGreyWindow(window);
    if (g.empty()) {
        f = Features();
        return;
    }
    thread_local std::vector<GreyStats> cells;
    GreyStats whole;
    m_stats.Measure(g, whole, cells);
    f.mean = whole.mean;
    f.sd = whole.sd;
    // Masked-out pixels read as the mean grey: what lies there never changes a descriptor.
    const uchar fill = cv::saturate_cast<uchar>(f.mean);
    f.grey.create(g.size(), CV_8UC1);
    f.centred.create(g.size(), CV_32FC1);
    for (int y = 0; y < g.rows; ++y)
        MaskedGreyRow(g.ptr<uchar>(y), m_mask.ptr<uchar>(y), fill, f.grey.ptr<uchar>(y), f.centred.ptr<float>(y),
                      g.cols);
    cv::GaussianBlur(f.centred, f.centred, cv::Size(0, 0), kSmooth, kSmooth, cv::BORDER_REPLICATE);
    // Less the masked mean, 0 outside the mask (the mean subtracted in float, as Mat -= does).
    const float mean = float(MaskedMean(f.centred, m_mask));
    for (int y = 0; y < g.rows; ++y)
        CentreRow(f.centred.ptr<float>(y), m_mask.ptr<uchar>(y), mean, g.cols);
    f.energy = f.centred.dot(f.centred);
    f.cellMean.assign(size_t(kGrid * kGrid), -1.0);
    f.cellSd.assign(size_t(kGrid * kGrid), 0.0);
    for (size_t c = 0; c < f.cellMean.size(); ++c)
        if (m_cellUsed[c]) {
            f.cellMean[c] = cells[c].mean;
            f.cellSd[c] = cells[c].sd;
        }
}

void SURF::extractCorners(Features& f) const
{
    if (f.grey.empty() || cv::countNonZero(m_detect) == 0)
        return;
    // One detector per call: matches of several ROIs run on several threads.
    cv::Ptr<cv::ORB> orb = newOrb();
    std::vector<cv::KeyPoint> found;
    orb->detect(f.grey, found, m_detect);
    cv::Mat room;
    found.erase(std::remove_if(found.begin(), found.end(),
                               [this, &room](const cv::KeyPoint& k) {
                                   const int x = std::clamp(cvRound(k.pt.x), 0, m_size.width - 1);
                                   const int y = std::clamp(cvRound(k.pt.y), 0, m_size.height - 1);
                                   return !HasRoom(x, y, support(k), room);
                               }),
                found.end());
    if (found.empty())
        return;
    orb->compute(f.grey, found, f.descriptors);
    f.points = std::move(found);
}

bool SURF::AddTemp(const cv::Mat& window, int mode, int threshold, int minScore)
{
    Q_UNUSED(mode);
    Q_UNUSED(threshold);
    if (!m_created || window.cols != m_size.width || window.rows != m_size.height || ToGreyWindow(window).empty())
        return false;
    Model m;
    m.f = extract(window);
    // Probes: the detected keypoints, plus textured spots on a grid that the
    // corner detector skips (edges, round shapes), so every textured part of
    // the window is read at a match.
    m.probes = m.f.points;
    if (!m.f.grey.empty()) {
        const float need = support(cv::KeyPoint(0.f, 0.f, float(kPatch)));
        const int half = kPatch / 2;
        cv::Mat room;
        std::vector<cv::KeyPoint> grid;
        for (int y = half; y + half < m_size.height; y += kProbeStep)
            for (int x = half; x + half < m_size.width; x += kProbeStep) {
                if (!HasRoom(x, y, need, room))
                    continue;
                const cv::Point2f p{float(x), float(y)};
                const bool near = std::any_of(m.f.points.begin(), m.f.points.end(), [&](const cv::KeyPoint& k) {
                    return cv::norm(k.pt - p) < kProbeStep / 2.0;
                });
                cv::Scalar mean, sd;
                cv::meanStdDev(m.f.grey(cv::Rect(x - half, y - half, kPatch, kPatch)), mean, sd);
                if (!near && sd[0] >= kProbeTexture)
                    grid.emplace_back(p, float(kPatch), 0.f);
            }
        m.probes.insert(m.probes.end(), grid.begin(), grid.end());
        if (!m.probes.empty()) {
            // Read as a window is read: padded, so no probe is lost at the edge.
            const cv::Point2f pad{float(kPatch), float(kPatch)};
            for (cv::KeyPoint& k : m.probes)
                k.pt += pad;
            cv::Mat padded;
            cv::copyMakeBorder(m.f.grey, padded, kPatch, kPatch, kPatch, kPatch, cv::BORDER_REPLICATE);
            newOrb()->compute(padded, m.probes, m.probeDescriptors);
            for (size_t i = 0; i < m.probes.size(); ++i) {
                m.probes[i].pt -= pad;
                m.probes[i].class_id = int(i);
            }
        }
    }
    m.f.grey.release();
    // Each occupied grid cell weighs the same, shared by its probes.
    std::vector<int> cell(m.probes.size());
    std::vector<int> perCell(kGrid * kGrid, 0);
    for (size_t i = 0; i < m.probes.size(); ++i) {
        const cv::Point2f& p = m.probes[i].pt;
        const int cx = std::clamp(int(p.x * kGrid / m_size.width), 0, kGrid - 1);
        const int cy = std::clamp(int(p.y * kGrid / m_size.height), 0, kGrid - 1);
        cell[i] = cy * kGrid + cx;
        ++perCell[size_t(cell[i])];
    }
    const auto occupied = std::count_if(perCell.begin(), perCell.end(), [](int n) { return n > 0; });
    for (size_t i = 0; i < cell.size(); ++i)
        m.weight.push_back(float(1.0 / (double(occupied) * perCell[size_t(cell[i])])));
    m_models.push_back(std::move(m));
    m_minScore = minScore;
    m_valid = false;
    return true;
}

bool SURF::Train(int a, int b, int c, int d)
{
    Q_UNUSED(a);
    Q_UNUSED(b);
    Q_UNUSED(c);
    Q_UNUSED(d);
    m_valid = m_created && !m_models.empty();
    return m_valid;
}

void SURF::SetMotion(double maxTurn, double maxShift)
{
    m_maxTurn = std::max(0.0, maxTurn);
    m_maxShift = std::max(0.0, maxShift);
}

cv::Mat SURF::placement(const Model& m, const Features& w) const
{
    if (m.f.points.size() < 3 || w.points.size() < 3)
        return identity();
    cv::BFMatcher matcher(cv::NORM_HAMMING);
    std::vector<std::vector<cv::DMatch>> knn;
    matcher.knnMatch(m.f.descriptors, w.descriptors, knn, 2);
    // Ratio test, then one template point per window point (the closest).
    std::vector<int> byWindow(w.points.size(), -1);
    std::vector<float> dist(w.points.size(), 0.f);
    for (const auto& k : knn) {
        if (k.size() < 2 || k[0].distance >= kRatio * k[1].distance)
            continue;
        const size_t t = size_t(k[0].trainIdx);
        if (byWindow[t] < 0 || k[0].distance < dist[t]) {
            byWindow[t] = k[0].queryIdx;
            dist[t] = k[0].distance;
        }
    }
    std::vector<cv::Point2f> from, to;
    for (size_t j = 0; j < byWindow.size(); ++j)
        if (byWindow[j] >= 0) {
            from.push_back(m.f.points[size_t(byWindow[j])].pt);
            to.push_back(w.points[j].pt);
        }
    if (from.size() < 3)
        return identity();
    std::vector<uchar> inlier;
    const cv::Mat a = cv::estimateAffinePartial2D(from, to, inlier, cv::RANSAC, kInlierPx, 2000, 0.99, 10);
    if (a.empty() || std::count(inlier.begin(), inlier.end(), 1) < 3)
        return identity();
    // The part never changes size in a fixed camera, nor moves further than
    // positioning can leave it: a fit beyond that explains noise, not the part.
    const double s = std::hypot(a.at<double>(0, 0), a.at<double>(1, 0));
    const double turn = std::abs(std::atan2(a.at<double>(1, 0), a.at<double>(0, 0))) * 180.0 / CV_PI;
    const double cx = m_size.width / 2.0;
    const double cy = m_size.height / 2.0;
    const double shift = std::hypot(a.at<double>(0, 0) * cx + a.at<double>(0, 1) * cy + a.at<double>(0, 2) - cx,
                                    a.at<double>(1, 0) * cx + a.at<double>(1, 1) * cy + a.at<double>(1, 2) - cy);
    if (s < 0.8 || s > 1.25 || turn > m_maxTurn || shift > m_maxShift)
        return identity();
    return a;
}

cv::Rect SURF::cell(int cx, int cy) const
{
    const int x0 = cx * m_size.width / kGrid, x1 = (cx + 1) * m_size.width / kGrid;
    const int y0 = cy * m_size.height / kGrid, y1 = (cy + 1) * m_size.height / kGrid;
    return cv::Rect(x0, y0, x1 - x0, y1 - y0);
}

double SURF::greyAgreement(const Model& m, const Features& w)
{
    struct Cell {
        double first, second;  // mean grey: template, window
        double sdT, sdW;
    };
    // At most one entry per grid cell: no list on the heap.
    std::array<Cell, kGrid * kGrid> cells;
    size_t count = 0;
    for (size_t c = 0; c < m.f.cellMean.size() && count < cells.size(); ++c)
        if (m.f.cellMean[c] >= 0 && w.cellMean[c] >= 0)
            cells[count++] = {m.f.cellMean[c], w.cellMean[c], m.f.cellSd[c], w.cellSd[c]};
    if (count < 2)
        return 1.0;
    // Lighting may change gain and offset: fit window = gain * template + offset,
    // then once more without the cells that plainly changed.
    double gain = 1, offset = 0;
    std::array<bool, kGrid * kGrid> use;
    use.fill(true);
    for (int pass = 0; pass < 2; ++pass) {
        double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (size_t i = 0; i < count; ++i)
            if (use[i]) {
                n += 1;
                sx += cells[i].first;
                sy += cells[i].second;
                sxx += cells[i].first * cells[i].first;
                sxy += cells[i].first * cells[i].second;
            }
        if (n < 2)
            break;
        const double var = sxx - sx * sx / n;
        gain = var > 1.0 ? std::clamp((sxy - sx * sy / n) / var, 0.5, 2.0) : 1.0;
        offset = (sy - gain * sx) / n;
        for (size_t i = 0; i < count; ++i)
            use[i] = std::abs(cells[i].second - (gain * cells[i].first + offset)) <= kCellOther;
    }
    double agree = 0;
    for (size_t i = 0; i < count; ++i) {
        const Cell& c = cells[i];
        // Contrast counts too: a textured object may keep the mean.
        const double r = std::max(std::abs(c.second - (gain * c.first + offset)), std::abs(c.sdW - gain * c.sdT));
        agree += std::clamp((kCellOther - r) / (kCellOther - kCellSame), 0.0, 1.0);
    }
    return agree / double(count);
}

double SURF::structureScore(const Model& m, const Features& w)
{
    if (m.f.sd < kFlat)
        return plainScore(m, w);
    const double denom = std::sqrt(m.f.energy * w.energy);
    const double ncc = denom > 0 ? m.f.centred.dot(w.centred) / denom : 0.0;
    const double share = std::clamp((ncc - kNccOther) / (kNccSame - kNccOther), 0.0, 1.0);
    return std::min(share, greyAgreement(m, w)) * 100.0;
}

double SURF::plainScore(const Model& m, const Features& w)
{
    // The grey level decides, unless the window has grown structure.
    const double grey = std::max(0.0, 100.0 - std::abs(w.mean - m.f.mean) * 100.0 / kPlainGreyRange);
    const double fade = std::clamp((1.5 * kProbeTexture - (w.sd - m.f.sd)) / kProbeTexture, 0.0, 1.0);
    return grey * fade;
}

float SURF::Match(const cv::Mat& window, cv::Mat& out) const
{
    out.create(std::max(window.rows, 0), std::max(window.cols, 0), CV_8UC1);
    out.setTo(0);
    if (!m_valid || window.cols != m_size.width || window.rows != m_size.height || ToGreyWindow(window).empty())
        return 0.f;
    // Kept per thread: its pictures are reused from window to window.
    thread_local Features w;
    extractGrey(window, w);
    // "Not moved" first: a template the window shows as it stands needs no
    // features (the score is capped at 100, so the first full one decides).
    thread_local std::vector<double> standing;
    standing.assign(m_models.size(), 0.0);
    for (size_t t = 0; t < m_models.size(); ++t) {
        standing[t] = std::clamp(structureScore(m_models[t], w), 0.0, 100.0);
        if (standing[t] >= 100.0)
            return 100.f;
    }
    extractCorners(w);
    // Read the window where each template's probes should be: the detector need
    // not find them again, their neighbourhood must look the same. All
    // templates' probes are read in one pass over the window.
    // The lists and pictures below are kept per thread: a window whose part
    // changed reads hundreds of probes, and their lists grew on every call.
    thread_local std::vector<cv::KeyPoint> at;
    thread_local std::vector<size_t> first;  // probes of model t: [first[t], first[t + 1])
    at.clear();
    first.assign(m_models.size() + 1, 0);
    for (size_t t = 0; t < m_models.size(); ++t) {
        const Model& m = m_models[t];
        first[t] = at.size();
        if (int(m.probes.size()) < kMinKeypoints || m.f.sd < kFlat)
            continue;
        const cv::Mat a = placement(m, w);
        const double s = std::hypot(a.at<double>(0, 0), a.at<double>(1, 0));
        const float turn = float(std::atan2(a.at<double>(1, 0), a.at<double>(0, 0)) * 180.0 / CV_PI);
        for (cv::KeyPoint k : m.probes) {
            const cv::Point2f p = k.pt;
            k.pt = cv::Point2f(float(a.at<double>(0, 0) * p.x + a.at<double>(0, 1) * p.y + a.at<double>(0, 2) + kPatch),
                               float(a.at<double>(1, 0) * p.x + a.at<double>(1, 1) * p.y + a.at<double>(1, 2) + kPatch));
            k.angle = std::fmod(k.angle + turn + 360.f, 360.f);
            k.size = float(k.size * s);
            k.class_id = int(at.size());
            at.push_back(k);
        }
    }
    first[m_models.size()] = at.size();
    thread_local std::vector<double> share;
    share.assign(m_models.size(), 0.0);
    if (!at.empty()) {
        // A part moved towards the edge is still read: the border repeats outwards.
        thread_local cv::Mat padded;
        cv::copyMakeBorder(w.grey, padded, kPatch, kPatch, kPatch, kPatch, cv::BORDER_REPLICATE);
        // Templates of near-identical parts, placed alike, read the window at
        // the same places: each place is described once.
        thread_local std::vector<cv::KeyPoint> places;
        thread_local std::vector<int> placeOf;  // per probe, its place
        thread_local std::vector<int> described;  // per place, its descriptor row or -1
        // The describer drops keypoints within its edge threshold (kPatch) of
        // the border; merging stays a few pixels further in.
        constexpr float kGuard = kPatch + 4;
        const cv::Rect2f merge(kGuard, kGuard, float(padded.cols) - 2 * kGuard, float(padded.rows) - 2 * kGuard);
        DistinctPlaces(at, merge, places, placeOf);
        thread_local cv::Mat d;
        newOrb()->compute(padded, places, d);
        described.assign(placeOf.empty() ? 0 : size_t(*std::max_element(placeOf.begin(), placeOf.end())) + 1, -1);
        for (size_t r = 0; r < places.size(); ++r)
            described[size_t(places[r].class_id)] = int(r);
        // Probes in their order, those too near the border left out, as one
        // description of every probe would give them.
        for (size_t g = 0; g < at.size(); ++g) {
            const int r = described[size_t(placeOf[g])];
            if (r < 0)
                continue;
            const size_t t = size_t(std::upper_bound(first.begin(), first.end(), g) - first.begin()) - 1;
            const size_t i = g - first[t];
            const Model& m = m_models[t];
            // The bit count straight from the rows: a Mat header per probe
            // cost more than the count itself.
            const double dist = double(cv::hal::normHamming(d.ptr<uchar>(r), m.probeDescriptors.ptr<uchar>(int(i)),
                                                            d.cols)) / kDescriptorBits;
            share[t] += m.weight[i] * std::clamp((kOther - dist) / (kOther - kSame), 0.0, 1.0);
        }
    }
    double best = 0;
    for (size_t t = 0; t < m_models.size(); ++t) {
        const Model& m = m_models[t];
        double v = standing[t];
        if (first[t + 1] > first[t])
            v = std::max(v, std::clamp(std::min(share[t], greyAgreement(m, w)) * 100.0, 0.0, 100.0));
        best = std::max(best, v);
    }
    return static_cast<float>(best);
}

void SURF::CountBytes(ByteCounts& out) const
{
    out.Add("similarity: masks and room", m_mask);
    out.Add("similarity: masks and room", m_detect);
    out.Add("similarity: masks and room", m_reach);
    for (const Model& m : m_models) {
        out.Add("similarity: template features", m.f.descriptors);
        out.Add("similarity: template features", m.probeDescriptors);
        out.Add("similarity: template features",
                (m.f.points.capacity() + m.probes.capacity()) * sizeof(cv::KeyPoint)
                    + (m.f.cellMean.capacity() + m.f.cellSd.capacity()) * sizeof(double)
                    + m.weight.capacity() * sizeof(float));
        out.Add("similarity: template windows", m.f.grey);
        out.Add("similarity: smoothed templates", m.f.centred);
    }
}

void SURF::Clear()
{
    m_size = cv::Size();
    m_mask.release();
    m_detect.release();
    m_reach.release();
    m_stats = GridStats();
    m_cellUsed.clear();
    m_models.clear();
    m_minScore = 80;
    m_maxTurn = 10;
    m_maxShift = 4;
    m_created = false;
    m_valid = false;
}
