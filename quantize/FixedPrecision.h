#pragma once
// The fixed-precision reductions behind TNkDIB::SetPixelFormat: 24-bit pictures
// to 16 colours at 16-bit (Low) or 24-bit (High) precision, and 4 -> 8 bits.
// Each takes the source picture and returns a new one; the source is unchanged.
#include "picture/NkDIB.h"

namespace kelp {

TNkDIB ConvertTrueColorTo4BitRGBLow(const TNkDIB &src);
TNkDIB ConvertTrueColorTo4BitRGBHigh(const TNkDIB &src);
TNkDIB Convert4BitRGBTo8BitRGB(const TNkDIB &src);

} // namespace kelp
