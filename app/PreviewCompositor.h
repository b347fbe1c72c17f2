#pragma once
// The emulated GBA screen: the mock text page in the text colours, the background
// blended over it, the mock system layer over both, then the loss of the three
// low bits of every channel. Pure: the pictures go in, a 24-bit picture comes out.
#include "app/MockPictures.h"
#include "color/ColorTypes.h"
#include "picture/NkDIB.h"
#include "rom/BackgroundBlock.h"

namespace kelp {

// The preview check boxes: which steps run.
struct TPreviewLayers {
    bool Text = true;
    bool Background = true;
    bool System = true;
    bool EmuGBA = true;
};

constexpr int PaletteStripWidth = 240;
constexpr int PaletteStripHeight = 16;
constexpr int PaletteSwatchWidth = 15;

// A black 240x160 24-bit picture with the enabled layers drawn in their fixed order.
// The background must be at least 240x160 with 8 bits per pixel. The blend is
// additive: per channel (p*a) div 16 + (c*b) div 16, each quotient truncated
// toward zero on its own, the sum held to 0..255 (alphas from a damaged file
// can be negative or huge).
TNkDIB ComposePreview(const TColorTable &colors, const TBackgroundBlock &background, const TMockPictures &mocks,
                      TPreviewLayers layers);

// A 240x16 24-bit strip: palette entry i of the picture fills 15x16 pixels at x = 15*i.
TNkDIB DrawPaletteStrip(const TNkDIB &picture);

// The whole picture as a 24-bit picture of its own size, for showing it.
TNkDIB BackgroundToTrueColor(const TNkDIB &picture);

} // namespace kelp
