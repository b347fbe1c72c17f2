#include "app/EditorWindows.h"

#include "app/AboutWin.h"
#include "app/OnlineHelpWin.h"
#include "color/ColorPickWin.h"
#include "import/LoadBMWin.h"

namespace kelp {

TEditorWindows CreateEditorWindows()
{
    TEditorWindows w;
    w.Main = std::make_unique<TMain>();
    w.ColorPick = new TColorPick(w.Main.get());
    w.About = new TAbout(w.Main.get());
    w.LoadBM = new TLoadBM(w.Main.get());
    w.OnlineHelp = new TOnlineHelp(w.Main.get());
    w.Main->Forms = TCompanionForms{w.ColorPick, w.About, w.LoadBM, w.OnlineHelp};
    return w;
}

} // namespace kelp
