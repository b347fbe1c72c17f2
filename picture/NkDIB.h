#pragma once
// TNkDIB: the indexed picture. 1, 4, 8 or 24 bits per pixel, a 256-entry colour
// table, rows padded to 4 bytes and stored top-down (row 0 is the top row).
// Pixel loops take ScanLine(y) and walk the row; Pixels()/SetPixels() are the
// range-checked accessors for code that works one pixel at a time.
#include "color/ColorTypes.h"
#include "picture/PixelAllocator.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kelp {

// Values as the picture class numbers them.
enum class TPixelFormat : int {
    pf1bit = 0,
    pf4bit = 1,
    pf4bitRLE = 2,
    pf8bit = 3,
    pf8bitRLE = 4,
    pf24bit = 5,
};

// One colour table entry as bitmaps store it.
struct TRgbQuad {
    std::uint8_t Blue = 0;
    std::uint8_t Green = 0;
    std::uint8_t Red = 0;
    std::uint8_t Reserved = 0;
    friend bool operator==(const TRgbQuad &, const TRgbQuad &) = default;
};
static_assert(sizeof(TRgbQuad) == 4);

using TColorTable256 = std::array<TRgbQuad, 256>;

// Bitmap compression codes kept in the header.
enum : std::uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };

class TNkDIB {
public:
    // Largest picture the class will allocate, in pixels: bounds damaged headers.
    static constexpr std::uint64_t MaxPixels = std::uint64_t(1) << 30;
    static constexpr int MaxDimension = 1 << 20;

    TNkDIB() = default; // empty, 24 bits per pixel
    TNkDIB(int width, int height, int bitCount);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitCount() const { return bitCount_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    // Reallocates the pixels (all zero); the colour table is kept.
    // Throws KelpError on an unsupported bit count or an absurd size.
    void SetSize(int width, int height, int bitCount);

    // Header fields of the bitmap this picture came from or will become.
    std::uint32_t Compression() const { return compression_; }
    void SetCompression(std::uint32_t c) { compression_ = c; }
    std::uint32_t ImageSize() const { return static_cast<std::uint32_t>(pixels_.size()); }
    std::uint32_t ColorsUsed() const { return colorsUsed_; }
    void SetColorsUsed(std::uint32_t n) { colorsUsed_ = n; }
    // Number of palette entries in use: ColorsUsed, or 2^bits when that is 0 (0 for 24 bits).
    int PaletteSize() const;

    TPixelFormat PixelFormat() const;
    // Changes the pixel format. 24 -> 4 runs the fixed-precision reductions chosen
    // by ConvertPrecision, 4 -> 8 widens the indices; 1/4/8 -> 24 looks the
    // indices up in the colour table. Setting the current format changes nothing.
    void SetPixelFormat(TPixelFormat format);
    std::uint8_t ConvertPrecision = 0; // 0: low (16-bit), 1: high (24-bit)

    static std::size_t RowBytesFor(int width, int bitCount)
    {
        return ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4;
    }
    std::size_t RowBytes() const { return rowBytes_; }
    std::uint8_t *ScanLine(int y) { return pixels_.data() + static_cast<std::size_t>(y) * rowBytes_; }
    const std::uint8_t *ScanLine(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * rowBytes_; }
    std::span<std::uint8_t> Bits() { return pixels_; }
    std::span<const std::uint8_t> Bits() const { return pixels_; }

    // Colour table as TColor values, by index 0..255.
    TColor Colors(int index) const;
    void SetColors(int index, TColor color);
    TColorTable256 &ColorTable() { return colors_; }
    const TColorTable256 &ColorTable() const { return colors_; }

    // Index for 1/4/8 bits, TColor for 24 bits. Out-of-range positions throw
    // "TNkDIB.GetPixels: Pixel Position is Out of Range" (SetPixels likewise).
    std::uint32_t Pixels(int x, int y) const;
    void SetPixels(int x, int y, std::uint32_t value);

    friend bool operator==(const TNkDIB &, const TNkDIB &) = default;

private:
    int width_ = 0;
    int height_ = 0;
    int bitCount_ = 24;
    std::uint32_t compression_ = BI_RGB;
    std::uint32_t colorsUsed_ = 0;
    std::size_t rowBytes_ = 0;
    TColorTable256 colors_{};
    std::vector<std::uint8_t, TPixelAllocator<std::uint8_t>> pixels_;
};

} // namespace kelp
