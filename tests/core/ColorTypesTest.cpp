#include "color/ColorText.h"
#include "color/ColorTypes.h"
#include "color/Themes.h"

#include <gtest/gtest.h>

using namespace kelp;

TEST(ColorConversions, GbaToColorWidensEachChannelByThree)
{
    struct Case {
        TGbaColor in;
        TColor out;
    } cases[] = {
        {{31, 31, 31}, 0xF8F8F8},
        {{31, 0, 0}, 0xF80000}, // blue lands in bits 16..23 only
        {{0, 0, 31}, 0x0000F8},
        {{16, 1, 2}, 0x800810},
        // Damaged bytes above 31 keep their low five bits and never carry.
        {{0x3F, 0x20, 0xFF}, 0xF800F8},
    };
    for (const Case &c : cases)
        EXPECT_EQ(GbaToColor(c.in), c.out) << int(c.in.Blue) << "," << int(c.in.Green) << "," << int(c.in.Red);
}

TEST(ColorConversions, ColorToGbaKeepsTopFiveBitsWithoutRounding)
{
    EXPECT_EQ(ColorToGba(0xFFFFFF), (TGbaColor{31, 31, 31}));
    EXPECT_EQ(ColorToGba(0x070707), (TGbaColor{0, 0, 0}));
    EXPECT_EQ(ColorToGba(0x080808), (TGbaColor{1, 1, 1}));
    EXPECT_EQ(ColorToGba(MakeColor(0x7F, 0x80, 0xFF)), (TGbaColor{31, 16, 15}));
}

TEST(ColorConversions, RoundTripsAllIntensities)
{
    for (int b = 0; b < 32; ++b)
        for (int g = 0; g < 32; ++g)
            for (int r = 0; r < 32; ++r) {
                const TGbaColor c{std::uint8_t(b), std::uint8_t(g), std::uint8_t(r)};
                ASSERT_EQ(ColorToGba(GbaToColor(c)), c);
            }
    for (TColor c : {0x000000u, 0x123456u, 0xFFFFFFu, 0x07F80Fu})
        EXPECT_EQ(GbaToColor(ColorToGba(c)), c & 0xF8F8F8);
}

TEST(ColorConversions, TripleByteOrder)
{
    const TBgrTriple t = ColorToTriple(0x123456);
    EXPECT_EQ(t.Blue, 0x12);
    EXPECT_EQ(t.Green, 0x34);
    EXPECT_EQ(t.Red, 0x56);
    const TBgrTriple m = MakeTriple(21, 14, 7);
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(&m);
    EXPECT_EQ(bytes[0], 7);
    EXPECT_EQ(bytes[1], 14);
    EXPECT_EQ(bytes[2], 21);
}

TEST(ColorText, ListRowText)
{
    EXPECT_EQ(ColorListText(TGbaColor{31, 16, 0}, "TextBG"), "0x00F88000 TextBG");
    EXPECT_EQ(ColorListText(TGbaColor{0, 0, 0}, "SystemFrameMask"), "0x00000000 SystemFrameMask");
    EXPECT_EQ(ColorListText(ColorToGba(MakeColor(0x7F, 0x80, 0xFF)), "TabChar"), "0x00F88078 TabChar");
}

TEST(ColorText, ParsesBlueFirstHex)
{
    EXPECT_EQ(ParseColorHex("FF8000"), std::optional<TColor>(0xFF8000));
    EXPECT_EQ(ParseColorHex("$00ff7f"), std::optional<TColor>(0x00FF7F));
    EXPECT_EQ(ParseColorHex("0x0000FF"), std::optional<TColor>(0x0000FF));
    for (const char *bad : {"", "12345", "1234567", "GG0000", "$", "0x"})
        EXPECT_FALSE(ParseColorHex(bad)) << bad;
}

TEST(Themes, SetOnlyTheirOwnRoles)
{
    TColorTable start{};
    for (int i = 0; i < ColorRoleCount; ++i)
        start[std::size_t(i)] = TGbaColor{std::uint8_t(i + 1), std::uint8_t(i + 2), std::uint8_t(i + 3)};
    auto grey = [](int v) { return TGbaColor{std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)}; };

    TColorTable t = start;
    ApplyTheme(t, TTheme::TextWhiteBG);
    EXPECT_EQ(t[TextBG], grey(31));
    EXPECT_EQ(t[TextChar], grey(0));
    for (int r = TabChar; r < ColorRoleCount; ++r)
        EXPECT_EQ(t[std::size_t(r)], start[std::size_t(r)]);

    t = start;
    ApplyTheme(t, TTheme::SystemBlackBG);
    for (int r = TextBG; r <= TabChar; ++r)
        EXPECT_EQ(t[std::size_t(r)], start[std::size_t(r)]);
    EXPECT_EQ(t[SystemBG], grey(0));
    EXPECT_EQ(t[SystemText], grey(31));
    EXPECT_EQ(t[SystemFrameBright], grey(14));
    EXPECT_EQ(t[SystemFrameMask], grey(21));

    t = start;
    ApplyTheme(t, TTheme::TextBlackBG);
    EXPECT_EQ(t[TextBG], grey(0));
    EXPECT_EQ(t[TextChar], grey(31));
    t = start;
    ApplyTheme(t, TTheme::SystemWhiteBG);
    EXPECT_EQ(t[SystemBG], grey(31));
    EXPECT_EQ(t[SystemText], grey(0));
    EXPECT_EQ(t[TabChar], start[TabChar]);
}
