#include "PictureBuilders.h"
#include "base/KelpError.h"
#include "quantize/BitmapUtils.h"
#include "quantize/ErrDef.h"

#include <gtest/gtest.h>

#include <string>

using namespace kelp;
using kelptest::FilledPicture;
using kelptest::TrueColorPicture;

namespace {

// Records what every call of the filter procedure saw.
struct TWindowCheck {
    const TNkDIB *Source = nullptr;
    int Calls = 0;
    int Mismatches = 0;
};

// Compares the whole 11 x 11 neighbourhood with the source, zero outside it,
// and returns the current pixel unchanged.
void CheckNeighbourhood(int X, int Y, TFilterLines Lines, void *Data, TBgrTriple &Pixel)
{
    auto &check = *static_cast<TWindowCheck *>(Data);
    ++check.Calls;
    for (int k = 0; k < 11; ++k)
        for (int d = -5; d <= 5; ++d) {
            const int x = X + d, y = Y - 5 + k;
            const bool inside = x >= 0 && y >= 0 && x < check.Source->Width() && y < check.Source->Height();
            const TColor expected = inside ? check.Source->Pixels(x, y) : 0;
            const std::uint8_t *p = Lines[static_cast<std::size_t>(k)] + 15 + 3 * d;
            if (MakeColor(p[2], p[1], p[0]) != expected)
                ++check.Mismatches;
        }
    const std::uint8_t *current = Lines[5] + 15;
    Pixel = TBgrTriple{current[0], current[1], current[2]};
}

// Sets the red of the pixel below to the current working red less 1 and returns
// the current working pixel: writes into the working rows reach later calls.
void DarkenBelow(int, int, TFilterLines Lines, void *, TBgrTriple &Pixel)
{
    const std::uint8_t *current = Lines[5] + 15;
    std::uint8_t *below = Lines[6] + 15;
    below[2] = static_cast<std::uint8_t>(current[2] - 1);
    Pixel = TBgrTriple{current[0], current[1], current[2]};
}

void NeverCalled(int, int, TFilterLines, void *Data, TBgrTriple &) { ++*static_cast<int *>(Data); }

// Answers every colour with itself, except one trigger colour, which it shifts.
class TShiftOneColor final : public TQuantizeColor {
public:
    TShiftOneColor(TColor trigger, int dRed, int dGreen, int dBlue)
        : trigger_(ColorToTriple(trigger)), dRed_(dRed), dGreen_(dGreen), dBlue_(dBlue)
    {
    }
    TBgrTriple QuantizeColor(TBgrTriple c) const override
    {
        if (!(c == trigger_))
            return c;
        return TBgrTriple{static_cast<std::uint8_t>(c.Blue + dBlue_), static_cast<std::uint8_t>(c.Green + dGreen_),
                          static_cast<std::uint8_t>(c.Red + dRed_)};
    }

private:
    TBgrTriple trigger_;
    int dRed_, dGreen_, dBlue_;
};

} // namespace

TEST(BitmapFilter, RefusesPicturesThatAreNot24Bit)
{
    for (int bits : {1, 4, 8}) {
        int calls = 0;
        try {
            (void)BitmapFilter(TNkDIB(3, 3, bits), NeverCalled, &calls);
            FAIL() << bits;
        } catch (const KelpError &e) {
            EXPECT_STREQ(e.what(), "BitmapFiletr accepts only 24Bit DIB");
        }
        EXPECT_EQ(calls, 0);
    }
}

TEST(BitmapFilter, ProcedureSeesElevenRowsWithZeroMargins)
{
    struct Case {
        int width, height;
    } cases[] = {{1, 1}, {3, 2}, {7, 13}, {12, 4}};
    for (const Case &c : cases) {
        const TNkDIB source = kelptest::NoisyGradient(c.width, c.height, 7);
        TWindowCheck check{&source};
        const TNkDIB result = BitmapFilter(source, CheckNeighbourhood, &check);
        EXPECT_EQ(check.Calls, c.width * c.height) << c.width << "x" << c.height;
        EXPECT_EQ(check.Mismatches, 0) << c.width << "x" << c.height;
        EXPECT_EQ(result, source) << c.width << "x" << c.height; // the plain copy filter
    }
}

TEST(BitmapFilter, WritesIntoWorkingRowsReachLaterPixelsButNotTheSource)
{
    const TNkDIB source = FilledPicture(2, 4, MakeColor(100, 0, 0));
    const TNkDIB before = source;
    const TNkDIB result = BitmapFilter(source, DarkenBelow, nullptr);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(ColorRed(result.Pixels(x, y)), 100 - y) << x << "," << y;
    EXPECT_EQ(source, before);
}

TEST(BitmapFilter, PicturesWithoutPixelsNeverCallTheProcedure)
{
    for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {0, 0}}) {
        int calls = 0;
        const TNkDIB result = BitmapFilter(TNkDIB(w, h, 24), NeverCalled, &calls);
        EXPECT_EQ(calls, 0);
        EXPECT_EQ(result.Width(), w);
        EXPECT_EQ(result.Height(), h);
        EXPECT_EQ(result.BitCount(), 24);
    }
}

TEST(ErrorDiffusion, ClampByte)
{
    for (auto [in, out] : {std::pair{-300, 0}, {-1, 0}, {0, 0}, {17, 17}, {255, 255}, {256, 255}, {1000, 255}})
        EXPECT_EQ(ClampByte(in), out) << in;
}

TEST(ErrorDiffusion, PictureOfPaletteColoursComesOutUnchanged)
{
    const TNkDIB source = kelptest::NoisyGradient(17, 9, 3);
    const TShiftOneColor identity(MakeColor(1, 2, 3), 0, 0, 0);
    EXPECT_EQ(ErrorDiffusion(source, identity), source);
}

// A 3 x 2 picture of (50, 50, 50) with one trigger pixel of (100, 100, 100); the
// quantizer answers the trigger shifted by (error, -error, error) and every other
// colour with itself, so each neighbour shows exactly the share it received.
TEST(ErrorDiffusion, SharesAreTruncatedEachAndLostAtTheEdges)
{
    struct Case {
        int triggerX, triggerY, error;
        int shares[6]; // received per pixel, row by row: value = 50 - share (red, blue), 50 + share (green)
    } cases[] = {
        // eR = +10: 7/16 -> 4, 3/16 -> 1, 5/16 -> 3, 1/16 -> 0.
        {1, 0, 10, {0, 0, 4, 1, 3, 0}},
        {1, 0, -10, {0, 0, -4, -1, -3, 0}},
        // At X = 0 the below-left share is lost.
        {0, 0, 16, {0, 7, 0, 5, 1, 0}},
        // At the last column the right and below-right shares are lost.
        {2, 0, 16, {0, 0, 0, 0, 3, 5}},
        // In the last row only the right share stays.
        {1, 1, 16, {0, 0, 0, 0, 0, 7}},
        {0, 1, -16, {0, 0, 0, 0, -7, 0}},
    };
    const TColor base = MakeColor(50, 50, 50), trigger = MakeColor(100, 100, 100);
    for (const Case &c : cases) {
        std::vector<TColor> pixels(6, base);
        pixels[static_cast<std::size_t>(c.triggerY * 3 + c.triggerX)] = trigger;
        const TNkDIB result =
            ErrorDiffusion(TrueColorPicture(3, 2, pixels), TShiftOneColor(trigger, c.error, -c.error, c.error));
        for (int i = 0; i < 6; ++i) {
            const int x = i % 3, y = i / 3;
            const TColor got = result.Pixels(x, y);
            if (x == c.triggerX && y == c.triggerY) {
                EXPECT_EQ(ColorRed(got), 100 + c.error);
                continue;
            }
            const std::string where = std::to_string(x) + "," + std::to_string(y) + " error " + std::to_string(c.error);
            EXPECT_EQ(ColorRed(got), 50 - c.shares[i]) << where;
            EXPECT_EQ(ColorGreen(got), 50 + c.shares[i]) << where;
            EXPECT_EQ(ColorBlue(got), 50 - c.shares[i]) << where;
        }
    }
}

TEST(ErrorDiffusion, EveryNeighbourIsClampedWhenItReceivesItsShare)
{
    struct Case {
        int rightRed, error, expected;
    } cases[] = {
        {250, -16, 255}, // receives +7
        {3, 12, 0},      // receives -5
        {3, 11, 0},      // 77/16 -> -4
        {128, -16, 135},
    };
    const TColor trigger = MakeColor(100, 100, 100);
    for (const Case &c : cases) {
        const TNkDIB source = TrueColorPicture(2, 1, {trigger, MakeColor(static_cast<std::uint8_t>(c.rightRed), 9, 9)});
        const TNkDIB result = ErrorDiffusion(source, TShiftOneColor(trigger, c.error, 0, 0));
        EXPECT_EQ(ColorRed(result.Pixels(1, 0)), c.expected) << c.rightRed << " " << c.error;
    }
}
