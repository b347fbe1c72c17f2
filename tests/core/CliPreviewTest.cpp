#include "app/PreviewCompositor.h"
#include "rom/RomBlocks.h"
#include "rom/SampleRom.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using kelptest::ReadBytes;
using kelptest::RunCli;
using kelptest::RunProgram;
using kelptest::TempDir;

namespace {

// The PNG's pixels as RGB bytes, decoded by ImageMagick rather than by our own writer's library.
std::vector<std::uint8_t> DecodeRgb(const TempDir &dir, const std::string &png)
{
    const std::string raw = dir.File("decoded.rgb");
    const auto r = RunProgram("/usr/bin/convert", {png, "-depth", "8", "rgb:" + raw});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return ReadBytes(raw);
}

std::vector<std::uint8_t> ExpectedRgb(const std::string &rom, kelp::TPreviewLayers layers)
{
    kelp::TColorTable colors{};
    kelp::TBackgroundBlock bg;
    EXPECT_TRUE(kelp::ReadColorBlock(rom, colors, {}));
    EXPECT_TRUE(kelp::ReadBackgroundBlock(rom, bg, {}));
    const kelp::TNkDIB out = kelp::ComposePreview(colors, bg, kelp::TMockPictures{}, layers);
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x) {
            const std::uint8_t *p = out.ScanLine(y) + 3 * x;
            rgb.insert(rgb.end(), {p[2], p[1], p[0]});
        }
    return rgb;
}

} // namespace

TEST(CliPreview, WritesTheComposedScreen)
{
    TempDir dir;
    const std::string rom = dir.File("txt.bin");
    kelp::WriteSampleRom(rom);
    struct Case {
        std::vector<std::string> flags;
        kelp::TPreviewLayers layers;
    } cases[] = {
        {{}, {}},
        {{"--no-bg"}, {true, false, true, true}},
        {{"--no-system"}, {true, true, false, true}},
        {{"--no-bg", "--no-system"}, {true, false, false, true}},
    };
    std::vector<std::vector<std::uint8_t>> seen;
    for (const Case &c : cases) {
        const std::string png = dir.File("out.png");
        std::vector<std::string> args{"preview", rom, png};
        args.insert(args.end(), c.flags.begin(), c.flags.end());
        const auto r = RunCli(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::vector<std::uint8_t> rgb = DecodeRgb(dir, png);
        ASSERT_EQ(rgb.size(), 240u * 160u * 3u);
        EXPECT_TRUE(rgb == ExpectedRgb(rom, c.layers));
        for (const auto &other : seen)
            EXPECT_FALSE(rgb == other); // each layer choice shows on the picture
        seen.push_back(rgb);
    }
}

TEST(CliPreview, ExitStatuses)
{
    TempDir dir;
    const std::string rom = dir.File("txt.bin");
    kelp::WriteSampleRom(rom);
    std::vector<std::uint8_t> noBackground = ReadBytes(rom);
    for (std::size_t i = 0; i + 6 <= noBackground.size(); ++i)
        if (std::equal(noBackground.begin() + i, noBackground.begin() + i + 6, "BGBM01"))
            noBackground[i] = 'x';
    kelptest::WriteBytes(dir.File("nobg.bin"), noBackground);

    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"preview", rom}, 2, "Usage"},
        {{"preview", rom, dir.File("a.png"), "--zoom"}, 2, "Usage"},
        {{"preview", dir.File("missing.bin"), dir.File("a.png")}, 1, "が見つかりませんでした。"},
        {{"preview", dir.File("nobg.bin"), dir.File("a.png")}, 1, "BGBMIDが見つかりませんでした。"},
        {{"preview", rom, dir.File("no/such/folder.png")}, 3, "no/such/folder.png"},
    };
    for (const Case &c : cases) {
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, c.status) << c.args.back();
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.png"))); // nothing written on a failure
    EXPECT_EQ(RunCli({"preview", "--help"}).exitCode, 0);
}
