#include "app/PreviewCompositor.h"

#include <gtest/gtest.h>

#include <set>

using namespace kelp;

namespace {

// A text page of one value everywhere and an empty system layer, so every
// preview pixel is the blend of one text colour and one background value.
TMockPictures UniformMocks(std::uint8_t textValue)
{
    TMockPictures mocks;
    for (int y = 0; y < ScreenHeight; ++y)
        for (int x = 0; x < ScreenWidth; ++x) {
            mocks.TextPage.ScanLine(y)[x] = textValue;
            mocks.SystemLayer.ScanLine(y)[x] = 0;
        }
    return mocks;
}

TBackgroundBlock UniformBackground(std::uint8_t value, TColor color, int textAlpha, int bgAlpha)
{
    TBackgroundBlock bg;
    bg.TextAlpha = textAlpha;
    bg.BGAlpha = bgAlpha;
    bg.Picture.SetColors(value, color);
    for (int y = 0; y < BackgroundHeight; ++y)
        for (int x = 0; x < BackgroundWidth; ++x)
            bg.Picture.ScanLine(y)[x] = value;
    return bg;
}

TBgrTriple At(const TNkDIB &pic, int x, int y) { return reinterpret_cast<const TBgrTriple *>(pic.ScanLine(y))[x]; }

TColorTable TextColors(std::uint8_t red5)
{
    TColorTable colors{};
    colors[TextBG] = MakeGbaColor(red5, 0, 0);
    colors[TextChar] = MakeGbaColor(0, 31, 0);
    colors[TabChar] = MakeGbaColor(0, 0, 31);
    colors[SystemBG] = MakeGbaColor(1, 2, 3);
    colors[SystemText] = MakeGbaColor(4, 5, 6);
    colors[SystemFrameBright] = MakeGbaColor(7, 8, 9);
    colors[SystemFrameMask] = MakeGbaColor(10, 11, 12);
    return colors;
}

} // namespace

TEST(PreviewCompositor, AdditiveBlendPerChannel)
{
    struct Case {
        int textAlpha, bgAlpha;
        std::uint8_t text5;   // TextBG red, 5 bits (widened by 8)
        std::uint8_t bgRed;   // background red, 8 bits as it stands
        bool emu;
        std::uint8_t expected;
    } cases[] = {
        {16, 0, 25, 100, true, 200},   // no background at all
        {0, 16, 25, 101, true, 96},    // the background alone, then reduced
        {16, 16, 25, 100, true, 248},  // 300 held at 255, shown as 248
        {16, 16, 25, 100, false, 255},
        {8, 8, 25, 101, true, 144},    // 100 + 50 = 150
        {8, 8, 25, 101, false, 150},
        {8, 8, 25, 15, false, 107},    // 100 + 7: each quotient truncated on its own
        {1, 0, 1, 200, true, 0},       // 8 * 1 / 16 truncates to 0
        {-16, 0, 25, 100, false, 0},   // a damaged negative alpha stays at 0
        {-16, 16, 25, 255, false, 55}, // -200 + 255
        {2147483647, 0, 25, 0, false, 255},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.textAlpha << "/" << c.bgAlpha << " text " << int(c.text5) * 8
                                        << " bg " << int(c.bgRed));
        const TBackgroundBlock bg = UniformBackground(5, MakeColor(c.bgRed, 0, 0), c.textAlpha, c.bgAlpha);
        const TNkDIB out = ComposePreview(TextColors(c.text5), bg, UniformMocks(MockTextBG),
                                          TPreviewLayers{true, true, true, c.emu});
        EXPECT_EQ(At(out, 0, 0).Red, c.expected);
        EXPECT_EQ(At(out, 239, 159).Red, c.expected);
        EXPECT_EQ(At(out, 100, 50).Green, 0);
    }
}

TEST(PreviewCompositor, ValueZeroIsTransparentAndOtherBlendTypesSkipTheBackground)
{
    const TColorTable colors = TextColors(25);
    const TMockPictures mocks;
    TBackgroundBlock plain = UniformBackground(0, MakeColor(255, 255, 255), 0, 16);
    const TNkDIB withoutBackground = ComposePreview(colors, plain, mocks, {true, false, true, true});
    EXPECT_TRUE(ComposePreview(colors, plain, mocks, {}) == withoutBackground);

    TBackgroundBlock picture = UniformBackground(3, MakeColor(255, 255, 255), 0, 16);
    EXPECT_FALSE(ComposePreview(colors, picture, mocks, {}) == withoutBackground);
    for (int type : {1, 2, -1}) {
        picture.BlendType = type;
        EXPECT_TRUE(ComposePreview(colors, picture, mocks, {}) == withoutBackground) << type;
    }
}

TEST(PreviewCompositor, OnlyTheFirst240ColumnsAndSixteenEntriesCount)
{
    const TColorTable colors = TextColors(25);
    const TMockPictures mocks = UniformMocks(MockTextBG);
    TBackgroundBlock bg = UniformBackground(0, 0, 16, 16);
    const TNkDIB before = ComposePreview(colors, bg, mocks, {});
    for (int y = 0; y < BackgroundHeight; ++y)
        for (int x = 240; x < BackgroundWidth; ++x)
            bg.Picture.ScanLine(y)[x] = 7;
    bg.Picture.SetColors(7, MakeColor(255, 255, 255));
    EXPECT_TRUE(ComposePreview(colors, bg, mocks, {}) == before);

    // A value above 15 (a damaged picture) blends black, whatever the palette holds there.
    bg.Picture.ScanLine(0)[0] = 200;
    bg.Picture.SetColors(200, MakeColor(255, 255, 255));
    EXPECT_EQ(At(ComposePreview(colors, bg, mocks, {}), 0, 0).Red, 200);
}

TEST(PreviewCompositor, GbaReductionClearsThreeLowBits)
{
    const TColorTable colors = TextColors(31);
    const TBackgroundBlock bg = UniformBackground(1, MakeColor(0x57, 0x3F, 0x09), 7, 9);
    const TMockPictures mocks;
    const TNkDIB reduced = ComposePreview(colors, bg, mocks, {});
    const TNkDIB exact = ComposePreview(colors, bg, mocks, {true, true, true, false});
    bool anyLowBits = false;
    for (int y = 0; y < ScreenHeight; ++y)
        for (int i = 0; i < ScreenWidth * 3; ++i) {
            EXPECT_EQ(reduced.ScanLine(y)[i], exact.ScanLine(y)[i] & 0xF8);
            anyLowBits |= (exact.ScanLine(y)[i] & 7) != 0;
        }
    EXPECT_TRUE(anyLowBits);
    // TextBG 31 shows as 248.
    const TNkDIB text = ComposePreview(colors, bg, UniformMocks(MockTextBG), {true, false, true, true});
    EXPECT_EQ(At(text, 10, 10).Red, 248);
}

TEST(PreviewCompositor, LayersInFixedOrder)
{
    const TColorTable colors = TextColors(25);
    const TMockPictures mocks;
    // A white background at full strength everywhere.
    const TBackgroundBlock bg = UniformBackground(1, MakeColor(255, 255, 255), 0, 16);
    const TNkDIB out = ComposePreview(colors, bg, mocks, {});
    const TNkDIB noSystem = ComposePreview(colors, bg, mocks, {true, true, false, true});
    // The title bar is drawn over the background, never blended into it.
    EXPECT_EQ(At(out, 120, 0), (TBgrTriple{24, 16, 8}));
    EXPECT_EQ(At(out, 120, 10), (TBgrTriple{72, 64, 56}));
    EXPECT_EQ(At(out, 120, 11), (TBgrTriple{96, 88, 80}));
    EXPECT_EQ(At(noSystem, 120, 0), (TBgrTriple{248, 248, 248}));
    // Between the system parts the blended page shows through.
    EXPECT_EQ(At(out, 120, 40), (TBgrTriple{248, 248, 248}));
    // Without the text layer the background blends over black.
    const TBackgroundBlock half = UniformBackground(1, MakeColor(255, 255, 255), 16, 8);
    EXPECT_EQ(At(ComposePreview(colors, half, mocks, {false, true, false, false}), 120, 40), (TBgrTriple{127, 127, 127}));
}

TEST(MockPictures, ValuesAndLayout)
{
    const TMockPictures mocks;
    std::set<int> textValues, systemValues;
    for (int y = 0; y < ScreenHeight; ++y)
        for (int x = 0; x < ScreenWidth; ++x) {
            textValues.insert(mocks.TextPage.ScanLine(y)[x]);
            systemValues.insert(mocks.SystemLayer.ScanLine(y)[x]);
        }
    EXPECT_EQ(textValues, (std::set<int>{1, 2, 3}));
    EXPECT_EQ(systemValues, (std::set<int>{0, 2, 3, 4, 5}));

    for (int y = 128; y < ScreenHeight; ++y)
        for (int x = 0; x < ScreenWidth; ++x)
            ASSERT_EQ(mocks.TextPage.ScanLine(y)[x], MockTextBG) << x << "," << y;
    // Eight tab marks on the second line, 20 pixels apart from x = 5.
    for (int k = 0; k < 8; ++k) {
        int tabPixels = 0;
        for (int y = 21; y <= 27; ++y)
            for (int x = 5 + 20 * k; x < 5 + 20 * k + 6; ++x)
                tabPixels += mocks.TextPage.ScanLine(y)[x] == MockTabChar;
        EXPECT_GT(tabPixels, 4) << k;
    }

    const TNkDIB &sys = mocks.SystemLayer;
    for (int x = 0; x < ScreenWidth; ++x) {
        EXPECT_EQ(sys.ScanLine(10)[x], MockSystemFrameBright);
        EXPECT_EQ(sys.ScanLine(11)[x], MockSystemFrameMask);
        EXPECT_EQ(sys.ScanLine(50)[x], MockSystemClear);
    }
    EXPECT_EQ(sys.ScanLine(83)[5], MockSystemFrameMask);
    EXPECT_EQ(sys.ScanLine(84)[6], MockSystemFrameBright);
    EXPECT_EQ(sys.ScanLine(144)[234], MockSystemFrameMask);
    EXPECT_EQ(sys.ScanLine(100)[4], MockSystemClear);
    EXPECT_EQ(sys.ScanLine(159)[100], MockSystemFrameMask);
    EXPECT_EQ(sys.ScanLine(147)[100], MockSystemClear);
}

TEST(PaletteStrip, FifteenPixelSwatches)
{
    TNkDIB picture(BackgroundWidth, BackgroundHeight, 8);
    for (int i = 0; i < 256; ++i)
        picture.SetColors(i, MakeColor(static_cast<std::uint8_t>(i), 1, static_cast<std::uint8_t>(255 - i)));
    const TNkDIB strip = DrawPaletteStrip(picture);
    ASSERT_EQ(strip.Width(), 240);
    ASSERT_EQ(strip.Height(), 16);
    for (int x : {0, 14, 15, 29, 225, 239})
        for (int y : {0, 15}) {
            const int i = x / 15;
            EXPECT_EQ(At(strip, x, y), (TBgrTriple{static_cast<std::uint8_t>(255 - i), 1, static_cast<std::uint8_t>(i)}))
                << x;
        }
    // A picture with a 2-entry palette leaves the rest of the strip black.
    picture.SetColorsUsed(2);
    const TNkDIB two = DrawPaletteStrip(picture);
    EXPECT_EQ(At(two, 29, 5), (TBgrTriple{254, 1, 1}));
    EXPECT_EQ(At(two, 30, 5), (TBgrTriple{}));
}
