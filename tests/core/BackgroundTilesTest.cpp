#include "base/KelpError.h"
#include "rom/BackgroundTiles.h"

#include <gtest/gtest.h>

#include <random>

using namespace kelp;

TEST(BackgroundTiles, OffsetsOfKnownPixels)
{
    struct Case {
        int x, y;
        std::size_t offset;
    } cases[] = {
        {0, 0, 0},      {1, 0, 0},       {0, 1, 4},     {1, 1, 4},       {8, 0, 32},      {9, 0, 32},
        {0, 8, 128},    {1, 8, 128},     {32, 0, 512},  {33, 0, 512},    {0, 32, 4096},   {1, 32, 4096},
        {254, 159, 20479}, {255, 159, 20479}, {7, 7, 31}, {31, 31, 511}, {255, 0, 3683},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TileOffset(c.x, c.y), c.offset) << c.x << "," << c.y;
}

TEST(BackgroundTiles, DecodeSplitsNibbles)
{
    TBackgroundBlock b;
    b.Tiles.fill(0);
    b.Tiles[0] = 0x21;
    b.Tiles[20479] = 0xC3;
    DecodeBackgroundTiles(b);
    EXPECT_EQ(b.Picture.Pixels(0, 0), 1u);
    EXPECT_EQ(b.Picture.Pixels(1, 0), 2u);
    EXPECT_EQ(b.Picture.Pixels(254, 159), 3u);
    EXPECT_EQ(b.Picture.Pixels(255, 159), 12u);
    int nonZero = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 256; ++x)
            nonZero += b.Picture.Pixels(x, y) != 0;
    EXPECT_EQ(nonZero, 4);
}

TEST(BackgroundTiles, EncodePlacesEveryPixelAtItsOffset)
{
    TBackgroundBlock b;
    std::mt19937 rng(7);
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 256; ++x)
            b.Picture.SetPixels(x, y, rng() & 15);
    EncodeBackgroundTiles(b);
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 256; ++x) {
            const std::uint8_t byte = b.Tiles[TileOffset(x, y)];
            ASSERT_EQ((x & 1) ? byte >> 4 : byte & 15, int(b.Picture.Pixels(x, y))) << x << "," << y;
        }
    // Decoding gives the same picture back, columns 240..255 included.
    TBackgroundBlock c;
    c.Tiles = b.Tiles;
    DecodeBackgroundTiles(c);
    EXPECT_EQ(c.Picture.Bits().size(), b.Picture.Bits().size());
    EXPECT_TRUE(std::equal(c.Picture.Bits().begin(), c.Picture.Bits().end(), b.Picture.Bits().begin()));
}

TEST(BackgroundTiles, WrongSizedPictureRaisesTheRangeError)
{
    TBackgroundBlock b;
    b.Picture.SetSize(240, 160, 8);
    try {
        EncodeBackgroundTiles(b);
        FAIL() << "no error";
    } catch (const KelpError &e) {
        EXPECT_STREQ(e.what(), "TNkDIB.GetPixels: Pixel Position is Out of Range");
    }
}
