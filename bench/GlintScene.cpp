#include "GlintScene.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kUp = 4;  // outlines drawn at 4 x, with sub-pixel edges
constexpr int kShiftBits = 2;

cv::Point Up(cv::Point2d p)
{
    return cv::Point(int(std::lround(p.x * kUp)), int(std::lround(p.y * kUp)));
}

// A rectangle with round corners, as a polygon at 4 x.
std::vector<cv::Point> RoundedRect(cv::Point2d centre, double w, double h, double r)
{
    std::vector<cv::Point> poly;
    const double hx = w / 2 - r, hy = h / 2 - r;
    const cv::Point2d corners[4] = {{hx, hy}, {-hx, hy}, {-hx, -hy}, {hx, -hy}};
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i <= 12; ++i) {
            const double a = (k + i / 12.0) * CV_PI / 2;
            poly.push_back(Up(centre + corners[k] + cv::Point2d(r * std::cos(a), r * std::sin(a))));
        }
    return poly;
}

void Disc(cv::Mat& img, cv::Point2d centre, double radius, double grey)
{
    cv::circle(img, Up(centre), int(std::lround(radius * kUp)), cv::Scalar(grey), cv::FILLED, cv::LINE_AA, kShiftBits);
}

// cv::RNG's draws follow its seed linearly: a stream seeded from a draw and
// the face's number is mixed first, so that faces do not move in step.
uint64_t Mix(uint64_t x)
{
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

}  // namespace

GlintScene::GlintScene(int seed, cv::Size size, const cv::Rect& around) : m_seed(seed)
{
    cv::RNG rng(uint64_t(seed) * 7727u + 101u);
    const double plate = rng.uniform(95.0, 125.0);
    cv::Mat img(size, CV_8UC1, cv::Scalar(plate));
    auto at = [&](double fx, double fy) {
        return cv::Point2d(around.x + fx * around.width, around.y + fy * around.height);
    };
    auto rim = [&](cv::Point2d c, double r, double from, double to, double width, double peak) {
        m_glints.push_back(Glint{c, {}, r, from, to, width, peak});
    };
    // The lamp sits up and to the left: edges facing it shine.
    const double lamp = rng.uniform(-0.4, 0.4);

    // The pocket: a dark wall inside its outline, a darker floor.
    const cv::Point2d pc = at(0.5, 0.5) + cv::Point2d(rng.uniform(-30.0, 30.0), rng.uniform(-20.0, 20.0));
    const double pw = around.width * rng.uniform(0.5, 0.6), ph = around.height * rng.uniform(0.45, 0.55);
    const double pr = rng.uniform(28.0, 50.0), wall = rng.uniform(5.0, 8.0);
    const double floorGrey = plate - rng.uniform(25.0, 45.0);
    cv::fillPoly(img, std::vector<std::vector<cv::Point>>{RoundedRect(pc, pw, ph, pr)}, cv::Scalar(plate - 75),
                 cv::LINE_AA, kShiftBits);
    cv::fillPoly(img, std::vector<std::vector<cv::Point>>{RoundedRect(pc, pw - 2 * wall, ph - 2 * wall, pr - wall)},
                 cv::Scalar(floorGrey), cv::LINE_AA, kShiftBits);
    // Its rim shines along part of the top and left edges and round the
    // corner between.
    {
        const double hx = pw / 2 - pr, hy = ph / 2 - pr;
        const double w = rng.uniform(1.2, 2.0), peak = rng.uniform(80.0, 130.0);
        Glint top;
        top.a = pc + cv::Point2d(-hx, -ph / 2 + 1);
        top.b = pc + cv::Point2d(-hx + 2 * hx * rng.uniform(0.2, 0.45), -ph / 2 + 1);
        top.width = w;
        top.peak = peak;
        m_glints.push_back(top);
        Glint left;
        left.a = pc + cv::Point2d(-pw / 2 + 1, -hy);
        left.b = pc + cv::Point2d(-pw / 2 + 1, -hy + 2 * hy * rng.uniform(0.2, 0.5));
        left.width = w;
        left.peak = peak * rng.uniform(0.7, 1.0);
        m_glints.push_back(left);
        rim(pc + cv::Point2d(-hx, -hy), pr - 1, CV_PI * (1.0 + lamp * 0.2), CV_PI * 1.5, w, peak * 1.1);
    }

    // Ejector pins on the floor: a dark gap round a lighter face with a
    // bright spot and a lit rim.
    const int pins = rng.uniform(2, 6);
    std::vector<cv::Point3d> placed;  // x, y, radius
    auto free = [&](cv::Point2d c, double r) {
        for (const cv::Point3d& q : placed)
            if (std::hypot(c.x - q.x, c.y - q.y) < r + q.z + 14)
                return false;
        return true;
    };
    auto inPocket = [&](double r) {
        for (int tries = 0; tries < 200; ++tries) {
            const cv::Point2d c = pc + cv::Point2d(rng.uniform(-pw / 2 + wall + r + 8, pw / 2 - wall - r - 8),
                                                   rng.uniform(-ph / 2 + wall + r + 8, ph / 2 - wall - r - 8));
            if (free(c, r)) {
                placed.emplace_back(c.x, c.y, r);
                return c;
            }
        }
        return cv::Point2d(-1, -1);
    };
    const int cores = rng.uniform(1, 3);
    for (int i = 0; i < cores; ++i) {
        const double r = rng.uniform(30.0, 48.0);
        const cv::Point2d c = inPocket(r);
        if (c.x < 0)
            continue;
        Disc(img, c, r + 3, floorGrey - 30);
        Disc(img, c, r, plate + rng.uniform(-5.0, 15.0));
        rim(c, r - 1.5, CV_PI * (1.05 + lamp * 0.2), CV_PI * rng.uniform(1.5, 1.75), rng.uniform(1.2, 2.0),
            rng.uniform(100.0, 150.0));
    }
    for (int i = 0; i < pins; ++i) {
        const double r = rng.uniform(9.0, 18.0);
        const cv::Point2d c = inPocket(r);
        if (c.x < 0)
            continue;
        Disc(img, c, r + 2.2, floorGrey - 45);
        Disc(img, c, r, plate + rng.uniform(5.0, 25.0));
        Glint spot;
        spot.a = spot.b = c + cv::Point2d(-0.3 * r, -0.3 * r);
        spot.width = rng.uniform(1.8, 3.0);
        spot.peak = rng.uniform(110.0, 170.0);
        m_glints.push_back(spot);
        rim(c, r - 1, CV_PI * (0.9 + lamp * 0.2), CV_PI * rng.uniform(1.4, 1.7), rng.uniform(1.0, 1.6),
            rng.uniform(70.0, 120.0));
    }

    // Beside the pocket, where nothing shines much: a raised land, a parting
    // groove, vent slots, screw holes and the cavity number, which keep the
    // face unique and give the positioning edges of its own.
    {
        const bool right = rng.uniform(0, 2) == 0;
        const double x0 = right ? rng.uniform(0.8, 0.86) : 0.0, x1 = right ? 1.0 : rng.uniform(0.14, 0.2);
        cv::rectangle(img, Up(at(x0, rng.uniform(0.15, 0.3))), Up(at(x1, rng.uniform(0.7, 0.85))),
                      cv::Scalar(plate + rng.uniform(15.0, 25.0)), cv::FILLED, cv::LINE_AA, kShiftBits);
        const double gy = rng.uniform(0.03, 0.08);
        cv::line(img, Up(at(0, gy)), Up(at(1, gy + rng.uniform(-0.02, 0.02))), cv::Scalar(plate - 45), 3, cv::LINE_AA,
                 kShiftBits);
        const cv::Point2d slot = at(rng.uniform(0.3, 0.7), rng.uniform(0.9, 0.94));
        cv::fillPoly(img, std::vector<std::vector<cv::Point>>{RoundedRect(slot, rng.uniform(120.0, 220.0), 10, 4)},
                     cv::Scalar(plate - 50), cv::LINE_AA, kShiftBits);
        const cv::Point2d n = at(right ? rng.uniform(0.03, 0.08) : rng.uniform(0.8, 0.85), rng.uniform(0.88, 0.93));
        const int digits = rng.uniform(3, 6);
        for (int k = 0; k < digits; ++k) {
            const double h = rng.uniform(10.0, 18.0);
            cv::rectangle(img, Up(n + cv::Point2d(k * 15.0, -h)), Up(n + cv::Point2d(k * 15.0 + rng.uniform(6.0, 11.0), 0)),
                          cv::Scalar(plate + 40), cv::FILLED, cv::LINE_AA, kShiftBits);
        }
    }
    const cv::Point2d holes[4] = {at(rng.uniform(0.04, 0.12), rng.uniform(0.12, 0.3)),
                                  at(rng.uniform(0.88, 0.96), rng.uniform(0.12, 0.3)),
                                  at(rng.uniform(0.04, 0.12), rng.uniform(0.62, 0.8)),
                                  at(rng.uniform(0.88, 0.96), rng.uniform(0.62, 0.8))};
    for (const cv::Point2d& c : holes) {
        const double r = rng.uniform(10.0, 16.0);
        Disc(img, c, r, plate - 75);
        Disc(img, c, r * 0.55, plate - 90);
        rim(c, r - 1, CV_PI * 0.1, CV_PI * 0.6, rng.uniform(1.0, 1.6), rng.uniform(50.0, 90.0));
    }

    // Polishing marks: fine, faint streaks in one direction.
    cv::Mat marks(size, CV_32F);
    rng.fill(marks, cv::RNG::NORMAL, 0, 1.0);
    const bool across = rng.uniform(0, 2) == 0;
    cv::GaussianBlur(marks, marks, cv::Size(0, 0), across ? 9.0 : 0.8, across ? 0.8 : 9.0);
    cv::Scalar mean, sd;
    cv::meanStdDev(marks, mean, sd);
    img.convertTo(m_face, CV_32F);
    m_face += marks * (rng.uniform(1.5, 3.0) / std::max(sd[0], 1e-6));
    cv::GaussianBlur(m_face, m_face, cv::Size(), 0.7);
}

GlintScene::Glint GlintScene::Moved(const Glint& g, double along, double across) const
{
    Glint m = g;
    if (g.radius > 0) {
        m.from += along / g.radius;
        m.to += along / g.radius;
        m.radius += across;
    } else if (g.a != g.b) {
        const cv::Point2d ab = g.b - g.a;
        const cv::Point2d u = ab / std::hypot(ab.x, ab.y), n(-u.y, u.x);
        m.a += along * u + across * n;
        m.b += along * u + across * n;
    }
    return m;
}

void GlintScene::Add(cv::Mat& out, const Glint& g, double scale) const
{
    const cv::Point2d a = g.a, b = g.b;
    const bool arc = g.radius > 0, streak = !arc && g.a != g.b;
    const double reach = 4 * g.width + 1;
    cv::Rect2d box;
    if (arc)
        box = cv::Rect2d(a.x - g.radius - reach, a.y - g.radius - reach, 2 * (g.radius + reach), 2 * (g.radius + reach));
    else
        box = cv::Rect2d(std::min(a.x, b.x) - reach, std::min(a.y, b.y) - reach, std::abs(b.x - a.x) + 2 * reach,
                         std::abs(b.y - a.y) + 2 * reach);
    const cv::Rect area = cv::Rect(int(std::floor(box.x)), int(std::floor(box.y)), int(std::ceil(box.width)) + 2,
                                   int(std::ceil(box.height)) + 2)
        & cv::Rect(0, 0, out.cols, out.rows);
    const cv::Point2d ab = b - a;
    const double len2 = ab.dot(ab);
    const double k = -0.5 / (g.width * g.width);
    for (int y = area.y; y < area.br().y; ++y) {
        float* row = out.ptr<float>(y);
        for (int x = area.x; x < area.br().x; ++x) {
            const cv::Point2d p(x, y);
            double d = 0, along = 1;
            if (arc) {
                const cv::Point2d v = p - a;
                d = std::hypot(v.x, v.y) - g.radius;
                double t = std::atan2(v.y, v.x);
                while (t < g.from)
                    t += 2 * CV_PI;
                const double s = (t - g.from) / (g.to - g.from);
                along = s <= 1 ? std::sin(CV_PI * s) : 0;
            } else if (streak) {
                const double t = std::clamp((p - a).dot(ab) / len2, 0.0, 1.0);
                const cv::Point2d q = a + t * ab - p;
                d = std::hypot(q.x, q.y);
                along = std::min(1.0, 3 * std::sin(CV_PI * t));
            } else {
                d = std::hypot(p.x - a.x, p.y - a.y);
            }
            if (along > 0)
                row[x] += float(g.peak * scale * along * std::exp(k * d * d));
        }
    }
}

cv::Mat GlintScene::Cycle(cv::RNG& rng) const
{
    cv::Mat face = m_face.clone();
    // Faces before kOwnMoves keep the draws their published figures came from.
    cv::RNG own;
    if (m_seed >= kOwnMoves)
        own = cv::RNG(Mix((uint64_t(rng.next()) << 32) ^ uint64_t(uint32_t(m_seed))));
    cv::RNG& draw = m_seed >= kOwnMoves ? own : rng;
    for (const Glint& g : m_glints) {
        const double x = draw.uniform(-shift, shift), y = draw.uniform(-shift, shift);
        const double brightness = 1 + draw.uniform(-change, change);
        if (g.a == g.b && g.radius == 0) {
            Glint m = g;
            m.a = m.b = g.a + cv::Point2d(x, y);
            Add(face, m, brightness);
        } else {
            Add(face, Moved(g, x, y * across), brightness);
        }
    }
    cv::Mat out;
    face.convertTo(out, CV_8U);
    return out;
}

cv::Mat GlintScene::Still() const
{
    cv::Mat face = m_face.clone();
    for (const Glint& g : m_glints)
        Add(face, g, 1);
    cv::Mat out;
    face.convertTo(out, CV_8U);
    return out;
}
