#include "PictureBuilders.h"
#include "quantize/FixedPrecision.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kelp;
using kelptest::FilledPicture;
using kelptest::TrueColorPicture;

namespace {

using TConvert = TNkDIB (*)(const TNkDIB &);
struct TReduction {
    const char *name;
    TConvert convert;
};
const TReduction Reductions[] = {{"Low", ConvertTrueColorTo4BitRGBLow}, {"High", ConvertTrueColorTo4BitRGBHigh}};

// A source whose colour table is full of recognisable entries.
TNkDIB WithMarkedColorTable(TNkDIB picture)
{
    for (int i = 0; i < 256; ++i)
        picture.SetColors(i, MakeColor(static_cast<std::uint8_t>(i), 1, static_cast<std::uint8_t>(255 - i)));
    return picture;
}

void ExpectRefusal(TConvert convert, const TNkDIB &source, const std::string &message)
{
    try {
        (void)convert(source);
        FAIL() << "no refusal: " << message;
    } catch (const ENkDIBBadDIBType &e) {
        EXPECT_EQ(e.what(), message);
    }
}

} // namespace

TEST(FixedPrecision, OneColourGivesOneEntryAndKeepsTheRestOfTheTable)
{
    const TNkDIB source = WithMarkedColorTable(FilledPicture(3, 2, MakeColor(10, 200, 30)));
    for (const TReduction &r : Reductions) {
        const TNkDIB result = r.convert(source);
        EXPECT_EQ(result.BitCount(), 4) << r.name;
        EXPECT_EQ(result.Compression(), BI_RGB) << r.name;
        EXPECT_EQ(result.ColorsUsed(), 1u) << r.name;
        EXPECT_EQ(result.Colors(0), MakeColor(10, 200, 30)) << r.name;
        for (int i = 1; i < 256; ++i)
            ASSERT_EQ(result.Colors(i), source.Colors(i)) << r.name << " entry " << i;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(result.Pixels(x, y), 0u) << r.name;
    }
}

TEST(FixedPrecision, LowSharesCellsWhereHighCutsAtTheExactMean)
{
    const TNkDIB source = TrueColorPicture(2, 1, {MakeColor(128, 64, 64), MakeColor(135, 64, 64)});
    // One 5-6-5 cell: red = 128 + (0 + 7) div 2.
    const TNkDIB low = ConvertTrueColorTo4BitRGBLow(source);
    EXPECT_EQ(low.ColorsUsed(), 1u);
    EXPECT_EQ(low.Colors(0), MakeColor(131, 64, 64));
    EXPECT_EQ(low.ScanLine(0)[0], 0x00);
    // Red cut at 131.5; the greater side is index 0.
    const TNkDIB high = ConvertTrueColorTo4BitRGBHigh(source);
    EXPECT_EQ(high.ColorsUsed(), 2u);
    EXPECT_EQ(high.Colors(0), MakeColor(135, 64, 64));
    EXPECT_EQ(high.Colors(1), MakeColor(128, 64, 64));
    EXPECT_EQ(high.ScanLine(0)[0], 0x10);
}

// Variances of green 32 and of blue 56 8/9: 2 x VarB lies between 3 x VarG and
// 4 x VarG, so Low cuts blue first and High cuts green first.
TEST(FixedPrecision, GreenWeighsThreeAgainstBlueInLowAndFourInHigh)
{
    const TColor plain = MakeColor(100, 0, 0), blue = MakeColor(100, 0, 16), green = MakeColor(100, 12, 0);
    const TNkDIB source = TrueColorPicture(3, 1, {plain, blue, green});
    struct Case {
        TConvert convert;
        std::vector<TColor> palette;
    } cases[] = {
        {ConvertTrueColorTo4BitRGBLow, {blue, green, plain}},
        {ConvertTrueColorTo4BitRGBHigh, {green, blue, plain}},
    };
    for (const Case &c : cases) {
        const TNkDIB result = c.convert(source);
        ASSERT_EQ(result.ColorsUsed(), 3u);
        for (int n = 0; n < 3; ++n)
            EXPECT_EQ(result.Colors(n), c.palette[std::size_t(n)]) << n;
    }
}

// 32 pixels along red only, one per 5-6-5 cell: four cuts halve the ramp, so each
// leaf holds two neighbours and its mean ends in .5. Index 0 holds the top pair.
TEST(FixedPrecision, LeafColoursRoundHalvesToEven)
{
    struct Case {
        const char *what;
        TConvert convert;
        int step, evenOffset, oddOffset; // red of pixel v = step * v + (v odd ? oddOffset : evenOffset)
        int topPairRed, pairStep;       // red of entry n = topPairRed - pairStep * n
    } cases[] = {
        {"High 10.5 -> 10", ConvertTrueColorTo4BitRGBHigh, 1, 0, 0, 30, 2},
        {"High 11.5 -> 12", ConvertTrueColorTo4BitRGBHigh, 1, 1, 1, 32, 2},
        {"Low 16m + 4.5 -> 16m + 4", ConvertTrueColorTo4BitRGBLow, 8, 0, 1, 244, 16},
        {"Low 16m + 5.5 -> 16m + 6", ConvertTrueColorTo4BitRGBLow, 8, 1, 2, 246, 16},
    };
    for (const Case &c : cases) {
        std::vector<TColor> pixels;
        for (int v = 0; v < 32; ++v)
            pixels.push_back(MakeColor(static_cast<std::uint8_t>(c.step * v + (v & 1 ? c.oddOffset : c.evenOffset)), 0, 0));
        const TNkDIB result = c.convert(TrueColorPicture(32, 1, pixels));
        ASSERT_EQ(result.ColorsUsed(), 16u) << c.what;
        for (int n = 0; n < 16; ++n)
            EXPECT_EQ(result.Colors(n), MakeColor(static_cast<std::uint8_t>(c.topPairRed - c.pairStep * n), 0, 0))
                << c.what << " entry " << n;
        for (int v = 0; v < 32; ++v)
            EXPECT_EQ(result.Pixels(v, 0), static_cast<std::uint32_t>(15 - v / 2)) << c.what << " pixel " << v;
    }
}

TEST(FixedPrecision, FewerColoursKeepTheSourceEntriesBeyondThem)
{
    const TNkDIB source = WithMarkedColorTable(TrueColorPicture(
        3, 1, {MakeColor(250, 10, 10), MakeColor(10, 250, 10), MakeColor(10, 10, 250)}));
    for (const TReduction &r : Reductions) {
        const TNkDIB result = r.convert(source);
        ASSERT_EQ(result.ColorsUsed(), 3u) << r.name;
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(result.Colors(static_cast<int>(result.Pixels(x, 0))), source.Pixels(x, 0)) << r.name;
        for (int i = 3; i < 256; ++i)
            ASSERT_EQ(result.Colors(i), source.Colors(i)) << r.name << " entry " << i;
    }
}

TEST(FixedPrecision, OddWidthsPackAndWidenByNibbles)
{
    const std::vector<TColor> row = {MakeColor(0, 0, 0), MakeColor(255, 0, 0), MakeColor(0, 255, 0),
                                     MakeColor(0, 0, 255), MakeColor(255, 255, 255)};
    std::vector<TColor> pixels = row;
    pixels.insert(pixels.end(), row.rbegin(), row.rend());
    for (const TReduction &r : Reductions) {
        const TNkDIB packed = r.convert(TrueColorPicture(5, 2, pixels));
        ASSERT_EQ(packed.RowBytes(), 4u);
        ASSERT_EQ(packed.ColorsUsed(), 5u) << r.name;
        const TNkDIB wide = Convert4BitRGBTo8BitRGB(packed);
        EXPECT_EQ(wide.BitCount(), 8);
        EXPECT_EQ(wide.RowBytes(), 8u);
        EXPECT_EQ(wide.ColorsUsed(), 5u);
        EXPECT_EQ(wide.ColorTable(), packed.ColorTable());
        for (int y = 0; y < 2; ++y) {
            const std::uint8_t *in = packed.ScanLine(y);
            const std::uint8_t *out = wide.ScanLine(y);
            EXPECT_EQ(in[2] & 0x0F, 0) << r.name; // the fifth pixel is alone in its byte
            EXPECT_EQ(in[3], 0) << r.name;
            for (int x = 0; x < 5; ++x) {
                EXPECT_EQ(out[x], (x & 1) ? in[x / 2] & 0x0F : in[x / 2] >> 4) << r.name;
                EXPECT_EQ(packed.Colors(out[x]), pixels[std::size_t(y * 5 + x)]) << r.name;
            }
            for (int x = 5; x < 8; ++x)
                EXPECT_EQ(out[x], 0) << r.name;
        }
    }
}

TEST(FixedPrecision, PixelFormatRunsTheReductionChosenByConvertPrecision)
{
    const TNkDIB source = kelptest::NoisyGradient(31, 17, 5);
    for (std::uint8_t precision : {0, 1}) {
        TNkDIB picture = source;
        picture.ConvertPrecision = precision;
        const TNkDIB before = picture;
        picture.SetPixelFormat(TPixelFormat::pf24bit); // already: nothing happens
        EXPECT_EQ(picture, before);
        picture.SetPixelFormat(TPixelFormat::pf4bit);
        TNkDIB expected = (precision ? ConvertTrueColorTo4BitRGBHigh : ConvertTrueColorTo4BitRGBLow)(source);
        expected.ConvertPrecision = precision;
        EXPECT_EQ(picture, expected);
        picture.SetPixelFormat(TPixelFormat::pf8bit);
        EXPECT_EQ(picture.BitCount(), 8);
        EXPECT_LE(picture.ColorsUsed(), 16u);
    }
}

TEST(FixedPrecision, RefusalsNameTheConversion)
{
    for (int bits : {1, 4, 8}) {
        ExpectRefusal(ConvertTrueColorTo4BitRGBLow, TNkDIB(2, 2, bits), "ConvertTrueColorTo4BitRGBLow: Invalid Bitcount");
        ExpectRefusal(ConvertTrueColorTo4BitRGBHigh, TNkDIB(2, 2, bits),
                      "ConvertTrueColorTo4BitRGBHigh: Invalid Bitcount");
    }
    const std::string widen = "Convert4BitRGBTo8BitRGB: Invalid Bitcount & Compression Combination";
    ExpectRefusal(Convert4BitRGBTo8BitRGB, TNkDIB(2, 2, 8), widen);
    ExpectRefusal(Convert4BitRGBTo8BitRGB, TNkDIB(2, 2, 24), widen);
    TNkDIB runLength(2, 2, 4);
    runLength.SetCompression(BI_RLE4);
    ExpectRefusal(Convert4BitRGBTo8BitRGB, runLength, widen);
    // Through the pixel format the refused picture stays as it was.
    const TNkDIB before = runLength;
    EXPECT_THROW(runLength.SetPixelFormat(TPixelFormat::pf8bit), ENkDIBBadDIBType);
    EXPECT_EQ(runLength, before);
}
