#pragma once
// BitmapFilter: a neighbourhood filter over a 24-bit picture. For every pixel,
// left to right and top to bottom, the procedure sees 11 working rows around it
// (5 above, 5 below, each with a 5-pixel zero margin on both sides) and returns
// the result pixel. Writes into the working rows are seen by later calls; the
// source picture itself is never written.
#include "color/ColorTypes.h"
#include "picture/NkDIB.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelp {

// Lines[k] is the working row of picture row Y - 5 + k, positioned so that the
// pixel at column X + d (d = -5..5) starts at byte 15 + 3d.
using TFilterLines = std::array<std::uint8_t *, 11>;

using TBitmapFilterProc = void (*)(int X, int Y, TFilterLines Lines, void *Data, TBgrTriple &Pixel);

constexpr int FilterRadius = 5;
constexpr int FilterRows = 2 * FilterRadius + 1;
constexpr std::ptrdiff_t FilterCentre = 3 * FilterRadius; // byte offset of column X in Lines[k]

// The 11 working rows as a ring. The buffer that leaves at the top is zeroed and
// refilled for the row that enters at the bottom, so nothing is allocated per row.
class TFilterWindow {
public:
    explicit TFilterWindow(const TNkDIB &source);
    TFilterLines Lines() const { return slots_; }
    // Drops the top row and brings in picture row `enteringRow` (zero outside the picture).
    void Slide(int enteringRow);

private:
    void Load(std::uint8_t *slot, int row);

    const TNkDIB &source_;
    std::size_t rowBytes_;
    std::vector<std::uint8_t> storage_;
    TFilterLines slots_{};
};

// Raises "BitmapFiletr accepts only 24Bit DIB" for any other source.
void CheckFilterSource(const TNkDIB &bitmap);

// Proc is called as proc(X, Y, Lines, Data, Pixel); any callable of the
// TBitmapFilterProc shape works, and a lambda is inlined into the walk.
template <class Proc>
TNkDIB BitmapFilter(const TNkDIB &bitmap, Proc &&proc, void *data)
{
    CheckFilterSource(bitmap);
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    TNkDIB result(width, height, 24);
    if (width == 0 || height == 0)
        return result;
    TFilterWindow window(bitmap);
    for (int y = 0; y < height; ++y) {
        TFilterLines lines = window.Lines();
        std::uint8_t *out = result.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            TBgrTriple pixel;
            proc(x, y, lines, data, pixel);
            out[0] = pixel.Blue;
            out[1] = pixel.Green;
            out[2] = pixel.Red;
            out += 3;
            // Unrolled, the 11 pointers stay in registers instead of being
            // read back from memory for every pixel.
#pragma GCC unroll 11
            for (std::uint8_t *&line : lines)
                line += 3;
        }
        window.Slide(y + FilterRadius + 1);
    }
    return result;
}

// The plain function-pointer form.
TNkDIB BitmapFilter(const TNkDIB &bitmap, TBitmapFilterProc proc, void *data);

} // namespace kelp
