#include "RecentNgRing.h"

#include <QDebug>
#include <QSemaphore>

#include <opencv2/imgcodecs.hpp>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>

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
    try {
        const cv::Mat packed(h, w, ch == 3 ? CV_8UC3 : CV_8UC1, frame->data());
        // PNG at its fastest level: exact, and a few times smaller.
        if (!cv::imencode(".png", packed, out, {cv::IMWRITE_PNG_COMPRESSION, 1}))
            out.clear();
    } catch (const cv::Exception& e) {
        qWarning() << "Recent NG frame kept uncompressed:" << e.what();
        out.clear();
    }
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
    // Decoded straight into the caller's buffer, not into a frame of its own
    // and copied; a picture of another size or kind lands elsewhere.
    const int type = m_channels == 3 ? CV_8UC3 : CV_8UC1;
    cv::Mat frame(m_height, m_width, type, packed);
    cv::Mat read;
    try {
        read = cv::imdecode(e.compressed, cv::IMREAD_UNCHANGED, &frame);
    } catch (const cv::Exception&) {
        return false;
    }
    // An undecodable buffer leaves the header as it was: the result tells.
    return read.data == packed && read.cols == m_width && read.rows == m_height && read.type() == type;
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
