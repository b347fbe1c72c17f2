#include "import/Placement.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace kelp {

namespace {

// Area averaging along one axis in whole units: a source pixel is `scaled`
// units long and a copy pixel `length` units, so both axes tile the same
// length x scaled units and every overlap is a whole number. A copy pixel's
// weights add up to `length`; the ones strictly inside its span weigh `scaled`.
struct TSpan {
    int First = 0;
    int Last = 0;
    std::uint32_t FirstWeight = 0; // the whole `length` when First == Last
    std::uint32_t LastWeight = 0;
};

TSpan SpanOf(std::int64_t copyIndex, int length, int scaled)
{
    const std::int64_t begin = copyIndex * length;
    const std::int64_t end = begin + length;
    TSpan s;
    s.First = static_cast<int>(begin / scaled);
    s.Last = static_cast<int>((end - 1) / scaled);
    if (s.First == s.Last) {
        s.FirstWeight = static_cast<std::uint32_t>(length);
    } else {
        s.FirstWeight = static_cast<std::uint32_t>((s.First + std::int64_t{1}) * scaled - begin);
        s.LastWeight = static_cast<std::uint32_t>(end - std::int64_t{s.Last} * scaled);
    }
    return s;
}

std::uint32_t WeightAt(const TSpan &s, int index, int scaled)
{
    if (index == s.First)
        return s.FirstWeight;
    return index == s.Last ? s.LastWeight : static_cast<std::uint32_t>(scaled);
}

// Weighted sums of blue, green and red over one row span; at most 255 x length.
struct TSums {
    std::uint32_t Blue = 0, Green = 0, Red = 0;
};

inline TSums SpanSum(const std::uint8_t *row, const TSpan &s, int scaled)
{
    const std::uint8_t *p = row + 3 * static_cast<std::size_t>(s.First);
    TSums sum{s.FirstWeight * p[0], s.FirstWeight * p[1], s.FirstWeight * p[2]};
    if (s.First == s.Last)
        return sum;
    std::uint32_t b = 0, g = 0, r = 0;
    for (int i = s.First + 1; i < s.Last; ++i) {
        p += 3;
        b += p[0];
        g += p[1];
        r += p[2];
    }
    p += 3;
    const auto w = static_cast<std::uint32_t>(scaled);
    sum.Blue += w * b + s.LastWeight * p[0];
    sum.Green += w * g + s.LastWeight * p[1];
    sum.Red += w * r + s.LastWeight * p[2];
    return sum;
}

// Rounded division of weighted sums by the total weight W x H (at most 2^30),
// exact for every sum up to 255 x W x H: a floating estimate corrected by one step.
class TAverager {
public:
    explicit TAverager(std::uint64_t total) : total_(total), half_(total / 2), inverse_(1.0 / double(total)) {}

    std::uint8_t operator()(std::uint64_t sum) const
    {
        const std::uint64_t n = sum + half_;
        auto q = static_cast<std::uint64_t>(double(n) * inverse_);
        if (q * total_ > n)
            --q;
        else if ((q + 1) * total_ <= n)
            ++q;
        return static_cast<std::uint8_t>(q);
    }

private:
    std::uint64_t total_;
    std::uint64_t half_;
    double inverse_;
};

// Floored remainder: the tile grid repeats in both directions.
std::int64_t FloorMod(std::int64_t a, std::int64_t m)
{
    const std::int64_t r = a % m;
    return r < 0 ? r + m : r;
}

// The copy coordinate shown at a screen coordinate, or -1 where no copy lies.
std::int64_t CopyCoordinate(int screen, int pos, int scaled, bool tileMode)
{
    const std::int64_t rel = std::int64_t{screen} - pos;
    if (tileMode)
        return FloorMod(rel, scaled);
    return rel >= 0 && rel < scaled ? rel : -1;
}

// The whole dw x dh copy, for reductions only (dw <= W, dh <= H), so that each
// source row feeds at most two copy rows. One pass over the source; the extra
// memory is the copy itself plus three rows of sums.
TNkDIB BuildScaledCopy(const TNkDIB &src, TScaledSize size)
{
    const int w = src.Width(), h = src.Height();
    const int dw = size.Width, dh = size.Height;
    TNkDIB copy(dw, dh, 24);

    std::vector<TSpan> spans(static_cast<std::size_t>(dw));
    for (int d = 0; d < dw; ++d)
        spans[static_cast<std::size_t>(d)] = SpanOf(d, w, dw);

    const std::size_t values = 3 * static_cast<std::size_t>(dw);
    std::vector<std::uint32_t> rowSums(values);
    std::vector<std::uint64_t> current(values), next(values);
    const TAverager average(std::uint64_t(w) * std::uint64_t(h));

    for (int t = 0; t < h; ++t) {
        const std::uint8_t *in = src.ScanLine(t);
        for (int d = 0; d < dw; ++d) {
            const TSums s = SpanSum(in, spans[static_cast<std::size_t>(d)], dw);
            std::uint32_t *out = &rowSums[3 * static_cast<std::size_t>(d)];
            out[0] = s.Blue;
            out[1] = s.Green;
            out[2] = s.Red;
        }
        // Source row t covers [t*dh, (t+1)*dh); copy row e covers [e*h, (e+1)*h).
        const std::int64_t begin = std::int64_t{t} * dh;
        const std::int64_t e = begin / h;
        const std::int64_t split = std::min(begin + dh, (e + 1) * h) - begin;
        const auto a = static_cast<std::uint64_t>(split);
        const auto b = static_cast<std::uint64_t>(dh - split);
        if (b == 0) {
            for (std::size_t v = 0; v < values; ++v)
                current[v] += a * rowSums[v];
        } else {
            for (std::size_t v = 0; v < values; ++v) {
                current[v] += a * rowSums[v];
                next[v] += b * rowSums[v];
            }
        }
        const bool rowDone = t + 1 == h || (std::int64_t{t} + 1) * dh / h != e;
        if (rowDone) {
            std::uint8_t *out = copy.ScanLine(static_cast<int>(e));
            for (std::size_t v = 0; v < values; ++v)
                out[v] = average(current[v]);
            current.swap(next);
            std::fill(next.begin(), next.end(), 0);
        }
    }
    return copy;
}

// Draws a ready scaled copy: whole row runs per copy, clipped to the screen.
void ComposeCopy(const TNkDIB &copy, const TPlacement &p, TNkDIB &dst)
{
    const int dw = copy.Width(), dh = copy.Height();
    for (int y = 0; y < PlacementHeight; ++y) {
        const std::int64_t cy = CopyCoordinate(y, p.PosY, dh, p.TileMode);
        if (cy < 0)
            continue;
        const std::uint8_t *in = copy.ScanLine(static_cast<int>(cy));
        std::uint8_t *out = dst.ScanLine(y);
        if (p.TileMode) {
            std::int64_t cx = FloorMod(-std::int64_t{p.PosX}, dw);
            for (int x = 0; x < PlacementWidth;) {
                const int run = static_cast<int>(std::min<std::int64_t>(dw - cx, PlacementWidth - x));
                std::memcpy(out + 3 * x, in + 3 * cx, 3 * static_cast<std::size_t>(run));
                x += run;
                cx = 0;
            }
        } else {
            const std::int64_t x0 = std::max<std::int64_t>(0, p.PosX);
            const std::int64_t x1 = std::min<std::int64_t>(PlacementWidth, std::int64_t{p.PosX} + dw);
            if (x0 < x1)
                std::memcpy(out + 3 * x0, in + 3 * (x0 - p.PosX), 3 * static_cast<std::size_t>(x1 - x0));
        }
    }
}

// Computes the pixels of dst straight from the source, copy by copy. Used
// where each pixel covers a few source pixels only: then a render costs a few
// taps per screen pixel, and an enlarged copy is built the same way.
void ComposeDirect(const TNkDIB &src, TScaledSize size, const TPlacement &p, TNkDIB &dst)
{
    const int w = src.Width(), h = src.Height();
    const int dw = size.Width, dh = size.Height;
    const int width = dst.Width(), height = dst.Height();
    std::vector<TSpan> columns(static_cast<std::size_t>(width));
    std::vector<std::uint8_t> visible(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
        const std::int64_t cx = CopyCoordinate(x, p.PosX, dw, p.TileMode);
        visible[static_cast<std::size_t>(x)] = cx >= 0;
        if (cx >= 0)
            columns[static_cast<std::size_t>(x)] = SpanOf(cx, w, dw);
    }
    const TAverager average(std::uint64_t(w) * std::uint64_t(h));
    for (int y = 0; y < height; ++y) {
        const std::int64_t cy = CopyCoordinate(y, p.PosY, dh, p.TileMode);
        if (cy < 0)
            continue;
        const TSpan rows = SpanOf(cy, h, dh);
        std::uint8_t *out = dst.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            if (!visible[static_cast<std::size_t>(x)])
                continue;
            const TSpan &cols = columns[static_cast<std::size_t>(x)];
            std::uint64_t b = 0, g = 0, r = 0;
            for (int t = rows.First; t <= rows.Last; ++t) {
                const std::uint64_t wt = WeightAt(rows, t, dh);
                const TSums s = SpanSum(src.ScanLine(t), cols, dw);
                b += wt * s.Blue;
                g += wt * s.Green;
                r += wt * s.Red;
            }
            out[3 * x] = average(b);
            out[3 * x + 1] = average(g);
            out[3 * x + 2] = average(r);
        }
    }
}

// The whole copy, whichever way it scales.
TNkDIB ScaledCopy(const TNkDIB &src, TScaledSize size)
{
    if (size.Width <= src.Width() && size.Height <= src.Height())
        return BuildScaledCopy(src, size);
    TNkDIB copy(size.Width, size.Height, 24);
    ComposeDirect(src, size, TPlacement{1.0, 0, 0, false}, copy);
    return copy;
}

enum class TRoute { Identity, Cached, Direct };

TRoute ChooseRoute(TScaleRoute wanted, int w, int h, TScaledSize size)
{
    if (wanted == TScaleRoute::Direct)
        return TRoute::Direct;
    if (size.Width == w && size.Height == h)
        return TRoute::Identity;
    const std::uint64_t copyArea = std::uint64_t(size.Width) * std::uint64_t(size.Height);
    const bool reduction = size.Width <= w && size.Height <= h;
    if (copyArea <= TPlacementRenderer::SmallCopyPixels || (reduction && wanted == TScaleRoute::Cached))
        return TRoute::Cached;
    return reduction && copyArea * TPlacementRenderer::CachedAreaRatio <= std::uint64_t(w) * std::uint64_t(h)
               ? TRoute::Cached
               : TRoute::Direct;
}

TNkDIB TrueColor(TNkDIB picture)
{
    if (picture.BitCount() != 24)
        picture.SetPixelFormat(TPixelFormat::pf24bit);
    return picture;
}

} // namespace

int ScaledLength(int length, double zoomRate)
{
    if (length <= 0 || !(zoomRate > 0)) // NaN fails the comparison too
        return 1;
    const double product = double(length) * zoomRate;
    if (!(product < double(MaxScaledSize))) // also infinity
        return MaxScaledSize;
    double whole = std::floor(product);
    // Rounding of a zoom such as 240.0 / 7 leaves the product a hair below 240.
    // A millionth of a pixel is far above that rounding for every product below
    // the cap, and below the gap 1 / W of any fit-zoom product that is not whole.
    if (whole + 1 - product <= 1e-6)
        whole += 1;
    return std::clamp(static_cast<int>(whole), 1, MaxScaledSize);
}

TScaledSize PlacementScaledSize(int width, int height, double zoomRate)
{
    return TScaledSize{ScaledLength(width, zoomRate), ScaledLength(height, zoomRate)};
}

double FitWidthZoom(int width) { return width > 0 ? double(PlacementWidth) / width : 1.0; }

double FitHeightZoom(int height) { return height > 0 ? double(PlacementHeight) / height : 1.0; }

TPlacementRenderer::TPlacementRenderer(TNkDIB source) { SetSource(std::move(source)); }

void TPlacementRenderer::SetSource(TNkDIB source)
{
    scaled_ = TNkDIB();
    cacheValid_ = false;
    source_ = TrueColor(std::move(source));
}

void TPlacementRenderer::SetRoute(TScaleRoute route)
{
    route_ = route;
    scaled_ = TNkDIB();
    cacheValid_ = false;
}

TNkDIB TPlacementRenderer::Render(const TPlacement &placement)
{
    TNkDIB dst;
    Render(placement, dst);
    return dst;
}

void TPlacementRenderer::Render(const TPlacement &placement, TNkDIB &dst)
{
    dst = TNkDIB(PlacementWidth, PlacementHeight, 24);
    if (source_.Empty())
        return;
    const TScaledSize size = PlacementScaledSize(source_.Width(), source_.Height(), placement.ZoomRate);
    lastSize_ = size;
    switch (ChooseRoute(route_, source_.Width(), source_.Height(), size)) {
    case TRoute::Identity:
        ComposeCopy(source_, placement, dst);
        break;
    case TRoute::Cached:
        if (!cacheValid_ || cachedSize_ != size) {
            scaled_ = TNkDIB(); // the old copy goes before the new one is built
            cacheValid_ = false;
            scaled_ = ScaledCopy(source_, size);
            cachedSize_ = size;
            cacheValid_ = true;
        }
        ComposeCopy(scaled_, placement, dst);
        break;
    case TRoute::Direct:
        ComposeDirect(source_, size, placement, dst);
        break;
    }
}

TNkDIB RenderPlacement(const TNkDIB &source, const TPlacement &placement)
{
    if (source.BitCount() != 24)
        return TPlacementRenderer(source).Render(placement);
    TNkDIB dst(PlacementWidth, PlacementHeight, 24);
    if (source.Empty())
        return dst;
    const TScaledSize size = PlacementScaledSize(source.Width(), source.Height(), placement.ZoomRate);
    switch (ChooseRoute(TScaleRoute::Auto, source.Width(), source.Height(), size)) {
    case TRoute::Identity: ComposeCopy(source, placement, dst); break;
    case TRoute::Cached: ComposeCopy(ScaledCopy(source, size), placement, dst); break;
    case TRoute::Direct: ComposeDirect(source, size, placement, dst); break;
    }
    return dst;
}

} // namespace kelp
