#include "TestSupport.h"
#include "base/KelpError.h"
#include "import/PictureLoading.h"
#include "import/SusiePlugins.h"
#include "picture/BitmapReader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace kelp;
using kelptest::TempDir;
using testing::ElementsAre;
using testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

std::string TestPlugin(const std::string &name) { return std::string(KELP_TEST_PLUGIN_DIR) + "/" + name + ".spi"; }

// A folder holding copies of the named test plug-ins.
std::string PluginFolder(const TempDir &dir, const std::string &folder, const std::vector<std::string> &names)
{
    const fs::path path = dir.Path() / folder;
    fs::create_directories(path);
    for (const std::string &n : names)
        fs::copy_file(TestPlugin(n), path / (n + ".spi"));
    return path.string();
}

std::string Canonical(const std::string &path) { return fs::weakly_canonical(path).string(); }

std::vector<std::uint8_t> Magic() { return {'K', 'E', 'L', 'P', 'T', 'E', 'S', 'T'}; }

// The colour of the 2x1 picture a test plug-in hands back, as TColor.
TColor DecodedColor(const TSPIs &spis, const std::string &file)
{
    TNkDIB dib;
    if (!spis.DecodePicture(file, dib))
        return 0xFFFFFFFF;
    dib.SetPixelFormat(TPixelFormat::pf24bit);
    return dib.Pixels(1, 0);
}

// Collects the test plug-ins' call log for one test.
class CallLog {
public:
    explicit CallLog(const TempDir &dir) : path_(dir.File("calls.log")) { ::setenv("KELP_TESTPLUGIN_LOG", path_.c_str(), 1); }
    ~CallLog() { ::unsetenv("KELP_TESTPLUGIN_LOG"); }
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::ifstream in(path_);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    void Clear() const { fs::remove(path_); }

private:
    std::string path_;
};

} // namespace

TEST(SusiePlugins, KindsFollowTheVersionTextAndListsArePairs)
{
    TempDir dir;
    const std::string folder = PluginFolder(dir, "p", {"import_b", "archive", "export", "unknown"});
    TSPIs spis({folder});
    ASSERT_EQ(spis.Count(), 4u);
    EXPECT_TRUE(spis.Refusals().empty());
    std::map<std::string, const TSPI *> byName;
    for (const TSPI &p : spis.Plugins())
        byName[fs::path(p.ModuleFileName()).filename().string()] = &p;
    EXPECT_EQ(byName.at("import_b.spi")->Kind(), TSpiKind::Import);
    EXPECT_EQ(byName.at("archive.spi")->Kind(), TSpiKind::Archive);
    EXPECT_EQ(byName.at("export.spi")->Kind(), TSpiKind::Export);
    EXPECT_EQ(byName.at("unknown.spi")->Kind(), TSpiKind::Plain);
    EXPECT_EQ(byName.at("unknown.spi")->ApiVersion(), "99ZZ");
    EXPECT_THAT(byName.at("import_b.spi")->MaskList(), ElementsAre("*.other;*.TST"));
    EXPECT_THAT(byName.at("import_b.spi")->TypeNameList(), ElementsAre("Test B"));
    EXPECT_THAT(byName.at("archive.spi")->MaskList(), ElementsAre("*.lzh"));
    EXPECT_TRUE(byName.at("export.spi")->MaskList().empty());
    EXPECT_EQ(byName.at("import_b.spi")->ModuleFileName(), Canonical(folder + "/import_b.spi"));
}

// Start-up goes on: the refused plug-ins are named, the others load, and files
// that are no libraries are passed over in silence.
TEST(SusiePlugins, MissingFunctionsAreRefusedAndTheSearchGoesOn)
{
    TempDir dir;
    const std::string folder =
        PluginFolder(dir, "p", {"import_a", "no_getpicture", "no_getfile", "no_plugininfo"});
    kelptest::WriteBytes(folder + "/garbage.spi", {'n', 'o', 't', ' ', 'E', 'L', 'F'});
    fs::create_directory(folder + "/folder.spi");
    fs::copy_file(TestPlugin("import_b"), folder + "/import_b.dll");
    TSPIs spis({folder});
    ASSERT_EQ(spis.Count(), 1u);
    EXPECT_EQ(spis.Plugins()[0].ModuleFileName(), Canonical(folder + "/import_a.spi"));
    std::vector<std::string> refusals = spis.Refusals();
    std::sort(refusals.begin(), refusals.end());
    EXPECT_THAT(refusals, ElementsAre("GetFileは[" + Canonical(folder + "/no_getfile.spi") + "]では使えないSusie Plugin APIです",
                                      "GetPictureは[" + Canonical(folder + "/no_getpicture.spi") +
                                          "]では使えないSusie Plugin APIです",
                                      "GetPluginInfoは[" + Canonical(folder + "/no_plugininfo.spi") +
                                          "]では使えないSusie Plugin APIです"));
}

TEST(SusiePlugins, OneManagerPerProcessAndEachFileLoadedOnce)
{
    TempDir dir;
    const std::string folder = PluginFolder(dir, "p", {"import_a", "import_b"});
    fs::create_directory(dir.Path() / "link");
    fs::create_symlink(folder + "/import_a.spi", dir.Path() / "link" / "alias.spi");
    {
        // The same folder with and without its trailing separator, and a link to one of its files.
        TSPIs spis({folder, folder + "/", (dir.Path() / "link").string(), (dir.Path() / "missing").string()});
        EXPECT_EQ(spis.Count(), 2u);
        try {
            TSPIs second({});
            ADD_FAILURE() << "a second manager was made";
        } catch (const KelpError &e) {
            EXPECT_STREQ(e.what(), "TSPIs は複数生成できません");
        }
    }
    TSPIs again({}); // the first one is gone
    EXPECT_EQ(again.Count(), 0u);
}

// Plug-ins that declare the extension go first, the last loaded of them first;
// offsets 0 and 128 are tried in turn, GetPictureInfo always before GetPicture.
TEST(SusiePlugins, CandidateOrderOffsetsAndCalls)
{
    TempDir dir;
    CallLog log(dir);
    const std::string first = PluginFolder(dir, "first", {"import_a"});
    const std::string second = PluginFolder(dir, "second", {"import_b"});
    TSPIs spis({first, second});

    std::vector<std::uint8_t> bytes = Magic();
    kelptest::WriteBytes(dir.File("x.tst"), bytes);
    kelptest::WriteBytes(dir.File("X.TST"), bytes);
    kelptest::WriteBytes(dir.File("x.dat"), bytes);
    kelptest::WriteBytes(dir.File("noext"), bytes);
    EXPECT_EQ(DecodedColor(spis, dir.File("x.tst")), MakeColor(0, 0xBB, 0)); // both declare it: b was loaded last
    EXPECT_EQ(DecodedColor(spis, dir.File("X.TST")), MakeColor(0, 0xBB, 0));
    EXPECT_EQ(DecodedColor(spis, dir.File("x.dat")), MakeColor(0xAA, 0, 0)); // nobody declares it: load order
    EXPECT_EQ(DecodedColor(spis, dir.File("noext")), MakeColor(0xAA, 0, 0));

    // MacBinary: the picture starts 128 bytes in.
    std::vector<std::uint8_t> mac(128 + bytes.size(), 0x11);
    std::copy(bytes.begin(), bytes.end(), mac.begin() + 128);
    kelptest::WriteBytes(dir.File("mac.dat"), mac);
    log.Clear();
    EXPECT_EQ(DecodedColor(spis, dir.File("mac.dat")), MakeColor(0xAA, 0, 0));
    EXPECT_THAT(log.Lines(), ElementsAre("import_a IsSupported -1 no", "import_a IsSupported -1 yes",
                                         "import_a GetPictureInfo 128", "import_a GetPicture 128 progress=0"));
    spis.MacBinary = false;
    EXPECT_EQ(DecodedColor(spis, dir.File("mac.dat")), 0xFFFFFFFFu);
}

// IsSupported says yes but GetPicture fails (leaving blocks the host must free):
// the next candidate decodes the file.
TEST(SusiePlugins, AFailingGetPictureFallsThrough)
{
    TempDir dir;
    CallLog log(dir);
    TSPIs spis({PluginFolder(dir, "first", {"import_a"}), PluginFolder(dir, "second", {"import_fail"})});
    kelptest::WriteBytes(dir.File("x.tst"), Magic());
    EXPECT_EQ(DecodedColor(spis, dir.File("x.tst")), MakeColor(0xAA, 0, 0));
    EXPECT_THAT(log.Lines(), ElementsAre("import_fail IsSupported -1 yes", "import_fail GetPictureInfo 0",
                                         "import_fail GetPicture 0 progress=0", "import_fail IsSupported -1 no",
                                         "import_a IsSupported -1 yes", "import_a GetPictureInfo 0",
                                         "import_a GetPicture 0 progress=0"));
}

TEST(SusiePlugins, SettingFileGivesTheSusieFolder)
{
    TempDir dir;
    const char *old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    EXPECT_EQ(ReadSusieFolderSetting(), ""); // no file
    fs::create_directories(dir.Path() / "Susie");
    struct Case {
        const char *text, *path;
    } cases[] = {
        {"[General]\nPath=/opt/susie/plugins\n", "/opt/susie/plugins"},
        {"[Other]\nPath=/no\n\n[General]\r\nPath = \"/with space/and \\\"quote\\\"\"\r\n", "/with space/and \"quote\""},
        {"[General]\nPath=\n", ""},
        {"[Other]\nPath=/no\n", ""},
    };
    for (const Case &c : cases) {
        std::ofstream(dir.Path() / "Susie" / "Plug-in.conf") << c.text;
        EXPECT_EQ(ReadSusieFolderSetting(), c.path) << c.text;
    }
    if (old)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_THAT(PluginFolders(""), ElementsAre(ProgramFolder()));
    EXPECT_THAT(PluginFolders("/s"), ElementsAre("/s", ProgramFolder()));
}

namespace {

// A 2x2 8-bit bitmap with a grey table: index i is grey i*17.
std::vector<std::uint8_t> SmallBitmap()
{
    std::vector<std::uint8_t> b(14 + 40 + 16 * 4, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = (v >> (8 * i)) & 255;
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(10, 14 + 40 + 64);
    put32(14, 40);
    put32(18, 2);
    put32(22, 2);
    b[26] = 1;
    b[28] = 8;
    put32(46, 16);
    for (int i = 0; i < 16; ++i)
        put32(54 + 4 * i, 0x010101u * (i * 17));
    for (std::uint8_t v : {1, 2, 0, 0, 3, 4, 0, 0}) // bottom row 1 2, top row 3 4
        b.push_back(v);
    return b;
}

} // namespace

TEST(PictureLoading, RoutesByExtensionAndFallsBackToTheBitmapReader)
{
    TempDir dir;
    // The greedy plug-in declares ".bmp" and accepts any file with a fixed colour.
    TSPIs spis({PluginFolder(dir, "p", {"import_greedy"})});
    for (const char *name : {"pic.bmp", "PIC.BMP", "pic.dat"})
        kelptest::WriteBytes(dir.File(name), SmallBitmap());

    for (const char *name : {"pic.bmp", "PIC.BMP"}) { // the bitmap reader, never the plug-in
        TNkDIB dib;
        ReadPictureFile(dir.File(name), dib, spis);
        EXPECT_EQ(dib.BitCount(), 24) << name;
        EXPECT_EQ(dib.Pixels(0, 0), MakeColor(51, 51, 51)) << name;
        EXPECT_EQ(dib.Pixels(1, 1), MakeColor(34, 34, 34)) << name;
    }
    TNkDIB dib;
    ReadPictureFile(dir.File("pic.dat"), dib, spis);
    EXPECT_EQ(dib.Pixels(0, 0), 0xEFCDABu); // TColor of red AB, green CD, blue EF
}

TEST(PictureLoading, ErrorsNameTheFileAndLeaveThePictureUnchanged)
{
    TempDir dir;
    TSPIs spis({PluginFolder(dir, "p", {"import_a", "archive"})});
    kelptest::WriteBytes(dir.File("nobody.tst"), {'n', 'o', 'p', 'e'});
    kelptest::WriteBytes(dir.File("empty.png"), {});
    kelptest::WriteBytes(dir.File("bitmap.dat"), SmallBitmap());
    std::vector<std::uint8_t> broken = SmallBitmap();
    broken.resize(broken.size() - 3);
    kelptest::WriteBytes(dir.File("broken.BMP"), broken);
    fs::create_directory(dir.Path() / "folder.png");
    struct Case {
        std::string file, error;
    } cases[] = {
        {dir.File("nobody.tst"), "Susie Plugins could not decode: " + dir.File("nobody.tst")},
        {dir.File("empty.png"), "Susie Plugins could not decode: " + dir.File("empty.png")},
        {dir.File("missing.png"), "cannot open " + dir.File("missing.png") + ": No such file or directory"},
        {dir.File("folder.png"), "cannot open " + dir.File("folder.png") + ": not a regular file"},
        {dir.File("broken.BMP"), "cannot read bitmap " + dir.File("broken.BMP") + ": the pixel data ends early (5 of 8 bytes)"},
    };
    for (const Case &c : cases) {
        TNkDIB dib(3, 3, 24);
        dib.SetPixels(1, 1, 0x123456);
        const TNkDIB before = dib;
        try {
            ReadPictureFile(c.file, dib, spis);
            ADD_FAILURE() << c.file << " loaded";
        } catch (const KelpError &e) {
            EXPECT_EQ(std::string(e.what()), c.error);
        }
        EXPECT_EQ(dib, before) << c.file;
    }
    // A bitmap under another name loads after every plug-in refused it.
    TNkDIB dib;
    ReadPictureFile(dir.File("bitmap.dat"), dib, spis);
    EXPECT_EQ(dib.Pixels(1, 0), MakeColor(68, 68, 68));
}
