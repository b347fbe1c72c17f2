#include "PictureBuilders.h"
#include "base/KelpError.h"
#include "quantize/MedianCut.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kelp;
using kelptest::FilledPicture;
using kelptest::TrueColorPicture;

namespace {

using TReduce = TNkDIB (*)(const TNkDIB &, int);

struct TRoutine {
    const char *name;
    TReduce reduce;
};
const TRoutine UsedCellRoutines[] = {{"MedianCutReduce", MedianCutReduce}, {"VarianceCutReduce", VarianceCutReduce}};
const TRoutine AllCellRoutines[] = {{"MedianCutDiffuseReduce", MedianCutDiffuseReduce},
                                    {"VarianceCutDiffuseReduce", VarianceCutDiffuseReduce}};
const TRoutine AllRoutines[] = {UsedCellRoutines[0], UsedCellRoutines[1], AllCellRoutines[0], AllCellRoutines[1]};

std::vector<TColor> PaletteOf(const TNkDIB &picture)
{
    std::vector<TColor> colors;
    for (std::uint32_t i = 0; i < picture.ColorsUsed(); ++i)
        colors.push_back(picture.Colors(static_cast<int>(i)));
    return colors;
}

std::vector<std::uint32_t> IndicesOf(const TNkDIB &picture)
{
    std::vector<std::uint32_t> indices;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            indices.push_back(picture.Pixels(x, y));
    return indices;
}

void ExpectAssertion(TReduce reduce, const TNkDIB &source, int bits, const std::string &expression)
{
    try {
        (void)reduce(source, bits);
        FAIL() << "no assertion for " << expression;
    } catch (const KelpAssertion &e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("Assertion failure"), std::string::npos) << text;
        EXPECT_NE(text.find(expression), std::string::npos) << text;
    }
}

} // namespace

TEST(MedianCut, BitsZeroGivesTheWeightedTruncatedMean)
{
    const TNkDIB source = TrueColorPicture(2, 1, {MakeColor(10, 20, 30), MakeColor(200, 100, 50)});
    for (const TRoutine &r : AllRoutines) {
        const TNkDIB result = r.reduce(source, 0);
        EXPECT_EQ(result.BitCount(), 8) << r.name;
        EXPECT_EQ(PaletteOf(result), std::vector<TColor>{MakeColor(105, 60, 40)}) << r.name;
        EXPECT_EQ(IndicesOf(result), (std::vector<std::uint32_t>{0, 0})) << r.name;
    }
}

TEST(MedianCut, UsedCellsKeepExactColoursAndShareCellsByTheirMean)
{
    struct Case {
        const char *what;
        std::vector<TColor> pixels;
        std::vector<TColor> palette;
        std::vector<std::uint32_t> indices;
    } cases[] = {
        {"one colour", std::vector<TColor>(4, MakeColor(77, 140, 201)), {MakeColor(77, 140, 201)}, {0, 0, 0, 0}},
        {"one cell: red = 128 + (0 + 0 + 0 + 3) div 4",
         {MakeColor(128, 64, 64), MakeColor(128, 64, 64), MakeColor(131, 64, 64), MakeColor(128, 64, 64)},
         {MakeColor(128, 64, 64)},
         {0, 0, 0, 0}},
        // Three colours for 16 entries: empty boxes leave no gaps in the numbering.
        {"three colours",
         {MakeColor(10, 10, 10), MakeColor(250, 10, 10), MakeColor(10, 10, 10), MakeColor(10, 250, 10)},
         {},
         {}},
    };
    for (const Case &c : cases)
        for (const TRoutine &r : UsedCellRoutines) {
            const TNkDIB result = r.reduce(TrueColorPicture(2, 2, c.pixels), 4);
            const std::string where = std::string(r.name) + ": " + c.what;
            if (c.palette.empty()) {
                EXPECT_EQ(result.ColorsUsed(), 3u) << where;
                for (int i = 0; i < 4; ++i)
                    EXPECT_EQ(result.Colors(static_cast<int>(result.Pixels(i % 2, i / 2))), c.pixels[std::size_t(i)])
                        << where;
                for (int i = 3; i < 256; ++i)
                    EXPECT_EQ(result.Colors(i), 0u) << where;
                continue;
            }
            EXPECT_EQ(PaletteOf(result), c.palette) << where;
            EXPECT_EQ(IndicesOf(result), c.indices) << where;
        }
}

// Three pixels per case, Bits = 1: the channel cut shows in which pixel stands alone.
TEST(MedianCut, RangeRuleWeighsChannelsSixSevenFive)
{
    struct Case {
        const char *what;
        TColor a, b, c;
        TColor first, second; // index 0 (greater side), index 1
    } cases[] = {
        {"6dR = 7dG: red wins", MakeColor(100, 100, 100), MakeColor(135, 100, 100), MakeColor(100, 130, 100),
         MakeColor(135, 100, 100), MakeColor(100, 115, 100)},
        {"7dG = 5dB: green wins", MakeColor(100, 100, 100), MakeColor(100, 105, 100), MakeColor(100, 100, 107),
         MakeColor(100, 105, 100), MakeColor(100, 100, 103)},
        {"6dR = 5dB: red wins", MakeColor(100, 100, 100), MakeColor(105, 100, 100), MakeColor(100, 100, 106),
         MakeColor(105, 100, 100), MakeColor(100, 100, 103)},
        {"blue widest", MakeColor(100, 100, 100), MakeColor(103, 100, 100), MakeColor(100, 100, 160),
         MakeColor(100, 100, 160), MakeColor(101, 100, 100)},
    };
    for (const Case &c : cases) {
        const TNkDIB result = MedianCutReduce(TrueColorPicture(3, 1, {c.a, c.b, c.c}), 1);
        EXPECT_EQ(PaletteOf(result), (std::vector<TColor>{c.first, c.second})) << c.what;
    }
}

TEST(MedianCut, VarianceRuleWeighsGreenThreeAgainstBlue)
{
    // Means (100, 4, 5), variances 0, 32 and 60 1/3: 2 x 60 1/3 > 3 x 32 cuts on blue.
    const TNkDIB source =
        TrueColorPicture(3, 1, {MakeColor(100, 0, 0), MakeColor(100, 0, 16), MakeColor(100, 12, 0)});
    const TNkDIB result = VarianceCutReduce(source, 1);
    EXPECT_EQ(PaletteOf(result), (std::vector<TColor>{MakeColor(100, 0, 16), MakeColor(100, 6, 0)}));
    EXPECT_EQ(IndicesOf(result), (std::vector<std::uint32_t>{1, 0, 1}));
}

TEST(MedianCut, AllCellsModeCoversTheWholeCube)
{
    struct Case {
        TColor fill;
        std::vector<TColor> palette;
        std::uint32_t index;
    } cases[] = {
        // The black cell is cut off at once; the rest of the cube is one box of empty
        // cells whose plain mean of centres is (128, 128, 128).
        {MakeColor(0, 0, 0), {MakeColor(128, 128, 128), MakeColor(0, 0, 0)}, 1},
        // White sits at the top of every channel: the greater part is always empty.
        {MakeColor(255, 255, 255), {MakeColor(255, 255, 255)}, 0},
    };
    for (const Case &c : cases)
        for (const TRoutine &r : AllCellRoutines) {
            const TNkDIB result = r.reduce(FilledPicture(4, 3, c.fill), 4);
            EXPECT_EQ(PaletteOf(result), c.palette) << r.name;
            EXPECT_EQ(IndicesOf(result), std::vector<std::uint32_t>(12, c.index)) << r.name;
        }
}

TEST(MedianCut, AllCellsModeGivesEveryColourAnIndex)
{
    TMedianCut cut;
    cut.AddColor(TBgrTriple{10, 200, 30});
    cut.AddColor(TBgrTriple{240, 20, 90});
    cut.CutByVariance(4, false);
    ASSERT_GT(cut.ColorCount(), 2);
    std::vector<int> seen(static_cast<std::size_t>(cut.ColorCount()));
    for (std::uint8_t index : cut.ColorMap()) {
        ASSERT_LT(index, cut.ColorCount());
        ++seen[index];
    }
    for (int count : seen)
        EXPECT_GT(count, 0); // every leaf owns cells
    // The quantizer answers with the palette colour of the colour's box.
    const TMedianCutQuantizeColor quantizer(cut);
    const TBgrTriple colour{200, 7, 64};
    const TRgbQuad expected = cut.Palette()[cut.GetColorIndex(colour)];
    EXPECT_EQ(quantizer.QuantizeColor(colour), (TBgrTriple{expected.Blue, expected.Green, expected.Red}));
}

TEST(MedianCut, ReductionsOfAPhotographStayInsideTheirPalette)
{
    const TNkDIB source = kelptest::NoisyGradient(240, 160, 11);
    for (const TRoutine &r : AllRoutines) {
        const TNkDIB result = r.reduce(source, 4);
        ASSERT_EQ(result.Width(), 240);
        ASSERT_EQ(result.Height(), 160);
        EXPECT_EQ(result.ColorsUsed(), 16u) << r.name; // enough colours for a full tree
        std::uint32_t largest = 0;
        for (std::uint32_t v : IndicesOf(result))
            largest = std::max(largest, v);
        EXPECT_LT(largest, 16u) << r.name;
    }
    // Without diffusion each pixel takes the index of its own cell's box.
    TMedianCut cut;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 240; ++x)
            cut.AddColor(ColorToTriple(source.Pixels(x, y)));
    cut.CutByRange(4, true);
    const TNkDIB result = MedianCutReduce(source, 4);
    for (int y = 0; y < 160; y += 7)
        for (int x = 0; x < 240; x += 5)
            ASSERT_EQ(result.Pixels(x, y), cut.GetColorIndex(ColorToTriple(source.Pixels(x, y))));
}

TEST(MedianCut, RefusesNegativeBitsFirstThenOtherSources)
{
    const TNkDIB trueColor = FilledPicture(2, 2, MakeColor(1, 2, 3));
    for (const TRoutine &r : AllRoutines) {
        ExpectAssertion(r.reduce, trueColor, -1, "Bits >= 0");
        ExpectAssertion(r.reduce, TNkDIB(2, 2, 8), -1, "Bits >= 0");
        ExpectAssertion(r.reduce, TNkDIB(2, 2, 8), 4, "BitCount() == 24");
        ExpectAssertion(r.reduce, TNkDIB(2, 2, 4), 4, "BitCount() == 24");
        // More than 256 leaves would overrun the palette.
        ExpectAssertion(r.reduce, trueColor, 9, "MaxBits");
    }
}
