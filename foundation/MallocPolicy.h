#pragma once
// How the process's malloc treats frame-size blocks and worker threads.
#include <malloc.h>

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
