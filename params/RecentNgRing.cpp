#include "RecentNgRing.h"

#include <QSemaphore>

#include <zlib.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {
// Each byte less the same channel of the pixel to its left, then deflated at
// zlib's fastest level: exact, and within a few per cent of the PNG it replaces, without
// the image codec library (and the 38 MB of libraries it maps).
bool Deflate(const uint8_t* frame, int w, int h, int ch, std::vector<uint8_t>& out)
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
    out.resize(used);
    out.shrink_to_fit();
    return rc == Z_STREAM_END;
}

bool Inflate(const std::vector<uint8_t>& in, int w, int h, int ch, uint8_t* frame)
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
}  // namespace

RecentNgRing::RecentNgRing()
{
    // One frame at a time: compression must not take both cores from the step.
    m_compressor.setMaxThreadCount(1);
}

RecentNgRing::~RecentNgRing()
{
    m_compressor.clear();
    m_compressor.waitForDone();
}

void RecentNgRing::SetLayout(int width, int height, int channels)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_channels = channels == 3 ? 3 : 1;
    m_frameLen = size_t(m_width) * size_t(m_height) * size_t(m_channels);
    for (auto& group : m_entries)
        for (Entry& e : group)
            e = Entry();
    m_spare = FrameBytes();
}

FrameBytes RecentNgRing::TakeBuffer()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_spare.size() == m_frameLen)
        return std::move(m_spare);
    return ZeroFrameBytes(m_frameLen);
}

void RecentNgRing::Keep(int g, int k, FrameBytes packed)
{
    if (g < 0 || g >= kGroups || k < 0 || k >= kFrames)
        return;
    auto frame = std::make_shared<FrameBytes>(std::move(packed));
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (frame->size() != m_frameLen || m_frameLen == 0)
            return;
        m_entries[g][k] = Entry{frame, {}};
    }
    // Only a weak hold: a frame replaced before its turn is not compressed.
    const std::weak_ptr<FrameBytes> which = frame;
    m_compressor.start([this, g, k, which] { Compress(g, k, which); });
}

void RecentNgRing::Compress(int g, int k, const std::weak_ptr<FrameBytes>& which)
{
    // The step's threads come first; nice applies to this thread alone.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
    std::shared_ptr<FrameBytes> frame = which.lock();
    int w, h, ch;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!frame || m_entries[g][k].packed != frame)
            return;
        w = m_width;
        h = m_height;
        ch = m_channels;
    }
    std::vector<uint8_t> out;
    // Two frames at a time across all cameras, one per core of the panel:
    // after an NG cycle every camera's compressor would start at once, and
    // their growing output buffers together weighed more than the frames.
    // One at a time would let large frames wait uncompressed instead.
    static QSemaphore encoders(2);
    encoders.acquire();
    const QSemaphoreReleaser turn(encoders);
    if (!Deflate(frame->data(), w, h, ch, out))
        out.clear();
    std::lock_guard<std::mutex> lock(m_lock);
    Entry& e = m_entries[g][k];
    if (out.empty() || e.packed != frame)
        return;
    e.compressed = std::move(out);
    e.packed.reset();
    if (m_spare.empty() && frame.use_count() == 1 && frame->size() == m_frameLen)
        m_spare = std::move(*frame);
}

bool RecentNgRing::Read(int g, int k, uint8_t* packed) const
{
    if (g < 0 || g >= kGroups || k < 0 || k >= kFrames || !packed)
        return false;
    std::lock_guard<std::mutex> lock(m_lock);
    const Entry& e = m_entries[g][k];
    if (e.packed) {
        std::memcpy(packed, e.packed->data(), m_frameLen);
        return true;
    }
    if (e.compressed.empty())
        return false;
    // Inflated straight into the caller's buffer, not into a frame of its own.
    return Inflate(e.compressed, m_width, m_height, m_channels, packed);
}

RecentNgRing::Held RecentNgRing::HeldBytes() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    Held held;
    held.spare = m_spare.size();
    for (const auto& group : m_entries)
        for (const Entry& e : group) {
            if (e.packed) {
                held.waiting += e.packed->size();
                ++held.waitingFrames;
            }
            held.compressed += e.compressed.size();
            held.frames += (e.packed || !e.compressed.empty()) ? 1 : 0;
        }
    return held;
}

void RecentNgRing::WaitCompressed()
{
    m_compressor.waitForDone();
}
