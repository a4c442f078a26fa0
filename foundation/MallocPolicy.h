#pragma once
// How the process's malloc treats frame-size blocks and worker threads.
#include <malloc.h>

#include <atomic>
#include <thread>

// Frame-size blocks taken with malloc (pictures, conversions) go back to the
// kernel when freed. glibc otherwise raises its mmap threshold to the size
// of the first such block freed and serves the later ones from its heaps,
// where freed frames of each thread stay resident.
// Two heaps in all: glibc gives every thread that allocates a heap of its
// own (up to eight per core), and each keeps the high-water mark of the
// temporaries its thread once held. The detection workers, cameras and the
// saver share one; on the panel's two cores they rarely wait for it.
// Called once at start, before any thread is started.
inline void ReturnFrameBlocksWhenFreed()
{
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    mallopt(M_ARENA_MAX, 2);
}

// Hands the free pages inside the heaps back to the kernel. A step's
// temporaries, the picture coding and the ring's packing each leave free
// memory behind in the heaps that stays resident, some 40 MB with eight
// colour cameras, and the next peak stacks on it. Called once a cycle's last
// word is out; the trim takes a few ms, so it runs on a thread of its own and
// the GUI thread goes on (it waits only if it allocates from a heap being
// trimmed). At most one runs at a time.
inline void ReturnFreedHeapPages()
{
    static std::atomic<bool> running{false};
    if (running.exchange(true))
        return;
    std::thread([] {
        malloc_trim(0);
        running = false;
    }).detach();
}
