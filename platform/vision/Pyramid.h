#pragma once
// Half-size step of an 8-bit image pyramid: the same pixels as cv::pyrDown
// with its default size and border (5 x 5 Gaussian [1 4 6 4 1] / 16 per axis,
// reflected border, sum rounded once), in one pass without temporary images.
// dst is reused when it already has the size; src and dst must differ.
#include <opencv2/core.hpp>

void PyrDownGrey(const cv::Mat& src, cv::Mat& dst);
