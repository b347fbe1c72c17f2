#include "base/KelpError.h"
#include "picture/NkDIB.h"

#include <gtest/gtest.h>

using namespace kelp;

TEST(NkDIB, RowsArePaddedToFourBytes)
{
    struct Case {
        int width, bits;
        std::size_t rowBytes;
    } cases[] = {{1, 1, 4}, {33, 1, 8}, {1, 4, 4}, {9, 4, 8}, {3, 8, 4}, {5, 8, 8}, {1, 24, 4}, {5, 24, 16}, {240, 24, 720}};
    for (const Case &c : cases) {
        TNkDIB p(c.width, 2, c.bits);
        EXPECT_EQ(p.RowBytes(), c.rowBytes) << c.width << "x" << c.bits;
        EXPECT_EQ(p.Bits().size(), 2 * c.rowBytes);
    }
}

TEST(NkDIB, PixelAccessPerBitCount)
{
    for (int bits : {1, 4, 8, 24}) {
        TNkDIB p(7, 3, bits);
        const std::uint32_t value = bits == 24 ? 0x123456 : (bits == 1 ? 1 : (bits == 4 ? 13 : 200));
        p.SetPixels(5, 2, value);
        EXPECT_EQ(p.Pixels(5, 2), value) << bits;
        EXPECT_EQ(p.Pixels(4, 2), 0u) << bits;
        EXPECT_EQ(p.Pixels(6, 2), 0u) << bits;
        EXPECT_EQ(p.Pixels(5, 1), 0u) << bits;
    }
    // Row 0 is the top row, 24-bit pixels are stored blue, green, red.
    TNkDIB p(2, 2, 24);
    p.SetPixels(1, 0, MakeColor(0x56, 0x34, 0x12));
    EXPECT_EQ(p.ScanLine(0)[3], 0x12);
    EXPECT_EQ(p.ScanLine(0)[5], 0x56);
    // 4 bits: the left pixel is the high nibble.
    TNkDIB q(2, 1, 4);
    q.SetPixels(0, 0, 0xA);
    q.SetPixels(1, 0, 0x5);
    EXPECT_EQ(q.ScanLine(0)[0], 0xA5);
}

TEST(NkDIB, OutOfRangePositionsRaise)
{
    TNkDIB p(4, 3, 8);
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {4, 0}, {0, 3}}) {
        try {
            (void)p.Pixels(x, y);
            FAIL() << "no error for read at " << x << "," << y;
        } catch (const KelpError &e) {
            EXPECT_STREQ(e.what(), "TNkDIB.GetPixels: Pixel Position is Out of Range");
        }
        try {
            p.SetPixels(x, y, 1);
            FAIL() << "no error for write at " << x << "," << y;
        } catch (const KelpError &e) {
            EXPECT_STREQ(e.what(), "TNkDIB.SetPixels: Pixel Position is Out of Range");
        }
    }
}

TEST(NkDIB, ColorTableAsTColor)
{
    TNkDIB p(1, 1, 8);
    p.SetColors(255, MakeColor(1, 2, 3));
    EXPECT_EQ(p.Colors(255), MakeColor(1, 2, 3));
    EXPECT_EQ(p.ColorTable()[255], (TRgbQuad{3, 2, 1, 0}));
    EXPECT_THROW(p.SetColors(256, 0), KelpError);
    EXPECT_THROW((void)p.Colors(-1), KelpError);
}

TEST(NkDIB, RefusesAbsurdSizesBeforeAllocating)
{
    TNkDIB p;
    EXPECT_THROW(p.SetSize(70000, 70000, 24), KelpError);
    EXPECT_THROW(p.SetSize(-1, 5, 8), KelpError);
    EXPECT_THROW(p.SetSize(5, 5, 16), KelpError);
    EXPECT_TRUE(p.Empty()); // a refused size leaves the picture as it was
}

TEST(NkDIB, IndexedToTrueColorThroughThePalette)
{
    TNkDIB p(3, 1, 4);
    p.SetColors(1, MakeColor(10, 20, 30));
    p.SetColors(15, MakeColor(255, 0, 128));
    p.SetPixels(0, 0, 1);
    p.SetPixels(2, 0, 15);
    p.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(p.BitCount(), 24);
    EXPECT_EQ(p.Pixels(0, 0), MakeColor(10, 20, 30));
    EXPECT_EQ(p.Pixels(1, 0), p.Colors(0));
    EXPECT_EQ(p.Pixels(2, 0), MakeColor(255, 0, 128));
}

TEST(NkDIB, CopiesAreIndependent)
{
    TNkDIB a(2, 2, 8);
    TNkDIB b = a;
    b.SetPixels(0, 0, 9);
    EXPECT_EQ(a.Pixels(0, 0), 0u);
    EXPECT_NE(a, b);
}
