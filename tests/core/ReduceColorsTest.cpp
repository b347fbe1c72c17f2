#include "PictureBuilders.h"
#include "import/ReduceColors.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace kelp;

namespace {

struct TCollectingSink {
    std::vector<std::string> Texts;
    TMessageSink Sink() { return [this](const std::string &text) { Texts.push_back(text); }; }
};

// Colours as (red, green, blue).
constexpr TColor Black = MakeColor(0, 0, 0);
constexpr TColor Far = MakeColor(255, 255, 255);

// A 240 x 160 true-colour picture: left half one colour, right half another,
// with junk in its colour table that the reduction must not leave behind.
TNkDIB TwoColourPicture(TColor left, TColor right)
{
    TNkDIB picture(240, 160, 24);
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 240; ++x)
            picture.SetPixels(x, y, x < 120 ? left : right);
    for (int i = 0; i < 256; ++i)
        picture.SetColors(i, MakeColor(90, static_cast<std::uint8_t>(i), 33));
    return picture;
}

void ExpectImportResult(const TNkDIB &picture, const std::string &where)
{
    EXPECT_EQ(picture.BitCount(), 8) << where;
    EXPECT_EQ(picture.Width(), 240) << where;
    EXPECT_EQ(picture.Height(), 160) << where;
    EXPECT_EQ(picture.PaletteSize(), 256) << where;
    EXPECT_EQ(picture.Colors(0), Black) << where;
    for (int i = 16; i < 256; ++i)
        ASSERT_EQ(picture.Colors(i), Black) << where << " entry " << i;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 240; ++x)
            ASSERT_LT(picture.Pixels(x, y), 16u) << where;
}

} // namespace

TEST(ReduceColors, TwoColoursEndAtTheTopOfThePaletteWithEntryZeroFree)
{
    const TColor left = MakeColor(200, 30, 40), right = MakeColor(20, 180, 90);
    for (int type : {0, 1, 4, 5}) {
        TNkDIB picture = TwoColourPicture(left, right);
        TCollectingSink sink;
        ASSERT_TRUE(ReduceColors(picture, type, sink.Sink()));
        EXPECT_TRUE(sink.Texts.empty());
        const std::string where = "type " + std::to_string(type);
        ExpectImportResult(picture, where);
        const std::set<TColor> top = {picture.Colors(14), picture.Colors(15)};
        EXPECT_EQ(top, (std::set<TColor>{left, right})) << where;
        for (int i = 1; i < 14; ++i)
            EXPECT_EQ(picture.Colors(i), Black) << where << " entry " << i;
        EXPECT_EQ(picture.Colors(static_cast<int>(picture.Pixels(0, 0))), left) << where;
        EXPECT_EQ(picture.Colors(static_cast<int>(picture.Pixels(239, 159))), right) << where;
    }
}

TEST(ReduceColors, EveryTypeLeavesTheImportResult)
{
    const TNkDIB photo = kelptest::NoisyGradient(240, 160, 21);
    for (int type = 0; type < ReduceTypeCount; ++type) {
        TNkDIB picture = photo;
        TCollectingSink sink;
        ASSERT_TRUE(ReduceColors(picture, type, sink.Sink()));
        ExpectImportResult(picture, "type " + std::to_string(type));
    }
}

TEST(ReduceColors, AReducedPictureIsLeftAlone)
{
    TNkDIB picture(240, 160, 8);
    picture.SetColors(0, MakeColor(1, 2, 3));
    picture.SetPixels(5, 5, 200);
    const TNkDIB before = picture;
    TCollectingSink sink;
    for (int type : {0, 3, 5, 99}) {
        EXPECT_TRUE(ReduceColors(picture, type, sink.Sink()));
        EXPECT_EQ(picture, before);
    }
    EXPECT_TRUE(sink.Texts.empty());
}

TEST(ReduceColors, InvalidTypeIsReportedAndChangesNothing)
{
    const TNkDIB before = TwoColourPicture(MakeColor(1, 2, 3), MakeColor(4, 5, 6));
    for (int type : {-1, 6, 1000}) {
        TNkDIB picture = before;
        TCollectingSink sink;
        EXPECT_FALSE(ReduceColors(picture, type, sink.Sink()));
        EXPECT_EQ(sink.Texts, std::vector<std::string>{"不正な減色タイプが指定されました。"});
        EXPECT_EQ(picture, before);
    }
}

TEST(ReduceColors, WorksOnPicturesOfOtherSizes)
{
    for (int type = 0; type < ReduceTypeCount; ++type) {
        TNkDIB picture = kelptest::NoisyGradient(7, 3, 2);
        TCollectingSink sink;
        ASSERT_TRUE(ReduceColors(picture, type, sink.Sink()));
        EXPECT_EQ(picture.Width(), 7);
        EXPECT_EQ(picture.Height(), 3);
        EXPECT_EQ(picture.Colors(0), Black);
    }
}

TEST(ReduceColors, IndexedPicturesOtherThan8BitAreWidenedFirst)
{
    TNkDIB picture(240, 160, 4);
    picture.SetColors(0, MakeColor(10, 20, 30));
    picture.SetColors(7, MakeColor(220, 200, 180));
    for (int x = 0; x < 240; x += 2)
        picture.SetPixels(x, 3, 7);
    TCollectingSink sink;
    ASSERT_TRUE(ReduceColors(picture, 0, sink.Sink()));
    ExpectImportResult(picture, "4-bit source");
    EXPECT_EQ(picture.Colors(static_cast<int>(picture.Pixels(0, 3))), MakeColor(220, 200, 180));
    EXPECT_EQ(picture.Colors(static_cast<int>(picture.Pixels(1, 3))), MakeColor(10, 20, 30));
}

TEST(ReduceColors, ColorDistanceAddsTheChannelDifferences)
{
    EXPECT_EQ(ColorDistance(MakeColor(200, 0, 0), MakeColor(190, 10, 0)), 20);
    EXPECT_EQ(ColorDistance(Black, Far), 765);
    EXPECT_EQ(ColorDistance(MakeColor(1, 200, 3), MakeColor(1, 200, 3)), 0);
}

// The index-0 fix-up on a 16-colour reduction. `after` lists the palette as it
// stands after the reversal (entry i = the reduction's entry 15 - i), so entry 0
// holds the reduction's last colour; `nearest` is where its pixels must go.
TEST(ReduceColors, IndexZeroFixUp)
{
    struct Case {
        const char *what;
        std::vector<std::pair<int, TColor>> entries; // the others are Far
        TColor former;                               // after[0]
        int nearest;
    } cases[] = {
        {"nearest strictly", {{3, MakeColor(190, 10, 0)}}, MakeColor(200, 0, 0), 3},
        {"black moves to the nearest non-black",
         {{5, Black}, {9, MakeColor(16, 16, 16)}},
         Black,
         9},
        {"nothing nearer than black: stays transparent", {}, MakeColor(4, 4, 4), 0},
        {"ties go to the lower index",
         {{4, MakeColor(110, 100, 100)}, {7, MakeColor(100, 110, 100)}, {11, MakeColor(100, 100, 110)}},
         MakeColor(100, 100, 100),
         4},
        {"an entry of exactly the colour is never chosen",
         {{2, MakeColor(50, 60, 70)}, {6, MakeColor(50, 60, 72)}},
         MakeColor(50, 60, 70),
         6},
    };
    for (const Case &c : cases) {
        std::vector<TColor> after(16, Far);
        after[0] = c.former;
        for (auto [index, color] : c.entries)
            after[static_cast<std::size_t>(index)] = color;
        // The reduction's own picture: pixel x has value x, entry 15 - i = after[i].
        TNkDIB reduced(16, 1, 8);
        for (int x = 0; x < 16; ++x) {
            reduced.SetPixels(x, 0, static_cast<std::uint32_t>(x));
            reduced.SetColors(15 - x, after[static_cast<std::size_t>(x)]);
        }
        reduced.SetColors(16, MakeColor(9, 9, 9)); // not carried over
        FixPalette16(reduced);
        EXPECT_EQ(reduced.Colors(0), Black) << c.what;
        for (int i = 1; i < 16; ++i)
            EXPECT_EQ(reduced.Colors(i), after[static_cast<std::size_t>(i)]) << c.what << " entry " << i;
        EXPECT_EQ(reduced.Colors(16), Black) << c.what;
        EXPECT_EQ(reduced.Pixels(15, 0), static_cast<std::uint32_t>(c.nearest)) << c.what;
        for (int x = 0; x < 15; ++x)
            EXPECT_EQ(reduced.Pixels(x, 0), static_cast<std::uint32_t>(15 - x)) << c.what;
    }
}

TEST(ReduceColors, ValuesAbove15BecomeZeroInTheReversal)
{
    TNkDIB reduced(3, 1, 8);
    reduced.SetPixels(0, 0, 16);
    reduced.SetPixels(1, 0, 255);
    reduced.SetPixels(2, 0, 15);
    reduced.SetColors(15, MakeColor(1, 1, 1));
    ReversePalette16(reduced);
    EXPECT_EQ(reduced.Pixels(0, 0), 0u);
    EXPECT_EQ(reduced.Pixels(1, 0), 0u);
    EXPECT_EQ(reduced.Pixels(2, 0), 0u);
    EXPECT_EQ(reduced.Colors(0), MakeColor(1, 1, 1));
}
