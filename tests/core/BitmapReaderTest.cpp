#include "TestSupport.h"
#include "base/KelpError.h"
#include "picture/BitmapReader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace kelp;
using kelptest::ReadBytes;
using kelptest::TempDir;
using kelptest::WriteBytes;
using testing::HasSubstr;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Width, height and RGB rows top-down, the way the reference files store them.
struct TRgbPicture {
    std::uint32_t width = 0, height = 0;
    Bytes rgb;
};

TRgbPicture ReadReference(const std::string &fileName)
{
    const Bytes b = ReadBytes(fileName);
    TRgbPicture p;
    p.width = b[0] | b[1] << 8 | b[2] << 16 | std::uint32_t(b[3]) << 24;
    p.height = b[4] | b[5] << 8 | b[6] << 16 | std::uint32_t(b[7]) << 24;
    p.rgb.assign(b.begin() + 8, b.end());
    return p;
}

TRgbPicture ToRgb(TNkDIB dib)
{
    dib.SetPixelFormat(TPixelFormat::pf24bit);
    TRgbPicture p{static_cast<std::uint32_t>(dib.Width()), static_cast<std::uint32_t>(dib.Height()), {}};
    for (int y = 0; y < dib.Height(); ++y) {
        const std::uint8_t *row = dib.ScanLine(y);
        for (int x = 0; x < dib.Width(); ++x)
            p.rgb.insert(p.rgb.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
    }
    return p;
}

std::string FirstDifference(const TRgbPicture &got, const TRgbPicture &want)
{
    if (got.width != want.width || got.height != want.height)
        return "size " + std::to_string(got.width) + "x" + std::to_string(got.height) + ", wanted " +
               std::to_string(want.width) + "x" + std::to_string(want.height);
    for (std::size_t i = 0; i < got.rgb.size(); i += 3)
        if (!std::equal(got.rgb.begin() + i, got.rgb.begin() + i + 3, want.rgb.begin() + i)) {
            const std::size_t px = i / 3;
            return "pixel (" + std::to_string(px % got.width) + ", " + std::to_string(px / got.width) + ") is " +
                   std::to_string(got.rgb[i]) + "," + std::to_string(got.rgb[i + 1]) + "," +
                   std::to_string(got.rgb[i + 2]) + ", wanted " + std::to_string(want.rgb[i]) + "," +
                   std::to_string(want.rgb[i + 1]) + "," + std::to_string(want.rgb[i + 2]);
        }
    return {};
}

void Put16(Bytes &b, std::size_t at, std::uint16_t v)
{
    b[at] = v & 255;
    b[at + 1] = v >> 8;
}

void Put32(Bytes &b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = (v >> (8 * i)) & 255;
}

// A small valid bitmap to damage: 40-byte header, the given bits and compression,
// a 16-entry table for indexed pictures, then the pixel bytes.
Bytes MakeBitmap(int width, int height, int bits, std::uint32_t compression, const Bytes &pixels)
{
    const std::size_t palette = bits <= 8 ? 16 * 4 : 0;
    const std::size_t off = 14 + 40 + palette;
    Bytes b(off, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<std::uint32_t>(off + pixels.size()));
    Put32(b, 10, static_cast<std::uint32_t>(off));
    Put32(b, 14, 40);
    Put32(b, 18, static_cast<std::uint32_t>(width));
    Put32(b, 22, static_cast<std::uint32_t>(height));
    Put16(b, 26, 1);
    Put16(b, 28, static_cast<std::uint16_t>(bits));
    Put32(b, 30, compression);
    if (bits <= 8) {
        Put32(b, 46, 16);
        for (int i = 0; i < 16; ++i)
            Put32(b, 54 + 4 * i, 0x00010101u * static_cast<std::uint32_t>(i * 17));
    }
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

Bytes Valid24() { return MakeBitmap(3, 2, 24, BI_RGB, Bytes(2 * 12, 0x40)); }

} // namespace

// Every variant the two writers and the hand-built files give decodes to the
// pixels an independent decoder reads from it.
TEST(BitmapReader, VariantsMatchAnIndependentDecoder)
{
    TempDir dir;
    const auto gen = kelptest::RunProgram("/usr/bin/python3",
                                          {KELP_FIXTURES_DIR "/bitmap_variants.py", dir.Path().string()});
    ASSERT_EQ(gen.exitCode, 0) << gen.err;
    std::ifstream manifest(dir.File("manifest"));
    std::string name;
    int checked = 0;
    while (std::getline(manifest, name)) {
        SCOPED_TRACE(name);
        TNkDIB dib;
        ASSERT_NO_THROW(ReadBitmapFile(dir.File(name + ".bmp"), dib));
        EXPECT_EQ(FirstDifference(ToRgb(dib), ReadReference(dir.File(name + ".rgb"))), "");

        // The same picture as the two blocks a plug-in hands back.
        const Bytes file = ReadBytes(dir.File(name + ".bmp"));
        const std::uint32_t off = file[10] | file[11] << 8 | file[12] << 16 | std::uint32_t(file[13]) << 24;
        const Bytes info(file.begin() + 14, file.begin() + off), bits(file.begin() + off, file.end());
        TNkDIB fromBlocks;
        ASSERT_NO_THROW(DecodeBitmapBlocks(info, bits, name, fromBlocks));
        EXPECT_EQ(fromBlocks, dib);
        ++checked;
    }
    EXPECT_GE(checked, 30);
}

TEST(BitmapReader, IndexedPicturesKeepTheirIndicesAndTable)
{
    // 4 bits, 3x2, bottom-up: the first stored row is the bottom one.
    const Bytes b = MakeBitmap(3, 2, 4, BI_RGB, {0x12, 0x30, 0, 0, 0xAB, 0xC0, 0, 0});
    TNkDIB dib;
    DecodeBitmapFile(b, "four.bmp", dib);
    ASSERT_EQ(dib.BitCount(), 4);
    EXPECT_EQ(dib.Pixels(0, 0), 0xAu);
    EXPECT_EQ(dib.Pixels(2, 0), 0xCu);
    EXPECT_EQ(dib.Pixels(1, 1), 0x2u);
    EXPECT_EQ(dib.Colors(5), MakeColor(85, 85, 85));
    EXPECT_EQ(dib.PaletteSize(), 16);
}

// Runs past the right edge and deltas past the top stay inside the picture.
TEST(BitmapReader, RunLengthCodesThatLeaveThePictureAreClipped)
{
    struct Case {
        const char *name;
        int bits;
        Bytes data;
        std::vector<std::uint32_t> bottomRow, topRow;
    } cases[] = {
        {"run past the edge", 8, {255, 7, 0, 0, 2, 9, 0, 1}, {7, 7, 7}, {9, 9, 0}},
        {"absolute past the edge", 8, {0, 5, 1, 2, 3, 4, 5, 0, 0, 1}, {1, 2, 3}, {0, 0, 0}},
        {"delta past the top", 8, {1, 4, 0, 2, 1, 200, 9, 9}, {4, 0, 0}, {0, 0, 0}},
        {"rle4 run past the edge", 4, {255, 0x56, 0, 0, 3, 0x78, 0, 1}, {5, 6, 5}, {7, 8, 7}},
        {"rle4 absolute odd count", 4, {0, 3, 0x9A, 0xB0, 0, 1}, {9, 10, 11}, {0, 0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TNkDIB dib;
        ASSERT_NO_THROW(DecodeBitmapFile(MakeBitmap(3, 2, c.bits, c.bits == 8 ? BI_RLE8 : BI_RLE4, c.data), "rle.bmp", dib));
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(dib.Pixels(x, 1), c.bottomRow[x]) << x;
            EXPECT_EQ(dib.Pixels(x, 0), c.topRow[x]) << x;
        }
    }
}

// Damaged files: each is refused with a text naming the file and the cause, and
// the caller's picture stays as it was.
TEST(BitmapReader, DamagedFilesGiveClearErrors)
{
    struct Case {
        const char *name;
        Bytes file;
        const char *cause;
    };
    auto with = [](Bytes b, auto change) {
        change(b);
        return b;
    };
    const Case cases[] = {
        {"empty", {}, "does not begin with \"BM\""},
        {"other signature", with(Valid24(), [](Bytes &b) { b[0] = 'P'; }), "does not begin with \"BM\""},
        {"signature only", {'B', 'M'}, "ends inside its header"},
        {"offset beyond the file", with(Valid24(), [](Bytes &b) { Put32(b, 10, 5000); }), "lies beyond the end of the file"},
        {"offset inside the headers", with(Valid24(), [](Bytes &b) { Put32(b, 10, 30); }), "lies inside the headers"},
        {"unknown header size", with(Valid24(), [](Bytes &b) { Put32(b, 14, 64); }), "unsupported information header size 64"},
        {"header cut short", with(Valid24(), [](Bytes &b) { b.resize(40); Put32(b, 10, 40); }), "(40 bytes) is cut short"},
        {"zero width", with(Valid24(), [](Bytes &b) { Put32(b, 18, 0); }), "invalid picture size 0 x 2"},
        {"negative width", with(Valid24(), [](Bytes &b) { Put32(b, 18, 0xFFFFFFFB); }), "invalid picture size -5 x 2"},
        {"zero height", with(Valid24(), [](Bytes &b) { Put32(b, 22, 0); }), "invalid picture size"},
        {"most negative height", with(Valid24(), [](Bytes &b) { Put32(b, 22, 0x80000000); }), "is too large"},
        {"absurd size", with(Valid24(), [](Bytes &b) { Put32(b, 18, 100000); Put32(b, 22, 100000); }), "100000 x 100000 is too large"},
        {"odd bit count", with(Valid24(), [](Bytes &b) { Put16(b, 28, 7); }), "unsupported bit count 7"},
        {"jpeg inside", with(Valid24(), [](Bytes &b) { Put32(b, 30, 4); }), "unsupported compression 4 (JPEG)"},
        {"unknown compression", with(Valid24(), [](Bytes &b) { Put32(b, 30, 77); }), "unsupported compression 77"},
        {"rle8 at 24 bits", with(Valid24(), [](Bytes &b) { Put32(b, 30, BI_RLE8); }), "compression 1 does not fit 24 bits"},
        {"pixels cut short", with(Valid24(), [](Bytes &b) { b.resize(b.size() - 1); }), "the pixel data ends early (23 of 24 bytes)"},
        {"masks missing", MakeBitmap(2, 2, 16, BI_BITFIELDS, {}), "masks are cut short"},
        {"rle claiming a huge picture", MakeBitmap(20000, 20000, 8, BI_RLE8, {0, 1}), "the run-length data (2 bytes) is far too short for 20000 x 20000 pixels"},
        {"rle without end", MakeBitmap(3, 2, 8, BI_RLE8, {3, 1}), "ends before the end-of-bitmap code"},
        {"rle cut in a delta", MakeBitmap(3, 2, 8, BI_RLE8, {0, 2, 1}), "ends inside a delta code"},
        {"rle cut in an absolute run", MakeBitmap(3, 2, 8, BI_RLE8, {0, 3, 1, 2}), "ends inside an absolute run"},
        {"core header, 16 bits", with(Bytes(26 + 8, 0), [](Bytes &b) { b[0] = 'B'; b[1] = 'M'; Put32(b, 10, 26); Put32(b, 14, 12); Put16(b, 18, 1); Put16(b, 20, 1); Put16(b, 24, 16); }), "unsupported bit count 16"},
    };
    TempDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir.File("damaged.bmp");
        WriteBytes(file, c.file);
        TNkDIB dib(1, 1, 8);
        dib.SetPixels(0, 0, 42);
        const TNkDIB before = dib;
        try {
            ReadBitmapFile(file, dib);
            ADD_FAILURE() << "no error";
        } catch (const KelpError &e) {
            EXPECT_THAT(e.what(), HasSubstr(file));
            EXPECT_THAT(e.what(), HasSubstr(c.cause));
        }
        EXPECT_EQ(dib, before);
    }
    TNkDIB dib;
    EXPECT_THROW(ReadBitmapFile(dir.File("missing.bmp"), dib), KelpError);
}

TEST(BitmapReader, BlocksAreBoundedByTheirSizes)
{
    const Bytes file = MakeBitmap(4, 4, 8, BI_RGB, Bytes(16, 3));
    const Bytes info(file.begin() + 14, file.begin() + 54 + 64);
    TNkDIB dib;
    // The bits block one byte short, and a header block cut inside the header.
    EXPECT_THROW(DecodeBitmapBlocks(info, Bytes(15, 3), "plug-in", dib), KelpError);
    EXPECT_THROW(DecodeBitmapBlocks(Bytes(info.begin(), info.begin() + 39), Bytes(16, 3), "plug-in", dib), KelpError);
    // A table cut short keeps the entries that are there.
    ASSERT_NO_THROW(DecodeBitmapBlocks(Bytes(info.begin(), info.begin() + 40 + 4 * 5), Bytes(16, 3), "plug-in", dib));
    EXPECT_EQ(dib.Colors(3), MakeColor(51, 51, 51));
    EXPECT_EQ(dib.ColorsUsed(), 5u);
}
