#pragma once
// Generated scenes that try the positioning where moulds make it hard: a
// regular grid of squares, a mould face of 2 x 4 identical cavities, a dark
// (black plastic) part, and one whose features barely stand out of the
// noise ("shade") or only a little more ("faint"). Each name takes a number
// that seeds its drawing ("grid1", "cavities2", "dark3"): the numbers draw
// different pictures of the same kind, so some can be kept aside from any
// tuning.
#include <QString>

#include <opencv2/core.hpp>

// The 1920 x 1080 grey scene of `name`; empty when the name is none of these.
cv::Mat PoseScene(const QString& name);
bool IsPoseScene(const QString& name);
// How far one cavity lies from the next on a scene of cavities (x, y, px);
// zero on other scenes.
cv::Point2d PoseScenePitch(const QString& name);
// A drawn face with a fine texture of the surface (grain, machining) of
// `sigma` grey levels blurred by (blurX, blurY) px, softened as a lens would.
cv::Mat Finish(const cv::Mat& drawn, cv::RNG& rng, double sigma, double blurX, double blurY);
