#include "PoseScenes.h"

#include "BlackScene.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kW = 1920;
constexpr int kH = 1080;
// Shapes are drawn with sub-pixel corners (coordinates x 4, shift 2).
constexpr int kShift = 2;
constexpr double kUp = 1 << kShift;

cv::Point Up(double x, double y)
{
    return {int(std::lround(x * kUp)), int(std::lround(y * kUp))};
}

// A rectangle of w x h about (cx, cy), corners rounded by r, turned by `deg`.
std::vector<cv::Point> RoundedRect(double cx, double cy, double w, double h, double r, double deg = 0)
{
    r = std::clamp(r, 0.0, 0.5 * std::min(w, h));
    const double a = deg * CV_PI / 180.0, c = std::cos(a), s = std::sin(a);
    std::vector<cv::Point> poly;
    const double hx = 0.5 * w - r, hy = 0.5 * h - r;
    const double corners[4][2] = {{hx, -hy}, {hx, hy}, {-hx, hy}, {-hx, -hy}};
    const int steps = r > 0 ? 8 : 0;
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i <= steps; ++i) {
            const double t = (k - 1) * CV_PI / 2 + (steps ? i * (CV_PI / 2) / steps : 0);
            const double x = corners[k][0] + r * std::cos(t), y = corners[k][1] + r * std::sin(t);
            poly.push_back(Up(cx + c * x - s * y, cy + s * x + c * y));
        }
    return poly;
}

void Fill(cv::Mat& img, const std::vector<cv::Point>& poly, double grey)
{
    cv::fillConvexPoly(img, poly, cv::Scalar(std::clamp(grey, 0.0, 255.0)), cv::LINE_AA, kShift);
}

void Disc(cv::Mat& img, double cx, double cy, double r, double grey)
{
    cv::circle(img, Up(cx, cy), int(std::lround(r * kUp)), cv::Scalar(std::clamp(grey, 0.0, 255.0)), cv::FILLED,
               cv::LINE_AA, kShift);
}

// `drawn` with a texture of `sigma` grey levels blurred by (blurX, blurY) px.
cv::Mat Grained(const cv::Mat& drawn, cv::RNG& rng, double sigma, double blurX, double blurY)
{
    cv::Mat texture(drawn.size(), CV_32F);
    rng.fill(texture, cv::RNG::NORMAL, 0, sigma);
    cv::GaussianBlur(texture, texture, cv::Size(0, 0), blurX, blurY);
    cv::Mat face;
    drawn.convertTo(face, CV_32F);
    return face + texture;
}

}  // namespace

cv::Mat Finish(const cv::Mat& drawn, cv::RNG& rng, double sigma, double blurX, double blurY)
{
    cv::Mat face = Grained(drawn, rng, sigma, blurX, blurY);
    cv::GaussianBlur(face, face, cv::Size(), 0.8);
    cv::Mat out;
    face.convertTo(out, CV_8U);
    return out;
}

namespace {

// A regular grid of squares (raised squares on a plate, or square holes),
// over the whole frame. Moulded squares differ a little in grey from each
// other and the surface has a grain; nothing else tells them apart.
cv::Mat Grid(int seed)
{
    cv::RNG rng(uint64_t(seed) * 7919u + 101u);
    const double pitch = rng.uniform(140.0, 200.0);
    const double side = pitch * rng.uniform(0.55, 0.75);
    const bool holes = rng.uniform(0, 2) == 0;
    const double plate = holes ? rng.uniform(150, 190) : rng.uniform(70, 110);
    const double fill = holes ? rng.uniform(40, 80) : rng.uniform(160, 200);
    const double vary = rng.uniform(3.0, 6.0);
    const double corner = rng.uniform(0, 2) ? side * rng.uniform(0.05, 0.2) : 0.0;
    const double ox = rng.uniform(0.0, pitch), oy = rng.uniform(0.0, pitch);
    cv::Mat img(kH, kW, CV_8UC1, cv::Scalar(plate));
    for (double y = oy - pitch; y < kH + pitch; y += pitch)
        for (double x = ox - pitch; x < kW + pitch; x += pitch)
            Fill(img, RoundedRect(x, y, side, side, corner), fill + rng.gaussian(vary));
    return Finish(img, rng, 3.0, 1.5, 1.5);
}

// A mould face filled by 2 x 4 identical cavities (drawn once, set down
// pixel for pixel alike, a narrow land between them) on a brushed plate.
// Odd numbers feed them from a sprue between the rows; even numbers from
// runners along the top and bottom edges, outside a Position ROI over the
// middle of the face. Within that ROI a place one cavity off shows the same
// cavities; only the sprue, the runners' ends and the land tell it apart.
// The plate's grey and the cavities' size and spacing, the first draws.
struct CavityLayout {
    double plate;
    int cw, ch, gapX, gapY;
    explicit CavityLayout(cv::RNG& rng)
        : plate(rng.uniform(110, 150))
    {
        cw = rng.uniform(330, 391);
        ch = rng.uniform(380, 431);
        gapX = rng.uniform(24, 49);
        gapY = rng.uniform(40, 71);
    }
};

cv::RNG CavitiesRng(int seed)
{
    return cv::RNG(uint64_t(seed) * 104723u + 7u);
}

cv::Mat Cavities(int seed)
{
    cv::RNG rng = CavitiesRng(seed);
    const CavityLayout layout(rng);
    const double plate = layout.plate;
    const int cw = layout.cw, ch = layout.ch, gapX = layout.gapX, gapY = layout.gapY;
    const int pitchX = cw + gapX, pitchY = ch + gapY;
    const int x0 = (kW - (4 * pitchX - gapX)) / 2, y0 = (kH - (2 * pitchY - gapY)) / 2;

    // The plate and its brushing, the insert's outline, pillars at the corners.
    cv::Mat img(kH, kW, CV_8UC1, cv::Scalar(plate));
    Fill(img, RoundedRect(kW / 2.0, kH / 2.0, 4 * pitchX + 40, 2 * pitchY + 30, 16), plate + rng.uniform(-20, 20));
    for (int k = 0; k < 4; ++k)
        Disc(img, (k & 1) ? kW - 30 : 30, (k & 2) ? kH - 30 : 30, 40, plate + 60);
    Grained(img, rng, 4.0, 8.0, 0.8).convertTo(img, CV_8U);

    // The runners and the sprue.
    const double runner = plate + rng.uniform(35, 60);
    const bool middle = seed % 2 != 0;
    const double runY[2] = {middle ? kH / 2.0 : y0 - gapY / 2.0, middle ? kH / 2.0 : y0 + 2 * pitchY - gapY / 2.0};
    const double sprue = rng.uniform(16, 26);
    for (const double y : runY) {
        cv::line(img, Up(x0 + cw / 2.0, y), Up(x0 + 3 * pitchX + cw / 2.0, y), cv::Scalar(runner), 6, cv::LINE_AA,
                 kShift);
        Disc(img, kW / 2.0, y, sprue, plate + 80);
        Disc(img, kW / 2.0, y, sprue * 0.45, plate - 60);
    }

    // One cavity, drawn once; its gate reaches the runner.
    cv::Mat cav(ch, cw, CV_8UC1, cv::Scalar(plate));
    const double floor = plate - rng.uniform(40, 70);
    Fill(cav, RoundedRect(cw / 2.0, ch / 2.0, cw - 16, ch - 16, rng.uniform(8, 30)), floor);
    const double bx = rng.uniform(0.3, 0.7) * cw, by = rng.uniform(0.3, 0.7) * ch, br = rng.uniform(30, 60);
    Disc(cav, bx, by, br, floor + rng.uniform(50, 90));
    Disc(cav, bx, by, br * 0.45, floor - 20);
    const bool across = rng.uniform(0, 2) == 0;
    Fill(cav, across ? RoundedRect(cw / 2.0, ch * 0.8, cw * 0.6, rng.uniform(8, 15), 0)
                     : RoundedRect(cw * 0.2, ch / 2.0, rng.uniform(8, 15), ch * 0.6, 0),
         floor + rng.uniform(25, 45));
    for (int k = rng.uniform(3, 7); k > 0; --k)
        Disc(cav, rng.uniform(25.0, cw - 25.0), rng.uniform(25.0, ch - 25.0), rng.uniform(4.0, 7.0), floor + 70);
    const double lx = rng.uniform(0.15, 0.45) * cw, ly = rng.uniform(0.12, 0.25) * ch;
    for (int k = 0; k < 5; ++k)
        Fill(cav, RoundedRect(lx + k * 14, ly, 7, 14 + (k % 2) * 4, 1), floor + 45);
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i < 4; ++i) {
            cav.copyTo(img(cv::Rect(x0 + i * pitchX, y0 + row * pitchY, cw, ch)));
            const double gx = x0 + i * pitchX + cw / 2.0;
            const double gy = (row == 0) == middle ? y0 + row * pitchY + ch : y0 + row * pitchY;
            cv::line(img, Up(gx, gy), Up(gx, runY[row]), cv::Scalar(runner), 4, cv::LINE_AA, kShift);
        }
    cv::GaussianBlur(img, img, cv::Size(), 0.8);
    return img;
}

// A black plastic part filling the view: mean grey about 40, its features
// (ribs, bosses, holes, steps) `lo` to `hi` grey levels off their
// surroundings, a fine grain.
cv::Mat DarkPart(int seed, double lo, double hi)
{
    cv::RNG rng(uint64_t(seed) * 15485863u + 11u);
    const double base = rng.uniform(34.0, 46.0);
    cv::Mat img(kH, kW, CV_8UC1, cv::Scalar(base));
    auto near = [&] {
        const double d = rng.uniform(lo, hi);
        return base + (rng.uniform(0, 2) ? d : -d);
    };
    for (int i = 0; i < 24; ++i)
        Fill(img,
             RoundedRect(rng.uniform(100, kW - 100), rng.uniform(80, kH - 80), rng.uniform(60, 480),
                         rng.uniform(40, 340), rng.uniform(0, 25), rng.uniform(0, 3) ? 0.0 : rng.uniform(0.0, 180.0)),
             near());
    for (int i = 0; i < 12; ++i)
        Disc(img, rng.uniform(0, kW), rng.uniform(0, kH), rng.uniform(10, 70), near());
    for (int i = 0; i < 6; ++i) {
        const cv::Point2d a(rng.uniform(0, kW), rng.uniform(0, kH));
        const bool across = rng.uniform(0, 2) == 0;
        const cv::Point2d b = across ? a + cv::Point2d(rng.uniform(300, 1200), 0) : a + cv::Point2d(0, rng.uniform(200, 800));
        cv::line(img, Up(a.x, a.y), Up(b.x, b.y), cv::Scalar(near()), rng.uniform(6, 20), cv::LINE_AA, kShift);
    }
    return Finish(img, rng, 2.0, 1.0, 1.0);
}

// Features a few grey levels to about twelve apart.
cv::Mat Dark(int seed)
{
    return DarkPart(seed, 4.0, 12.0);
}

// Barely any: features 3 to 4 grey levels apart, hardly above the noise.
cv::Mat Shade(int seed)
{
    return DarkPart(seed, 3.0, 4.0);
}

// A little more: features 4 to 4.5 grey levels apart, still too faint for
// a coarse search level but enough for the full-size one.
cv::Mat Faint(int seed)
{
    return DarkPart(seed, 4.0, 4.5);
}

int SceneNumber(const QString& name, QLatin1String kind)
{
    bool ok = false;
    const int n = name.mid(kind.size()).toInt(&ok);
    return ok ? n : 1;
}

using Draw = cv::Mat (*)(int);
const std::pair<const char*, Draw> kKinds[] = {{"grid", Grid},   {"cavities", Cavities}, {"dark", Dark},
                                               {"shade", Shade}, {"faint", Faint},
                                               {"black", BlackPart}};

}  // namespace

cv::Mat PoseScene(const QString& name)
{
    for (const auto& [kind, draw] : kKinds)
        if (name.startsWith(QLatin1String(kind)))
            return draw(SceneNumber(name, QLatin1String(kind)));
    return cv::Mat();
}

cv::Point2d PoseScenePitch(const QString& name)
{
    if (name.startsWith(QLatin1String("cavities"))) {
        cv::RNG rng = CavitiesRng(SceneNumber(name, QLatin1String("cavities")));
        const CavityLayout layout(rng);
        return {double(layout.cw + layout.gapX), double(layout.ch + layout.gapY)};
    }
    return {};
}

bool IsPoseScene(const QString& name)
{
    for (const auto& kind : kKinds)
        if (name.startsWith(QLatin1String(kind.first)))
            return true;
    return false;
}
