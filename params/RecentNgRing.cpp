#include "RecentNgRing.h"

#include "FramePack.h"

#include <QSemaphore>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>


RecentNgRing::RecentNgRing()
{
    // One frame at a time: compression must not take both cores from the step.
    m_compressor.setMaxThreadCount(1);
    m_hurried.setMaxThreadCount(1);
}

RecentNgRing::~RecentNgRing()
{
    m_hurried.clear();
    m_hurried.waitForDone();
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
}

FrameBytes RecentNgRing::TakeBuffer()
{
    std::lock_guard<std::mutex> lock(m_lock);
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
    m_compressor.start([this, g, k, which] { Compress(g, k, which, true); });
}

void RecentNgRing::Hurry()
{
    std::lock_guard<std::mutex> lock(m_lock);
    for (int g = 0; g < kGroups; ++g)
        for (int k = 0; k < kFrames; ++k)
            if (const std::shared_ptr<FrameBytes>& frame = m_entries[g][k].packed) {
                const std::weak_ptr<FrameBytes> which = frame;
                m_hurried.start([this, g, k, which] { Compress(g, k, which, false); });
            }
}

void RecentNgRing::Compress(int g, int k, const std::weak_ptr<FrameBytes>& which, bool low)
{
    // The step's threads come first; nice applies to this thread alone.
    if (low)
        setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
    // Two frames at a time across all cameras, one per core of the panel:
    // after an NG cycle every camera's compressor would start at once, and
    // their growing output buffers together weighed more than the frames.
    // One at a time would let large frames wait uncompressed instead.
    // Hurried frames have turns of their own: a starved low-priority
    // holder would keep them waiting.
    static QSemaphore encoders(2), hurried(2);
    QSemaphore& turns = low ? encoders : hurried;
    turns.acquire();
    const QSemaphoreReleaser turn(turns);
    // Held only from here: a frame replaced or compressed (by the other
    // pool) while this waited is let go, not kept alive by the wait.
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
    if (!CompressFrame(frame->data(), w, h, ch, out))
        out.clear();
    std::lock_guard<std::mutex> lock(m_lock);
    Entry& e = m_entries[g][k];
    if (out.empty() || e.packed != frame)
        return;
    e.compressed = std::move(out);
    e.packed.reset();
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
    return DecompressFrame(e.compressed, m_width, m_height, m_channels, packed);
}

RecentNgRing::Held RecentNgRing::HeldBytes() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    Held held;
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
    m_hurried.waitForDone();
    m_compressor.waitForDone();
}
