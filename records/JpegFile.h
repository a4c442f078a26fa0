#pragma once
// Result pictures written as JPEG with libjpeg itself: OpenCV's image codec
// library would map some 38 MB of libraries it pulls in (GDAL and more).
#include <QString>

#include <cstddef>
#include <cstdint>

// Writes a width x height picture of 8-bit RGB rows `stride` bytes apart to
// `path` (baseline, libjpeg's defaults at this quality: the bytes OpenCV's
// imwrite gave). False, and no file, when it cannot be written.
bool WriteJpegRgb(const QString& path, const uint8_t* rgb, int width, int height, size_t stride, int quality = 95);
