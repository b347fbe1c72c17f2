#pragma once
// The editor's five windows, created in start-up order and living until the
// main window goes: the other four are its children.
#include "app/MainWin.h"

#include <memory>

namespace kelp {

struct TEditorWindows {
    std::unique_ptr<TMain> Main;
    TColorPick *ColorPick = nullptr;
    TAbout *About = nullptr;
    TLoadBM *LoadBM = nullptr;
    TOnlineHelp *OnlineHelp = nullptr;
};

TEditorWindows CreateEditorWindows();

} // namespace kelp
