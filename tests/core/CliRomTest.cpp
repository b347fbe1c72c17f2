#include "color/ColorText.h"
#include "rom/SampleRom.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using kelptest::ExpectOnlyRangeChanged;
using kelptest::PutBytes;
using kelptest::RandomFiller;
using kelptest::ReadBytes;
using kelptest::RunCli;
using kelptest::TempDir;
using kelptest::WriteBytes;

namespace {

constexpr std::size_t ColorAt = 7000, BgAt = 1200;

std::vector<std::uint8_t> MakeRom(std::uint32_t seed)
{
    std::vector<std::uint8_t> rom = RandomFiller(40000, seed);
    PutBytes(rom, ColorAt, "RGBC02");
    PutBytes(rom, BgAt, "BGBM01");
    // Keep the block data in range, as the editor writes it.
    for (std::size_t i = 0; i < 21; ++i)
        rom[ColorAt + 6 + i] &= 31;
    for (std::size_t i = 0; i < 48; ++i)
        rom[BgAt + 20 + i] &= 31;
    for (std::size_t i = 0; i < 12; ++i)
        rom[BgAt + 8 + i] = 0;
    return rom;
}

} // namespace

TEST(CliRom, EditsChangeOnlyBlockBytes)
{
    struct Case {
        std::vector<std::string> args; // ROM is inserted after the command name
        std::size_t offset, length;
        std::vector<std::pair<std::size_t, std::uint8_t>> expected;
    } cases[] = {
        {{"set-color", "TextChar", "FF8040"}, ColorAt + 6, 21, {{ColorAt + 9, 31}, {ColorAt + 10, 16}, {ColorAt + 11, 8}}},
        {{"set-color", "6", "$070808"}, ColorAt + 6, 21, {{ColorAt + 24, 0}, {ColorAt + 25, 1}, {ColorAt + 26, 1}}},
        {{"theme", "system-white-bg"}, ColorAt + 6, 21, {{ColorAt + 15, 31}, {ColorAt + 18, 0}, {ColorAt + 21, 14}, {ColorAt + 24, 21}}},
        {{"theme", "text-black-bg"}, ColorAt + 6, 21, {{ColorAt + 6, 0}, {ColorAt + 9, 31}}},
        {{"set-blend", "--type", "0", "--text-alpha", "12", "--bg-alpha=5"}, BgAt + 6, 20542, {{BgAt + 12, 12}, {BgAt + 16, 5}}},
        {{"set-blend", "--bg-alpha", "16"}, BgAt + 6, 20542, {{BgAt + 12, 0}, {BgAt + 16, 16}}},
    };
    TempDir dir;
    std::uint32_t seed = 10;
    for (const Case &c : cases) {
        const auto rom = MakeRom(seed++);
        WriteBytes(dir.File("txt.bin"), rom);
        std::vector<std::string> args = c.args;
        args.insert(args.begin() + 1, dir.File("txt.bin"));
        const auto r = RunCli(args);
        EXPECT_EQ(r.exitCode, 0) << c.args[0] << ": " << r.err;
        const auto after = ReadBytes(dir.File("txt.bin"));
        ExpectOnlyRangeChanged(rom, after, c.offset, c.length);
        for (auto [at, value] : c.expected)
            EXPECT_EQ(after[at], value) << c.args[0] << " byte " << at;
    }
}

TEST(CliRom, CopySettingsWritesBothBlocksOfTheSource)
{
    TempDir dir;
    const auto from = MakeRom(1);
    std::vector<std::uint8_t> to = RandomFiller(30000, 2);
    PutBytes(to, 25000, "RGBC02");
    PutBytes(to, 300, "BGBM01");
    WriteBytes(dir.File("old.bin"), from);
    WriteBytes(dir.File("new.bin"), to);
    const auto r = RunCli({"copy-settings", dir.File("old.bin"), dir.File("new.bin")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto expected = to;
    std::copy_n(from.begin() + ColorAt + 6, 21, expected.begin() + 25006);
    std::copy_n(from.begin() + BgAt + 6, 20542, expected.begin() + 306);
    EXPECT_EQ(ReadBytes(dir.File("new.bin")), expected);
    EXPECT_EQ(ReadBytes(dir.File("old.bin")), from);
}

TEST(CliRom, FailuresAndTheirExitStatuses)
{
    TempDir dir;
    std::vector<std::uint8_t> noMarkers = RandomFiller(1000, 3);
    WriteBytes(dir.File("plain.bin"), noMarkers);
    std::vector<std::uint8_t> truncated = RandomFiller(2000, 4);
    PutBytes(truncated, 100, "BGBM01");
    PutBytes(truncated, 1990, "RGBC02");
    WriteBytes(dir.File("short.bin"), truncated);
    const std::string missing = dir.File("missing.bin");

    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string errContains;
    } cases[] = {
        {{"info", missing}, 1, "ファイル[" + missing + "]が見つかりませんでした。"},
        {{"set-color", dir.File("plain.bin"), "TextBG", "FFFFFF"}, 1, "RGBCIDが見つかりませんでした。\n"},
        {{"set-blend", dir.File("plain.bin"), "--bg-alpha", "3"}, 1, "BGBMIDが見つかりませんでした。\n"},
        {{"set-color", dir.File("short.bin"), "TextBG", "FFFFFF"}, 3, "past the end"},
        {{"set-color", dir.File("short.bin"), "Nope", "FFFFFF"}, 2, "unknown colour role"},
        {{"set-color", dir.File("short.bin"), "TextBG", "FFFF"}, 2, "BBGGRR"},
        {{"set-blend", dir.File("short.bin"), "--text-alpha", "17"}, 2, "0 to 16"},
        {{"theme", dir.File("short.bin"), "pink"}, 2, "unknown theme"},
        {{"info"}, 2, "Usage"},
        {{"frobnicate"}, 2, "unknown command"},
        {{"info", dir.File("short.bin"), "--colour"}, 2, "unknown option"},
    };
    for (const Case &c : cases) {
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[0] << " " << r.err;
        EXPECT_NE(r.err.find(c.errContains), std::string::npos) << c.args[0] << ": " << r.err;
    }
    // Nothing was written by any failure.
    EXPECT_EQ(ReadBytes(dir.File("plain.bin")), noMarkers);
    EXPECT_EQ(ReadBytes(dir.File("short.bin")), truncated);
}

TEST(CliRom, SampleRomRoundTripsThroughInfo)
{
    TempDir dir;
    ASSERT_EQ(RunCli({"sample-rom", dir.File("txt.bin")}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir.File("txt.bin")), kelp::MakeSampleRom());
    // The shipped sample is exactly what the command makes.
    EXPECT_EQ(ReadBytes(KELP_SOURCE_DIR "/samples/txt.bin"), kelp::MakeSampleRom());

    const auto json = RunCli({"info", dir.File("txt.bin"), "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const kelp::TColorTable colors = kelp::SampleColors();
    const kelp::TBackgroundBlock bg = kelp::SampleBackground();
    const auto has = [&](const std::string &s) { return json.out.find(s) != std::string::npos; };
    char buf[160];
    std::snprintf(buf, sizeof buf, "{\"role\": \"TextBG\", \"blue\": %d, \"green\": %d, \"red\": %d", colors[0].Blue,
                  colors[0].Green, colors[0].Red);
    EXPECT_TRUE(has(buf)) << json.out;
    std::snprintf(buf, sizeof buf, "\"textAlpha\": %d,\n    \"bgAlpha\": %d", bg.TextAlpha, bg.BGAlpha);
    EXPECT_TRUE(has(buf)) << json.out;
    EXPECT_TRUE(has("\"header\": 1,"));
    EXPECT_TRUE(has("\"blendType\": 0,"));
    for (int i = 0; i < 16; ++i) {
        const kelp::TGbaColor g = kelp::ColorToGba(bg.Picture.Colors(i));
        std::snprintf(buf, sizeof buf, "{\"index\": %d, \"blue\": %d, \"green\": %d, \"red\": %d", i, g.Blue, g.Green,
                      g.Red);
        EXPECT_TRUE(has(buf)) << buf;
    }

    const auto text = RunCli({"info", dir.File("txt.bin")});
    ASSERT_EQ(text.exitCode, 0);
    EXPECT_NE(text.out.find(kelp::ColorListText(colors[kelp::SystemFrameMask], "SystemFrameMask")), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("Type:0 加色合成"), std::string::npos);
}

TEST(CliRom, HelpOnEveryCommand)
{
    for (const char *cmd : {"info", "set-color", "theme", "set-blend", "copy-settings", "sample-rom"}) {
        const auto r = RunCli({cmd, "--help"});
        EXPECT_EQ(r.exitCode, 0) << cmd;
        EXPECT_NE(r.out.find(std::string("Usage: kelpview-cli ") + cmd), std::string::npos) << r.out;
    }
    EXPECT_EQ(RunCli({"--help"}).exitCode, 0);
}
