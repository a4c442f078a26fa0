#pragma once
// The one file form of templates, ignore masks and raw frames: a BMP of the
// frame size, grey frames (1 byte per pixel) as 8-bit with a grey palette,
// colour frames (RGB32, 4 bytes per pixel) as 24-bit rows; rows padded to
// four bytes as BMP wants.
#include <QString>

#include <cstdint>

// False (logged) when the file could not be written or the size is empty.
bool WriteFrameBmp(const QString& path, const uint8_t* pixels, int width, int height, bool colour);
