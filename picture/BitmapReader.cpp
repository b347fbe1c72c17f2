#include "picture/BitmapReader.h"

#include "base/FileStream.h"
#include "base/KelpError.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace kelp {

namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::uint32_t BI_JPEG = 4, BI_PNG = 5, BI_ALPHABITFIELDS = 6;

// Run-length data may describe at most this many pixels per byte (a plain run
// gives 127.5), and any picture up to MinRunLengthBound pixels is accepted.
constexpr std::uint64_t MaxRunLengthRatio = 1024;
constexpr std::uint64_t MinRunLengthBound = std::uint64_t(1) << 24;

// Largest bitmap file read into memory: a 1 G pixel picture at 32 bits, plus headers.
constexpr std::uint64_t MaxFileBytes = (TNkDIB::MaxPixels * 4) + (1u << 20);

[[noreturn]] void Fail(const std::string &source, const std::string &cause)
{
    throw KelpError("cannot read bitmap " + source + ": " + cause);
}

std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

struct THeader {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0; // rows, always positive
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t colorsUsed = 0;
    std::array<std::uint32_t, 3> masks{}; // red, green, blue
    std::size_t paletteOffset = 0;        // from the start of the information header
    std::size_t paletteEntrySize = 4;
};

std::string CompressionName(std::uint32_t c)
{
    switch (c) {
    case BI_JPEG: return std::to_string(c) + " (JPEG)";
    case BI_PNG: return std::to_string(c) + " (PNG)";
    default: return std::to_string(c);
    }
}

// Reads the information header (and the masks that follow a 40-byte one) from
// area, which runs from the header's first byte to where the pixel data begins.
THeader ParseInfoHeader(std::span<const std::uint8_t> area, const std::string &source)
{
    if (area.size() < 4)
        Fail(source, "the information header is missing");
    THeader h;
    h.headerSize = U32(area, 0);
    switch (h.headerSize) {
    case 12: case 40: case 52: case 56: case 108: case 124: break;
    default: Fail(source, "unsupported information header size " + std::to_string(h.headerSize));
    }
    if (area.size() < h.headerSize)
        Fail(source, "the information header (" + std::to_string(h.headerSize) + " bytes) is cut short");

    if (h.headerSize == 12) {
        h.width = U16(area, 4);
        h.height = U16(area, 6);
        h.bitCount = U16(area, 10);
        h.paletteEntrySize = 3;
        if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 24)
            Fail(source, "unsupported bit count " + std::to_string(h.bitCount));
    } else {
        h.width = static_cast<std::int32_t>(U32(area, 4));
        const std::int64_t height = static_cast<std::int32_t>(U32(area, 8));
        h.topDown = height < 0;
        h.height = height < 0 ? -height : height;
        h.bitCount = U16(area, 14);
        h.compression = U32(area, 16);
        h.colorsUsed = U32(area, 32);
        switch (h.bitCount) {
        case 1: case 4: case 8: case 16: case 24: case 32: break;
        default: Fail(source, "unsupported bit count " + std::to_string(h.bitCount));
        }
        const std::uint32_t c = h.compression;
        const bool fits = c == BI_RGB || (c == BI_RLE8 && h.bitCount == 8) || (c == BI_RLE4 && h.bitCount == 4) ||
                          ((c == BI_BITFIELDS || c == BI_ALPHABITFIELDS) && (h.bitCount == 16 || h.bitCount == 32));
        if (!fits) {
            if (c == BI_RGB || c == BI_RLE8 || c == BI_RLE4 || c == BI_BITFIELDS || c == BI_ALPHABITFIELDS)
                Fail(source, "compression " + std::to_string(c) + " does not fit " + std::to_string(h.bitCount) +
                                 " bits per pixel");
            Fail(source, "unsupported compression " + CompressionName(c));
        }
    }
    if (h.width <= 0 || h.height <= 0)
        Fail(source, "invalid picture size " + std::to_string(h.width) + " x " +
                         std::to_string(h.topDown ? -h.height : h.height));
    if (h.width > TNkDIB::MaxDimension || h.height > TNkDIB::MaxDimension ||
        static_cast<std::uint64_t>(h.width) * static_cast<std::uint64_t>(h.height) > TNkDIB::MaxPixels)
        Fail(source, "the picture size " + std::to_string(h.width) + " x " + std::to_string(h.height) +
                         " is too large");

    h.paletteOffset = h.headerSize;
    if (h.compression == BI_BITFIELDS || h.compression == BI_ALPHABITFIELDS) {
        std::size_t at = 40;
        if (h.headerSize == 40) {
            const std::size_t count = h.compression == BI_ALPHABITFIELDS ? 4 : 3;
            if (area.size() < 40 + 4 * count)
                Fail(source, "the bit-field masks are cut short");
            h.paletteOffset = 40 + 4 * count;
        }
        h.masks = {U32(area, at), U32(area, at + 4), U32(area, at + 8)};
    } else if (h.bitCount == 16) {
        h.masks = {0x7C00, 0x03E0, 0x001F};
    } else if (h.bitCount == 32) {
        h.masks = {0xFF0000, 0x00FF00, 0x0000FF};
    }
    return h;
}

// Reads the colour table from area (where it may be shorter than the header says).
void ReadPalette(const THeader &h, std::span<const std::uint8_t> area, TNkDIB &dib)
{
    if (h.bitCount > 8)
        return;
    const std::uint32_t full = 1u << h.bitCount;
    std::uint32_t wanted = h.colorsUsed == 0 || h.colorsUsed > full ? full : h.colorsUsed;
    const std::size_t room = area.size() > h.paletteOffset ? area.size() - h.paletteOffset : 0;
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(wanted, room / h.paletteEntrySize));
    auto &table = dib.ColorTable();
    const std::uint8_t *p = area.data() + h.paletteOffset;
    for (std::uint32_t i = 0; i < count; ++i, p += h.paletteEntrySize)
        table[i] = TRgbQuad{p[0], p[1], p[2], 0};
    dib.SetColorsUsed(count == full ? 0 : count);
}

// One colour channel of a bit-field pixel, widened or narrowed to 8 bits through
// a table. Narrow channels repeat their high bits below (5-bit 31 becomes 255),
// wide ones keep their top 8 bits.
class TChannel {
public:
    explicit TChannel(std::uint32_t mask)
    {
        if (mask == 0) {
            table_.assign(1, 0);
            return;
        }
        shift_ = std::countr_zero(mask);
        int width = std::bit_width(mask >> shift_);
        if (width > 8) {
            shift_ += width - 8;
            width = 8;
        }
        mask_ = (1u << width) - 1;
        table_.resize(static_cast<std::size_t>(mask_) + 1);
        for (std::uint32_t v = 0; v <= mask_; ++v) {
            std::uint32_t out = 0;
            for (int s = 8 - width; s > -width; s -= width)
                out |= s >= 0 ? v << s : v >> -s;
            table_[v] = static_cast<std::uint8_t>(out);
        }
    }
    std::uint8_t operator()(std::uint32_t pixel) const { return table_[(pixel >> shift_) & mask_]; }

private:
    int shift_ = 0;
    std::uint32_t mask_ = 0;
    std::vector<std::uint8_t> table_;
};

void DecodeUncompressed(const THeader &h, std::span<const std::uint8_t> bits, TNkDIB &dib)
{
    const std::size_t stride = TNkDIB::RowBytesFor(static_cast<int>(h.width), h.bitCount);
    const std::size_t rows = static_cast<std::size_t>(h.height);
    const int width = static_cast<int>(h.width);
    const bool defaultRgb32 = h.bitCount == 32 && h.masks == std::array<std::uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};
    const bool byMasks = (h.bitCount == 16 || h.bitCount == 32) && !defaultRgb32;
    std::array<TChannel, 3> channels{TChannel(byMasks ? h.masks[0] : 0), TChannel(byMasks ? h.masks[1] : 0),
                                     TChannel(byMasks ? h.masks[2] : 0)};
    for (std::size_t r = 0; r < rows; ++r) {
        const std::uint8_t *in = bits.data() + r * stride;
        const int y = static_cast<int>(h.topDown ? r : rows - 1 - r);
        std::uint8_t *out = dib.ScanLine(y);
        if (h.bitCount <= 8 || h.bitCount == 24) {
            std::memcpy(out, in, stride);
        } else if (defaultRgb32) {
            for (int x = 0; x < width; ++x, in += 4, out += 3) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            }
        } else {
            const int step = h.bitCount / 8;
            for (int x = 0; x < width; ++x, in += step, out += 3) {
                const std::uint32_t v = step == 2 ? std::uint32_t(in[0] | in[1] << 8)
                                                  : std::uint32_t(in[0] | in[1] << 8 | in[2] << 16) | std::uint32_t(in[3]) << 24;
                out[0] = channels[2](v);
                out[1] = channels[1](v);
                out[2] = channels[0](v);
            }
        }
    }
}

// Expands RLE8 or RLE4 data. Runs that go past the right edge are clipped, and a
// delta or end of line past the last row ends the picture; every write is inside it.
void DecodeRunLength(const THeader &h, std::span<const std::uint8_t> bits, const std::string &source, TNkDIB &dib)
{
    const bool four = h.compression == BI_RLE4;
    const std::int64_t width = h.width, height = h.height;
    std::int64_t x = 0, r = 0;
    std::size_t pos = 0;
    const std::size_t size = bits.size();
    std::uint8_t *row = nullptr;
    auto selectRow = [&] {
        row = r < height ? dib.ScanLine(static_cast<int>(h.topDown ? r : height - 1 - r)) : nullptr;
    };
    auto put = [&](std::int64_t at, std::uint8_t index) {
        if (!four) {
            row[at] = index;
        } else {
            std::uint8_t &b = row[at >> 1];
            b = (at & 1) ? static_cast<std::uint8_t>((b & 0xF0) | index) : static_cast<std::uint8_t>((b & 0x0F) | (index << 4));
        }
    };
    selectRow();
    while (r < height) {
        if (size - pos < 2)
            Fail(source, "the run-length data ends before the end-of-bitmap code");
        const std::uint8_t count = bits[pos], value = bits[pos + 1];
        pos += 2;
        if (count > 0) {
            const std::int64_t n = std::min<std::int64_t>(count, width - x);
            for (std::int64_t i = 0; i < n; ++i)
                put(x + i, four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            x = std::min<std::int64_t>(x + count, width);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++r;
            selectRow();
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            if (size - pos < 2)
                Fail(source, "the run-length data ends inside a delta code");
            x = std::min<std::int64_t>(x + bits[pos], width);
            r += bits[pos + 1];
            pos += 2;
            selectRow();
        } else { // absolute run of `value` pixels, padded to a 16-bit boundary
            const std::size_t bytes = four ? ((value + 3u) / 4u) * 2u : ((value + 1u) / 2u) * 2u;
            if (size - pos < bytes)
                Fail(source, "the run-length data ends inside an absolute run");
            const std::uint8_t *p = bits.data() + pos;
            const std::int64_t n = std::min<std::int64_t>(value, width - x);
            for (std::int64_t i = 0; i < n; ++i)
                put(x + i, four ? ((i & 1) ? p[i >> 1] & 0x0F : p[i >> 1] >> 4) : p[i]);
            x = std::min<std::int64_t>(x + value, width);
            pos += bytes;
        }
    }
}

void Decode(const THeader &h, std::span<const std::uint8_t> headerArea, std::span<const std::uint8_t> bits,
            const std::string &source, TNkDIB &dib)
{
    const std::uint64_t pixels = static_cast<std::uint64_t>(h.width) * static_cast<std::uint64_t>(h.height);
    if (h.compression == BI_RLE8 || h.compression == BI_RLE4) {
        // A run covers at most 255 pixels in 2 bytes. Only a damaged header makes a
        // few bytes claim a picture far larger than that, so it is refused before
        // the picture is allocated.
        if (pixels > std::max<std::uint64_t>(MinRunLengthBound, bits.size() * MaxRunLengthRatio))
            Fail(source, "the run-length data (" + std::to_string(bits.size()) + " bytes) is far too short for " +
                             std::to_string(h.width) + " x " + std::to_string(h.height) + " pixels");
    } else {
        // Uncompressed rows are all there before anything is allocated for them.
        const std::size_t stride = TNkDIB::RowBytesFor(static_cast<int>(h.width), h.bitCount);
        if (bits.size() / stride < static_cast<std::size_t>(h.height))
            Fail(source, "the pixel data ends early (" + std::to_string(bits.size()) + " of " +
                             std::to_string(stride * static_cast<std::size_t>(h.height)) + " bytes)");
    }
    TNkDIB result(static_cast<int>(h.width), static_cast<int>(h.height), h.bitCount <= 8 ? h.bitCount : 24);
    ReadPalette(h, headerArea, result);
    if (h.compression == BI_RLE8 || h.compression == BI_RLE4)
        DecodeRunLength(h, bits, source, result);
    else
        DecodeUncompressed(h, bits, result);
    dib = std::move(result);
}

} // namespace

bool HasBitmapSignature(std::span<const std::uint8_t> head)
{
    return head.size() >= 2 && head[0] == 'B' && head[1] == 'M';
}

void DecodeBitmapFile(std::span<const std::uint8_t> file, const std::string &source, TNkDIB &dib)
{
    if (!HasBitmapSignature(file))
        Fail(source, "not a Windows bitmap (the file does not begin with \"BM\")");
    if (file.size() < FileHeaderSize + 4)
        Fail(source, "the file ends inside its header (" + std::to_string(file.size()) + " bytes)");
    const std::uint32_t offBits = U32(file, 10);
    if (offBits > file.size())
        Fail(source, "the pixel data offset " + std::to_string(offBits) + " lies beyond the end of the file (" +
                         std::to_string(file.size()) + " bytes)");
    const THeader h = ParseInfoHeader(file.subspan(FileHeaderSize), source);
    if (offBits < FileHeaderSize + h.paletteOffset)
        Fail(source, "the pixel data offset " + std::to_string(offBits) + " lies inside the headers");
    // The colour table is whatever lies between the headers and the pixel data.
    Decode(h, file.subspan(FileHeaderSize, offBits - FileHeaderSize), file.subspan(offBits), source, dib);
}

void DecodeBitmapBlocks(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits,
                        const std::string &source, TNkDIB &dib)
{
    const THeader h = ParseInfoHeader(info, source);
    Decode(h, info, bits, source, dib);
}

void ReadBitmapFile(const std::string &fileName, TNkDIB &dib)
{
    const std::string data = ReadWholeFile(fileName, MaxFileBytes);
    DecodeBitmapFile({reinterpret_cast<const std::uint8_t *>(data.data()), data.size()}, fileName, dib);
}

} // namespace kelp
