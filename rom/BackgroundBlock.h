#pragma once
// The background settings record, as the "BGBM01" block stores it.
#include "picture/NkDIB.h"

#include <array>
#include <cstdint>

namespace kelp {

constexpr int BackgroundWidth = 256;
constexpr int BackgroundHeight = 160;
constexpr int BackgroundTileBytes = 20480;
constexpr int BackgroundPaletteEntries = 16;

struct TBackgroundBlock {
    std::uint16_t Header = 0; // opaque, carried through unchanged
    std::int32_t BlendType = 0;
    std::int32_t TextAlpha = 0;
    std::int32_t BGAlpha = 0;
    TNkDIB Picture{BackgroundWidth, BackgroundHeight, 8};
    std::array<std::uint8_t, BackgroundTileBytes> Tiles{};
};

} // namespace kelp
