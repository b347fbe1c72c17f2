#pragma once
// The GBA's 4-bit tile form of the 256x160 background: 5 x 8 blocks of 32x32
// pixels, each 4 x 4 tiles of 8x8, each tile 32 bytes, low nibble = even column.
#include "rom/BackgroundBlock.h"

#include <cstddef>

namespace kelp {

// Byte offset of pixel (x, y) in the tile buffer; the pixel is the low nibble for even x.
constexpr std::size_t TileOffset(int x, int y)
{
    return static_cast<std::size_t>(((8 * (y / 32) + x / 32) * 16 + 4 * ((y % 32) / 8) + (x % 32) / 8) * 32 +
                                    4 * (y % 8) + (x % 8) / 2);
}

// One 8x8 tile with its top-left pixel at (x0, y0), at the running byte counter.
void EncodeTile(const TNkDIB &picture, int x0, int y0, std::uint8_t *tiles, std::size_t &counter);
void DecodeTile(TNkDIB &picture, int x0, int y0, const std::uint8_t *tiles, std::size_t &counter);

// Picture -> Tiles, and Tiles -> Picture (which must be 256x160 already).
void EncodeBackgroundTiles(TBackgroundBlock &block);
void DecodeBackgroundTiles(TBackgroundBlock &block);

} // namespace kelp
