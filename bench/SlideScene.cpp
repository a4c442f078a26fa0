#include "SlideScene.h"

std::unique_ptr<GlintScene> SlideScene(int number, cv::Size size, const cv::Rect& around)
{
    // Faces from 300 on: none of glintN's, and each draws its own moves.
    auto face = std::make_unique<GlintScene>(300 + number, size, around);
    face->shift = kSlideTravel;
    return face;
}
