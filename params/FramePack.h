#pragma once
// Exact compression of a frame of w x h pixels of ch bytes, for frames that
// wait in memory: the recent-NG ring, result pictures waiting for a re-check.
#include <cstdint>
#include <vector>

bool CompressFrame(const uint8_t* frame, int w, int h, int ch, std::vector<uint8_t>& out);
// Into frame, w * h * ch bytes; false unless the stream filled it exactly.
bool DecompressFrame(const std::vector<uint8_t>& in, int w, int h, int ch, uint8_t* frame);
