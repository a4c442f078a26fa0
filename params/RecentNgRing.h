#pragma once
// One camera's recent NG frames, three per step, kept losslessly compressed.
// The cycle hands over a packed frame; a thread of the ring's own, at low
// priority, compresses it afterwards and the packed buffer goes: a spare kept
// for the next NG frame (no fresh pages on its path) cost eight cameras a
// frame each for good, the alarm's peak included. A reader gets the same
// bytes back before and after the compression.
#include "foundation/FrameBytes.h"

#include <QThreadPool>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class RecentNgRing {
public:
    static constexpr int kGroups = 8;
    static constexpr int kFrames = 3;

    RecentNgRing();
    ~RecentNgRing();
    RecentNgRing(const RecentNgRing&) = delete;
    RecentNgRing& operator=(const RecentNgRing&) = delete;

    // Frames of width x height pixels of `channels` bytes (1 or 3); every
    // kept frame goes.
    void SetLayout(int width, int height, int channels);
    size_t FrameLen() const { return m_frameLen; }

    // A buffer of FrameLen() bytes to fill and give to Keep.
    FrameBytes TakeBuffer();
    // The filled buffer becomes frame k of group g.
    void Keep(int g, int k, FrameBytes packed);
    // Frame k of group g into packed (FrameLen() bytes); false when none is kept.
    bool Read(int g, int k, uint8_t* packed) const;

    struct Held {
        size_t waiting = 0;     // packed frames not yet compressed
        size_t compressed = 0;  // compressed frames
        int frames = 0;         // kept frames
        int waitingFrames = 0;  // of them not yet compressed
    };
    Held HeldBytes() const;
    // Compresses the frames still waiting at normal priority (two at a time
    // across all rings), for while an alarm holds the machine.
    void Hurry();
    // Returns once every kept frame is compressed (bench, tests).
    void WaitCompressed();

private:
    struct Entry {
        std::shared_ptr<FrameBytes> packed;
        std::vector<uint8_t> compressed;
    };
    void Compress(int g, int k, const std::weak_ptr<FrameBytes>& which, bool low);

    mutable std::mutex m_lock;
    Entry m_entries[kGroups][kFrames];
    int m_width = 0, m_height = 0, m_channels = 1;
    size_t m_frameLen = 0;
    QThreadPool m_compressor;
    QThreadPool m_hurried;  // normal priority, its threads never niced
};
