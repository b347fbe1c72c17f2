#pragma once
// Median cut over a coarse colour histogram: counts the pixels into 64x64x32
// cells, splits the cells into a complete tree of boxes (by widest weighted
// range or largest weighted variance, cut at the weighted mean), and makes each
// leaf box one palette entry. An inverse map gives every colour its index.
#include "color/ColorTypes.h"
#include "picture/NkDIB.h"
#include "quantize/ErrDef.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kelp {

// One histogram cell. While counting, Red/Green/Blue hold sums of the channels'
// low bits; after the finishing pass, the cell's representative colour.
struct TColorCell {
    std::int32_t PaletteIndex;
    std::int32_t CellIndex;
    std::int32_t Count;
    std::int32_t Red;
    std::int32_t Green;
    std::int32_t Blue;
};
static_assert(sizeof(TColorCell) == 24);

// One entry of a logical palette: red, green, blue, flags.
struct TPaletteEntry {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    std::uint8_t Flags = 0;
    friend bool operator==(const TPaletteEntry &, const TPaletteEntry &) = default;
};

class TMedianCut {
public:
    static constexpr int CellCount = 64 * 64 * 32;
    static constexpr int MaxBits = 8; // Palette and ColorMap hold 8-bit indices

    TMedianCut();
    TMedianCut(const TMedianCut &) = delete;
    TMedianCut &operator=(const TMedianCut &) = delete;

    static constexpr int CellOf(TBgrTriple c) { return (c.Red >> 2) * 2048 + (c.Green >> 2) * 32 + (c.Blue >> 3); }

    void AddColor(TBgrTriple color)
    {
        TColorCell &cell = Cells_[static_cast<std::size_t>(CellOf(color))];
        ++cell.Count;
        cell.Red += color.Red & 3;
        cell.Green += color.Green & 3;
        cell.Blue += color.Blue & 7;
    }

    // Exactly one cut per histogram: the finishing pass overwrites the sums.
    // UsedCellsOnly: split only the cells that hold pixels; otherwise the whole
    // cube, so that every colour (also one made up by diffusion) gets an index.
    void CutByRange(int Bits, bool UsedCellsOnly);
    void CutByVariance(int Bits, bool UsedCellsOnly);

    std::uint8_t GetColorIndex(TBgrTriple color) const { return ColorMap_[static_cast<std::size_t>(CellOf(color))]; }

    // The logical palette: ColorCount entries from Palette, flags 0.
    std::vector<TPaletteEntry> MakePalette() const;

    int ColorCount() const { return ColorCount_; }
    // Entry n: blue, green, red, 0.
    const TColorTable256 &Palette() const { return Palette_; }
    std::span<const TColorCell> Cells() const { return {Cells_.get(), CellCount}; }
    std::span<const std::uint8_t> ColorMap() const { return ColorMap_; }

private:
    struct TBox;
    struct TBoxStats;
    // A block of cell coordinates (red, green, blue), bounds inclusive.
    struct TCellBlock {
        int Low[3] = {0, 0, 0};
        int High[3] = {-1, -1, -1};
        bool Empty() const { return Low[0] > High[0] || Low[1] > High[1] || Low[2] > High[2]; }
    };
    struct TLeafBlock {
        TCellBlock Block;
        int PaletteIndex = 0;
    };

    // Prepares the cells for a cut and returns the root box.
    TBox StartCut(int Bits, bool UsedCellsOnly);
    void FinishCut(bool UsedCellsOnly);
    int FinishAndTakeUsedCells();
    TBoxStats Measure(const TBox &box, bool needExtent) const;
    void DivideByRange(const TBox &box, int depth, int bits);
    void DivideByVariance(const TBox &box, int depth, int bits);
    void MakeLeaf(const TBox &box, const int mean[3]);
    void Split(const TBox &box, int channel, int mean, TBox &greater, TBox &lesser);
    int Partition(int first, int last, int channel, int mean);

    std::unique_ptr<TColorCell[]> Cells_;
    std::array<std::uint8_t, CellCount> ColorMap_{};
    int ColorCount_ = 0;
    TColorTable256 Palette_{};
    // Working state of one cut.
    int UsedCount_ = 0;
    std::vector<std::int32_t> UsedPositions_;
    std::array<TLeafBlock, 256> LeafBlocks_{};
    int LeafBlockCount_ = 0;
};

// The quantizer of the diffused reductions: the palette colour of the box whose
// cells hold the colour. The cut must outlive it; create it after the cut.
class TMedianCutQuantizeColor final : public TQuantizeColor {
public:
    explicit TMedianCutQuantizeColor(const TMedianCut &cut);
    TBgrTriple QuantizeColor(TBgrTriple color) const override
    {
        const TPaletteEntry &e = Entries[Cut.GetColorIndex(color)];
        return TBgrTriple{e.Blue, e.Green, e.Red};
    }

    const TMedianCut &Cut;
    std::array<TPaletteEntry, 256> Entries{};
};

// 24-bit picture in, 8-bit picture out: same size, ColorCount palette entries
// (ColorsUsed = ColorCount, the other entries black), pixels index the palette.
// Bits < 0, Bits > 8 and a source that is not 24-bit raise "Assertion failure".
TNkDIB MedianCutReduce(const TNkDIB &bitmap, int Bits);
TNkDIB VarianceCutReduce(const TNkDIB &bitmap, int Bits);
TNkDIB MedianCutDiffuseReduce(const TNkDIB &bitmap, int Bits);
TNkDIB VarianceCutDiffuseReduce(const TNkDIB &bitmap, int Bits);

} // namespace kelp
