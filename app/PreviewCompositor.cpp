#include "app/PreviewCompositor.h"

#include "base/KelpError.h"

#include <array>
#include <cstdint>

namespace kelp {

namespace {

using TTripleTable = std::array<TBgrTriple, 256>;

TBgrTriple Widen(TGbaColor g)
{
    return TBgrTriple{static_cast<std::uint8_t>(g.Blue << 3), static_cast<std::uint8_t>(g.Green << 3),
                      static_cast<std::uint8_t>(g.Red << 3)};
}

TBgrTriple *PixelRow(TNkDIB &pic, int y) { return reinterpret_cast<TBgrTriple *>(pic.ScanLine(y)); }

void DrawOpaqueLayer(TNkDIB &out, const TNkDIB &mock, const TTripleTable &table)
{
    for (int y = 0; y < ScreenHeight; ++y) {
        const std::uint8_t *src = mock.ScanLine(y);
        TBgrTriple *dst = PixelRow(out, y);
        for (int x = 0; x < ScreenWidth; ++x)
            dst[x] = table[src[x]];
    }
}

void DrawOverlayLayer(TNkDIB &out, const TNkDIB &mock, const TTripleTable &table)
{
    for (int y = 0; y < ScreenHeight; ++y) {
        const std::uint8_t *src = mock.ScanLine(y);
        TBgrTriple *dst = PixelRow(out, y);
        for (int x = 0; x < ScreenWidth; ++x)
            if (src[x] != 0)
                dst[x] = table[src[x]];
    }
}

// Both quotients of the blend come from tables: the text side by the preview
// byte, the background side by the picture's pixel value.
void BlendBackground(TNkDIB &out, const TBackgroundBlock &bg)
{
    std::array<std::int64_t, 256> textPart{};
    for (int p = 0; p < 256; ++p)
        textPart[p] = std::int64_t(p) * bg.TextAlpha / 16;

    // Entries 16..255 stay black; only a damaged picture has such values.
    std::array<std::array<std::int64_t, 3>, 256> bgPart{};
    for (int v = 0; v < BackgroundPaletteEntries; ++v) {
        const TBgrTriple c = ColorToTriple(bg.Picture.Colors(v));
        bgPart[v] = {std::int64_t(c.Blue) * bg.BGAlpha / 16, std::int64_t(c.Green) * bg.BGAlpha / 16,
                     std::int64_t(c.Red) * bg.BGAlpha / 16};
    }
    const auto clamp = [](std::int64_t s) { return static_cast<std::uint8_t>(s < 0 ? 0 : s > 255 ? 255 : s); };

    for (int y = 0; y < ScreenHeight; ++y) {
        const std::uint8_t *src = bg.Picture.ScanLine(y);
        TBgrTriple *dst = PixelRow(out, y);
        for (int x = 0; x < ScreenWidth; ++x) {
            const std::uint8_t v = src[x];
            if (v == 0)
                continue; // transparent
            const auto &c = bgPart[v];
            dst[x] = TBgrTriple{clamp(textPart[dst[x].Blue] + c[0]), clamp(textPart[dst[x].Green] + c[1]),
                                clamp(textPart[dst[x].Red] + c[2])};
        }
    }
}

void ReduceToGba(TNkDIB &out)
{
    for (int y = 0; y < ScreenHeight; ++y) {
        std::uint8_t *row = out.ScanLine(y);
        for (int i = 0; i < ScreenWidth * 3; ++i)
            row[i] &= 0xF8;
    }
}

} // namespace

TNkDIB ComposePreview(const TColorTable &colors, const TBackgroundBlock &background, const TMockPictures &mocks,
                      TPreviewLayers layers)
{
    KELP_ASSERT(mocks.TextPage.Width() == ScreenWidth && mocks.TextPage.Height() == ScreenHeight &&
                mocks.TextPage.BitCount() == 8);
    KELP_ASSERT(mocks.SystemLayer.Width() == ScreenWidth && mocks.SystemLayer.Height() == ScreenHeight &&
                mocks.SystemLayer.BitCount() == 8);

    TNkDIB out(ScreenWidth, ScreenHeight, 24);

    if (layers.Text) {
        TTripleTable table{};
        table[MockTextBG] = Widen(colors[TextBG]);
        table[MockTextChar] = Widen(colors[TextChar]);
        table[MockTabChar] = Widen(colors[TabChar]);
        DrawOpaqueLayer(out, mocks.TextPage, table);
    }
    if (layers.Background && background.BlendType == 0) {
        const TNkDIB &pic = background.Picture;
        KELP_ASSERT(pic.Width() >= ScreenWidth && pic.Height() >= ScreenHeight && pic.BitCount() == 8);
        BlendBackground(out, background);
    }
    if (layers.System) {
        TTripleTable table{};
        table[MockSystemBG] = Widen(colors[SystemBG]);
        table[MockSystemText] = Widen(colors[SystemText]);
        table[MockSystemFrameBright] = Widen(colors[SystemFrameBright]);
        table[MockSystemFrameMask] = Widen(colors[SystemFrameMask]);
        DrawOverlayLayer(out, mocks.SystemLayer, table);
    }
    if (layers.EmuGBA)
        ReduceToGba(out);
    return out;
}

TNkDIB DrawPaletteStrip(const TNkDIB &picture)
{
    TNkDIB strip(PaletteStripWidth, PaletteStripHeight, 24);
    const int entries = picture.PaletteSize();
    for (int i = 0; i < entries && i * PaletteSwatchWidth < PaletteStripWidth; ++i) {
        const TBgrTriple c = ColorToTriple(picture.Colors(i));
        const int left = i * PaletteSwatchWidth;
        for (int y = 0; y < PaletteStripHeight; ++y) {
            TBgrTriple *row = PixelRow(strip, y);
            for (int x = left; x < left + PaletteSwatchWidth; ++x)
                row[x] = c;
        }
    }
    return strip;
}

TNkDIB BackgroundToTrueColor(const TNkDIB &picture)
{
    TNkDIB copy = picture;
    copy.SetPixelFormat(TPixelFormat::pf24bit);
    return copy;
}

} // namespace kelp
