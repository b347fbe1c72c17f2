#pragma once
// TMain: the main window. It holds the editing state for the whole run (the
// colour table and the background block), opens and saves the ROM file and
// redraws the preview after every change.
#include "app/ImageView.h"
#include "app/MockPictures.h"
#include "app/PreviewCompositor.h"
#include "app/UiSupport.h"
#include "base/MessageSink.h"
#include "color/ColorTypes.h"
#include "import/SusiePlugins.h"
#include "rom/BackgroundBlock.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QSlider;
class QStatusBar;

namespace kelp {

class TAbout;
class TColorPick;
class TLoadBM;
class TOnlineHelp;

// The other four windows, created after the main window and living as long as it.
struct TCompanionForms {
    TColorPick *ColorPick = nullptr;
    TAbout *About = nullptr;
    TLoadBM *LoadBM = nullptr;
    TOnlineHelp *OnlineHelp = nullptr;
};

inline const char *const RomMissingMessage =
    "ROMファイルが見つかりません。\r\nSaveAsで再選択後に書き込むか、ROMファイルを開き直して下さい。";
inline const char *const WriteDoneMessage = "正常に書き込みが終了しました。";
std::string SaveConfirmText(const std::string &fileName);

class TMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TMain(QWidget *parent = nullptr);
    ~TMain() override;

    TColorTable RomColors{};
    TBackgroundBlock RomBackground;
    TCompanionForms Forms;
    // Where the window's own messages go; a plain message box unless replaced.
    TMessageSink Sink;

    // Controls, named as in the layout.
    QLabel *Label2 = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QLabel *Label1 = nullptr;
    QComboBox *BlendTypeLst = nullptr;
    QLabel *TextAlphaLbl = nullptr;
    QSlider *TextAlphaBar = nullptr;
    QLabel *BGAlphaLbl = nullptr;
    QSlider *BGAlphaBar = nullptr;
    TImage *BGPalImg = nullptr;
    TImage *BGImg = nullptr;
    QListWidget *lst = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QCheckBox *ppTextChk = nullptr;
    QCheckBox *ppBGChk = nullptr;
    QCheckBox *ppSystemChk = nullptr;
    QCheckBox *ppEmuGBAChk = nullptr;
    TImage *PrvImg = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    // The hidden image controls that carry the mock text page and system layer.
    TMockPictures PrvMockPictures;

    TOpenDialog OpenDlg;
    TOpenDialog SaveDlg; // an open dialog: Save As writes into an existing ROM
    QTimer Timer1;
    // The plug-in manager: searches the Susie folder setting and the program's
    // folder once, when the window is created.
    std::unique_ptr<TSPIs> SPIs;

    // MainMenu1
    QMenu *FileF1 = nullptr;
    QAction *OpenGBABINO1 = nullptr;
    QAction *SaveGBABINS1 = nullptr;
    QAction *Saveas1 = nullptr;
    QAction *N1 = nullptr;
    QAction *ImportBMPI1 = nullptr;
    QAction *N3 = nullptr;
    QAction *Exitx1 = nullptr;
    QMenu *hemeT1 = nullptr;
    QAction *ext1 = nullptr;
    QAction *ext5 = nullptr;
    QAction *System1 = nullptr;
    QAction *System2 = nullptr;
    QAction *N2 = nullptr;
    QAction *AboutA1 = nullptr;

    // The current ROM file: the Open dialog's file name.
    std::string RomFileName() const;

    void Timer1Timer();
    void OpenGBABINO1Click();
    void SaveGBABINS1Click();
    void Saveas1Click();
    void ImportBMPI1Click();
    void Exitx1Click();
    void N2Click();
    void AboutA1Click();
    void AlphaBarChange();
    void BlendTypeLstChange();
    void ppChkClick();
    void ext1Click();
    void ext5Click();
    void System1Click();
    void System2Click();

    // Redraws BGImg, BGPalImg and PrvImg from scratch and shows the block's blend
    // values in the blend controls, their change handlers held off meanwhile.
    void UpdatePreview(const TBackgroundBlock &background);
    TPreviewLayers PreviewLayers() const;
    // Shows RomColors in lst.
    void RepaintList();

private:
    void FormCreate();
    void BuildLayout();
    void BuildMenu();
    void ConnectHandlers();
    bool ConfirmSave(const std::string &fileName);
    void WriteBlocks(const std::string &fileName);
    void ApplyThemeCommand(int theme);
    void ShowAlphaLabels();
};

} // namespace kelp
