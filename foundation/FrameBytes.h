#pragma once
// Byte buffer for frames, templates and masks. A new buffer reads as zero but
// costs no memory until it is written: the pages come from the kernel on
// first touch instead of being cleared up front. Many frame-size buffers are
// written before they are ever read (or never used at all), and on a panel
// PC with a few gigabytes clearing them all at start-up is what fills it.
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MOJU_HAS_ASAN 1
#endif
#endif
#ifndef MOJU_HAS_ASAN
#define MOJU_HAS_ASAN 0
#endif

template <class T>
class ZeroPageAllocator {
public:
    using value_type = T;

    ZeroPageAllocator() noexcept = default;
    template <class U>
    ZeroPageAllocator(const ZeroPageAllocator<U>&) noexcept {}

    T* allocate(std::size_t n)
    {
        const std::size_t bytes = n * sizeof(T);
        if (MapsPages(bytes)) {
            void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (p == MAP_FAILED)
                throw std::bad_alloc();
            return static_cast<T*>(p);
        }
        void* p = std::calloc(n ? n : 1, sizeof(T));
        if (!p)
            throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t n) noexcept
    {
        const std::size_t bytes = n * sizeof(T);
        if (MapsPages(bytes))
            munmap(p, bytes);
        else
            std::free(p);
    }

    // resize() leaves new elements as the pages hold them (zero): no write.
    template <class U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <class U>
    bool operator==(const ZeroPageAllocator<U>&) const noexcept { return true; }
    template <class U>
    bool operator!=(const ZeroPageAllocator<U>&) const noexcept { return false; }

private:
    static bool MapsPages(std::size_t bytes)
    {
#if defined(__SANITIZE_ADDRESS__) || MOJU_HAS_ASAN
        // The sanitizer's own calloc keeps overruns of frame buffers visible.
        (void)bytes;
        return false;
#else
        return bytes >= (std::size_t(1) << 20);
#endif
    }
};

using FrameBytes = std::vector<uint8_t, ZeroPageAllocator<uint8_t>>;

// A buffer of n zero bytes that occupies no memory until written.
inline FrameBytes ZeroFrameBytes(std::size_t n)
{
    FrameBytes b;
    b.resize(n);
    return b;
}
