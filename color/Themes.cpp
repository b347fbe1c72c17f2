#include "color/Themes.h"

namespace kelp {

namespace {

TGbaColor Grey(std::uint8_t level)
{
    const TBgrTriple t = MakeTriple(level, level, level);
    return TGbaColor{t.Blue, t.Green, t.Red};
}

} // namespace

void ApplyTheme(TColorTable &table, TTheme theme)
{
    switch (theme) {
    case TTheme::TextWhiteBG:
        table[TextBG] = Grey(31);
        table[TextChar] = Grey(0);
        break;
    case TTheme::TextBlackBG:
        table[TextBG] = Grey(0);
        table[TextChar] = Grey(31);
        break;
    case TTheme::SystemWhiteBG:
        table[SystemBG] = Grey(31);
        table[SystemText] = Grey(0);
        table[SystemFrameBright] = Grey(14);
        table[SystemFrameMask] = Grey(21);
        break;
    case TTheme::SystemBlackBG:
        table[SystemBG] = Grey(0);
        table[SystemText] = Grey(31);
        table[SystemFrameBright] = Grey(14);
        table[SystemFrameMask] = Grey(21);
        break;
    }
}

} // namespace kelp
