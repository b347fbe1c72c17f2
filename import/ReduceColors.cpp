#include "import/ReduceColors.h"

#include "base/KelpError.h"
#include "quantize/MedianCut.h"

#include <cstdlib>

namespace kelp {

namespace {

constexpr int PaletteColors = 16;
constexpr int ReduceBits = 4; // 16 colours
constexpr TColor Black = MakeColor(0, 0, 0);

} // namespace

int ColorDistance(TColor a, TColor b)
{
    return std::abs(ColorBlue(a) - ColorBlue(b)) + std::abs(ColorGreen(a) - ColorGreen(b)) +
           std::abs(ColorRed(a) - ColorRed(b));
}

void ClearPalette16(TNkDIB &picture)
{
    for (int i = 0; i < PaletteColors; ++i)
        picture.SetColors(i, Black);
}

void ReversePalette16(TNkDIB &picture)
{
    KELP_ASSERT(picture.BitCount() == 8);
    TNkDIB reversed(picture.Width(), picture.Height(), 8);
    reversed.SetColorsUsed(256);
    reversed.ConvertPrecision = picture.ConvertPrecision;
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t *in = picture.ScanLine(y);
        std::uint8_t *out = reversed.ScanLine(y);
        for (int x = 0; x < picture.Width(); ++x)
            out[x] = in[x] < PaletteColors ? static_cast<std::uint8_t>(PaletteColors - 1 - in[x]) : 0;
    }
    for (int i = 0; i < PaletteColors; ++i)
        reversed.SetColors(i, picture.Colors(PaletteColors - 1 - i));
    picture = std::move(reversed);
}

int FindNearestColor(TNkDIB &picture)
{
    const TColor former = picture.Colors(0);
    picture.SetColors(0, Black);
    // Every non-zero distance is below 768, so the first candidate always wins.
    int best = 768, index = 0;
    for (int i = 0; i < PaletteColors; ++i) {
        const int d = ColorDistance(former, picture.Colors(i));
        if (d != 0 && d < best) {
            best = d;
            index = i;
        }
    }
    return index;
}

void FixPalette16(TNkDIB &picture)
{
    ReversePalette16(picture);
    const int nearest = FindNearestColor(picture);
    picture.SetColors(0, Black);
    if (nearest == 0)
        return;
    for (int y = 0; y < picture.Height(); ++y) {
        std::uint8_t *row = picture.ScanLine(y);
        for (int x = 0; x < picture.Width(); ++x)
            if (row[x] == 0)
                row[x] = static_cast<std::uint8_t>(nearest);
    }
}

bool ReduceColors(TNkDIB &picture, int reduceType, const TMessageSink &sink)
{
    // Reduced already: the deferred reduction ran before OK, or the timer fired after it.
    if (picture.BitCount() == 8)
        return true;
    // Refused before anything changes, so a bad call leaves the picture as it was.
    if (reduceType < 0 || reduceType >= ReduceTypeCount) {
        sink("不正な減色タイプが指定されました。");
        return false;
    }
    // Only 24-bit pictures arrive from the import; any other depth is widened first.
    if (picture.BitCount() != 24)
        picture.SetPixelFormat(TPixelFormat::pf24bit);
    // The fixed-precision reductions keep the entries they do not fill: make those black.
    ClearPalette16(picture);

    switch (reduceType) {
    case rtMedianCut:
    case rtVarianceCut:
    case rtMedianCutDiffuse:
    case rtVarianceCutDiffuse: {
        using TReduceRoutine = TNkDIB (*)(const TNkDIB &, int);
        static constexpr TReduceRoutine Routines[] = {MedianCutReduce, VarianceCutReduce, MedianCutDiffuseReduce,
                                                      VarianceCutDiffuseReduce};
        // The routines only read their source, so the picture itself serves as the 24-bit copy.
        TNkDIB reduced = Routines[reduceType](picture, ReduceBits);
        reduced.ConvertPrecision = picture.ConvertPrecision;
        picture = std::move(reduced);
        break;
    }
    default:
        picture.ConvertPrecision = reduceType == rtLowPrecision ? 0 : 1;
        picture.SetPixelFormat(TPixelFormat::pf4bit);
        picture.SetPixelFormat(TPixelFormat::pf8bit);
        break;
    }
    FixPalette16(picture);
    return true;
}

} // namespace kelp
