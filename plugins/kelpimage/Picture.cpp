#include "Decoders.h"

#include <cstdlib>
#include <cstring>
#include <sys/mman.h>

namespace kelpimage {

namespace {

void Put16(std::uint8_t *p, unsigned v)
{
    p[0] = v & 255;
    p[1] = (v >> 8) & 255;
}

void Put32(std::uint8_t *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = (v >> (8 * i)) & 255;
}

// malloc, asking for huge pages on a large block: a 6000x4000 picture would
// otherwise take some 18000 page faults on its first write.
void *AllocateLarge(std::size_t size)
{
    void *p = std::malloc(size);
    constexpr std::uintptr_t Huge = std::uintptr_t(2) << 20;
    if (p && size >= 2 * Huge) {
        const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(p) + Huge - 1) & ~(Huge - 1);
        const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(p) + size) & ~(Huge - 1);
        if (end > start)
            ::madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
    }
    return p;
}

} // namespace

TPicture::~TPicture()
{
    std::free(info_);
    std::free(bits_);
}

int TPicture::Allocate(std::int64_t width, std::int64_t height, int bitCount)
{
    if (width <= 0 || height <= 0)
        return SUSIE_BROKEN_DATA;
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > MaxPixels)
        return SUSIE_NO_MEMORY;
    std::free(info_);
    std::free(bits_);
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    stride_ = ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4;
    info_ = static_cast<std::uint8_t *>(std::calloc(1, 40));
    bits_ = static_cast<std::uint8_t *>(AllocateLarge(stride_ * static_cast<std::size_t>(height)));
    if (!info_ || !bits_)
        return SUSIE_NO_MEMORY;
    Put32(info_, 40);
    Put32(info_ + 4, static_cast<std::uint32_t>(width));
    Put32(info_ + 8, static_cast<std::uint32_t>(height)); // positive: bottom-up
    Put16(info_ + 12, 1);
    Put16(info_ + 14, static_cast<unsigned>(bitCount));
    Put32(info_ + 20, static_cast<std::uint32_t>(stride_ * static_cast<std::size_t>(height)));
    // Row padding is never written by the decoders: keep it defined.
    const std::size_t used = static_cast<std::size_t>(width) * (bitCount / 8);
    if (used < stride_)
        for (int y = 0; y < height_; ++y)
            std::memset(bits_ + static_cast<std::size_t>(y) * stride_ + used, 0, stride_ - used);
    return SUSIE_SUCCESS;
}

void TPicture::CompositeOverBlack()
{
    for (int y = 0; y < height_; ++y) {
        std::uint8_t *p = bits_ + static_cast<std::size_t>(y) * stride_;
        for (int x = 0; x < width_; ++x, p += 4) {
            const unsigned a = p[3];
            if (a == 255)
                continue;
            for (int c = 0; c < 3; ++c) {
                const unsigned t = p[c] * a + 128; // exact rounding of p * a / 255
                p[c] = static_cast<std::uint8_t>((t + (t >> 8)) >> 8);
            }
        }
    }
}

void TPicture::HandOver(void **info, void **bits)
{
    *info = info_;
    *bits = bits_;
    info_ = nullptr;
    bits_ = nullptr;
}

} // namespace kelpimage
