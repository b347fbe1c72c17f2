#pragma once
// Allocator of picture pixel storage. Large blocks are aligned to 2 MiB and
// marked for transparent huge pages: a 6000x4000 picture otherwise takes some
// 18000 page faults the first time it is written, which costs more than
// decoding it on a virtual machine.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace kelp {

template <typename T>
struct TPixelAllocator {
    using value_type = T;
    static constexpr std::size_t Huge = std::size_t(2) << 20;

    TPixelAllocator() = default;
    template <typename U>
    TPixelAllocator(const TPixelAllocator<U> &) noexcept {}

    T *allocate(std::size_t n)
    {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < 2 * Huge)
            return static_cast<T *>(::operator new(bytes));
        const std::size_t rounded = (bytes + Huge - 1) & ~(Huge - 1);
        void *p = std::aligned_alloc(Huge, rounded);
        if (!p)
            throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
        ::madvise(p, rounded, MADV_HUGEPAGE);
#endif
        return static_cast<T *>(p);
    }

    void deallocate(T *p, std::size_t n) noexcept
    {
        if (n * sizeof(T) < 2 * Huge)
            ::operator delete(p);
        else
            std::free(p);
    }

    template <typename U>
    friend bool operator==(const TPixelAllocator &, const TPixelAllocator<U> &) noexcept { return true; }
};

} // namespace kelp
