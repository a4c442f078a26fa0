#include "FramePack.h"

#include <zlib.h>

#include <algorithm>

// Each byte less the same channel of the pixel to its left, then deflated at
// zlib's fastest level: exact, and within a few per cent of a PNG, without
// the image codec library (and the libraries it maps).
bool CompressFrame(const uint8_t* frame, int w, int h, int ch, std::vector<uint8_t>& out)
{
    z_stream z{};
    if (deflateInit(&z, 1) != Z_OK)
        return false;
    const size_t rowLen = size_t(w) * size_t(ch);
    std::vector<uint8_t> row(rowLen);
    // Grown as the output comes: a bound up front would be a frame-size block.
    const size_t chunk = std::max<size_t>(rowLen * 16, 1 << 16);
    out.clear();
    size_t used = 0;
    int rc = Z_OK;
    for (int y = 0; y < h && rc == Z_OK; ++y) {
        const uint8_t* src = frame + size_t(y) * rowLen;
        for (size_t i = 0; i < rowLen; ++i)
            row[i] = uint8_t(src[i] - (i >= size_t(ch) ? src[i - size_t(ch)] : 0));
        z.next_in = row.data();
        z.avail_in = uInt(rowLen);
        const int flush = y + 1 == h ? Z_FINISH : Z_NO_FLUSH;
        do {
            if (used == out.size())
                out.resize(out.size() + chunk);
            z.next_out = out.data() + used;
            z.avail_out = uInt(out.size() - used);
            rc = deflate(&z, flush);
            used = out.size() - z.avail_out;
        } while (rc == Z_OK && (z.avail_in > 0 || flush == Z_FINISH));
    }
    deflateEnd(&z);
    out.resize(rc == Z_STREAM_END ? used : 0);
    out.shrink_to_fit();
    return rc == Z_STREAM_END;
}

bool DecompressFrame(const std::vector<uint8_t>& in, int w, int h, int ch, uint8_t* frame)
{
    const size_t len = size_t(w) * size_t(h) * size_t(ch);
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return false;
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = uInt(in.size());
    z.next_out = frame;
    z.avail_out = uInt(len);
    const int rc = inflate(&z, Z_FINISH);
    const bool whole = rc == Z_STREAM_END && z.avail_out == 0;
    inflateEnd(&z);
    if (!whole)
        return false;
    const size_t rowLen = size_t(w) * size_t(ch);
    for (int y = 0; y < h; ++y) {
        uint8_t* r = frame + size_t(y) * rowLen;
        for (size_t i = size_t(ch); i < rowLen; ++i)
            r[i] = uint8_t(r[i] + r[i - size_t(ch)]);
    }
    return true;
}
