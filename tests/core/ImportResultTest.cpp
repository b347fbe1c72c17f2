#include "base/KelpError.h"
#include "import/ImportResult.h"

#include <gtest/gtest.h>

using namespace kelp;

TEST(ImportResult, WidenKeepsScreenColumnsAndPaintsTheRestNearWhite)
{
    TNkDIB p(240, 160, 8);
    p.SetColors(0, 0);
    p.SetColors(3, MakeColor(250, 250, 240));
    p.SetColors(7, MakeColor(255, 255, 255));
    p.SetColors(9, MakeColor(255, 255, 255)); // a tie goes to the lower index
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 240; ++x)
            p.SetPixels(x, y, std::uint32_t((x + y) % 16));
    const TNkDIB before = p;
    WidenToBackground(p);
    ASSERT_EQ(p.Width(), 256);
    ASSERT_EQ(p.Height(), 160);
    EXPECT_EQ(p.ColorTable(), before.ColorTable());
    for (int y = 0; y < 160; ++y) {
        for (int x = 0; x < 240; ++x)
            ASSERT_EQ(p.Pixels(x, y), before.Pixels(x, y));
        for (int x = 240; x < 256; ++x)
            ASSERT_EQ(p.Pixels(x, y), 7u);
    }
}

TEST(ImportResult, AllBlackPaletteUsesEntryZero)
{
    TNkDIB p(240, 160, 8);
    WidenToBackground(p);
    EXPECT_EQ(p.Pixels(255, 159), 0u);
}

TEST(ImportResult, RefusesAnUnreducedPicture)
{
    TNkDIB p(240, 160, 24);
    EXPECT_THROW(WidenToBackground(p), KelpError);
}
