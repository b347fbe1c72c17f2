#include "base/KelpError.h"
#include "rom/BackgroundTiles.h"
#include "rom/RomBlocks.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace kelp;
using kelptest::ExpectOnlyRangeChanged;
using kelptest::PutBytes;
using kelptest::RandomFiller;
using kelptest::ReadBytes;
using kelptest::TempDir;
using kelptest::WriteBytes;

namespace {

struct Messages {
    std::vector<std::string> texts;
    TMessageSink Sink()
    {
        return [this](const std::string &t) { texts.push_back(t); };
    }
};

// A ROM image of random filler with a colour block and a background block.
std::vector<std::uint8_t> MakeRom(std::size_t size, std::size_t colorAt, std::size_t bgAt, std::uint32_t seed = 1)
{
    std::vector<std::uint8_t> rom = RandomFiller(size, seed);
    PutBytes(rom, colorAt, "RGBC02");
    PutBytes(rom, bgAt, "BGBM01");
    return rom;
}

} // namespace

TEST(FindRomMarker, SearchWindow)
{
    struct Case {
        std::size_t fileSize, markerAt;
        bool found;
    } cases[] = {
        {300000, 0, true},
        {300000, 262137, true},  // last start position inside the window
        {300000, 262138, false}, // starts inside the window but the last six are never tried
        {300000, 262200, false}, // beyond the window
        {100, 93, true},         // N - 7
        {100, 94, false},        // within the last six bytes of a short file
    };
    TempDir dir;
    for (const Case &c : cases) {
        std::vector<std::uint8_t> rom = RandomFiller(c.fileSize, 3);
        PutBytes(rom, c.markerAt, "RGBC02");
        WriteBytes(dir.File("rom"), rom);
        TFileStream s(dir.File("rom"), TFileStream::Mode::Read);
        EXPECT_EQ(FindRomMarker(s, ColorMarker), c.found) << c.markerAt << " in " << c.fileSize;
        if (c.found) {
            EXPECT_EQ(s.Position(), c.markerAt + 6);
        }
    }
}

TEST(RomBlocks, ColorBlockBeyondTheWindowIsReadAndWritten)
{
    TempDir dir;
    std::vector<std::uint8_t> rom = MakeRom(300000, 262137, 1000);
    for (int i = 0; i < 21; ++i)
        rom[262143 + std::size_t(i)] = std::uint8_t(i);
    WriteBytes(dir.File("rom"), rom);
    Messages m;
    TColorTable t{};
    ASSERT_TRUE(ReadColorBlock(dir.File("rom"), t, m.Sink()));
    EXPECT_EQ(t[0], (TGbaColor{0, 1, 2}));
    EXPECT_EQ(t[6], (TGbaColor{18, 19, 20}));
    t[6] = TGbaColor{31, 30, 29};
    ASSERT_TRUE(WriteColorBlock(dir.File("rom"), t, m.Sink()));
    const auto after = ReadBytes(dir.File("rom"));
    ExpectOnlyRangeChanged(rom, after, 262143, 21);
    EXPECT_EQ(after[262161], 31);
    EXPECT_TRUE(m.texts.empty());
}

TEST(RomBlocks, OnlyTheFirstOfTwoMarkersIsUsed)
{
    TempDir dir;
    std::vector<std::uint8_t> rom = MakeRom(50000, 4000, 9000);
    PutBytes(rom, 20000, "RGBC02");
    PutBytes(rom, 30000, "BGBM01");
    WriteBytes(dir.File("rom"), rom);
    TColorTable t{};
    t[0] = TGbaColor{1, 2, 3};
    TBackgroundBlock b;
    ASSERT_TRUE(WriteColorBlock(dir.File("rom"), t, nullptr));
    ASSERT_TRUE(WriteBackgroundBlock(dir.File("rom"), b, nullptr));
    const auto after = ReadBytes(dir.File("rom"));
    std::vector<std::uint8_t> expected = rom;
    std::copy_n(reinterpret_cast<const std::uint8_t *>(t.data()), 21, expected.begin() + 4006);
    std::fill_n(expected.begin() + 9006, 20542, 0);
    EXPECT_EQ(after, expected);
}

TEST(RomBlocks, MissingFileAndMarkerMessages)
{
    TempDir dir;
    const std::string missing = dir.File("nothing.bin");
    WriteBytes(dir.File("tiny"), {'R', 'G', 'B', 'C', '0', '2'}); // shorter than 7 bytes: no position tried
    WriteBytes(dir.File("plain"), RandomFiller(5000, 2));
    std::vector<std::uint8_t> colorOnly = RandomFiller(5000, 2);
    PutBytes(colorOnly, 10, "RGBC02");
    WriteBytes(dir.File("coloronly"), colorOnly);

    TColorTable t{};
    t[3] = TGbaColor{9, 9, 9};
    const TColorTable tBefore = t;
    TBackgroundBlock b;
    b.Header = 0x55;
    b.Picture.SetPixels(3, 3, 7);
    const TBackgroundBlock bBefore = b;

    struct Case {
        std::string file;
        int routine; // 0 read colour, 1 write colour, 2 read bg, 3 write bg
        std::string message;
    } cases[] = {
        {missing, 0, "ファイル[" + missing + "]が見つかりませんでした。"},
        {missing, 1, "ファイル[" + missing + "]が見つかりませんでした。"},
        {missing, 2, "ファイル[" + missing + "]が見つかりませんでした。"},
        {missing, 3, "ファイル[" + missing + "]が見つかりませんでした。"},
        {dir.File("tiny"), 0, ColorMarkerMissingMessage},
        {dir.File("plain"), 1, ColorMarkerMissingMessage},
        {dir.File("plain"), 2, BackgroundMarkerMissingMessage},
        {dir.File("coloronly"), 3, BackgroundMarkerMissingMessage},
    };
    for (const Case &c : cases) {
        Messages m;
        const auto fileBefore = FileExists(c.file) ? ReadBytes(c.file) : std::vector<std::uint8_t>{};
        bool ok = true;
        switch (c.routine) {
        case 0: ok = ReadColorBlock(c.file, t, m.Sink()); break;
        case 1: ok = WriteColorBlock(c.file, t, m.Sink()); break;
        case 2: ok = ReadBackgroundBlock(c.file, b, m.Sink()); break;
        case 3: ok = WriteBackgroundBlock(c.file, b, m.Sink()); break;
        }
        EXPECT_FALSE(ok) << c.file << " routine " << c.routine;
        EXPECT_EQ(m.texts, std::vector<std::string>{c.message}) << c.file << " routine " << c.routine;
        EXPECT_EQ(t, tBefore);
        EXPECT_EQ(b.Header, bBefore.Header);
        EXPECT_EQ(b.Picture, bBefore.Picture);
        if (!fileBefore.empty()) {
            EXPECT_EQ(ReadBytes(c.file), fileBefore);
        }
    }
    EXPECT_EQ(std::string(ColorMarkerMissingMessage),
              "RGBCIDが見つかりませんでした。\r\nカラーカスタマイズ対応版kelpviewでもこのエラーが表示される場合は、"
              "\r\nFarrowmereまで報告頂けるとありがたいです。");
    EXPECT_EQ(std::string(BackgroundMarkerMissingMessage),
              "BGBMIDが見つかりませんでした。\r\n背景対応版kelpviewでもこのエラーが表示される場合は、"
              "\r\nFarrowmereまで報告頂けるとありがたいです。");
}

TEST(RomBlocks, BackgroundBlockFieldsAndPalette)
{
    TempDir dir;
    std::vector<std::uint8_t> rom = MakeRom(40000, 100, 5000);
    std::uint8_t *p = &rom[5006];
    const std::uint8_t fields[] = {0x34, 0x12, 3, 0, 0, 0, 20, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    std::copy(std::begin(fields), std::end(fields), p);
    for (int i = 0; i < 16; ++i) {
        p[14 + 3 * i] = std::uint8_t(i);      // blue
        p[15 + 3 * i] = std::uint8_t(31 - i); // green
        p[16 + 3 * i] = 31;                   // red
    }
    p[14 + 3 * 15] = 0xE5; // a damaged byte above 31 keeps its low five bits
    p[62] = 0x21;          // first tile byte
    WriteBytes(dir.File("rom"), rom);

    TBackgroundBlock b;
    b.Picture.SetColors(200, MakeColor(1, 2, 3)); // entries past 15 are not part of the file
    ASSERT_TRUE(ReadBackgroundBlock(dir.File("rom"), b, nullptr));
    EXPECT_EQ(b.Header, 0x1234);
    EXPECT_EQ(b.BlendType, 3);
    EXPECT_EQ(b.TextAlpha, 20);
    EXPECT_EQ(b.BGAlpha, -1);
    EXPECT_EQ(b.Picture.Colors(0), MakeColor(248, 248, 0));
    EXPECT_EQ(b.Picture.Colors(1), MakeColor(248, 240, 8));
    EXPECT_EQ(b.Picture.Colors(15), MakeColor(248, 128, 5 * 8));
    EXPECT_EQ(b.Picture.Colors(200), MakeColor(1, 2, 3));
    EXPECT_EQ(b.Picture.Pixels(0, 0), 1u);
    EXPECT_EQ(b.Picture.Pixels(1, 0), 2u);

    // Writing back: header and blend type unchanged, palette narrowed to five bits.
    b.Picture.SetColors(2, MakeColor(255, 7, 128));
    ASSERT_TRUE(WriteBackgroundBlock(dir.File("rom"), b, nullptr));
    const auto after = ReadBytes(dir.File("rom"));
    ExpectOnlyRangeChanged(rom, after, 5006, 20542);
    EXPECT_EQ(after[5006], 0x34);
    EXPECT_EQ(after[5007], 0x12);
    EXPECT_EQ(after[5008], 3);
    EXPECT_EQ(after[5020 + 6], 16);
    EXPECT_EQ(after[5020 + 7], 0);
    EXPECT_EQ(after[5020 + 8], 31);
    EXPECT_EQ(after[5020 + 3 * 15], 5);
    EXPECT_EQ(after[5068], 0x21);
    // Apart from the edited entry and the damaged byte, the block comes back byte for byte.
    std::vector<std::uint8_t> expected = rom;
    expected[5020 + 6] = 16;
    expected[5020 + 7] = 0;
    expected[5020 + 8] = 31;
    expected[5020 + 45] = 5;
    EXPECT_EQ(after, expected);
}

TEST(RomBlocks, TruncatedBlocksRaiseAndLeaveTheRecord)
{
    TempDir dir;
    std::vector<std::uint8_t> rom = RandomFiller(3000, 4);
    PutBytes(rom, 100, "BGBM01");
    PutBytes(rom, 2980, "RGBC02"); // 14 of 21 colour bytes present
    WriteBytes(dir.File("rom"), rom);

    TColorTable t{};
    t[0] = TGbaColor{5, 5, 5};
    const TColorTable tBefore = t;
    TBackgroundBlock b;
    b.Header = 0x77;
    b.Picture.SetPixels(10, 10, 3);
    const TBackgroundBlock bBefore = b;
    try {
        ReadColorBlock(dir.File("rom"), t, nullptr);
        FAIL() << "no error";
    } catch (const KelpError &e) {
        EXPECT_NE(std::string(e.what()).find(dir.File("rom")), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("past the end"), std::string::npos) << e.what();
    }
    EXPECT_THROW(ReadBackgroundBlock(dir.File("rom"), b, nullptr), KelpError);
    EXPECT_EQ(t, tBefore);
    EXPECT_EQ(b.Header, bBefore.Header);
    EXPECT_EQ(b.Picture, bBefore.Picture);
    EXPECT_EQ(ReadBytes(dir.File("rom")), rom);
}

TEST(RomBlocks, WritePastTheEndExtendsTheFile)
{
    TempDir dir;
    std::vector<std::uint8_t> rom = RandomFiller(500, 5);
    PutBytes(rom, 490, "RGBC02"); // four data bytes present, seventeen missing
    WriteBytes(dir.File("rom"), rom);
    TColorTable t{};
    t[6] = TGbaColor{7, 8, 9};
    ASSERT_TRUE(WriteColorBlock(dir.File("rom"), t, nullptr));
    const auto after = ReadBytes(dir.File("rom"));
    ASSERT_EQ(after.size(), 517u);
    EXPECT_TRUE(std::equal(rom.begin(), rom.begin() + 496, after.begin()));
    EXPECT_EQ(after[516], 9);
}

TEST(RomBlocks, FileHeldByAnotherProgramRaisesNamingIt)
{
    TempDir dir;
    WriteBytes(dir.File("rom"), MakeRom(2000, 10, 100));
    const int fd = ::open(dir.File("rom").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    TColorTable t{};
    try {
        WriteColorBlock(dir.File("rom"), t, nullptr);
        ADD_FAILURE() << "no error";
    } catch (const KelpError &e) {
        EXPECT_NE(std::string(e.what()).find("cannot open " + dir.File("rom")), std::string::npos) << e.what();
    }
    ::close(fd);
    EXPECT_TRUE(WriteColorBlock(dir.File("rom"), t, nullptr)); // released again after the failure
}
