#pragma once
// The placement renderer of the import dialog: copies of a source picture,
// scaled by area averaging, drawn into a black 240x160 true-colour picture,
// either once at (PosX, PosY) or as a grid of tiles passing through that point.
//
// Scaled sizes follow dw = Trunc(W x zoom), dh = Trunc(H x zoom), raised to 1
// when they come out 0 or less and capped at MaxScaledSize, so no zoom value
// can overflow or run the renderer out of memory. A product less than a
// millionth of a pixel below a whole number counts as that number: that absorbs
// the rounding of 240.0 / W, so the fit zooms give exactly 240 and 160 for every
// width and height, while a zoom the user typed is truncated as written.
#include "picture/NkDIB.h"

#include <cstdint>

namespace kelp {

constexpr int PlacementWidth = 240;
constexpr int PlacementHeight = 160;
// Bound of a scaled width or height. Far beyond anything visible, yet small
// enough that copy coordinates times source sizes stay well inside 64 bits.
constexpr int MaxScaledSize = 1 << 30;

// What the import dialog keeps between renders (and between imports).
struct TPlacement {
    double ZoomRate = 1.0;
    int PosX = 0;
    int PosY = 0;
    bool TileMode = true;
};

struct TScaledSize {
    int Width = 1;
    int Height = 1;
    friend bool operator==(const TScaledSize &, const TScaledSize &) = default;
};

// dw x dh for a width x height picture at the zoom (NaN counts as 0).
TScaledSize PlacementScaledSize(int width, int height, double zoomRate);
int ScaledLength(int length, double zoomRate);

// The zooms of the fit buttons: 240 / width and 160 / height. An empty picture
// has nothing to fit and gets 1.0 instead of an infinite zoom.
double FitWidthZoom(int width);
double FitHeightZoom(int height);

// How the scaled copy is produced. Auto picks by cost; the others are for
// tests that check both routes give the same pixels.
enum class TScaleRoute {
    Auto,
    Cached, // the whole dw x dh copy is built once per size, renders only compose
            // (reductions and small copies; anything else goes Direct)
    Direct, // every render computes just the visible pixels from the source
};

// Holds the source picture and its scaled copy. A render at the scaled size of
// the previous one (a drag) only composes the cached copy into the screen.
//
// Route choice under Auto: at 100 % the source is its own scaled copy; a copy
// of at most SmallCopyPixels, or one reduced by CachedAreaRatio or more in area
// (so at most a ninth of the source), is built once and cached; a milder
// reduction or a large enlargement is computed directly for the visible 240x160
// pixels on every render, each of which then covers only a few source pixels.
// Memory thus stays below the source plus a small fraction of it.
class TPlacementRenderer {
public:
    static constexpr int CachedAreaRatio = 9;
    static constexpr std::uint64_t SmallCopyPixels = 1 << 20;

    TPlacementRenderer() = default;
    // Any bit count; indexed pictures are widened to 24 bits once here.
    explicit TPlacementRenderer(TNkDIB source);

    void SetSource(TNkDIB source);
    const TNkDIB &Source() const { return source_; }

    void SetRoute(TScaleRoute route);
    TScaleRoute Route() const { return route_; }

    // A fresh black 240x160 24-bit picture with the placement drawn into it.
    TNkDIB Render(const TPlacement &placement);
    // The same into an existing picture, which is discarded and replaced.
    void Render(const TPlacement &placement, TNkDIB &dst);

    // Scaled size of the last render, and whether a scaled copy is cached.
    TScaledSize LastScaledSize() const { return lastSize_; }
    bool HasCachedCopy() const { return cacheValid_; }

private:
    TNkDIB source_;
    TScaleRoute route_ = TScaleRoute::Auto;
    TNkDIB scaled_; // the cached copy on the Cached route
    TScaledSize cachedSize_;
    bool cacheValid_ = false;
    TScaledSize lastSize_;
};

// One render without keeping anything: for the command line and one-off uses.
TNkDIB RenderPlacement(const TNkDIB &source, const TPlacement &placement);

} // namespace kelp
