#include "picture/NkDIB.h"

#include "base/KelpError.h"
#include "quantize/FixedPrecision.h"

#include <string>

namespace kelp {

namespace {

bool ValidBitCount(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

int BitsOf(TPixelFormat format)
{
    switch (format) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit:
    case TPixelFormat::pf4bitRLE: return 4;
    case TPixelFormat::pf8bit:
    case TPixelFormat::pf8bitRLE: return 8;
    case TPixelFormat::pf24bit: return 24;
    }
    return 0;
}

// Any indexed picture to 24 bits through its colour table.
TNkDIB IndexedToTrueColor(const TNkDIB &src)
{
    TNkDIB dst(src.Width(), src.Height(), 24);
    dst.ColorTable() = src.ColorTable();
    const auto &table = src.ColorTable();
    const int bits = src.BitCount();
    const int mask = (1 << bits) - 1;
    for (int y = 0; y < src.Height(); ++y) {
        const std::uint8_t *in = src.ScanLine(y);
        std::uint8_t *out = dst.ScanLine(y);
        for (int x = 0; x < src.Width(); ++x) {
            int index;
            if (bits == 8)
                index = in[x];
            else {
                const int bitPos = x * bits;
                index = (in[bitPos >> 3] >> (8 - bits - (bitPos & 7))) & mask;
            }
            const TRgbQuad q = table[static_cast<std::size_t>(index)];
            out[0] = q.Blue;
            out[1] = q.Green;
            out[2] = q.Red;
            out += 3;
        }
    }
    return dst;
}

} // namespace

TNkDIB::TNkDIB(int width, int height, int bitCount) { SetSize(width, height, bitCount); }

void TNkDIB::SetSize(int width, int height, int bitCount)
{
    if (!ValidBitCount(bitCount))
        throw KelpError("TNkDIB: unsupported bit count " + std::to_string(bitCount));
    if (width < 0 || height < 0 || width > MaxDimension || height > MaxDimension ||
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > MaxPixels)
        throw KelpError("TNkDIB: picture size " + std::to_string(width) + " x " + std::to_string(height) +
                        " is out of range");
    const std::size_t rowBytes = RowBytesFor(width, bitCount);
    std::vector<std::uint8_t, TPixelAllocator<std::uint8_t>> pixels(rowBytes * static_cast<std::size_t>(height));
    width_ = width;
    height_ = height;
    bitCount_ = bitCount;
    rowBytes_ = rowBytes;
    compression_ = BI_RGB;
    pixels_ = std::move(pixels);
}

int TNkDIB::PaletteSize() const
{
    if (bitCount_ > 8)
        return 0;
    if (colorsUsed_ > 0 && colorsUsed_ <= 256)
        return static_cast<int>(colorsUsed_);
    return 1 << bitCount_;
}

TPixelFormat TNkDIB::PixelFormat() const
{
    switch (bitCount_) {
    case 1: return TPixelFormat::pf1bit;
    case 4: return compression_ == BI_RLE4 ? TPixelFormat::pf4bitRLE : TPixelFormat::pf4bit;
    case 8: return compression_ == BI_RLE8 ? TPixelFormat::pf8bitRLE : TPixelFormat::pf8bit;
    default: return TPixelFormat::pf24bit;
    }
}

void TNkDIB::SetPixelFormat(TPixelFormat format)
{
    const TPixelFormat current = PixelFormat();
    if (format == current)
        return;
    const int target = BitsOf(format);
    if (bitCount_ == 24 && target == 4) {
        TNkDIB reduced = ConvertPrecision == 0 ? ConvertTrueColorTo4BitRGBLow(*this)
                                               : ConvertTrueColorTo4BitRGBHigh(*this);
        reduced.ConvertPrecision = ConvertPrecision;
        *this = std::move(reduced);
        return;
    }
    if (bitCount_ == 4 && target == 8) {
        TNkDIB widened = Convert4BitRGBTo8BitRGB(*this);
        widened.ConvertPrecision = ConvertPrecision;
        *this = std::move(widened);
        return;
    }
    if (bitCount_ <= 8 && target == 24) {
        TNkDIB wide = IndexedToTrueColor(*this);
        wide.ConvertPrecision = ConvertPrecision;
        *this = std::move(wide);
        return;
    }
    throw KelpError("TNkDIB: changing the pixel format from " + std::to_string(bitCount_) + " to " +
                    std::to_string(target) + " bits is not supported");
}

TColor TNkDIB::Colors(int index) const
{
    if (index < 0 || index > 255)
        throw KelpError("TNkDIB.GetColors: Color Index is Out of Range");
    const TRgbQuad q = colors_[static_cast<std::size_t>(index)];
    return MakeColor(q.Red, q.Green, q.Blue);
}

void TNkDIB::SetColors(int index, TColor color)
{
    if (index < 0 || index > 255)
        throw KelpError("TNkDIB.SetColors: Color Index is Out of Range");
    colors_[static_cast<std::size_t>(index)] = TRgbQuad{ColorBlue(color), ColorGreen(color), ColorRed(color), 0};
}

std::uint32_t TNkDIB::Pixels(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        throw KelpError("TNkDIB.GetPixels: Pixel Position is Out of Range");
    const std::uint8_t *row = ScanLine(y);
    switch (bitCount_) {
    case 24: {
        const std::uint8_t *p = row + 3 * static_cast<std::size_t>(x);
        return MakeColor(p[2], p[1], p[0]);
    }
    case 8: return row[x];
    case 4: return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    default: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
}

void TNkDIB::SetPixels(int x, int y, std::uint32_t value)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        throw KelpError("TNkDIB.SetPixels: Pixel Position is Out of Range");
    std::uint8_t *row = ScanLine(y);
    switch (bitCount_) {
    case 24: {
        std::uint8_t *p = row + 3 * static_cast<std::size_t>(x);
        p[0] = ColorBlue(value);
        p[1] = ColorGreen(value);
        p[2] = ColorRed(value);
        break;
    }
    case 8: row[x] = static_cast<std::uint8_t>(value); break;
    case 4: {
        std::uint8_t &b = row[x >> 1];
        b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (value & 0x0F))
                    : static_cast<std::uint8_t>((b & 0x0F) | ((value & 0x0F) << 4));
        break;
    }
    default: {
        std::uint8_t &b = row[x >> 3];
        const int shift = 7 - (x & 7);
        b = static_cast<std::uint8_t>((b & ~(1 << shift)) | ((value & 1) << shift));
        break;
    }
    }
}

} // namespace kelp
