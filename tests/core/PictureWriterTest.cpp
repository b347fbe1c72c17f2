#include "base/KelpError.h"
#include "picture/PictureWriter.h"
#include "rom/RomBlocks.h"
#include "rom/SampleRom.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

using namespace kelp;
using kelptest::PutBytes;
using kelptest::RandomFiller;
using kelptest::ReadBytes;
using kelptest::RunCli;
using kelptest::RunProgram;
using kelptest::TempDir;
using kelptest::WriteBytes;

namespace {

// Debian's interpreter, which has the imaging library; prints what it decoded.
const char *const DecodeScript = R"(
import sys
from PIL import Image
im = Image.open(sys.argv[1])
im.load()
print(im.format, im.mode, im.size[0], im.size[1])
if im.mode == 'P':
    print(' '.join(map(str, im.getpalette())))
    print(' '.join(map(str, im.getdata())))
else:
    print('-')
    print(' '.join(str(v) for p in im.getdata() for v in p))
)";

struct TDecoded {
    std::string format, mode;
    int width = 0, height = 0;
    std::vector<int> palette; // r, g, b per entry
    std::vector<int> pixels;  // indices, or r, g, b per pixel
};

std::vector<int> Numbers(const std::string &line)
{
    std::vector<int> v;
    std::istringstream in(line);
    int n;
    while (in >> n)
        v.push_back(n);
    return v;
}

TDecoded DecodeWithPil(const std::string &fileName)
{
    const auto r = RunProgram("/usr/bin/python3", {"-c", DecodeScript, fileName});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::istringstream in(r.out);
    TDecoded d;
    std::string header, palette, pixels;
    std::getline(in, header);
    std::getline(in, palette);
    std::getline(in, pixels);
    std::istringstream(header) >> d.format >> d.mode >> d.width >> d.height;
    d.palette = Numbers(palette);
    d.pixels = Numbers(pixels);
    return d;
}

TNkDIB RandomPicture(int width, int height, int bits, std::uint32_t seed)
{
    TNkDIB p(width, height, bits);
    std::mt19937 rng(seed);
    if (bits <= 8)
        for (int i = 0; i < 1 << bits; ++i)
            p.SetColors(i, rng() & 0xFFFFFF);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.SetPixels(x, y, bits == 24 ? rng() & 0xFFFFFF : rng() & ((1u << bits) - 1));
    return p;
}

// The picture as the decoder reports it.
void ExpectDecodedAs(const TDecoded &d, const TNkDIB &p, const std::string &what)
{
    EXPECT_EQ(d.width, p.Width()) << what;
    EXPECT_EQ(d.height, p.Height()) << what;
    std::vector<int> pixels;
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) {
            const std::uint32_t v = p.Pixels(x, y);
            if (p.BitCount() == 24) {
                pixels.insert(pixels.end(), {ColorRed(v), ColorGreen(v), ColorBlue(v)});
            } else {
                pixels.push_back(int(v));
            }
        }
    EXPECT_EQ(d.pixels, pixels) << what;
    if (p.BitCount() == 24) {
        EXPECT_EQ(d.mode, "RGB") << what;
        return;
    }
    ASSERT_EQ(d.mode, "P") << what;
    const int entries = 1 << p.BitCount();
    ASSERT_GE(d.palette.size(), std::size_t(3 * entries)) << what;
    for (int i = 0; i < entries; ++i) {
        const TColor c = p.Colors(i);
        EXPECT_EQ(d.palette[3 * i], ColorRed(c)) << what << " entry " << i;
        EXPECT_EQ(d.palette[3 * i + 1], ColorGreen(c)) << what << " entry " << i;
        EXPECT_EQ(d.palette[3 * i + 2], ColorBlue(c)) << what << " entry " << i;
    }
}

// Number of palette entries a file stores: from the bitmap header, or the PNG's PLTE chunk.
int StoredPaletteEntries(const std::vector<std::uint8_t> &file)
{
    if (file.size() > 54 && file[0] == 'B' && file[1] == 'M') {
        const std::uint32_t offset = file[10] | file[11] << 8 | file[12] << 16 | std::uint32_t(file[13]) << 24;
        return int((offset - 54) / 4);
    }
    for (std::size_t i = 4; i + 4 <= file.size(); ++i)
        if (std::equal(file.begin() + long(i), file.begin() + long(i) + 4, "PLTE"))
            return int((file[i - 2] << 8 | file[i - 1]) / 3);
    return 0;
}

} // namespace

TEST(PictureWriter, AnotherDecoderReadsTheSamePixelsAndPalette)
{
    struct Case {
        int width, height, bits;
    } cases[] = {{5, 3, 24}, {1, 1, 24}, {240, 160, 24}, {7, 3, 8}, {256, 160, 8}, {5, 2, 4}, {9, 2, 1}};
    TempDir dir;
    std::uint32_t seed = 1;
    for (const Case &c : cases) {
        const TNkDIB p = RandomPicture(c.width, c.height, c.bits, seed++);
        for (const char *ext : {".bmp", ".png"}) {
            const std::string what = std::to_string(c.width) + "x" + std::to_string(c.height) + "x" +
                                     std::to_string(c.bits) + ext;
            const std::string file = dir.File("p" + std::to_string(seed) + ext);
            WritePictureFile(file, p);
            const TDecoded d = DecodeWithPil(file);
            EXPECT_EQ(d.format, ext == std::string(".bmp") ? "BMP" : "PNG") << what;
            ExpectDecodedAs(d, p, what);
            // Indexed pictures carry their whole table: 2, 16 or 256 entries.
            EXPECT_EQ(StoredPaletteEntries(ReadBytes(file)), c.bits == 24 ? 0 : 1 << c.bits) << what;
        }
    }
}

TEST(PictureWriter, RowPaddingIsWrittenAsZero)
{
    // Odd widths leave padding bytes and half bytes that the picture may hold garbage in.
    TNkDIB rgb(1, 2, 24), nibbles(3, 1, 4);
    rgb.ScanLine(0)[3] = 0xAB;
    nibbles.SetPixels(0, 0, 0xF);
    nibbles.ScanLine(0)[1] = 0x7F; // pixel 2 is 7, the spare low nibble F
    nibbles.ScanLine(0)[3] = 0x55;
    const std::vector<std::uint8_t> a = EncodeBitmap(rgb, "a.bmp");
    ASSERT_EQ(a.size(), 54u + 8u);
    EXPECT_EQ(a[54 + 4 + 3], 0) << "padding of the top row, stored last";
    const std::vector<std::uint8_t> b = EncodeBitmap(nibbles, "b.bmp");
    ASSERT_EQ(b.size(), 54u + 64u + 4u);
    EXPECT_EQ((std::vector<std::uint8_t>(b.end() - 4, b.end())), (std::vector<std::uint8_t>{0xF0, 0x70, 0, 0}));
}

TEST(PictureWriter, ErrorsNameTheFileAndTheCause)
{
    TempDir dir;
    const TNkDIB p(4, 4, 8);
    const TNkDIB none;
    struct Case {
        std::string file;
        const TNkDIB *picture;
        std::string text;
    };
    const Case cases[] = {
        {dir.File("no/such/dir/x.bmp"), &p, "cannot create " + dir.File("no/such/dir/x.bmp") + ": No such file or directory"},
        {dir.File("no/such/dir/x.png"), &p, "cannot create " + dir.File("no/such/dir/x.png") + ": No such file or directory"},
        {dir.Path().string(), &p, "cannot write " + dir.Path().string() + ": the file name ends neither in .bmp nor in .png"},
        {dir.File("e.png"), &none, "cannot write " + dir.File("e.png") + ": the picture is empty"},
        {dir.File("e.bmp"), &none, "cannot write " + dir.File("e.bmp") + ": the picture is empty"},
    };
    for (const Case &c : cases) {
        try {
            WritePictureFile(c.file, *c.picture);
            ADD_FAILURE() << "no error for " << c.file;
        } catch (const KelpError &e) {
            EXPECT_EQ(std::string(e.what()), c.text);
        }
        EXPECT_FALSE(FileExists(c.file)) << c.file;
    }
    // A folder in the way of the file.
    std::filesystem::create_directory(dir.File("taken.bmp"));
    try {
        WriteBitmapFile(dir.File("taken.bmp"), p);
        ADD_FAILURE() << "no error for a folder";
    } catch (const KelpError &e) {
        EXPECT_EQ(std::string(e.what()), "cannot create " + dir.File("taken.bmp") + ": Is a directory");
    }
}

TEST(CliExportBg, WritesTheBackgroundBlockAsBitmapOrPng)
{
    TempDir dir;
    // A background block of random tiles, so every index 0..15 occurs.
    std::vector<std::uint8_t> rom = RandomFiller(30000, 9);
    PutBytes(rom, 3000, "BGBM01");
    for (std::size_t i = 0; i < 48; ++i)
        rom[3000 + 6 + 14 + i] &= 31;
    WriteBytes(dir.File("txt.bin"), rom);
    TBackgroundBlock block;
    ASSERT_TRUE(ReadBackgroundBlock(dir.File("txt.bin"), block, [](const std::string &) {}));

    for (const char *name : {"bg.bmp", "bg.png", "BG.PNG", "Bg.Bmp"}) {
        const std::string out = dir.File(name);
        const auto r = RunCli({"export-bg", dir.File("txt.bin"), out});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const TDecoded d = DecodeWithPil(out);
        ExpectDecodedAs(d, block.Picture, name);
        EXPECT_EQ(StoredPaletteEntries(ReadBytes(out)), 256) << name;
    }
    EXPECT_EQ(ReadBytes(dir.File("txt.bin")), rom);
}

TEST(CliExportBg, FailuresAndTheirExitStatuses)
{
    TempDir dir;
    kelp::WriteSampleRom(dir.File("txt.bin"));
    WriteBytes(dir.File("plain.bin"), RandomFiller(1000, 3));
    const std::string missing = dir.File("missing.bin");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string errContains;
        std::string notWritten;
    } cases[] = {
        {{"export-bg", dir.File("txt.bin"), dir.File("bg.jpg")}, 2, "OUT must end in .bmp or .png", dir.File("bg.jpg")},
        {{"export-bg", dir.File("txt.bin"), dir.File("bg")}, 2, "Usage: kelpview-cli export-bg ROM OUT", dir.File("bg")},
        {{"export-bg", dir.File("txt.bin")}, 2, "missing arguments", ""},
        {{"export-bg", missing, dir.File("a.png")}, 1, "ファイル[" + missing + "]が見つかりませんでした。", dir.File("a.png")},
        {{"export-bg", dir.File("plain.bin"), dir.File("b.bmp")}, 1, "BGBMIDが見つかりませんでした。\n", dir.File("b.bmp")},
        {{"export-bg", dir.File("txt.bin"), dir.File("none/c.png")}, 3, "cannot create " + dir.File("none/c.png"), ""},
    };
    for (const Case &c : cases) {
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.back() << " " << r.err;
        EXPECT_NE(r.err.find(c.errContains), std::string::npos) << c.args.back() << ": " << r.err;
        if (!c.notWritten.empty()) {
            EXPECT_FALSE(FileExists(c.notWritten));
        }
    }
    const auto help = RunCli({"export-bg", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: kelpview-cli export-bg ROM OUT"), std::string::npos);
}
