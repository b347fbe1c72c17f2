#pragma once
// The decoders of the bundled import plug-in. Each reads a whole file held in
// memory into a TPicture (rows bottom-up, as the bitmap blocks want them) and
// answers with a Susie return code.
#include "SusiePlugin.h"

#include <cstddef>
#include <cstdint>

namespace kelpimage {

// Pictures above this many pixels are refused before anything is allocated.
constexpr std::uint64_t MaxPixels = std::uint64_t(1) << 28;

struct TInput {
    const std::uint8_t *data = nullptr;
    std::size_t size = 0;
};

struct TProgress {
    SusieProgress callback = nullptr;
    intptr_t data = 0;
    // True when the host asked to stop.
    bool Abort(int done, int total) const { return callback && callback(done, total, data) != 0; }
};

// The two blocks GetPicture hands back, freed here unless handed over.
class TPicture {
public:
    TPicture() = default;
    TPicture(const TPicture &) = delete;
    TPicture &operator=(const TPicture &) = delete;
    ~TPicture();

    // 24 or 32 bits per pixel (32: blue, green, red, alpha). SUSIE_SUCCESS or an error code.
    int Allocate(std::int64_t width, std::int64_t height, int bitCount);
    int Width() const { return width_; }
    int Height() const { return height_; }
    std::size_t Stride() const { return stride_; }
    // Row y counted from the top.
    std::uint8_t *Row(int y) { return bits_ + static_cast<std::size_t>(height_ - 1 - y) * stride_; }
    // Composites 32-bit pixels over black: colour times alpha, rounded.
    void CompositeOverBlack();
    void HandOver(void **info, void **bits);

private:
    int width_ = 0, height_ = 0;
    std::size_t stride_ = 0;
    std::uint8_t *info_ = nullptr;
    std::uint8_t *bits_ = nullptr;
};

bool IsPng(const std::uint8_t *head);
bool IsJpeg(const std::uint8_t *head);
bool IsGif(const std::uint8_t *head);
bool IsWebp(const std::uint8_t *head);
bool IsTiff(const std::uint8_t *head);

int DecodePng(TInput in, TPicture &out, const TProgress &progress);
int DecodeJpeg(TInput in, TPicture &out, const TProgress &progress);
int DecodeGif(TInput in, TPicture &out, const TProgress &progress);
int DecodeWebp(TInput in, TPicture &out, const TProgress &progress);
int DecodeTiff(TInput in, TPicture &out, const TProgress &progress);

} // namespace kelpimage
