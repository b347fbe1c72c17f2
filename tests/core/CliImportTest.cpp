#include "import/ImportResult.h"
#include "import/Placement.h"
#include "import/ReduceColors.h"
#include "picture/BitmapReader.h"
#include "picture/PictureWriter.h"
#include "rom/RomBlocks.h"
#include "rom/SampleRom.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace kelp;
using kelptest::ReadBytes;
using kelptest::RunCli;
using kelptest::TempDir;

namespace {

// A smooth photograph-like 24-bit picture with many colours.
TNkDIB Photo(int width, int height)
{
    TNkDIB p(width, height, 24);
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = p.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x + 0] = static_cast<std::uint8_t>((x * 255) / std::max(1, width - 1));
            row[3 * x + 1] = static_cast<std::uint8_t>((y * 255) / std::max(1, height - 1));
            row[3 * x + 2] = static_cast<std::uint8_t>(((x ^ y) * 7) & 255);
        }
    }
    return p;
}

TNkDIB Pipeline(const TNkDIB &src, const TPlacement &placement, int reduceType)
{
    TNkDIB dst = RenderPlacement(src, placement);
    EXPECT_TRUE(ReduceColors(dst, reduceType, nullptr));
    return dst;
}

void ExpectSamePicture(const TNkDIB &a, const TNkDIB &b, int paletteEntries)
{
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            ASSERT_EQ(a.Pixels(x, y), b.Pixels(x, y)) << x << "," << y;
    for (int i = 0; i < paletteEntries; ++i)
        EXPECT_EQ(a.Colors(i), b.Colors(i)) << "entry " << i;
}

} // namespace

TEST(CliImport, ReduceWritesTheReducedPictureOfEveryType)
{
    TempDir dir;
    const TNkDIB src = Photo(300, 200);
    WriteBitmapFile(dir.File("in.bmp"), src);
    for (int type = 0; type <= 5; ++type) {
        const auto r = RunCli({"reduce", "--type", std::to_string(type), dir.File("in.bmp"), dir.File("out.bmp")});
        ASSERT_EQ(r.exitCode, 0) << type << ": " << r.err;
        TNkDIB out;
        ReadBitmapFile(dir.File("out.bmp"), out);
        EXPECT_EQ(out.BitCount(), 8);
        ExpectSamePicture(out, Pipeline(src, TPlacement{}, type), 256);
        EXPECT_EQ(out.Colors(0), 0u);
    }
}

TEST(CliImport, ReduceFailures)
{
    TempDir dir;
    WriteBitmapFile(dir.File("in.bmp"), Photo(16, 16));
    kelptest::WriteBytes(dir.File("junk.png"), {1, 2, 3, 4, 5});
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string errContains;
    } cases[] = {
        {{"reduce", "--type", "6", dir.File("in.bmp"), dir.File("o.bmp")}, 1, "不正な減色タイプが指定されました。"},
        {{"reduce", dir.File("in.bmp"), dir.File("o.bmp")}, 2, "--type"},
        {{"reduce", "--type", "1", dir.File("in.bmp"), dir.File("o.gif")}, 2, ".bmp or .png"},
        {{"reduce", "--type", "1", dir.File("junk.png"), dir.File("o.bmp")}, 3, "Susie Plugins could not decode"},
        {{"reduce", "--type", "1", dir.File("none.bmp"), dir.File("o.bmp")}, 3, dir.File("none.bmp")},
    };
    for (const Case &c : cases) {
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_NE(r.err.find(c.errContains), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("o.bmp")));
}

TEST(CliImport, ImportWritesOnlyTheBackgroundBlock)
{
    TempDir dir;
    const std::string rom = dir.File("txt.bin");
    WriteSampleRom(rom);
    const auto before = ReadBytes(rom);
    const TNkDIB src = Photo(480, 320);
    WritePngFile(dir.File("photo.png"), src); // read back through the bundled plug-in

    struct Case {
        std::vector<std::string> options;
        TPlacement placement;
        int reduceType;
    } cases[] = {
        {{}, TPlacement{}, 3},
        {{"--fit", "width", "--reduce", "0"}, TPlacement{0.5, 0, 0, true}, 0},
        {{"--zoom", "37.5", "--pos", "-10,20", "--tile", "off", "--reduce", "5"}, TPlacement{0.375, -10, 20, false}, 5},
    };
    for (const Case &c : cases) {
        kelptest::WriteBytes(rom, before);
        std::vector<std::string> args = {"import", rom, dir.File("photo.png")};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto r = RunCli(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;

        const auto after = ReadBytes(rom);
        ASSERT_EQ(after.size(), before.size());
        const std::size_t blockData = SampleBackgroundBlockOffset + 6;
        for (std::size_t i = 0; i < after.size(); ++i)
            if (i < blockData + 14 || i >= blockData + 20542) { // header and blend values stay too
                ASSERT_EQ(after[i], before[i]) << "byte " << i;
            }

        TBackgroundBlock block;
        ASSERT_TRUE(ReadBackgroundBlock(rom, block, nullptr));
        TNkDIB expected = Pipeline(src, c.placement, c.reduceType);
        WidenToBackground(expected);
        for (int i = 0; i < 16; ++i) // the block keeps five bits a channel
            expected.SetColors(i, GbaToColor(ColorToGba(expected.Colors(i))));
        ExpectSamePicture(block.Picture, expected, 16);
        EXPECT_EQ(block.Picture.Colors(0), 0u);
    }
}

TEST(CliImport, ImportFailuresLeaveTheRomAlone)
{
    TempDir dir;
    const std::string rom = dir.File("txt.bin");
    WriteSampleRom(rom);
    const auto before = ReadBytes(rom);
    WriteBitmapFile(dir.File("p.bmp"), Photo(8, 8));
    kelptest::WriteBytes(dir.File("junk.jpg"), {0xFF, 0xD8, 0xFF, 0, 0, 0});
    kelptest::WriteBytes(dir.File("plain.bin"), kelptest::RandomFiller(3000, 9));
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string errContains;
    } cases[] = {
        {{"import", rom, dir.File("junk.jpg")}, 3, "Susie Plugins could not decode"},
        {{"import", dir.File("plain.bin"), dir.File("p.bmp")}, 1, "BGBMIDが見つかりませんでした。"},
        {{"import", rom, dir.File("p.bmp"), "--zoom", "50", "--fit", "width"}, 2, "not both"},
        {{"import", rom, dir.File("p.bmp"), "--fit", "diagonal"}, 2, "--fit"},
        {{"import", rom, dir.File("p.bmp"), "--pos", "3"}, 2, "X,Y"},
        {{"import", rom, dir.File("p.bmp"), "--tile", "yes"}, 2, "--tile"},
        {{"import", rom, dir.File("p.bmp"), "--reduce", "6"}, 2, "--reduce"},
        {{"import", rom, dir.File("p.bmp"), "--zoom", "abc"}, 2, "--zoom"},
    };
    for (const Case &c : cases) {
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_NE(r.err.find(c.errContains), std::string::npos) << r.err;
        EXPECT_EQ(ReadBytes(rom), before);
    }
}
