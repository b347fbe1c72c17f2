#include "import/Placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <limits>
#include <random>

using namespace kelp;

namespace {

TNkDIB RandomPicture(int width, int height, std::uint32_t seed)
{
    TNkDIB p(width, height, 24);
    std::mt19937 rng(seed);
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = p.ScanLine(y);
        for (int i = 0; i < 3 * width; ++i)
            row[i] = static_cast<std::uint8_t>(rng());
    }
    return p;
}

// Pixels given as TColor values, row by row.
TNkDIB PictureOf(int width, int height, std::initializer_list<TColor> colors)
{
    TNkDIB p(width, height, 24);
    auto it = colors.begin();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.SetPixels(x, y, *it++);
    return p;
}

std::int64_t Mod(std::int64_t a, std::int64_t m) { return ((a % m) + m) % m; }

// The area average straight from its definition, in floating point: the copy
// pixel (cx, cy) covers [cx*W/dw, (cx+1)*W/dw) x [cy*H/dh, (cy+1)*H/dh).
TColor ReferencePixel(const TNkDIB &src, TScaledSize size, std::int64_t cx, std::int64_t cy)
{
    const double sx = double(src.Width()) / size.Width, sy = double(src.Height()) / size.Height;
    const double x0 = cx * sx, x1 = (cx + 1) * sx, y0 = cy * sy, y1 = (cy + 1) * sy;
    double sum[3] = {0, 0, 0}, area = 0;
    for (int y = int(std::floor(y0)); y < std::min<double>(src.Height(), std::ceil(y1)); ++y) {
        const double hy = std::min<double>(y + 1, y1) - std::max<double>(y, y0);
        for (int x = int(std::floor(x0)); x < std::min<double>(src.Width(), std::ceil(x1)); ++x) {
            const double wx = std::min<double>(x + 1, x1) - std::max<double>(x, x0);
            const TColor c = src.Pixels(x, y);
            sum[0] += wx * hy * ColorRed(c);
            sum[1] += wx * hy * ColorGreen(c);
            sum[2] += wx * hy * ColorBlue(c);
            area += wx * hy;
        }
    }
    return MakeColor(std::uint8_t(sum[0] / area + 0.5), std::uint8_t(sum[1] / area + 0.5),
                     std::uint8_t(sum[2] / area + 0.5));
}

// Screen pixel (x, y) against the reference: black where no copy lies.
void ExpectMatchesReference(const TNkDIB &src, const TPlacement &p, const TNkDIB &dst, const std::string &what)
{
    const TScaledSize size = PlacementScaledSize(src.Width(), src.Height(), p.ZoomRate);
    for (int y = 0; y < PlacementHeight; ++y)
        for (int x = 0; x < PlacementWidth; ++x) {
            std::int64_t cx = std::int64_t{x} - p.PosX, cy = std::int64_t{y} - p.PosY;
            TColor expected = 0;
            if (p.TileMode) {
                expected = ReferencePixel(src, size, Mod(cx, size.Width), Mod(cy, size.Height));
            } else if (cx >= 0 && cx < size.Width && cy >= 0 && cy < size.Height) {
                expected = ReferencePixel(src, size, cx, cy);
            }
            const TColor got = dst.Pixels(x, y);
            for (int shift : {0, 8, 16}) {
                const int diff = int((got >> shift) & 255) - int((expected >> shift) & 255);
                ASSERT_LE(std::abs(diff), 1) << what << " at " << x << "," << y << " got " << std::hex << got
                                             << " expected " << expected;
            }
        }
}

TNkDIB RenderBy(TScaleRoute route, const TNkDIB &src, const TPlacement &p)
{
    TPlacementRenderer r(src);
    r.SetRoute(route);
    return r.Render(p);
}

} // namespace

TEST(PlacementSize, FitZoomsGiveTheScreenSizeForEveryLength)
{
    for (int n = 1; n <= TNkDIB::MaxDimension; ++n) {
        ASSERT_EQ(ScaledLength(n, FitWidthZoom(n)), PlacementWidth) << n;
        ASSERT_EQ(ScaledLength(n, FitHeightZoom(n)), PlacementHeight) << n;
    }
}

TEST(PlacementSize, FitZoomsScaleTheOtherSideByTheExactRatio)
{
    struct Case {
        int w, h;
    } cases[] = {{1, 1},     {239, 1},   {7000, 3},  {6000, 4000}, {7, 5},      {480, 320},   {300, 200},
                 {1, 4000},  {7, 7},     {3, 2},     {2400, 1601}, {1048576, 1}, {1, 1048576}, {1024, 1048576},
                 {241, 161}, {4000, 6000}};
    for (const Case &c : cases) {
        // The other side is H x 240 / W truncated, computed here in integers.
        const auto exact = [](std::int64_t len, std::int64_t num, std::int64_t den) {
            return int(std::clamp<std::int64_t>(len * num / den, 1, MaxScaledSize));
        };
        EXPECT_EQ(PlacementScaledSize(c.w, c.h, FitWidthZoom(c.w)), (TScaledSize{240, exact(c.h, 240, c.w)}))
            << c.w << "x" << c.h;
        EXPECT_EQ(PlacementScaledSize(c.w, c.h, FitHeightZoom(c.h)), (TScaledSize{exact(c.w, 160, c.h), 160}))
            << c.w << "x" << c.h;
    }
    EXPECT_EQ(FitWidthZoom(480), 0.5);
    EXPECT_EQ(FitHeightZoom(320), 0.5);
    EXPECT_EQ(FitWidthZoom(0), 1.0);
    EXPECT_EQ(FitHeightZoom(0), 1.0);
}

TEST(PlacementSize, ZoomsTruncateAndDegenerateOnesStayBounded)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        int w, h;
        double zoom;
        TScaledSize expected;
    } cases[] = {
        {7, 5, 0.5, {3, 2}},
        {300, 200, 0.8, {240, 160}},
        {720, 100, 0.3333333, {239, 33}}, // a typed zoom is truncated as written
        {100, 50, 1.0, {100, 50}},
        {100, 50, 0.0, {1, 1}},
        {100, 50, -2.5, {1, 1}},
        {100, 50, 1e-12, {1, 1}},
        {100, 50, nan, {1, 1}},
        {100, 50, -inf, {1, 1}},
        {6000, 4000, 1e9, {MaxScaledSize, MaxScaledSize}},
        {1, 1, 1e9, {1000000000, 1000000000}},
        {100, 50, inf, {MaxScaledSize, MaxScaledSize}},
        {0, 0, 2.0, {1, 1}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PlacementScaledSize(c.w, c.h, c.zoom), c.expected) << c.w << "x" << c.h << " at " << c.zoom;
}

TEST(PlacementRender, FullSizeSourceAtOneHundredPercentIsCopiedUnchanged)
{
    const TNkDIB src = RandomPicture(240, 160, 1);
    for (TScaleRoute route : {TScaleRoute::Auto, TScaleRoute::Direct})
        for (bool tile : {true, false}) {
            const TNkDIB dst = RenderBy(route, src, TPlacement{1.0, 0, 0, tile});
            ASSERT_EQ(dst.Width(), 240);
            ASSERT_EQ(dst.Height(), 160);
            ASSERT_EQ(dst.BitCount(), 24);
            EXPECT_TRUE(std::equal(src.Bits().begin(), src.Bits().end(), dst.Bits().begin())) << tile;
        }
}

TEST(PlacementRender, AreaAveragingOnSmallPictures)
{
    const TColor a = MakeColor(10, 200, 0), b = MakeColor(20, 100, 255), c = MakeColor(41, 0, 255),
                 d = MakeColor(30, 50, 1);
    struct Case {
        const char *name;
        TNkDIB src;
        double zoom;
        std::vector<TColor> row0; // screen row 0 from x = 0, tile mode off
        std::vector<TColor> row1;
    } cases[] = {
        // (10+20+41+30)/4 = 25.25, (200+100+0+50)/4 = 87.5 rounds up, (0+255+255+1)/4 = 127.75.
        {"2x2 to 1x1", PictureOf(2, 2, {a, b, c, d}), 0.5, {MakeColor(25, 88, 128), 0}, {0}},
        // Each copy pixel covers 1.5 source pixels: (2a + b) / 3 and (b + 2c) / 3.
        {"3x1 to 2x1", PictureOf(3, 1, {a, b, c}), 2.0 / 3.0,
         {MakeColor(13, 167, 85), MakeColor(34, 33, 255), 0}, {0}},
        {"2x1 to 1x1 rounds half up", PictureOf(2, 1, {MakeColor(0, 1, 2), MakeColor(1, 2, 2)}), 0.5,
         {MakeColor(1, 2, 2), 0}, {0}},
        // Enlargement by 2: blocks of equal pixels.
        {"2x2 doubled", PictureOf(2, 2, {a, b, c, d}), 2.0, {a, a, b, b, 0}, {a, a, b, b, 0}},
        // Enlargement by 1.5: the middle copy pixel straddles both source pixels.
        {"2x1 by 1.5", PictureOf(2, 1, {a, c}), 1.5, {a, MakeColor(26, 100, 128), c, 0}, {0}},
    };
    for (const Case &k : cases)
        for (TScaleRoute route : {TScaleRoute::Auto, TScaleRoute::Cached, TScaleRoute::Direct}) {
            const TNkDIB dst = RenderBy(route, k.src, TPlacement{k.zoom, 0, 0, false});
            for (std::size_t x = 0; x < k.row0.size(); ++x)
                EXPECT_EQ(dst.Pixels(int(x), 0), k.row0[x]) << k.name << " row 0 x " << x << " route " << int(route);
            for (std::size_t x = 0; x < k.row1.size(); ++x)
                EXPECT_EQ(dst.Pixels(int(x), 1), k.row1[x]) << k.name << " row 1 x " << x << " route " << int(route);
        }
}

TEST(PlacementRender, EnlargementGivesBlocksOfEqualPixels)
{
    const TNkDIB src = RandomPicture(9, 7, 2);
    const TNkDIB dst = RenderBy(TScaleRoute::Auto, src, TPlacement{3.0, -4, 5, true});
    for (int y = 0; y < PlacementHeight; ++y)
        for (int x = 0; x < PlacementWidth; ++x) {
            const std::int64_t cx = Mod(x + 4, 27), cy = Mod(y - 5, 21);
            ASSERT_EQ(dst.Pixels(x, y), src.Pixels(int(cx / 3), int(cy / 3))) << x << "," << y;
        }
}

TEST(PlacementRender, EveryRouteMatchesTheAreaAverageDefinition)
{
    struct Case {
        int w, h;
        double zoom;
        int posX, posY;
        bool tile;
    } cases[] = {
        {97, 61, 0.3, 5, -7, true},     {97, 61, 0.77, -40, 33, true}, {50, 90, 0.05, 0, 0, true},
        {13, 11, 2.5, -3, -2, true},    {13, 11, 1.3, 100, 20, false}, {400, 300, FitWidthZoom(400), 0, 0, false},
        {64, 500, FitHeightZoom(500), -1, 1, true}, {7, 5, 0.5, 3, 4, true}, {301, 3, 0.41, 7, 0, true},
    };
    std::uint32_t seed = 10;
    for (const Case &c : cases) {
        const TNkDIB src = RandomPicture(c.w, c.h, seed++);
        const TPlacement p{c.zoom, c.posX, c.posY, c.tile};
        const TNkDIB direct = RenderBy(TScaleRoute::Direct, src, p);
        const std::string what = std::to_string(c.w) + "x" + std::to_string(c.h) + " at " + std::to_string(c.zoom);
        ExpectMatchesReference(src, p, direct, what);
        // The routes share their arithmetic, so they agree to the bit.
        EXPECT_EQ(RenderBy(TScaleRoute::Cached, src, p), direct) << what;
        EXPECT_EQ(RenderBy(TScaleRoute::Auto, src, p), direct) << what;
        EXPECT_EQ(RenderPlacement(src, p), direct) << what;
    }
}

TEST(PlacementRender, TilesRepeatThroughAnyPosition)
{
    const TNkDIB src = RandomPicture(100, 50, 3);
    const int positions[][2] = {{-10, 20}, {0, 0},        {INT_MAX, INT_MIN}, {INT_MIN, INT_MAX},
                                {-1000000007, 999999937}, {239, 159},         {-100, -50}};
    for (const auto &pos : positions) {
        const TNkDIB dst = RenderPlacement(src, TPlacement{1.0, pos[0], pos[1], true});
        for (int y = 0; y < PlacementHeight; ++y)
            for (int x = 0; x < PlacementWidth; ++x) {
                const auto sx = int(Mod(std::int64_t{x} - pos[0], 100)), sy = int(Mod(std::int64_t{y} - pos[1], 50));
                ASSERT_EQ(dst.Pixels(x, y), src.Pixels(sx, sy)) << pos[0] << "," << pos[1] << " at " << x << "," << y;
            }
    }
    // The copies of the example start at x = -10, 90, 190 and y = -30, 20, 70, 120.
    const TNkDIB dst = RenderPlacement(src, TPlacement{1.0, -10, 20, true});
    for (int x : {0, 90, 190})
        for (int y : {0, 20, 70, 120})
            EXPECT_EQ(dst.Pixels(x, y), src.Pixels(x == 0 ? 10 : 0, y == 0 ? 30 : 0)) << x << "," << y;
    // Shifting the grid by one copy width changes nothing, reduced or enlarged.
    for (double zoom : {1.0, 0.3, 1.7}) {
        const int dw = ScaledLength(100, zoom);
        EXPECT_EQ(RenderPlacement(src, TPlacement{zoom, 10, 0, true}),
                  RenderPlacement(src, TPlacement{zoom, 10 - dw, 0, true}))
            << zoom;
    }
}

TEST(PlacementRender, SingleCopyIsClippedAndTheRestStaysBlack)
{
    const TNkDIB src = RandomPicture(100, 50, 4);
    struct Case {
        int posX, posY;
        int x0, y0, x1, y1; // the visible screen rectangle
    } cases[] = {
        {0, 0, 0, 0, 100, 50},        {-30, -20, 0, 0, 70, 30},      {200, 150, 200, 150, 240, 160},
        {250, 0, 0, 0, 0, 0},         {0, 160, 0, 0, 0, 0},          {-100, 0, 0, 0, 0, 0},
        {INT_MIN, INT_MIN, 0, 0, 0, 0}, {INT_MAX, 5, 0, 0, 0, 0},    {-99, -49, 0, 0, 1, 1},
    };
    for (const Case &c : cases)
        for (double zoom : {1.0, 0.999}) { // the second goes through scaling
            const TPlacement p{zoom, c.posX, c.posY, false};
            const TNkDIB dst = RenderPlacement(src, p);
            for (int y = 0; y < PlacementHeight; ++y)
                for (int x = 0; x < PlacementWidth; ++x) {
                    const bool inside = x >= c.x0 && x < c.x1 && y >= c.y0 && y < c.y1;
                    if (!inside) {
                        ASSERT_EQ(dst.Pixels(x, y), 0u) << c.posX << "," << c.posY << " at " << x << "," << y;
                    } else if (zoom == 1.0) {
                        ASSERT_EQ(dst.Pixels(x, y), src.Pixels(x - c.posX, y - c.posY)) << x << "," << y;
                    }
                }
            if (zoom != 1.0)
                ExpectMatchesReference(src, p, dst, "clipped at " + std::to_string(c.posX));
        }
}

TEST(PlacementRender, DegenerateZoomsRenderBoundedCopies)
{
    const TNkDIB src = RandomPicture(31, 17, 5);
    // Copies of one pixel: the average colour of the whole picture everywhere.
    const TColor average = ReferencePixel(src, TScaledSize{1, 1}, 0, 0);
    for (double zoom : {0.0, -3.0, 1e-300, std::numeric_limits<double>::quiet_NaN()}) {
        TPlacementRenderer r(src);
        const TNkDIB dst = r.Render(TPlacement{zoom, -7, 3, true});
        EXPECT_EQ(r.LastScaledSize(), (TScaledSize{1, 1})) << zoom;
        for (int y = 0; y < PlacementHeight; ++y)
            for (int x = 0; x < PlacementWidth; ++x)
                ASSERT_EQ(dst.Pixels(x, y), average) << zoom << " at " << x << "," << y;
        const TNkDIB single = r.Render(TPlacement{zoom, 5, 6, false});
        EXPECT_EQ(single.Pixels(5, 6), average);
        EXPECT_EQ(single.Pixels(4, 6), 0u);
        EXPECT_EQ(single.Pixels(6, 6), 0u);
        EXPECT_EQ(single.Pixels(5, 7), 0u);
    }
    // Absurd enlargements show one source pixel across the screen, nothing is allocated for them.
    for (double zoom : {1e9, 1e300, std::numeric_limits<double>::infinity()}) {
        TPlacementRenderer r(src);
        for (const auto &[px, py, sx, sy] : {std::array{0, 0, 0, 0}, std::array{INT_MIN, INT_MIN, 0, 0},
                                            std::array{-MaxScaledSize + 300, 0, 30, 0}}) {
            const TNkDIB dst = r.Render(TPlacement{zoom, px, py, true});
            EXPECT_FALSE(r.HasCachedCopy());
            EXPECT_EQ(dst.Pixels(0, 0), src.Pixels(sx, sy)) << zoom << " at " << px << "," << py;
            EXPECT_EQ(dst.Pixels(239, 159), src.Pixels(sx, sy)) << zoom;
        }
    }
}

TEST(PlacementRender, CachedCopyFollowsZoomAndSourceChanges)
{
    const TNkDIB first = RandomPicture(600, 400, 6), second = RandomPicture(600, 400, 7);
    TPlacementRenderer r(first);
    const TPlacement steps[] = {
        {0.1, 0, 0, true}, {0.1, 5, 7, true}, {0.1, -300, 9, false}, {0.2, 5, 7, true},
        {0.1, 5, 7, true}, {1.0, 3, 3, true}, {0.1, 5, 7, true},     {2.0, 1, 1, true},
    };
    for (const TPlacement &p : steps)
        ASSERT_EQ(r.Render(p), RenderPlacement(first, p)) << p.ZoomRate << " " << p.PosX;
    r.Render(TPlacement{0.1, 0, 0, true});
    EXPECT_TRUE(r.HasCachedCopy());
    r.SetSource(second);
    EXPECT_FALSE(r.HasCachedCopy());
    EXPECT_EQ(r.Render(TPlacement{0.1, 0, 0, true}), RenderPlacement(second, TPlacement{0.1, 0, 0, true}));
}

TEST(PlacementRender, ReplacesWhateverTheTargetHeldAndWidensIndexedSources)
{
    TNkDIB indexed(4, 2, 8);
    indexed.SetColors(3, MakeColor(1, 2, 3));
    indexed.SetPixels(1, 1, 3);
    TNkDIB dst(256, 160, 8);
    dst.SetColors(0, MakeColor(9, 9, 9));
    std::fill(dst.Bits().begin(), dst.Bits().end(), 5);
    TPlacementRenderer r(indexed);
    r.Render(TPlacement{1.0, 10, 20, false}, dst);
    EXPECT_EQ(dst.Width(), 240);
    EXPECT_EQ(dst.Height(), 160);
    EXPECT_EQ(dst.BitCount(), 24);
    EXPECT_EQ(dst.Pixels(11, 21), MakeColor(1, 2, 3));
    EXPECT_EQ(dst.Pixels(10, 20), 0u);
    EXPECT_EQ(dst.Pixels(200, 100), 0u);
    EXPECT_EQ(dst.Colors(0), 0u);
    // An empty source renders black.
    EXPECT_EQ(TPlacementRenderer().Render(TPlacement{}), TNkDIB(240, 160, 24));
}
