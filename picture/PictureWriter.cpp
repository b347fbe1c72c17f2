#include "picture/PictureWriter.h"

#include "base/FileStream.h"
#include "base/KelpError.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

namespace kelp {

namespace {

constexpr std::size_t FileHeaderBytes = 14;
constexpr std::size_t InfoHeaderBytes = 40;
constexpr std::uint32_t PixelsPerMetre = 2835; // 72 dots per inch

void PutLE(std::vector<std::uint8_t> &out, std::size_t at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

void CheckWritable(const TNkDIB &picture, const std::string &fileName)
{
    if (picture.Empty())
        throw KelpError("cannot write " + fileName + ": the picture is empty");
}

int TableEntries(const TNkDIB &picture) { return picture.BitCount() > 8 ? 0 : 1 << picture.BitCount(); }

// Bytes of a row that carry pixels; the rest is padding.
std::size_t UsedRowBytes(const TNkDIB &picture)
{
    return (static_cast<std::size_t>(picture.Width()) * picture.BitCount() + 7) / 8;
}

// Row y as one index byte per pixel, whatever the bit count below 8.
void UnpackIndices(const TNkDIB &picture, int y, std::uint8_t *out)
{
    const std::uint8_t *in = picture.ScanLine(y);
    const int bits = picture.BitCount();
    const int mask = (1 << bits) - 1;
    for (int x = 0; x < picture.Width(); ++x) {
        const int bitPos = x * bits;
        out[x] = static_cast<std::uint8_t>((in[bitPos >> 3] >> (8 - bits - (bitPos & 7))) & mask);
    }
}

} // namespace

TPictureFileType PictureFileTypeOf(const std::string &fileName)
{
    std::string ext = std::filesystem::path(fileName).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (ext == ".bmp")
        return TPictureFileType::Bitmap;
    if (ext == ".png")
        return TPictureFileType::Png;
    return TPictureFileType::Unknown;
}

std::vector<std::uint8_t> EncodeBitmap(const TNkDIB &picture, const std::string &fileName)
{
    CheckWritable(picture, fileName);
    const std::size_t rowBytes = picture.RowBytes();
    const std::size_t entries = static_cast<std::size_t>(TableEntries(picture));
    const std::size_t offset = FileHeaderBytes + InfoHeaderBytes + 4 * entries;
    const std::uint64_t imageBytes = std::uint64_t(rowBytes) * std::uint64_t(picture.Height());
    if (offset + imageBytes > 0xFFFFFFFFu)
        throw KelpError("cannot write " + fileName + ": the picture is too large for a bitmap file");
    std::vector<std::uint8_t> out(offset + static_cast<std::size_t>(imageBytes));

    out[0] = 'B';
    out[1] = 'M';
    PutLE(out, 2, static_cast<std::uint32_t>(out.size()), 4);
    PutLE(out, 10, static_cast<std::uint32_t>(offset), 4);
    PutLE(out, 14, InfoHeaderBytes, 4);
    PutLE(out, 18, static_cast<std::uint32_t>(picture.Width()), 4);
    PutLE(out, 22, static_cast<std::uint32_t>(picture.Height()), 4); // positive: bottom-up rows
    PutLE(out, 26, 1, 2);
    PutLE(out, 28, static_cast<std::uint32_t>(picture.BitCount()), 2);
    PutLE(out, 30, BI_RGB, 4);
    PutLE(out, 34, static_cast<std::uint32_t>(imageBytes), 4);
    PutLE(out, 38, PixelsPerMetre, 4);
    PutLE(out, 42, PixelsPerMetre, 4);
    // Colours used 0: the table holds all 2^bits entries.
    for (std::size_t i = 0; i < entries; ++i) {
        const TRgbQuad q = picture.ColorTable()[i];
        std::uint8_t *p = &out[FileHeaderBytes + InfoHeaderBytes + 4 * i];
        p[0] = q.Blue;
        p[1] = q.Green;
        p[2] = q.Red;
    }

    // Padding and the unused bits of a last partial byte are written as zero,
    // whatever the picture's memory holds there.
    const std::size_t used = UsedRowBytes(picture);
    const int spareBits = static_cast<int>(used * 8 - static_cast<std::size_t>(picture.Width()) * picture.BitCount());
    const auto lastMask = static_cast<std::uint8_t>(0xFF << spareBits);
    for (int y = 0; y < picture.Height(); ++y) {
        std::uint8_t *row = &out[offset + static_cast<std::size_t>(picture.Height() - 1 - y) * rowBytes];
        std::memcpy(row, picture.ScanLine(y), used);
        row[used - 1] &= lastMask;
    }
    return out;
}

std::vector<std::uint8_t> EncodePng(const TNkDIB &picture, const std::string &fileName)
{
    CheckWritable(picture, fileName);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.Width());
    image.height = static_cast<png_uint_32>(picture.Height());

    const std::uint8_t *pixels = picture.Bits().data();
    png_int_32 stride = static_cast<png_int_32>(picture.RowBytes());
    std::vector<std::uint8_t> indices; // one byte per pixel for 1- and 4-bit pictures
    std::vector<std::uint8_t> colormap;
    if (picture.BitCount() == 24) {
        image.format = PNG_FORMAT_BGR;
    } else {
        image.format = PNG_FORMAT_BGR_COLORMAP;
        const int entries = TableEntries(picture);
        image.colormap_entries = static_cast<png_uint_32>(entries);
        colormap.resize(3 * static_cast<std::size_t>(entries));
        for (int i = 0; i < entries; ++i) {
            const TRgbQuad q = picture.ColorTable()[static_cast<std::size_t>(i)];
            colormap[3 * i] = q.Blue;
            colormap[3 * i + 1] = q.Green;
            colormap[3 * i + 2] = q.Red;
        }
        if (picture.BitCount() < 8) {
            const auto width = static_cast<std::size_t>(picture.Width());
            indices.resize(width * static_cast<std::size_t>(picture.Height()));
            for (int y = 0; y < picture.Height(); ++y)
                UnpackIndices(picture, y, &indices[width * static_cast<std::size_t>(y)]);
            pixels = indices.data();
            stride = static_cast<png_int_32>(width);
        }
    }

    const auto fail = [&](const char *what) -> KelpError {
        const std::string text = "cannot write " + fileName + ": " + what + ": " + image.message;
        png_image_free(&image);
        return KelpError(text);
    };
    // The bound of the encoded size lets one pass do.
    std::vector<std::uint8_t> out(PNG_IMAGE_PNG_SIZE_MAX(image));
    png_alloc_size_t size = out.size();
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels, stride,
                                   colormap.empty() ? nullptr : colormap.data()))
        throw fail("PNG encoding failed");
    out.resize(size);
    return out;
}

void WriteBitmapFile(const std::string &fileName, const TNkDIB &picture)
{
    WriteWholeFile(fileName, EncodeBitmap(picture, fileName));
}

void WritePngFile(const std::string &fileName, const TNkDIB &picture)
{
    WriteWholeFile(fileName, EncodePng(picture, fileName));
}

void WritePictureFile(const std::string &fileName, const TNkDIB &picture)
{
    switch (PictureFileTypeOf(fileName)) {
    case TPictureFileType::Bitmap: WriteBitmapFile(fileName, picture); break;
    case TPictureFileType::Png: WritePngFile(fileName, picture); break;
    case TPictureFileType::Unknown:
        throw KelpError("cannot write " + fileName + ": the file name ends neither in .bmp nor in .png");
    }
}

} // namespace kelp
