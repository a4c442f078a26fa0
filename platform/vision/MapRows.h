#pragma once
// Writes into a box of a frame-size map (the NG map): a box's rows are short
// and scattered over the frame, so the lines a few rows ahead are asked for
// while a row is written (see RowPrefetch.h).
#include <opencv2/core.hpp>

// Every byte of the 8-bit box set to 0.
void ClearBox(cv::Mat& box);
// box |= src, both 8-bit and of one size.
void OrIntoBox(const cv::Mat& src, cv::Mat& box);
