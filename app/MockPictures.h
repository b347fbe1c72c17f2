#pragma once
// The two fixed pictures the preview is built from. Each is 240x160 with one
// byte per pixel; a byte is a role value, not a colour, and the palettes are unused.
//   text page:    1 TextBG, 2 TextChar, 3 TabChar
//   system layer: 0 see-through, 2 SystemBG, 3 SystemText, 4 SystemFrameBright, 5 SystemFrameMask
#include "picture/NkDIB.h"

namespace kelp {

constexpr int ScreenWidth = 240;
constexpr int ScreenHeight = 160;

enum : std::uint8_t {
    MockTextBG = 1,
    MockTextChar = 2,
    MockTabChar = 3,
};
enum : std::uint8_t {
    MockSystemClear = 0,
    MockSystemBlack = 1,
    MockSystemBG = 2,
    MockSystemText = 3,
    MockSystemFrameBright = 4,
    MockSystemFrameMask = 5,
};

// Nine lines of text glyphs on TextBG; the second line carries eight tab marks.
TNkDIB MakeMockTextPage();
// A title bar, a framed window and a framed status bar over a see-through layer.
TNkDIB MakeMockSystemLayer();

struct TMockPictures {
    TNkDIB TextPage = MakeMockTextPage();
    TNkDIB SystemLayer = MakeMockSystemLayer();
};

} // namespace kelp
