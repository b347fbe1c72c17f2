#pragma once
// The three forms of a colour and the conversions between them.
//   TGbaColor  - three 5-bit intensities, blue, green, red (the ROM's form)
//   TColor     - 32-bit value, red in bits 0..7, green 8..15, blue 16..23
//   TBgrTriple - one pixel of a 24-bit surface: blue, green, red bytes
#include <array>
#include <cstdint>

namespace kelp {

struct TGbaColor {
    std::uint8_t Blue = 0;
    std::uint8_t Green = 0;
    std::uint8_t Red = 0;
    friend bool operator==(const TGbaColor &, const TGbaColor &) = default;
};
static_assert(sizeof(TGbaColor) == 3);

struct TBgrTriple {
    std::uint8_t Blue = 0;
    std::uint8_t Green = 0;
    std::uint8_t Red = 0;
    friend bool operator==(const TBgrTriple &, const TBgrTriple &) = default;
};
static_assert(sizeof(TBgrTriple) == 3);

using TColor = std::uint32_t;

enum TColorRole : int {
    TextBG = 0,
    TextChar,
    TabChar,
    SystemBG,
    SystemText,
    SystemFrameBright,
    SystemFrameMask,
};
constexpr int ColorRoleCount = 7;

// Seven entries, 21 bytes with no gaps, in role order.
using TColorTable = std::array<TGbaColor, ColorRoleCount>;
static_assert(sizeof(TColorTable) == 21);

// The role names as the list and the command line show them.
const char *ColorRoleName(int role);

constexpr TColor MakeColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return static_cast<TColor>(red) | static_cast<TColor>(green) << 8 | static_cast<TColor>(blue) << 16;
}
constexpr std::uint8_t ColorRed(TColor c) { return static_cast<std::uint8_t>(c & 255); }
constexpr std::uint8_t ColorGreen(TColor c) { return static_cast<std::uint8_t>((c >> 8) & 255); }
constexpr std::uint8_t ColorBlue(TColor c) { return static_cast<std::uint8_t>((c >> 16) & 255); }

// Each intensity widened by a shift left of 3 (31 -> 248). Intensities above 31
// come only from damaged files; their low five bits are kept, so nothing carries
// into the neighbouring channel.
constexpr TColor GbaToColor(TGbaColor g)
{
    return MakeColor(static_cast<std::uint8_t>((g.Red & 31) << 3), static_cast<std::uint8_t>((g.Green & 31) << 3),
                     static_cast<std::uint8_t>((g.Blue & 31) << 3));
}

// Each channel narrowed to its top five bits, no rounding (255 -> 31, 7 -> 0).
constexpr TGbaColor ColorToGba(TColor c)
{
    return TGbaColor{static_cast<std::uint8_t>(ColorBlue(c) >> 3), static_cast<std::uint8_t>(ColorGreen(c) >> 3),
                     static_cast<std::uint8_t>(ColorRed(c) >> 3)};
}

constexpr TBgrTriple ColorToTriple(TColor c) { return TBgrTriple{ColorBlue(c), ColorGreen(c), ColorRed(c)}; }

// Values are stored as given, whatever their range: serves 5-bit and 8-bit forms alike.
constexpr TBgrTriple MakeTriple(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return TBgrTriple{blue, green, red};
}

constexpr TGbaColor MakeGbaColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return TGbaColor{blue, green, red};
}

} // namespace kelp
