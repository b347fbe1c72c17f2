#include "rom/SampleRom.h"

#include "rom/BackgroundTiles.h"
#include "rom/RomBlocks.h"

#include <cmath>
#include <cstring>

namespace kelp {

TColorTable SampleColors()
{
    TColorTable t{};
    t[TextBG] = MakeGbaColor(29, 30, 27);
    t[TextChar] = MakeGbaColor(3, 6, 11);
    t[TabChar] = MakeGbaColor(12, 20, 18);
    t[SystemBG] = MakeGbaColor(2, 8, 10);
    t[SystemText] = MakeGbaColor(30, 31, 29);
    t[SystemFrameBright] = MakeGbaColor(21, 21, 21);
    t[SystemFrameMask] = MakeGbaColor(14, 14, 14);
    return t;
}

TBackgroundBlock SampleBackground()
{
    TBackgroundBlock b;
    b.Header = 0x0001;
    b.BlendType = 0;
    b.TextAlpha = 10;
    b.BGAlpha = 8;
    // 0 transparent; 1..7 water from deep to light; 8..12 kelp; 13..15 sand.
    static constexpr std::uint8_t palette[16][3] = {
        {0, 0, 0},      {8, 24, 56},    {12, 36, 80},   {16, 52, 104},  {24, 72, 128},  {40, 96, 152},
        {64, 128, 176}, {104, 168, 200}, {24, 64, 24},  {40, 96, 32},   {64, 128, 40},  {104, 160, 56},
        {152, 192, 88}, {136, 112, 72}, {184, 160, 112}, {224, 208, 160},
    };
    for (int i = 0; i < 16; ++i)
        b.Picture.SetColors(i, MakeColor(palette[i][0], palette[i][1], palette[i][2]));

    for (int y = 0; y < BackgroundHeight; ++y) {
        std::uint8_t *row = b.Picture.ScanLine(y);
        for (int x = 0; x < BackgroundWidth; ++x) {
            // Water brightens towards the surface, with soft light bands.
            const double band = 6.0 * std::sin(x * 0.05 + y * 0.11);
            int level = 7 - static_cast<int>((y + band) / 20.0);
            level = level < 1 ? 1 : (level > 7 ? 7 : level);
            std::uint8_t v = static_cast<std::uint8_t>(level);
            // Sand dunes along the bottom.
            const double dune = 140 + 6 * std::sin(x * 0.04) + 3 * std::sin(x * 0.13 + 1.0);
            if (y > dune)
                v = static_cast<std::uint8_t>(y > dune + 10 ? 15 : (y > dune + 4 ? 14 : 13));
            row[x] = v;
        }
    }
    // Kelp strands: wavy stems rising from the sand with a few leaves.
    static constexpr int stems[] = {18, 47, 83, 112, 150, 171, 205, 232, 249};
    for (int s = 0; s < static_cast<int>(std::size(stems)); ++s) {
        const int top = 20 + (s * 37) % 60;
        for (int y = top; y < 150; ++y) {
            const double sway = 5.0 * std::sin(y * 0.07 + s * 1.7);
            const int cx = stems[s] + static_cast<int>(sway);
            const int shade = 8 + (y - top) * 4 / (150 - top);
            for (int dx = -1; dx <= 1; ++dx) {
                const int x = cx + dx;
                if (x >= 0 && x < BackgroundWidth)
                    b.Picture.ScanLine(y)[x] = static_cast<std::uint8_t>(dx == -1 ? 12 - (shade - 8) : shade);
            }
            if ((y + s * 5) % 17 == 0)
                for (int dx = 2; dx < 9; ++dx) {
                    const int x = cx + ((s & 1) ? dx : -dx);
                    if (x >= 0 && x < BackgroundWidth)
                        b.Picture.ScanLine(y - dx / 3)[x] = 11;
                }
        }
    }
    EncodeBackgroundTiles(b);
    return b;
}

std::vector<std::uint8_t> MakeSampleRom()
{
    std::vector<std::uint8_t> rom(SampleRomSize);
    // Deterministic filler that looks like code: never contains a marker by chance,
    // since neither marker's first letter ('R', 'B') is ever produced.
    std::uint32_t state = 0x4B454C50;
    for (auto &byte : rom) {
        state = state * 1664525u + 1013904223u;
        std::uint8_t v = static_cast<std::uint8_t>(state >> 24);
        if (v == 'R' || v == 'B')
            v ^= 0x80;
        byte = v;
    }
    std::memcpy(&rom[SampleColorBlockOffset], ColorMarker.data(), ColorMarker.size());
    const TColorTable colors = SampleColors();
    std::memcpy(&rom[SampleColorBlockOffset + 6], colors.data(), sizeof colors);

    const TBackgroundBlock bg = SampleBackground();
    std::uint8_t *p = &rom[SampleBackgroundBlockOffset];
    std::memcpy(p, BackgroundMarker.data(), BackgroundMarker.size());
    p[6] = static_cast<std::uint8_t>(bg.Header);
    p[7] = static_cast<std::uint8_t>(bg.Header >> 8);
    const std::int32_t values[3] = {bg.BlendType, bg.TextAlpha, bg.BGAlpha};
    for (int v = 0; v < 3; ++v)
        for (int i = 0; i < 4; ++i)
            p[8 + 4 * v + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(values[v]) >> (8 * i));
    for (int i = 0; i < 16; ++i) {
        const TGbaColor g = ColorToGba(bg.Picture.Colors(i));
        p[20 + 3 * i] = g.Blue;
        p[21 + 3 * i] = g.Green;
        p[22 + 3 * i] = g.Red;
    }
    std::memcpy(p + 68, bg.Tiles.data(), bg.Tiles.size());
    return rom;
}

void WriteSampleRom(const std::string &fileName)
{
    WriteWholeFile(fileName, MakeSampleRom());
}

} // namespace kelp
