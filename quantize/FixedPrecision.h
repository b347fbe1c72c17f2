#pragma once
// The fixed-precision reductions behind TNkDIB::SetPixelFormat: 24-bit pictures
// to 16 colours at 16-bit (Low) or 24-bit (High) precision, and 4 -> 8 bits.
// Each takes the source picture and returns a new one; the source is unchanged.
// Colour table entries from the palette's end on keep the source's colours.
#include "base/KelpError.h"
#include "picture/NkDIB.h"

#include <cstdint>

namespace kelp {

// The picture class's refusal of a picture of the wrong kind.
class ENkDIBBadDIBType : public KelpError {
public:
    using KelpError::KelpError;
};

// Histogram cell of the Low reduction. After the split, Count holds the
// cell's palette index.
struct TLowPrecisionCell {
    std::int32_t Red = 0;
    std::int32_t Green = 0;
    std::int32_t Blue = 0;
    std::int32_t Count = 0;
    std::int32_t CellIndex = 0;
};
static_assert(sizeof(TLowPrecisionCell) == 20);

// A node of the High reduction's decision tree.
struct TDivideNode {
    std::uint8_t DivideID = 0; // 0 red, 1 green, 2 blue, 3 leaf
    long double Threshold = 0;  // the tested channel's mean; values <= it go low
    std::uint8_t PaletteIndex = 0;
    std::int32_t LowChild = 0;
    std::int32_t HighChild = 0;
};

TNkDIB ConvertTrueColorTo4BitRGBLow(const TNkDIB &src);
TNkDIB ConvertTrueColorTo4BitRGBHigh(const TNkDIB &src);
TNkDIB Convert4BitRGBTo8BitRGB(const TNkDIB &src);

} // namespace kelp
