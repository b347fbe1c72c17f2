// The bundled plug-in, found by the editor's normal search (the program's own
// folder, no setting), against files written by other encoders.
#include "TestSupport.h"
#include "base/KelpError.h"
#include "import/PictureLoading.h"
#include "import/SusiePlugins.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace kelp;
using kelptest::ReadBytes;
using kelptest::TempDir;
using testing::HasSubstr;

namespace {

struct TFixtures {
    TempDir dir;
    std::vector<std::string> files;
    TFixtures()
    {
        const auto gen = kelptest::RunProgram("/usr/bin/python3",
                                              {KELP_FIXTURES_DIR "/picture_formats.py", dir.Path().string()});
        if (gen.exitCode != 0)
            throw std::runtime_error("picture_formats.py failed: " + gen.err);
        std::ifstream manifest(dir.File("manifest"));
        for (std::string line; std::getline(manifest, line);)
            files.push_back(line);
    }
};

// The first pixel that differs, or "" when the picture holds the reference's RGB rows.
std::string Compare(const TNkDIB &dib, const std::string &refFile)
{
    const std::vector<std::uint8_t> ref = ReadBytes(refFile);
    const int w = ref[0] | ref[1] << 8, h = ref[4] | ref[5] << 8;
    if (dib.Width() != w || dib.Height() != h || dib.BitCount() != 24)
        return "size " + std::to_string(dib.Width()) + "x" + std::to_string(dib.Height()) + " at " +
               std::to_string(dib.BitCount()) + " bits";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint8_t *p = dib.ScanLine(y) + 3 * x;
            const std::uint8_t *q = ref.data() + 8 + 3 * (static_cast<std::size_t>(y) * w + x);
            if (p[2] != q[0] || p[1] != q[1] || p[0] != q[2])
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is " + std::to_string(p[2]) +
                       "," + std::to_string(p[1]) + "," + std::to_string(p[0]) + ", wanted " + std::to_string(q[0]) +
                       "," + std::to_string(q[1]) + "," + std::to_string(q[2]);
        }
    return {};
}

} // namespace

TEST(KelpImagePlugin, ListsItsFormatsForTheImportFilter)
{
    TSPIs spis(PluginFolders(""));
    ASSERT_EQ(spis.Count(), 1u) << "kelpimage.spi next to the test program";
    const TSPI &p = spis.Plugins()[0];
    EXPECT_EQ(p.Kind(), TSpiKind::Import);
    EXPECT_THAT(p.MaskList(), testing::ElementsAre("*.png", "*.jpg;*.jpeg;*.jpe;*.jfif", "*.gif", "*.webp", "*.tif;*.tiff"));
    EXPECT_THAT(p.TypeNameList(), testing::ElementsAre("PNG", "JPEG", "GIF", "WebP", "TIFF"));
}

TEST(KelpImagePlugin, EveryFormatLoadsAsTheReferenceShowsIt)
{
    TFixtures fx;
    ASSERT_GE(fx.files.size(), 30u);
    TSPIs spis(PluginFolders(""));
    for (const std::string &name : fx.files) {
        SCOPED_TRACE(name);
        TNkDIB dib;
        ASSERT_NO_THROW(ReadPictureFile(fx.dir.File(name), dib, spis));
        EXPECT_EQ(Compare(dib, fx.dir.File(std::filesystem::path(name).stem().string() + ".rgb")), "");
    }
}

TEST(KelpImagePlugin, WithoutPluginsOnlyBitmapsLoad)
{
    TFixtures fx;
    TempDir empty;
    TSPIs spis({empty.Path().string()});
    for (const std::string &name : fx.files) {
        TNkDIB dib;
        try {
            ReadPictureFile(fx.dir.File(name), dib, spis);
            ADD_FAILURE() << name << " loaded";
        } catch (const KelpError &e) {
            EXPECT_EQ(std::string(e.what()), "Susie Plugins could not decode: " + fx.dir.File(name));
        }
    }
}

// Damaged files of every format end in a clear error or a picture, never a crash.
TEST(KelpImagePlugin, DamagedFilesFailCleanly)
{
    TFixtures fx;
    TSPIs spis(PluginFolders(""));
    TempDir dir;
    int refused = 0;
    for (const std::string &name : fx.files) {
        const std::vector<std::uint8_t> bytes = ReadBytes(fx.dir.File(name));
        std::vector<std::vector<std::uint8_t>> damaged = {
            {bytes.begin(), bytes.begin() + 40},                          // cut inside the headers
            {bytes.begin(), bytes.begin() + bytes.size() / 2},            // cut half way
        };
        std::vector<std::uint8_t> scrambled = bytes;
        for (std::size_t i = 24; i < scrambled.size(); i += 7)
            scrambled[i] ^= 0x5A;
        damaged.push_back(scrambled);
        for (std::size_t k = 0; k < damaged.size(); ++k) {
            SCOPED_TRACE(name + " damage " + std::to_string(k));
            const std::string file = dir.File("damaged" + std::filesystem::path(name).extension().string());
            kelptest::WriteBytes(file, damaged[k]);
            TNkDIB dib;
            try {
                ReadPictureFile(file, dib, spis);
                EXPECT_EQ(dib.BitCount(), 24);
            } catch (const KelpError &e) {
                EXPECT_EQ(std::string(e.what()), "Susie Plugins could not decode: " + file);
                ++refused;
            }
        }
    }
    EXPECT_GT(refused, 30);
}
