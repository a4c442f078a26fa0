#pragma once
// The one file form of templates, ignore masks and raw frames: a BMP of the
// frame size, grey frames (1 byte per pixel) as 8-bit with a grey palette,
// colour frames (RGB32, 4 bytes per pixel) as 24-bit rows; rows padded to
// four bytes as BMP wants.
#include <QString>

#include <cstdint>
#include <functional>

// Written whole or not at all (the old file stays): false (logged) when the
// file could not be written or the size is empty.
bool WriteFrameBmp(const QString& path, const uint8_t* pixels, int width, int height, bool colour);

// True when the file holds every byte its header promises: plain
// (uncompressed) rows, all of them in the file after its header and a
// palette the reader takes. The BMP reader returns a full-size picture for a
// cut-off file, with rows made up, and its header alone does not show that
// it cannot read a picture, so loaders ask this first.
bool FrameBmpComplete(const QString& path, QString* why = nullptr);

// The pixel rows of a complete, uncompressed BMP of exactly width x height,
// 24-bit for colour (B, G, R a pixel: the packed frame form) or 8-bit for
// grey (its palette indices), handed to row(y, pixels) in any order once the
// whole file is read. False, with no row handed on, for any other file:
// the caller falls back to the picture reader, which says why.
bool ReadFrameBmpRows(const QString& path, int width, int height, bool colour,
                      const std::function<void(int y, const uint8_t* pixels)>& row);
