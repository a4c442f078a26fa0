#pragma once
// The pixels of a grey band inside a mask, in one pass: what cv::inRange
// followed by cv::bitwise_and with both masks writes.
#include <opencv2/core.hpp>

// out(x) = lower <= window(x) <= upper ? (a(x) & b(x)) : 0. All 8-bit, one
// size; out is (re)allocated to that size. Bounds are clamped to 0..255.
void SelectBand(const cv::Mat& window, int lower, int upper, const cv::Mat& a, const cv::Mat& b, cv::Mat& out);
