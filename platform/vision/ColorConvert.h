#pragma once
// Pixel conversions between camera frames and views. A 32-bit pixel is laid
// out as Qt's RGB32 (0xFFRRGGBB in an int, bytes B G R A in memory) so that a
// view can wrap a buffer without copying.

#include <opencv2/core.hpp>

// An 8-bit window as one grey channel (BGR/BGRA converted, grey as it is);
// empty for any other type.
cv::Mat ToGreyWindow(const cv::Mat& window);

// Grey = (77 R + 150 G + 29 B) >> 8.
void RGBA2Gray(unsigned char* grey, const int* rgba, int width, int height);
// Hue scaled to 0..255 (0 = red, 85 = green, 170 = blue); 0 for grey pixels.
void RGBA2Hue(unsigned char* hue, const int* rgba, int width, int height);
// 0xFF000000 | g << 16 | g << 8 | g.
void Gray2RGBA(const unsigned char* grey, int* rgba, int width, int height);
// From packed RGB24 (R, G, B bytes) to RGB32 bytes.
void RGB2RGBA(const unsigned char* rgb, unsigned char* rgba, int width, int height);
