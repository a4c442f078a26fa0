#include "ColorConvert.h"

#include <opencv2/imgproc.hpp>

#include <cstdint>
#include <cstring>

// Pixels are read as ints (0xFFRRGGBB), so the code does not depend on byte order.

void RGBA2Gray(unsigned char* grey, const int* rgba, int width, int height)
{
    if (!grey || !rgba || width <= 0 || height <= 0)
        return;
    const long long n = static_cast<long long>(width) * height;
    for (long long i = 0; i < n; ++i) {
        const uint32_t p = static_cast<uint32_t>(rgba[i]);
        const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        grey[i] = static_cast<unsigned char>((77 * r + 150 * g + 29 * b) >> 8);
    }
}

void RGBA2Hue(unsigned char* hue, const int* rgba, int width, int height)
{
    if (!hue || !rgba || width <= 0 || height <= 0)
        return;
    const long long n = static_cast<long long>(width) * height;
    for (long long i = 0; i < n; ++i) {
        const uint32_t p = static_cast<uint32_t>(rgba[i]);
        const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        const int mx = r > g ? (r > b ? r : b) : (g > b ? g : b);
        const int mn = r < g ? (r < b ? r : b) : (g < b ? g : b);
        const int d = mx - mn;
        if (d == 0) {
            hue[i] = 0;
            continue;
        }
        // Sixths of the circle in units of 256/6, as in a 0..255 hue wheel.
        int h;
        if (mx == r)
            h = (g - b) * 256 / (6 * d);
        else if (mx == g)
            h = 256 / 3 + (b - r) * 256 / (6 * d);
        else
            h = 2 * 256 / 3 + (r - g) * 256 / (6 * d);
        if (h < 0)
            h += 256;
        hue[i] = static_cast<unsigned char>(h & 0xFF);
    }
}

void Gray2RGBA(const unsigned char* grey, int* rgba, int width, int height)
{
    if (!grey || !rgba || width <= 0 || height <= 0)
        return;
    const long long n = static_cast<long long>(width) * height;
    for (long long i = 0; i < n; ++i) {
        const uint32_t g = grey[i];
        rgba[i] = static_cast<int>(0xFF000000u | (g << 16) | (g << 8) | g);
    }
}

void RGB2RGBA(const unsigned char* rgb, unsigned char* rgba, int width, int height)
{
    if (!rgb || !rgba || width <= 0 || height <= 0)
        return;
    const long long n = static_cast<long long>(width) * height;
    for (long long i = 0; i < n; ++i) {
        const uint32_t p = 0xFF000000u | (uint32_t(rgb[3 * i]) << 16) | (uint32_t(rgb[3 * i + 1]) << 8) |
                           uint32_t(rgb[3 * i + 2]);
        std::memcpy(rgba + 4 * i, &p, 4);
    }
}

cv::Mat ToGreyWindow(const cv::Mat& window)
{
    if (window.type() == CV_8UC1)
        return window;
    cv::Mat g;
    if (window.depth() == CV_8U && (window.channels() == 3 || window.channels() == 4))
        cv::cvtColor(window, g, window.channels() == 4 ? cv::COLOR_BGRA2GRAY : cv::COLOR_BGR2GRAY);
    return g;
}
