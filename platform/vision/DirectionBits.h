#pragma once
// Gradient directions of a grey picture as one bit per pixel (bit b set for
// direction bin b of 8 over 180 degrees; 0 where the gradient is weak), with
// the 3 x 3 spread (OR of the neighbourhood) the shape search compares with.
//
// Gradients are the 3 x 3 Sobel sums, the border replicated (as cv::Sobel
// with BORDER_REPLICATE); a pixel is weak when gx^2 + gy^2 < minMag^2. The
// bits lie inside a ring of zeros, so the spread reads nothing outside the
// picture.
#include <opencv2/core.hpp>

#include <cstdint>

class DirectionBits {
public:
    static constexpr int kBins = 8;

    // Bin edges at 11.25, 33.75, 56.25 and 78.75 degrees: |gy| / gx against
    // tan(edge), in units of 1 / 10000.
    static constexpr int kTan1 = 1989;
    static constexpr int kTan2 = 6682;
    static constexpr int kTan3 = 14966;
    static constexpr int kTan4 = 50273;

    // Direction bit of one gradient (Sobel sums within +-1020), 0 when weak.
    // Inline: the shape search calls it for every pixel it reads on a large level.
    static uint8_t BitOf(int gx, int gy, int minMag2)
    {
        if (gx * gx + gy * gy < minMag2)
            return 0;
        // Directions over 180 degrees: turn the gradient into gx >= 0.
        if (gx < 0 || (gx == 0 && gy < 0)) {
            gx = -gx;
            gy = -gy;
        }
        const int ay = (gy < 0 ? -gy : gy) * 10000;
        const int k = int(ay >= gx * kTan1) + int(ay >= gx * kTan2) + int(ay >= gx * kTan3) + int(ay >= gx * kTan4);
        const int bin = gy >= 0 ? k : (kBins - k) & (kBins - 1);
        return uint8_t(1u << bin);
    }

    void Compute(const cv::Mat& img, int minMag);
    // Pixels on the picture's own border get no direction.
    void ClearBorder();
    // The bits, of the picture's size (a view into the ringed buffer).
    const cv::Mat& Bits() const { return m_inside; }
    // out(x, y) = OR of Bits() over the 3 x 3 neighbourhood, 0 beyond the picture.
    void Spread(cv::Mat& out) const;

private:
    cv::Mat m_padded;
    cv::Mat m_inside;
};
