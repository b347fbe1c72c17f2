#include "quantize/FixedPrecision.h"

#include "base/KelpError.h"

namespace kelp {

// Placeholders until the reductions land.
TNkDIB ConvertTrueColorTo4BitRGBLow(const TNkDIB &) { throw KelpError("ConvertTrueColorTo4BitRGBLow: not built yet"); }
TNkDIB ConvertTrueColorTo4BitRGBHigh(const TNkDIB &) { throw KelpError("ConvertTrueColorTo4BitRGBHigh: not built yet"); }
TNkDIB Convert4BitRGBTo8BitRGB(const TNkDIB &) { throw KelpError("Convert4BitRGBTo8BitRGB: not built yet"); }

} // namespace kelp
