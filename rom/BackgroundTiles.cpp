#include "rom/BackgroundTiles.h"

namespace kelp {

namespace {

template <typename TileFn> void ForEachTile(TileFn &&tile)
{
    for (int blockRow = 0; blockRow < 5; ++blockRow)
        for (int blockColumn = 0; blockColumn < 8; ++blockColumn)
            for (int tileRow = 0; tileRow < 4; ++tileRow)
                for (int tileColumn = 0; tileColumn < 4; ++tileColumn)
                    tile(32 * blockColumn + 8 * tileColumn, 32 * blockRow + 8 * tileRow);
}

} // namespace

// The codec goes through the picture's range-checked accessor: a picture of the
// wrong size raises the accessor's range error instead of reading stray memory.
// It runs only on Open and Save, 40960 pixels each way.
void EncodeTile(const TNkDIB &picture, int x0, int y0, std::uint8_t *tiles, std::size_t &counter)
{
    for (int r = 0; r < 8; ++r)
        for (int j = 0; j < 4; ++j) {
            // Values above 15 never reach here; keep the low nibble so a stray one cannot spill.
            const std::uint32_t low = picture.Pixels(x0 + 2 * j, y0 + r) & 15;
            const std::uint32_t high = picture.Pixels(x0 + 2 * j + 1, y0 + r) & 15;
            tiles[counter++] = static_cast<std::uint8_t>(high * 16 + low);
        }
}

void DecodeTile(TNkDIB &picture, int x0, int y0, const std::uint8_t *tiles, std::size_t &counter)
{
    for (int r = 0; r < 8; ++r)
        for (int j = 0; j < 4; ++j) {
            const std::uint8_t byte = tiles[counter++];
            picture.SetPixels(x0 + 2 * j + 1, y0 + r, byte >> 4);
            picture.SetPixels(x0 + 2 * j, y0 + r, byte & 15);
        }
}

void EncodeBackgroundTiles(TBackgroundBlock &block)
{
    std::size_t counter = 0;
    ForEachTile([&](int x0, int y0) { EncodeTile(block.Picture, x0, y0, block.Tiles.data(), counter); });
}

void DecodeBackgroundTiles(TBackgroundBlock &block)
{
    std::size_t counter = 0;
    ForEachTile([&](int x0, int y0) { DecodeTile(block.Picture, x0, y0, block.Tiles.data(), counter); });
}

} // namespace kelp
