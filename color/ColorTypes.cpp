#include "color/ColorTypes.h"

namespace kelp {

const char *ColorRoleName(int role)
{
    static constexpr const char *names[ColorRoleCount] = {
        "TextBG", "TextChar", "TabChar", "SystemBG", "SystemText", "SystemFrameBright", "SystemFrameMask",
    };
    return role >= 0 && role < ColorRoleCount ? names[role] : "";
}

} // namespace kelp
