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

enum { ChannelRed = 0, ChannelGreen = 1, ChannelBlue = 2 };
constexpr TChannel Channels[3] = {&TColorCell::Red, &TColorCell::Green, &TColorCell::Blue};

// Cell coordinates: red and green 0..63 in steps of 4, blue 0..31 in steps of 8.
constexpr int CoordinateOf(int position, int channel)
{
    return channel == ChannelRed ? position >> 11 : channel == ChannelGreen ? (position >> 5) & 63 : position & 31;
}
// The value an empty cell stands for: the centre of its range.
constexpr int CentreOf(int coordinate, int channel)
{
    return channel == ChannelBlue ? 8 * coordinate + 4 : 4 * coordinate + 2;
}
// The largest coordinate whose centre is <= mean (mean >= 0), -1 when there is none.
constexpr int LastCoordinateAtOrBelow(int mean, int channel)
{
    return channel == ChannelBlue ? (mean + 4) / 8 - 1 : (mean + 2) / 4 - 1;
}

} // namespace

// A box of the split. Its used cells are Cells_[First, Last); its empty cells are
// the positions of Block that no used cell holds, UsedPositions_[PosFirst,
// PosLast) being the used positions inside Block. The cut of an empty cell
// depends on its position alone, so the empty cells of every box always form
// such a block: the split then costs time in proportion to the used cells, and
// gives the same boxes as moving all 131072 cells would.
struct TMedianCut::TBox {
    int First = 0, Last = 0;
    int PosFirst = 0, PosLast = 0;
    TCellBlock Block;
};

struct TMedianCut::TBoxStats {
    std::int64_t Cells = 0; // empty ones included
    std::int64_t Total = 0;
    std::int64_t Weighted[3] = {};
    std::int64_t Plain[3] = {}; // only for a box without pixels
    // Every term Count x value^2 is an integer and every partial sum stays far
    // below 2^64, so integer sums equal the extended-precision sums exactly.
    std::uint64_t Squares[3] = {};
    int Low[3] = {INT_MAX, INT_MAX, INT_MAX};
    int High[3] = {INT_MIN, INT_MIN, INT_MIN};

    int Mean(int channel) const
    {
        return static_cast<int>(Total > 0 ? Weighted[channel] / Total : Plain[channel] / Cells);
    }
};

TMedianCut::TMedianCut() : Cells_(std::make_unique_for_overwrite<TColorCell[]>(CellCount))
{
    for (int i = 0; i < CellCount; ++i)
        Cells_[static_cast<std::size_t>(i)] = TColorCell{0, i, 0, 0, 0, 0};
}

// The finishing pass (representative colours, centres for empty cells), which
// also moves the used cells to the front in their order; returns their number.
int TMedianCut::FinishAndTakeUsedCells()
{
    TColorCell *cells = Cells_.get();
    int used = 0;
    for (int p = 0; p < CellCount; ++p) {
        TColorCell &cell = cells[p];
        const int i = CoordinateOf(cell.CellIndex, ChannelRed), j = CoordinateOf(cell.CellIndex, ChannelGreen),
                  k = CoordinateOf(cell.CellIndex, ChannelBlue);
        if (cell.Count > 0) {
            cell.Red = cell.Red / cell.Count + 4 * i;
            cell.Green = cell.Green / cell.Count + 4 * j;
            cell.Blue = cell.Blue / cell.Count + 8 * k;
            if (p != used)
                std::swap(cells[used], cell);
            ++used;
        } else {
            cell.Red = CentreOf(i, ChannelRed);
            cell.Green = CentreOf(j, ChannelGreen);
            cell.Blue = CentreOf(k, ChannelBlue);
        }
    }
    return used;
}

TMedianCut::TBox TMedianCut::StartCut(int Bits, bool UsedCellsOnly)
{
    // Deeper trees would overrun the 256-entry palette and the 8-bit map.
    KELP_ASSERT(Bits >= 0 && Bits <= MaxBits);
    ColorCount_ = 0;
    LeafBlockCount_ = 0;
    UsedCount_ = FinishAndTakeUsedCells();
    UsedPositions_.clear();
    if (!UsedCellsOnly) {
        UsedPositions_.resize(static_cast<std::size_t>(UsedCount_));
        for (int c = 0; c < UsedCount_; ++c)
            UsedPositions_[static_cast<std::size_t>(c)] = Cells_[static_cast<std::size_t>(c)].CellIndex;
    }
    // The root box: the run of used cells, and in all-cells mode the whole cube as well.
    TBox root;
    root.Last = UsedCount_;
    root.PosLast = static_cast<int>(UsedPositions_.size());
    if (!UsedCellsOnly)
        root.Block = TCellBlock{{0, 0, 0}, {63, 63, 31}};
    return root;
}

void TMedianCut::FinishCut(bool UsedCellsOnly)
{
    ColorMap_.fill(0);
    for (int n = 0; n < LeafBlockCount_; ++n) {
        const TLeafBlock &leaf = LeafBlocks_[static_cast<std::size_t>(n)];
        const TCellBlock &b = leaf.Block;
        for (int i = b.Low[0]; i <= b.High[0]; ++i)
            for (int j = b.Low[1]; j <= b.High[1]; ++j)
                std::fill_n(ColorMap_.begin() + i * 2048 + j * 32 + b.Low[2], b.High[2] - b.Low[2] + 1,
                            static_cast<std::uint8_t>(leaf.PaletteIndex));
    }
    for (int c = 0; c < UsedCount_; ++c) {
        const TColorCell &cell = Cells_[static_cast<std::size_t>(c)];
        ColorMap_[static_cast<std::size_t>(cell.CellIndex)] = static_cast<std::uint8_t>(cell.PaletteIndex);
    }
    if (!UsedCellsOnly)
        for (int c = UsedCount_; c < CellCount; ++c) {
            TColorCell &cell = Cells_[static_cast<std::size_t>(c)];
            cell.PaletteIndex = ColorMap_[static_cast<std::size_t>(cell.CellIndex)];
        }
    std::vector<std::int32_t>().swap(UsedPositions_);
}

void TMedianCut::CutByRange(int Bits, bool UsedCellsOnly)
{
    DivideByRange(StartCut(Bits, UsedCellsOnly), 0, Bits);
    FinishCut(UsedCellsOnly);
}

void TMedianCut::CutByVariance(int Bits, bool UsedCellsOnly)
{
    DivideByVariance(StartCut(Bits, UsedCellsOnly), 0, Bits);
    FinishCut(UsedCellsOnly);
}

TMedianCut::TBoxStats TMedianCut::Measure(const TBox &box, bool needExtent) const
{
    TBoxStats stats;
    const TCellBlock &block = box.Block;
    int extent[3] = {0, 0, 0};
    std::int64_t blockCells = 0;
    if (!block.Empty()) {
        for (int ch = 0; ch < 3; ++ch)
            extent[ch] = block.High[ch] - block.Low[ch] + 1;
        blockCells = std::int64_t(extent[0]) * extent[1] * extent[2];
    }
    const int positions = box.PosLast - box.PosFirst;
    stats.Cells = blockCells - positions + (box.Last - box.First);
    if (stats.Cells == 0)
        return stats;

    for (int c = box.First; c < box.Last; ++c) {
        const TColorCell &cell = Cells_[static_cast<std::size_t>(c)];
        const int values[3] = {cell.Red, cell.Green, cell.Blue};
        stats.Total += cell.Count;
        for (int ch = 0; ch < 3; ++ch) {
            stats.Weighted[ch] += std::int64_t(cell.Count) * values[ch];
            stats.Squares[ch] += std::uint64_t(cell.Count) * std::uint64_t(values[ch] * values[ch]);
            stats.Plain[ch] += values[ch];
            stats.Low[ch] = std::min(stats.Low[ch], values[ch]);
            stats.High[ch] = std::max(stats.High[ch], values[ch]);
        }
    }
    if (blockCells == positions)
        return stats; // no empty cells

    const std::int32_t *used = UsedPositions_.data();
    if (stats.Total == 0) // a box of empty cells only: its mean is the plain mean of their centres
        for (int ch = 0; ch < 3; ++ch) {
            std::int64_t centres = 0;
            for (int v = block.Low[ch]; v <= block.High[ch]; ++v)
                centres += CentreOf(v, ch);
            stats.Plain[ch] += centres * (blockCells / extent[ch]);
            for (int p = box.PosFirst; p < box.PosLast; ++p)
                stats.Plain[ch] -= CentreOf(CoordinateOf(used[p], ch), ch);
        }
    if (needExtent)
        // The lowest and highest layer of the block (per channel) that still has an empty cell.
        for (int ch = 0; ch < 3; ++ch) {
            int usedInLayer[64] = {};
            for (int p = box.PosFirst; p < box.PosLast; ++p)
                ++usedInLayer[CoordinateOf(used[p], ch)];
            const std::int64_t layerCells = blockCells / extent[ch];
            int v = block.Low[ch];
            while (usedInLayer[v] == layerCells)
                ++v;
            stats.Low[ch] = std::min(stats.Low[ch], CentreOf(v, ch));
            v = block.High[ch];
            while (usedInLayer[v] == layerCells)
                --v;
            stats.High[ch] = std::max(stats.High[ch], CentreOf(v, ch));
        }
    return stats;
}

void TMedianCut::MakeLeaf(const TBox &box, const int mean[3])
{
    KELP_ASSERT(ColorCount_ < 256);
    Palette_[static_cast<std::size_t>(ColorCount_)] = TRgbQuad{
        static_cast<std::uint8_t>(mean[ChannelBlue]), static_cast<std::uint8_t>(mean[ChannelGreen]),
        static_cast<std::uint8_t>(mean[ChannelRed]), 0};
    for (int c = box.First; c < box.Last; ++c)
        Cells_[static_cast<std::size_t>(c)].PaletteIndex = ColorCount_;
    if (!box.Block.Empty())
        LeafBlocks_[static_cast<std::size_t>(LeafBlockCount_++)] = TLeafBlock{box.Block, ColorCount_};
    ++ColorCount_;
}

int TMedianCut::Partition(int first, int last, int channel, int mean)
{
    const TChannel field = Channels[channel];
    return TwoIndexPartition(Cells_.get(), first, last, [field, mean](const TColorCell &c) { return c.*field <= mean; });
}

// Cells whose value on the channel is <= mean go to the lesser box, the others
// to the greater one; empty cells by the centre of their position.
void TMedianCut::Split(const TBox &box, int channel, int mean, TBox &greater, TBox &lesser)
{
    const int split = Partition(box.First, box.Last, channel, mean);
    const int lastLow = LastCoordinateAtOrBelow(mean, channel);
    const int positionSplit = TwoIndexPartition(UsedPositions_.data(), box.PosFirst, box.PosLast,
                                                [channel, lastLow](std::int32_t position) {
                                                    return CoordinateOf(position, channel) <= lastLow;
                                                });
    lesser = TBox{box.First, split, box.PosFirst, positionSplit, box.Block};
    lesser.Block.High[channel] = std::min(lesser.Block.High[channel], lastLow);
    greater = TBox{split, box.Last, positionSplit, box.PosLast, box.Block};
    greater.Block.Low[channel] = std::max(greater.Block.Low[channel], lastLow + 1);
}

void TMedianCut::DivideByRange(const TBox &box, int depth, int bits)
{
    const TBoxStats stats = Measure(box, true);
    if (stats.Cells == 0)
        return; // an empty box yields no palette entry
    const int mean[3] = {stats.Mean(0), stats.Mean(1), stats.Mean(2)};
    if (depth == bits || stats.Total == 0) {
        MakeLeaf(box, mean);
        return;
    }
    // Weights 1.2, 1.4 and 1.0, compared exactly as 6, 7 and 5.
    const int wRed = 6 * (stats.High[0] - stats.Low[0]), wGreen = 7 * (stats.High[1] - stats.Low[1]),
              wBlue = 5 * (stats.High[2] - stats.Low[2]);
    int channel;
    if (wRed >= wGreen && wRed >= wBlue)
        channel = ChannelRed;
    else if (wRed > wGreen || wBlue > wGreen)
        channel = ChannelBlue;
    else
        channel = ChannelGreen;
    TBox greater, lesser;
    Split(box, channel, mean[channel], greater, lesser);
    DivideByRange(greater, depth + 1, bits);
    DivideByRange(lesser, depth + 1, bits);
}

void TMedianCut::DivideByVariance(const TBox &box, int depth, int bits)
{
    const TBoxStats stats = Measure(box, false);
    if (stats.Cells == 0)
        return;
    const int mean[3] = {stats.Mean(0), stats.Mean(1), stats.Mean(2)};
    if (depth == bits || stats.Total == 0) {
        MakeLeaf(box, mean);
        return;
    }
    const long double total = static_cast<long double>(stats.Total);
    long double variance[3];
    for (int ch = 0; ch < 3; ++ch)
        variance[ch] = static_cast<long double>(stats.Squares[ch]) / total -
                       static_cast<long double>(std::int64_t(mean[ch]) * mean[ch]);
    const long double vRed = variance[0], vGreen = variance[1], vBlue = variance[2];
    // Green weighs 4 against red but only 3 against blue.
    int channel = ChannelRed;
    if (4.0L * vGreen > 3.0L * vRed || 2.0L * vBlue > 3.0L * vRed)
        channel = (3.0L * vRed > 4.0L * vGreen || 2.0L * vBlue > 3.0L * vGreen) ? ChannelBlue : ChannelGreen;
    TBox greater, lesser;
    Split(box, channel, mean[channel], greater, lesser);
    DivideByVariance(greater, depth + 1, bits);
    DivideByVariance(lesser, depth + 1, bits);
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
    // Deeper trees would overrun the 256-entry palette and the 8-bit map.
    KELP_ASSERT(Bits <= TMedianCut::MaxBits);
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
