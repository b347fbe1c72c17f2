#pragma once
// Floyd-Steinberg error diffusion against any palette, run through BitmapFilter.
#include "color/ColorTypes.h"
#include "picture/NkDIB.h"
#include "quantize/BitmapUtils.h"

#include <concepts>

namespace kelp {

// Maps any colour to the palette colour that stands for it.
class TQuantizeColor {
public:
    virtual ~TQuantizeColor() = default;
    virtual TBgrTriple QuantizeColor(TBgrTriple color) const = 0;
};

constexpr int ClampByte(int value) { return value < 0 ? 0 : (value > 255 ? 255 : value); }

namespace detail {

// Each channel loses its own truncated share of the error and is clamped at once,
// so remainders and anything beyond 0..255 are lost, as the output expects.
inline void PushError(std::uint8_t *pixel, int eRed, int eGreen, int eBlue, int weight)
{
    pixel[2] = static_cast<std::uint8_t>(ClampByte(pixel[2] - eRed * weight / 16));
    pixel[1] = static_cast<std::uint8_t>(ClampByte(pixel[1] - eGreen * weight / 16));
    pixel[0] = static_cast<std::uint8_t>(ClampByte(pixel[0] - eBlue * weight / 16));
}

} // namespace detail

// The pixel step of ErrorDiffusion; Data points at the quantizer. Templated on the
// quantizer's type so that a final quantizer class is called without a virtual call.
template <class TQuantizer>
void DiffusePixel(int, int, TFilterLines Lines, void *Data, TBgrTriple &Pixel)
{
    const auto &quantizer = *static_cast<const TQuantizer *>(Data);
    std::uint8_t *current = Lines[5] + FilterCentre;
    const TBgrTriple old{current[0], current[1], current[2]};
    const TBgrTriple chosen = quantizer.QuantizeColor(old);
    Pixel = chosen;
    const int eRed = chosen.Red - old.Red;
    const int eGreen = chosen.Green - old.Green;
    const int eBlue = chosen.Blue - old.Blue;
    detail::PushError(Lines[5] + FilterCentre + 3, eRed, eGreen, eBlue, 7);
    detail::PushError(Lines[6] + FilterCentre - 3, eRed, eGreen, eBlue, 3);
    detail::PushError(Lines[6] + FilterCentre, eRed, eGreen, eBlue, 5);
    detail::PushError(Lines[6] + FilterCentre + 3, eRed, eGreen, eBlue, 1);
}

// A new 24-bit picture of the same size in which every pixel is an answer of the
// quantizer. The quantizer is borrowed for the call.
template <class TQuantizer>
    requires std::derived_from<TQuantizer, TQuantizeColor>
TNkDIB ErrorDiffusion(const TNkDIB &bitmap, const TQuantizer &quantizer)
{
    return BitmapFilter(
        bitmap,
        [](int x, int y, TFilterLines lines, void *data, TBgrTriple &pixel) {
            DiffusePixel<TQuantizer>(x, y, lines, data, pixel);
        },
        const_cast<TQuantizer *>(&quantizer));
}

} // namespace kelp
