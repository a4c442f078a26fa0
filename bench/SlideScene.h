#pragma once
// Polished cavity faces whose highlights travel further: drawn as
// GlintScene's faces are, each highlight moved by up to +-3 px (a glint on
// an edge along it, a spot in x and in y) from cycle to cycle, as on a face
// where part and lamp sit a little less alike from shot to shot. "slideN"
// in qualitybench; N seeds the face (other faces than glintN's).
#include "GlintScene.h"

#include <memory>

constexpr double kSlideTravel = 3.0;  // px

std::unique_ptr<GlintScene> SlideScene(int number, cv::Size size, const cv::Rect& around);
