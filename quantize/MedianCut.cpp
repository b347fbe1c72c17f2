#include "quantize/MedianCut.h"

#include "base/KelpError.h"
#include "quantize/TwoIndexPartition.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

namespace kelp {

namespace {

using TChannel = std::int32_t TColorCell::*;

// Cell counts are 32-bit and a cell's blue sum grows by up to 7 per pixel.
constexpr std::uint64_t MaxCountedPixels = INT32_MAX / 7;

} // namespace

TMedianCut::TMedianCut() : Cells_(std::make_unique<TColorCell[]>(CellCount))
{
    for (int i = 0; i < CellCount; ++i)
        Cells_[static_cast<std::size_t>(i)].CellIndex = i;
}

void TMedianCut::Finish()
{
    for (int p = 0; p < CellCount; ++p) {
        TColorCell &cell = Cells_[static_cast<std::size_t>(p)];
        const int i = p >> 11, j = (p >> 5) & 63, k = p & 31;
        if (cell.Count > 0) {
            cell.Red = cell.Red / cell.Count + 4 * i;
            cell.Green = cell.Green / cell.Count + 4 * j;
            cell.Blue = cell.Blue / cell.Count + 8 * k;
        } else {
            cell.Red = 4 * i + 2;
            cell.Green = 4 * j + 2;
            cell.Blue = 8 * k + 4;
        }
    }
}

// Moves the used cells to the front in their order (by exchange, so the array
// stays a permutation of the cells) and returns their number.
int TMedianCut::TakeUsedCells()
{
    int used = 0;
    for (int p = 0; p < CellCount; ++p)
        if (Cells_[static_cast<std::size_t>(p)].Count > 0) {
            if (p != used)
                std::swap(Cells_[static_cast<std::size_t>(used)], Cells_[static_cast<std::size_t>(p)]);
            ++used;
        }
    return used;
}

void TMedianCut::MakeLeaf(int first, int last, int meanRed, int meanGreen, int meanBlue)
{
    KELP_ASSERT(ColorCount_ < 256);
    Palette_[static_cast<std::size_t>(ColorCount_)] =
        TRgbQuad{static_cast<std::uint8_t>(meanBlue), static_cast<std::uint8_t>(meanGreen),
                 static_cast<std::uint8_t>(meanRed), 0};
    for (int c = first; c < last; ++c)
        Cells_[static_cast<std::size_t>(c)].PaletteIndex = ColorCount_;
    ++ColorCount_;
}

int TMedianCut::Partition(int first, int last, int channel, int mean)
{
    static constexpr TChannel Channels[3] = {&TColorCell::Red, &TColorCell::Green, &TColorCell::Blue};
    const TChannel field = Channels[channel];
    return TwoIndexPartition(Cells_.get(), first, last, [field, mean](const TColorCell &c) { return c.*field <= mean; });
}

namespace {

enum { ChannelRed = 0, ChannelGreen = 1, ChannelBlue = 2 };

// What both rules need of a box: the total count, the count-weighted sums and
// the plain sums (the mean of a box of empty cells).
struct TBoxSums {
    std::int64_t Total = 0;
    std::int64_t Weighted[3] = {};
    std::int64_t Plain[3] = {};
    std::int64_t Cells = 0;

    void Add(const TColorCell &c)
    {
        Total += c.Count;
        Weighted[0] += std::int64_t(c.Count) * c.Red;
        Weighted[1] += std::int64_t(c.Count) * c.Green;
        Weighted[2] += std::int64_t(c.Count) * c.Blue;
        Plain[0] += c.Red;
        Plain[1] += c.Green;
        Plain[2] += c.Blue;
        ++Cells;
    }
    int Mean(int channel) const
    {
        return static_cast<int>(Total > 0 ? Weighted[channel] / Total : Plain[channel] / Cells);
    }
};

} // namespace

int TMedianCut::StartCut(int Bits, bool UsedCellsOnly)
{
    // Deeper trees would overrun the 256-entry palette and the 8-bit map.
    KELP_ASSERT(Bits >= 0 && Bits <= MaxBits);
    Finish();
    ColorCount_ = 0;
    return UsedCellsOnly ? TakeUsedCells() : CellCount;
}

void TMedianCut::FinishCut(int runLength)
{
    ColorMap_.fill(0);
    for (int c = 0; c < runLength; ++c) {
        const TColorCell &cell = Cells_[static_cast<std::size_t>(c)];
        ColorMap_[static_cast<std::size_t>(cell.CellIndex)] = static_cast<std::uint8_t>(cell.PaletteIndex);
    }
}

void TMedianCut::CutByRange(int Bits, bool UsedCellsOnly)
{
    const int runLength = StartCut(Bits, UsedCellsOnly);
    DivideByRange(0, runLength, 0, Bits);
    FinishCut(runLength);
}

void TMedianCut::CutByVariance(int Bits, bool UsedCellsOnly)
{
    const int runLength = StartCut(Bits, UsedCellsOnly);
    DivideByVariance(0, runLength, 0, Bits);
    FinishCut(runLength);
}

void TMedianCut::DivideByRange(int first, int last, int depth, int bits)
{
    if (first == last)
        return;
    TBoxSums sums;
    // The extent covers every cell of the box, empty ones included.
    int low[3] = {INT_MAX, INT_MAX, INT_MAX}, high[3] = {INT_MIN, INT_MIN, INT_MIN};
    for (int c = first; c < last; ++c) {
        const TColorCell &cell = Cells_[static_cast<std::size_t>(c)];
        sums.Add(cell);
        const int values[3] = {cell.Red, cell.Green, cell.Blue};
        for (int ch = 0; ch < 3; ++ch) {
            low[ch] = std::min(low[ch], values[ch]);
            high[ch] = std::max(high[ch], values[ch]);
        }
    }
    const int mean[3] = {sums.Mean(0), sums.Mean(1), sums.Mean(2)};
    if (depth == bits || sums.Total == 0) {
        MakeLeaf(first, last, mean[0], mean[1], mean[2]);
        return;
    }
    // Weights 1.2, 1.4 and 1.0, compared exactly as 6, 7 and 5.
    const int wRed = 6 * (high[0] - low[0]), wGreen = 7 * (high[1] - low[1]), wBlue = 5 * (high[2] - low[2]);
    int channel;
    if (wRed >= wGreen && wRed >= wBlue)
        channel = ChannelRed;
    else if (wRed > wGreen || wBlue > wGreen)
        channel = ChannelBlue;
    else
        channel = ChannelGreen;
    const int split = Partition(first, last, channel, mean[channel]);
    DivideByRange(split, last, depth + 1, bits);
    DivideByRange(first, split, depth + 1, bits);
}

void TMedianCut::DivideByVariance(int first, int last, int depth, int bits)
{
    if (first == last)
        return;
    TBoxSums sums;
    // Every term Count x value^2 is an integer and every partial sum stays far
    // below 2^64, so integer sums equal the extended-precision sums exactly.
    std::uint64_t squares[3] = {};
    for (int c = first; c < last; ++c) {
        const TColorCell &cell = Cells_[static_cast<std::size_t>(c)];
        sums.Add(cell);
        const std::uint64_t n = static_cast<std::uint32_t>(cell.Count);
        squares[0] += n * static_cast<std::uint64_t>(cell.Red * cell.Red);
        squares[1] += n * static_cast<std::uint64_t>(cell.Green * cell.Green);
        squares[2] += n * static_cast<std::uint64_t>(cell.Blue * cell.Blue);
    }
    const int mean[3] = {sums.Mean(0), sums.Mean(1), sums.Mean(2)};
    if (depth == bits || sums.Total == 0) {
        MakeLeaf(first, last, mean[0], mean[1], mean[2]);
        return;
    }
    const long double total = static_cast<long double>(sums.Total);
    long double variance[3];
    for (int ch = 0; ch < 3; ++ch)
        variance[ch] = static_cast<long double>(squares[ch]) / total -
                       static_cast<long double>(std::int64_t(mean[ch]) * mean[ch]);
    const long double vRed = variance[0], vGreen = variance[1], vBlue = variance[2];
    // Green weighs 4 against red but only 3 against blue.
    int channel = ChannelRed;
    if (4.0L * vGreen > 3.0L * vRed || 2.0L * vBlue > 3.0L * vRed)
        channel = (3.0L * vRed > 4.0L * vGreen || 2.0L * vBlue > 3.0L * vGreen) ? ChannelBlue : ChannelGreen;
    const int split = Partition(first, last, channel, mean[channel]);
    DivideByVariance(split, last, depth + 1, bits);
    DivideByVariance(first, split, depth + 1, bits);
}

std::vector<TPaletteEntry> TMedianCut::MakePalette() const
{
    std::vector<TPaletteEntry> entries(static_cast<std::size_t>(ColorCount_));
    for (std::size_t n = 0; n < entries.size(); ++n)
        entries[n] = TPaletteEntry{Palette_[n].Red, Palette_[n].Green, Palette_[n].Blue, 0};
    return entries;
}

TMedianCutQuantizeColor::TMedianCutQuantizeColor(const TMedianCut &cut) : Cut(cut)
{
    const std::vector<TPaletteEntry> palette = cut.MakePalette();
    for (std::size_t n = 0; n < palette.size() && n < Entries.size(); ++n)
        Entries[n] = palette[n];
}

namespace {

enum class TCutRule { Range, Variance };

TNkDIB Reduce(const TNkDIB &bitmap, int Bits, TCutRule rule, bool diffuse)
{
    KELP_ASSERT(Bits >= 0);
    KELP_ASSERT(bitmap.BitCount() == 24);
    KELP_ASSERT(std::uint64_t(bitmap.Width()) * std::uint64_t(bitmap.Height()) <= MaxCountedPixels);
    const int width = bitmap.Width(), height = bitmap.Height();

    auto cut = std::make_unique<TMedianCut>();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *p = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x, p += 3)
            cut->AddColor(TBgrTriple{p[0], p[1], p[2]});
    }
    // The diffused routines split the whole cube: diffusion makes colours the
    // picture never had, and each of them needs an index.
    if (rule == TCutRule::Range)
        cut->CutByRange(Bits, !diffuse);
    else
        cut->CutByVariance(Bits, !diffuse);

    TNkDIB diffused;
    const TNkDIB *source = &bitmap;
    if (diffuse) {
        const TMedianCutQuantizeColor quantizer(*cut);
        diffused = ErrorDiffusion(bitmap, quantizer);
        source = &diffused;
    }

    TNkDIB result(width, height, 8);
    const std::vector<TPaletteEntry> palette = cut->MakePalette();
    for (std::size_t n = 0; n < palette.size(); ++n)
        result.ColorTable()[n] = TRgbQuad{palette[n].Blue, palette[n].Green, palette[n].Red, 0};
    result.SetColorsUsed(static_cast<std::uint32_t>(palette.size()));
    // Diffused pixels are looked up again: a leaf's mean colour can sit in a cell
    // on the other side of a cut, and then takes that box's index.
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *in = source->ScanLine(y);
        std::uint8_t *out = result.ScanLine(y);
        for (int x = 0; x < width; ++x, in += 3)
            out[x] = cut->GetColorIndex(TBgrTriple{in[0], in[1], in[2]});
    }
    return result;
}

} // namespace

TNkDIB MedianCutReduce(const TNkDIB &bitmap, int Bits) { return Reduce(bitmap, Bits, TCutRule::Range, false); }
TNkDIB VarianceCutReduce(const TNkDIB &bitmap, int Bits) { return Reduce(bitmap, Bits, TCutRule::Variance, false); }
TNkDIB MedianCutDiffuseReduce(const TNkDIB &bitmap, int Bits) { return Reduce(bitmap, Bits, TCutRule::Range, true); }
TNkDIB VarianceCutDiffuseReduce(const TNkDIB &bitmap, int Bits)
{
    return Reduce(bitmap, Bits, TCutRule::Variance, true);
}

} // namespace kelp
