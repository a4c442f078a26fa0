#pragma once
// Result pictures coded as JPEG with libjpeg itself: OpenCV's image codec
// library would map some 38 MB of libraries it pulls in (GDAL and more).
#include <QImage>

#include <cstdint>
#include <vector>

// Codes a picture (as 8-bit RGB; baseline, libjpeg's defaults at this
// quality: the bytes OpenCV's imwrite gave). False, and `out` empty, on
// failure.
bool EncodeJpeg(QImage picture, std::vector<uint8_t>& out, int quality = 95);
