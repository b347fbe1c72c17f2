#include "color/ColorText.h"

namespace kelp {

std::string ColorHex(TColor color)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string s(6, '0');
    const std::uint32_t v = color & 0xFFFFFF;
    for (int i = 0; i < 6; ++i)
        s[static_cast<std::size_t>(5 - i)] = digits[(v >> (4 * i)) & 15];
    return s;
}

std::string ColorListText(TGbaColor color, std::string_view roleName)
{
    return "0x00" + ColorHex(GbaToColor(color)) + " " + std::string(roleName);
}

std::optional<TColor> ParseColorHex(std::string_view text)
{
    if (!text.empty() && text.front() == '$')
        text.remove_prefix(1);
    else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.size() != 6)
        return std::nullopt;
    TColor v = 0;
    for (const char c : text) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        v = v << 4 | static_cast<TColor>(d);
    }
    return v;
}

} // namespace kelp
