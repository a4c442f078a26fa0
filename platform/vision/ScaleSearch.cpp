#include "ScaleSearch.h"

#include "FindShape.h"
#include "TieRule.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

namespace {

// Scale changes tried, as the surroundings' check tries them; every other one
// first, since a change between two of them fits either nearly as well.
constexpr double kSteps[] = {0.005, 0.01, 0.02, 0.0025, 0.0075, 0.015};
// A scaled part must fit nearly whole (as the surroundings must).
constexpr double kScaledFit = 0.90;
// Or, where the part fits as a pose is trusted but less (a black part's
// few faint features, under ramps and blur), its own residual scale must
// put it nearer the scale tried than the taught one: a fixed camera
// searched at another scale reads most of that scale back.
constexpr double kScaleAgrees = 0.5;

struct Tried {
    bool ok = false;
    double fit = 0, wobble = 0;
    double scale = 0;  // the pose fit's residual scale there
};

// The part searched in the frame scaled by 1/s about `at` (the picture
// enlarged by s brought back to the taught scale), within `reach` of it.
Tried SearchAt(const FindShape& shape, const cv::Mat& frame, const cv::Point& at, const cv::Size& model, int reach,
               double s)
{
    const int hw = model.width / 2 + reach, hh = model.height / 2 + reach;
    cv::Mat window;
    // window(x, y) = frame(at + s (x - hw, y - hh)): sampled straight from the frame.
    const cv::Matx23d m(s, 0, at.x - s * hw, 0, s, at.y - s * hh);
    cv::warpAffine(frame, window, m, cv::Size(2 * hw + 1, 2 * hh + 1), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP,
                   cv::BORDER_REPLICATE);
    ShapeFound f;
    Tried t;
    // Only a place settled and alone counts: repeats would fit any scale alike.
    if (shape.Find(window, cv::Point2d(hw, hh), f) && f.refined && !f.ambiguous)
        t = {true, f.fit, f.wobble, f.scale};
    return t;
}

}  // namespace

double ScaleSearch::Changed(const FindShape& shape, const cv::Mat& frame, const cv::Point2d& at, int reach,
                           double fit, double wobble)
{
    const cv::Size model = shape.ModelSize();
    if (!shape.IsValid() || frame.empty() || frame.type() != CV_8UC1 || model.empty())
        return 0;
    const cv::Point c(int(std::lround(at.x)), int(std::lround(at.y)));
    // The first scale that fits clearly better than the taught one names the
    // change: a fixed camera's held cycle costs every search, a scaled one few.
    for (const double d : kSteps)
        for (const double sign : {1.0, -1.0}) {
            const Tried t = SearchAt(shape, frame, c, model, reach, 1.0 + sign * d);
            const bool whole = t.fit >= kScaledFit || std::abs(t.scale) <= kScaleAgrees * d;
            if (t.ok && whole && t.fit - fit > TieRule::Margin(t.fit, t.wobble, wobble))
                return sign * d;
        }
    return 0;
}
