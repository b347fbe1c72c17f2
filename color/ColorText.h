#pragma once
// Colours as text: six upper-case hexadecimal digits read BBGGRR.
#include "color/ColorTypes.h"

#include <optional>
#include <string>
#include <string_view>

namespace kelp {

std::string ColorHex(TColor color); // "F88000" for blue 248, green 128, red 0
// The colour list's row text: "0x00", the BBGGRR digits of GbaToColor, a blank, the role name.
std::string ColorListText(TGbaColor color, std::string_view roleName);
// Six hexadecimal digits BBGGRR (an optional "$" or "0x" in front); nothing on bad input.
std::optional<TColor> ParseColorHex(std::string_view text);

} // namespace kelp
