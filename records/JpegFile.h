#pragma once
// Result pictures coded as JPEG with libjpeg itself: OpenCV's image codec
// library would map some 38 MB of libraries it pulls in (GDAL and more).
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

// Codes a width x height picture of 8-bit RGB rows `stride` bytes apart
// (baseline, libjpeg's defaults at this quality: the bytes OpenCV's imwrite
// gave). False, and `out` empty, on failure.
bool EncodeJpegRgb(const uint8_t* rgb, int width, int height, size_t stride, std::vector<uint8_t>& out,
                   int quality = 95);
// Writes the bytes to `path`; false, and no file, when they cannot be written.
bool WriteBytesFile(const QString& path, const std::vector<uint8_t>& bytes);
