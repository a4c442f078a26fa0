#pragma once
// What the template shows around the Position ROI (runners, the sprue, the
// insert's end), to tell apart places the ROI alone cannot: identical
// cavities look alike to the pixel inside it. The surroundings move with the
// camera, so they tell the part's own place from a repeat even when the
// camera has been knocked by one cavity's pitch, where the place nearest the
// taught one shows the neighbouring cavity.
#include <opencv2/core.hpp>

#include <vector>

#include "PoseRefine.h"

class ContextFit {
public:
    // tpl: the whole template picture (8-bit grey); box: the Position ROI in
    // it; (cx, cy): the model centre poses are given for, in tpl; skip: boxes
    // whose content is not the mould's (ignored areas).
    void Build(const cv::Mat& tpl, const cv::Rect& box, int cx, int cy, const std::vector<cv::Rect>& skip);
    void Clear()
    {
        m_samples.clear();
        m_noise = 0;
        m_reach = cv::Rect();
    }
    bool IsValid() const { return !m_samples.empty(); }

    // Whether the frame around `at` fits the template's surroundings well and
    // clearly better than around each of `others` (poses of the model centre
    // in frame coordinates), measured against the noise of both fits as the
    // search measures a tie. Each pair is compared on the samples the frame
    // shows at both places, so a place whose surroundings leave the frame
    // loses nothing by it.
    bool Favours(const cv::Mat& frame, const ShapePose& at, const std::vector<ShapePose>& others) const;

    // Whether the frame around `at` shows the template's surroundings: a
    // fixed camera sees them around the part, a moved one (or a moved
    // mould) shows something else there. Unknown when the frame shows too
    // few of them or they have no contrast beyond noise.
    enum class Agree { Unknown, Yes, No };
    // The verdict with the fit it rests on: the share explained, its noise
    // and the template's softening (-1: none) that fitted best.
    struct Reading {
        Agree agree = Agree::Unknown;
        int soft = -1;
        double share = 0;
        double wobble = 0;
    };
    Reading Around(const cv::Mat& frame, const ShapePose& at) const;
    // When the surroundings around `at`, read as taught (Around), fit less
    // than cleanly and clearly better with the picture enlarged or shrunk
    // about `at` (by 0.25 to 2 %): that change (0.01 = 1 % larger);
    // otherwise 0.
    double ScaleOff(const cv::Mat& frame, const ShapePose& at, const Reading& asTaught) const;
    // Surroundings that fit less than this may show the picture's scale
    // changed (a camera moved nearer, a lens warming): at 0.5 % a part's
    // surroundings sit some pixels off at their rim.
    static constexpr double kCleanFit = 0.97;
    // Softenings of the template a defocused frame is also compared with.
    static constexpr int kSoftened = 4;

private:
    // The share of the surroundings' own spread the frame around `at`,
    // scaled by `scale`, explains beyond noise, and that share's noise.
    // `soft`: -1 the template's greys, else which softening's.
    bool FitAt(const cv::Mat& frame, const ShapePose& at, double scale, int soft, double& share, double& wobble) const;
    // The template's greys (-1) or the softening the frame around `at` fits
    // best, and that fit; false when it cannot tell.
    bool BestSoftening(const cv::Mat& frame, const ShapePose& at, int& soft, double& share, double& wobble) const;
    struct Sample {
        float x, y;  // from the model centre
        float grey;  // the template's
        float soft[kSoftened];  // ... softened as a defocused frame shows it
    };
    std::vector<Sample> m_samples;
    double m_radius = 1;  // the samples' largest distance from the centre
    double m_noise = 0;   // the template's sensor noise, grey levels squared
    cv::Rect m_reach;     // the samples' box, from the model centre
};
