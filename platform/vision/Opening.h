#pragma once
// Morphological opening of an 8-bit picture in place with the elliptic
// k x k element (cv::getStructuringElement with MORPH_ELLIPSE, anchor at the
// centre), the same pixels cv::morphologyEx(MORPH_OPEN) gives with its
// default border. The 3 x 3 element, a cross, has its own pass; an empty
// picture is left as it is (its opening is empty).
#include <opencv2/core.hpp>

// `element` is the k x k ellipse, used for sizes other than 3. Returns whether
// any pixel is non-zero afterwards; `kept`, when given, receives a box that
// holds every non-zero pixel left (empty when none is).
bool OpenEllipse(cv::Mat& img, int k, const cv::Mat& element, cv::Rect* kept = nullptr);

// The smallest box holding every non-zero pixel of an 8-bit picture; empty
// when there is none.
cv::Rect NonZeroBounds(const cv::Mat& img);

// Whether any pixel of an 8-bit picture is non-zero; stops soon after the first.
bool AnyNonZero(const cv::Mat& img);

// The rows from the first to the last that hold a non-zero pixel; empty
// when none does.
cv::Range NonZeroRows(const cv::Mat& img);

// Whether cv::erode with a 2 x 2 element of ones (default border; default
// anchor, or anchored at its top left) leaves any pixel of an 8-bit picture
// non-zero, without making the picture.
bool AnyErodedByTwo(const cv::Mat& img, bool anchorTopLeft = false);

// AnyErodedByTwo with either anchor, in one pass over the picture.
bool AnyErodedByTwoEither(const cv::Mat& img);

// Whether cv::erode with the 3 x 3 cross (default border) leaves any pixel
// of an 8-bit picture non-zero: whether the 3 x 3 opening keeps any.
bool AnyErodedByCross(const cv::Mat& img);

// AnyErodedByTwoEither or AnyErodedByCross, in one pass that passes over
// rows without a set pixel.
bool AnyErodedByTwoOrCross(const cv::Mat& img);
