#include "quantize/FixedPrecision.h"

#include "quantize/TwoIndexPartition.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kelp {

namespace {

constexpr int TreeDepth = 4;
constexpr int MaxColors = 1 << TreeDepth;
enum { ChannelRed = 0, ChannelGreen = 1, ChannelBlue = 2, LeafNode = 3 };

// Counts, sums and sums of squares of one box. Every term is an integer and
// every partial sum stays far below 2^64, so the integer sums are exactly the
// extended-precision sums; the means and variances are then taken in extended.
struct TBoxMoments {
    std::uint64_t Total = 0;
    std::uint64_t Sum[3] = {};
    std::uint64_t Squares[3] = {};

    // Sums over items of (count, red, green, blue), accumulated in registers.
    template <class TItem, class TCountOf>
    static TBoxMoments Of(const TItem *items, int first, int last, TCountOf countOf)
    {
        std::uint64_t total = 0, r = 0, g = 0, b = 0, rr = 0, gg = 0, bb = 0;
        for (int i = first; i < last; ++i) {
            const TItem &item = items[i];
            const std::uint64_t n = countOf(item);
            const std::uint64_t red = item.Red, green = item.Green, blue = item.Blue;
            total += n;
            r += n * red;
            g += n * green;
            b += n * blue;
            rr += n * red * red;
            gg += n * green * green;
            bb += n * blue * blue;
        }
        return TBoxMoments{total, {r, g, b}, {rr, gg, bb}};
    }
    long double Mean(int ch) const { return static_cast<long double>(Sum[ch]) / static_cast<long double>(Total); }
    long double Variance(int ch) const
    {
        const long double mean = Mean(ch);
        return static_cast<long double>(Squares[ch]) / static_cast<long double>(Total) - mean * mean;
    }
    // Leaf colours round to the nearest integer, halves to even.
    TRgbQuad RoundedMean() const
    {
        return TRgbQuad{static_cast<std::uint8_t>(std::lrint(Mean(ChannelBlue))),
                        static_cast<std::uint8_t>(std::lrint(Mean(ChannelGreen))),
                        static_cast<std::uint8_t>(std::lrint(Mean(ChannelRed))), 0};
    }
    // greenVsBlue is the weight of green in the test against blue: 3 in the Low
    // reduction, 4 in the High one.
    int Channel(long double greenVsBlue) const
    {
        const long double vRed = Variance(ChannelRed), vGreen = Variance(ChannelGreen), vBlue = Variance(ChannelBlue);
        if (!(4.0L * vGreen > 3.0L * vRed || 2.0L * vBlue > 3.0L * vRed))
            return ChannelRed;
        return (3.0L * vRed > 4.0L * vGreen || 2.0L * vBlue > greenVsBlue * vGreen) ? ChannelBlue : ChannelGreen;
    }
};

// For an integer value v and a real threshold t, v <= t exactly when v <= floor(t).
int IntegerFloor(long double threshold) { return static_cast<int>(std::floor(threshold)); }

// The 4-bit picture: the source's header and colour table, with the new palette
// in front and ColorsUsed = the number of colours found.
TNkDIB MakeIndexedResult(const TNkDIB &src, int bitCount, const std::array<TRgbQuad, MaxColors> &palette,
                         int colorCount)
{
    TNkDIB out(src.Width(), src.Height(), bitCount);
    out.ColorTable() = src.ColorTable();
    for (int n = 0; n < colorCount; ++n)
        out.ColorTable()[static_cast<std::size_t>(n)] = palette[static_cast<std::size_t>(n)];
    out.SetColorsUsed(static_cast<std::uint32_t>(colorCount));
    return out;
}

// Writes index for pixel x of a 4-bit row: high nibble at even x, low at odd.
inline void PutNibble(std::uint8_t *row, int x, int index)
{
    if (x & 1)
        row[x >> 1] = static_cast<std::uint8_t>(row[x >> 1] | index);
    else
        row[x >> 1] = static_cast<std::uint8_t>(index << 4);
}

// --- 16-bit precision: a 5-6-5 histogram split by variance ---

class TLowReduction {
public:
    static constexpr int CellCount = 32 * 64 * 32;
    static int CellOf(const std::uint8_t *bgr) { return (bgr[2] >> 3) * 2048 + (bgr[1] >> 2) * 32 + (bgr[0] >> 3); }

    TLowReduction() : Cells(std::make_unique<TLowPrecisionCell[]>(CellCount)), Map(std::make_unique<std::uint8_t[]>(CellCount))
    {
        for (int p = 0; p < CellCount; ++p)
            Cells[static_cast<std::size_t>(p)].CellIndex = p;
    }

    void Count(const TNkDIB &src)
    {
        for (int y = 0; y < src.Height(); ++y) {
            const std::uint8_t *p = src.ScanLine(y);
            for (int x = 0; x < src.Width(); ++x, p += 3) {
                TLowPrecisionCell &cell = Cells[static_cast<std::size_t>(CellOf(p))];
                cell.Red += p[2] & 7;
                cell.Green += p[1] & 3;
                cell.Blue += p[0] & 7;
                ++cell.Count;
            }
        }
    }

    // Representative colours, then the used cells to the front in their order.
    int FinishAndTakeUsed()
    {
        int used = 0;
        for (int p = 0; p < CellCount; ++p) {
            TLowPrecisionCell &cell = Cells[static_cast<std::size_t>(p)];
            if (cell.Count <= 0)
                continue;
            const int i = cell.CellIndex >> 11, j = (cell.CellIndex >> 5) & 63, k = cell.CellIndex & 31;
            cell.Red = cell.Red / cell.Count + 8 * i;
            cell.Green = cell.Green / cell.Count + 4 * j;
            cell.Blue = cell.Blue / cell.Count + 8 * k;
            if (p != used)
                std::swap(Cells[static_cast<std::size_t>(used)], cell);
            ++used;
        }
        return used;
    }

    void Divide(int first, int last, int depth)
    {
        if (first == last)
            return;
        const TBoxMoments box = TBoxMoments::Of(Cells.get(), first, last, [](const TLowPrecisionCell &c) {
            return static_cast<std::uint32_t>(c.Count);
        });
        if (depth == TreeDepth) {
            Palette[static_cast<std::size_t>(ColorCount)] = box.RoundedMean();
            for (int c = first; c < last; ++c)
                Cells[static_cast<std::size_t>(c)].Count = ColorCount;
            ++ColorCount;
            return;
        }
        const int channel = box.Channel(3.0L);
        const int limit = IntegerFloor(box.Mean(channel));
        const int split = TwoIndexPartition(Cells.get(), first, last, [channel, limit](const TLowPrecisionCell &c) {
            return (channel == ChannelRed ? c.Red : channel == ChannelGreen ? c.Green : c.Blue) <= limit;
        });
        Divide(split, last, depth + 1);
        Divide(first, split, depth + 1);
    }

    void BuildMap(int used)
    {
        std::fill_n(Map.get(), CellCount, std::uint8_t{0});
        for (int c = 0; c < used; ++c) {
            const TLowPrecisionCell &cell = Cells[static_cast<std::size_t>(c)];
            Map[static_cast<std::size_t>(cell.CellIndex)] = static_cast<std::uint8_t>(cell.Count & 0xFF);
        }
    }

    std::unique_ptr<TLowPrecisionCell[]> Cells;
    std::unique_ptr<std::uint8_t[]> Map;
    std::array<TRgbQuad, MaxColors> Palette{};
    int ColorCount = 0;
};

// --- 24-bit precision: the pixels themselves split by variance, kept as a tree ---

// One pixel of the High reduction's working copy (no initialisation: every item is written).
struct THighItem {
    std::uint8_t Blue, Green, Red;
};

class THighReduction {
public:
    static constexpr int MaxNodes = 512;

    void Divide(int first, int last, int depth, int node)
    {
        if (first == last)
            return;
        const TBoxMoments box = TBoxMoments::Of(Items.get(), first, last, [](const THighItem &) { return 1u; });
        TDivideNode &n = Nodes[static_cast<std::size_t>(node)];
        if (depth == TreeDepth) {
            Palette[static_cast<std::size_t>(ColorCount)] = box.RoundedMean();
            n = TDivideNode{LeafNode, 0, static_cast<std::uint8_t>(ColorCount), 0, 0};
            ++ColorCount;
            return;
        }
        const int channel = box.Channel(4.0L);
        n.DivideID = static_cast<std::uint8_t>(channel);
        n.Threshold = box.Mean(channel);
        const int limit = IntegerFloor(n.Threshold);
        Limits[static_cast<std::size_t>(node)] = limit;
        const int split = TwoIndexPartition(Items.get(), first, last, [channel, limit](const THighItem &p) {
            return (channel == ChannelRed ? p.Red : channel == ChannelGreen ? p.Green : p.Blue) <= limit;
        });
        n.PaletteIndex = 0;
        // A child number is handed out even for an empty part; no pixel ever reaches it.
        n.HighChild = NodeCount++;
        Divide(split, last, depth + 1, n.HighChild);
        n.LowChild = NodeCount++;
        Divide(first, split, depth + 1, n.LowChild);
    }

    // The tree in a form for the pixel walk: integer limits, the tested byte of
    // a stored blue-green-red pixel, and the children indexed by "value > limit".
    struct TWalkNode {
        int Limit = 0;
        int Byte = -1; // -1 in a leaf
        int Child[2] = {0, 0};
        int PaletteIndex = 0;
    };

    void PrepareWalk()
    {
        for (int n = 0; n < NodeCount; ++n) {
            const TDivideNode &node = Nodes[static_cast<std::size_t>(n)];
            TWalkNode &walk = Walk[static_cast<std::size_t>(n)];
            if (node.DivideID == LeafNode)
                walk = TWalkNode{0, -1, {0, 0}, node.PaletteIndex};
            else
                walk = TWalkNode{Limits[static_cast<std::size_t>(n)], 2 - node.DivideID,
                                 {node.LowChild, node.HighChild}, 0};
        }
    }

    // Each pixel repeats, against the same threshold, the comparison that placed
    // it during the split: low when Threshold >= value.
    int IndexOf(const std::uint8_t *bgr) const
    {
        const TWalkNode *node = Walk.data();
        while (node->Byte >= 0)
            node = &Walk[static_cast<std::size_t>(node->Child[bgr[node->Byte] > node->Limit])];
        return node->PaletteIndex;
    }

    std::unique_ptr<THighItem[]> Items;
    std::array<TDivideNode, MaxNodes> Nodes{};
    std::array<int, MaxNodes> Limits{}; // floor(Threshold) per node, for integer comparisons
    std::array<TWalkNode, MaxNodes> Walk{};
    int NodeCount = 1;
    std::array<TRgbQuad, MaxColors> Palette{};
    int ColorCount = 0;
};

void RequireTrueColor(const TNkDIB &src, const char *routine)
{
    if (src.BitCount() != 24)
        throw ENkDIBBadDIBType(std::string(routine) + ": Invalid Bitcount");
}

} // namespace

TNkDIB ConvertTrueColorTo4BitRGBLow(const TNkDIB &src)
{
    RequireTrueColor(src, "ConvertTrueColorTo4BitRGBLow");
    // Cell counts are 32-bit and a cell's blue sum grows by up to 7 per pixel.
    KELP_ASSERT(std::uint64_t(src.Width()) * std::uint64_t(src.Height()) <= INT32_MAX / 7);
    auto work = std::make_unique<TLowReduction>();
    work->Count(src);
    const int used = work->FinishAndTakeUsed();
    work->Divide(0, used, 0);
    work->BuildMap(used);

    TNkDIB out = MakeIndexedResult(src, 4, work->Palette, work->ColorCount);
    for (int y = 0; y < src.Height(); ++y) {
        const std::uint8_t *in = src.ScanLine(y);
        std::uint8_t *row = out.ScanLine(y);
        for (int x = 0; x < src.Width(); ++x, in += 3)
            PutNibble(row, x, work->Map[static_cast<std::size_t>(TLowReduction::CellOf(in))]);
    }
    return out;
}

TNkDIB ConvertTrueColorTo4BitRGBHigh(const TNkDIB &src)
{
    RequireTrueColor(src, "ConvertTrueColorTo4BitRGBHigh");
    auto work = std::make_unique<THighReduction>();
    const int width = src.Width(), height = src.Height();
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    work->Items = std::make_unique_for_overwrite<THighItem[]>(pixels);
    for (int y = 0; y < height; ++y)
        std::memcpy(work->Items.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width), src.ScanLine(y),
                    static_cast<std::size_t>(width) * 3);
    work->Divide(0, static_cast<int>(pixels), 0, 0);
    work->PrepareWalk();

    TNkDIB out = MakeIndexedResult(src, 4, work->Palette, work->ColorCount);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *in = src.ScanLine(y);
        std::uint8_t *row = out.ScanLine(y);
        for (int x = 0; x < width; ++x, in += 3)
            PutNibble(row, x, work->IndexOf(in));
    }
    return out;
}

TNkDIB Convert4BitRGBTo8BitRGB(const TNkDIB &src)
{
    if (src.BitCount() != 4 || src.Compression() != BI_RGB)
        throw ENkDIBBadDIBType("Convert4BitRGBTo8BitRGB: Invalid Bitcount & Compression Combination");
    TNkDIB out(src.Width(), src.Height(), 8);
    out.ColorTable() = src.ColorTable();
    out.SetColorsUsed(src.ColorsUsed());
    for (int y = 0; y < src.Height(); ++y) {
        const std::uint8_t *in = src.ScanLine(y);
        std::uint8_t *row = out.ScanLine(y);
        for (int x = 0; x < src.Width(); ++x)
            row[x] = static_cast<std::uint8_t>((x & 1) ? in[x >> 1] & 0x0F : in[x >> 1] >> 4);
    }
    return out;
}

} // namespace kelp
