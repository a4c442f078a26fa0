#pragma once
// How the process's malloc treats frame-size blocks.
#include <malloc.h>

// Frame-size blocks taken with malloc (pictures, conversions) go back to the
// kernel when freed. glibc otherwise raises its mmap threshold to the size
// of the first such block freed and serves the later ones from its heaps,
// where freed frames of each thread stay resident. Called once at start.
inline void ReturnFrameBlocksWhenFreed()
{
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
}
