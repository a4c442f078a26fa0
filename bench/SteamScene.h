#pragma once
// Steam, or a mist of release agent, between camera and mould: a smooth veil
// over part of the frame that lifts each pixel a share s of the way to white,
// y = (1 - s) * x + 255 * s, s a smooth field that peaks at `share`.
// A veil rises over 100 px at least (its clouds have a sigma of 80 px or
// more in every direction). Veils come in kinds (the kind seeds how many clouds, how large and how
// drawn out); each cycle draws its own veil of its kind.
#include <opencv2/core.hpp>

struct Veil {
    double share = 0;  // the largest s of the whole field
    int kind = 1;
};

// The field s (CV_32F, frame size, 0..share) of one cycle. `around`: the
// area the clouds sit over (their centres lie within it, widened by half).
cv::Mat DrawVeilField(const Veil& v, cv::Size frame, const cv::Rect& around, cv::RNG& rng);
// frame (CV_8U) := (1 - s) * frame + 255 * s.
void ApplyVeil(cv::Mat& frame, const cv::Mat& field);
