#pragma once
// The four colour presets of the Theme menu.
#include "color/ColorTypes.h"

namespace kelp {

enum class TTheme {
    TextWhiteBG, // "Text 白背景 黒文字"
    TextBlackBG, // "Text 黒背景 白文字"
    SystemWhiteBG, // "System 白背景 黒文字"
    SystemBlackBG, // "System 黒背景 白文字"
};

// Sets the preset's roles; every other role (TabChar always) is left as it is.
void ApplyTheme(TColorTable &table, TTheme theme);

} // namespace kelp
