#include "app/MainWin.h"

#include "app/AboutWin.h"
#include "app/OnlineHelpWin.h"
#include "base/FileStream.h"
#include "color/ColorText.h"
#include "color/Themes.h"
#include "rom/RomBlocks.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QSettings>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>

namespace kelp {

namespace {

constexpr int ClientWidth = 533;
constexpr int ClientHeight = 354;
constexpr int StatusBarHeight = 19;
constexpr int ListItemHeight = 12; // as laid out; start-up adds 2

const char *const RomFilter = "kelpview PluginROM (txt.bin)|txt.bin|AllFiles|*.*";

void Place(QWidget *w, int left, int top, int width = -1, int height = -1)
{
    if (width < 0) {
        w->adjustSize(); // labels size themselves to their caption
        w->move(left, top);
    } else {
        w->setGeometry(left, top, width, height);
    }
}

QSlider *MakeAlphaBar(QWidget *parent)
{
    auto *bar = new QSlider(Qt::Horizontal, parent);
    bar->setRange(0, 16);
    bar->setValue(0);
    bar->setTickPosition(QSlider::NoTicks);
    bar->setPageStep(1);
    return bar;
}

QCheckBox *MakeCheck(QWidget *parent, const char *caption, bool enabled)
{
    auto *box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setChecked(true);
    box->setEnabled(enabled);
    return box;
}

// The row's swatch: the colour framed by one black pixel.
QIcon Swatch(TGbaColor c)
{
    QPixmap pixmap(8, 8);
    pixmap.fill(Qt::black);
    QPainter painter(&pixmap);
    const TColor color = GbaToColor(c);
    painter.fillRect(1, 1, 6, 6, QColor(ColorRed(color), ColorGreen(color), ColorBlue(color)));
    return QIcon(pixmap);
}

} // namespace

std::string SaveConfirmText(const std::string &fileName)
{
    return "ファイル[" + fileName + "]に色情報を書き込んでもよろしいですか？";
}

TMain::TMain(QWidget *parent)
    : QMainWindow(parent), Sink(MessageBoxSink(this)),
      OpenDlg(this, QString::fromUtf8(RomFilter), QStringLiteral("bin")),
      SaveDlg(this, QString::fromUtf8(RomFilter), QStringLiteral("bin"))
{
    setWindowTitle(QStringLiteral("kelpview ColorEditor Ver0.04"));
    // Tool-window border: fixed size, no maximise box.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(UiFont());
    BuildLayout();
    BuildMenu();
    ConnectHandlers();
    FormCreate();

    Timer1.setSingleShot(true);
    Timer1.setInterval(1);
    connect(&Timer1, &QTimer::timeout, this, &TMain::Timer1Timer);
    Timer1.start();
}

TMain::~TMain() = default;

void TMain::BuildLayout()
{
    auto *client = new QWidget(this);
    client->setFixedSize(ClientWidth, ClientHeight - StatusBarHeight);
    setCentralWidget(client);

    // Control geometry in layout order: left, top, width, height.
    Label2 = new QLabel(QStringLiteral("背景画像はドラッグアンドドロップで指定できます。"), client);
    Place(Label2, 8, 16);
    GroupBox2 = new QGroupBox(QStringLiteral("BGBlend"), client);
    Place(GroupBox2, 8, 40, 257, 289);
    {
        Label1 = new QLabel(QStringLiteral("BlendType"), GroupBox2);
        Place(Label1, 8, 19);
        BlendTypeLst = new QComboBox(GroupBox2);
        Place(BlendTypeLst, 88, 16, 145, BlendTypeLst->sizeHint().height());
        TextAlphaLbl = new QLabel(QStringLiteral("TextAlpha 0"), GroupBox2);
        Place(TextAlphaLbl, 8, 46);
        TextAlphaBar = MakeAlphaBar(GroupBox2);
        Place(TextAlphaBar, 80, 40, 158, 25);
        BGAlphaLbl = new QLabel(QStringLiteral("BGAlpha 0"), GroupBox2);
        Place(BGAlphaLbl, 8, 70);
        BGAlphaBar = MakeAlphaBar(GroupBox2);
        Place(BGAlphaBar, 80, 64, 158, 25);
        BGPalImg = new TImage(GroupBox2);
        Place(BGPalImg, 8, 96, 240, 16);
        BGImg = new TImage(GroupBox2);
        Place(BGImg, 8, 120, 240, 160);
    }
    lst = new QListWidget(client);
    Place(lst, 272, 8, 257, 105);
    GroupBox1 = new QGroupBox(QStringLiteral("Preview GBA ScreenEmulate"), client);
    Place(GroupBox1, 272, 120, 257, 209);
    {
        ppTextChk = MakeCheck(GroupBox1, "Text", false);
        Place(ppTextChk, 8, 16, 49, 17);
        ppBGChk = MakeCheck(GroupBox1, "BG", true);
        Place(ppBGChk, 56, 16, 49, 17);
        ppSystemChk = MakeCheck(GroupBox1, "System", true);
        Place(ppSystemChk, 104, 16, 65, 17);
        ppEmuGBAChk = MakeCheck(GroupBox1, "EmuGBA", false);
        Place(ppEmuGBAChk, 168, 16, 65, 17);
        PrvImg = new TImage(GroupBox1);
        Place(PrvImg, 9, 40, 240, 160);
    }
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setFixedHeight(StatusBarHeight);
    StatusBar1->setSizeGripEnabled(false);
    setStatusBar(StatusBar1);

    lst->setFont(FixedFont(13));
    lst->setSelectionMode(QAbstractItemView::SingleSelection);
    lst->setUniformItemSizes(true);
    lst->setIconSize(QSize(8, 8));
    lst->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // The window keeps the layout's size.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TMain::BuildMenu()
{
    QMenuBar *MainMenu1 = menuBar();
    FileF1 = MainMenu1->addMenu(QStringLiteral("File (&F)"));
    OpenGBABINO1 = FileF1->addAction(QStringLiteral("Open... (&O)"));
    SaveGBABINS1 = FileF1->addAction(QStringLiteral("Save (&S)"));
    Saveas1 = FileF1->addAction(QStringLiteral("Save As... (&A)"));
    N1 = FileF1->addSeparator();
    ImportBMPI1 = FileF1->addAction(QStringLiteral("Import BG/BMP (&I)"));
    N3 = FileF1->addSeparator();
    Exitx1 = FileF1->addAction(QStringLiteral("Exit (&X)"));
    hemeT1 = MainMenu1->addMenu(QStringLiteral("Theme (&T)"));
    ext1 = hemeT1->addAction(QStringLiteral("Text 白背景 黒文字"));
    ext5 = hemeT1->addAction(QStringLiteral("Text 黒背景 白文字"));
    System1 = hemeT1->addAction(QStringLiteral("System 白背景 黒文字"));
    System2 = hemeT1->addAction(QStringLiteral("System 黒背景 白文字"));
    N2 = MainMenu1->addAction(QStringLiteral("Help (&H)"));
    AboutA1 = MainMenu1->addAction(QStringLiteral("About (&A)"));
}

void TMain::ConnectHandlers()
{
    connect(OpenGBABINO1, &QAction::triggered, this, &TMain::OpenGBABINO1Click);
    connect(SaveGBABINS1, &QAction::triggered, this, &TMain::SaveGBABINS1Click);
    connect(Saveas1, &QAction::triggered, this, &TMain::Saveas1Click);
    connect(ImportBMPI1, &QAction::triggered, this, &TMain::ImportBMPI1Click);
    connect(Exitx1, &QAction::triggered, this, &TMain::Exitx1Click);
    connect(ext1, &QAction::triggered, this, &TMain::ext1Click);
    connect(ext5, &QAction::triggered, this, &TMain::ext5Click);
    connect(System1, &QAction::triggered, this, &TMain::System1Click);
    connect(System2, &QAction::triggered, this, &TMain::System2Click);
    connect(N2, &QAction::triggered, this, &TMain::N2Click);
    connect(AboutA1, &QAction::triggered, this, &TMain::AboutA1Click);
    connect(BlendTypeLst, &QComboBox::currentIndexChanged, this, &TMain::BlendTypeLstChange);
    connect(TextAlphaBar, &QSlider::valueChanged, this, &TMain::AlphaBarChange);
    connect(BGAlphaBar, &QSlider::valueChanged, this, &TMain::AlphaBarChange);
    for (QCheckBox *box : {ppTextChk, ppBGChk, ppSystemChk, ppEmuGBAChk})
        connect(box, &QCheckBox::toggled, this, &TMain::ppChkClick);
}

void TMain::FormCreate()
{
    setAcceptDrops(true); // dropped picture files are imported as background

    RomColors = TColorTable{};

    lst->clear();
    for (int role = 0; role < ColorRoleCount; ++role) {
        auto *item = new QListWidgetItem(lst);
        item->setSizeHint(QSize(0, ListItemHeight + 2));
    }
    RepaintList();

    {
        const QSignalBlocker hold(BlendTypeLst);
        BlendTypeLst->clear();
        BlendTypeLst->addItem(QStringLiteral("Type:0 加色合成"));
        BlendTypeLst->setCurrentIndex(0);
    }

    RomBackground.Picture.SetSize(BackgroundWidth, BackgroundHeight, 8);

    SetupImage(*PrvImg);
    SetupImage(*BGImg);
    SetupImage(*BGPalImg);

    const QString susieFolder = QSettings(QStringLiteral("Susie"), QStringLiteral("Plug-in"))
                                    .value(QStringLiteral("Path"))
                                    .toString();
    SPIs = std::make_unique<TSPIs>(PluginFolders(susieFolder.toStdString()));
}

std::string TMain::RomFileName() const { return FileNameOf(OpenDlg.FileName); }

void TMain::RepaintList()
{
    for (int role = 0; role < ColorRoleCount && role < lst->count(); ++role) {
        QListWidgetItem *item = lst->item(role);
        item->setText(ToQString(ColorListText(RomColors[role], ColorRoleName(role))));
        item->setIcon(Swatch(RomColors[role]));
    }
}

void TMain::Timer1Timer()
{
    Timer1.stop();
    // Plug-ins refused for a missing function are named once the window is up;
    // the editor works on without them.
    for (const std::string &refusal : SPIs->Refusals())
        Sink(refusal);
    OpenGBABINO1Click();
}

void TMain::OpenGBABINO1Click()
{
    if (!OpenDlg.Execute())
        return;
    const std::string name = RomFileName();
    // Each block is read whatever became of the other; a block not read keeps its record.
    ReadColorBlock(name, RomColors, Sink);
    RepaintList();
    ReadBackgroundBlock(name, RomBackground, Sink);
    UpdatePreview(RomBackground);
    {
        const QSignalBlocker hold(BlendTypeLst);
        BlendTypeLst->setCurrentIndex(RomBackground.BlendType);
    }
    ShowAlphaLabels();
}

bool TMain::ConfirmSave(const std::string &fileName)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), ToQString(SaveConfirmText(fileName)),
                    QMessageBox::Yes | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void TMain::WriteBlocks(const std::string &fileName)
{
    if (!WriteColorBlock(fileName, RomColors, Sink))
        return;
    if (!WriteBackgroundBlock(fileName, RomBackground, Sink))
        return;
    Sink(WriteDoneMessage);
}

void TMain::SaveGBABINS1Click()
{
    const std::string name = RomFileName();
    if (!FileExists(name)) {
        Sink(RomMissingMessage);
        return;
    }
    if (!ConfirmSave(name))
        return;
    WriteBlocks(name);
}

void TMain::Saveas1Click()
{
    SaveDlg.FileName = OpenDlg.FileName;
    if (!SaveDlg.Execute())
        return;
    // The target is current from here on, whatever the writing below gives.
    OpenDlg.FileName = SaveDlg.FileName;
    WriteBlocks(RomFileName());
}

void TMain::ImportBMPI1Click()
{
    // The picture import dialog comes with the import command.
}

void TMain::Exitx1Click() { close(); }

void TMain::N2Click()
{
    if (Forms.OnlineHelp)
        Forms.OnlineHelp->ShowBeside(this);
}

void TMain::AboutA1Click()
{
    if (Forms.About)
        Forms.About->exec();
}

void TMain::ShowAlphaLabels()
{
    TextAlphaLbl->setText(QStringLiteral("TextAlpha %1").arg(RomBackground.TextAlpha));
    TextAlphaLbl->adjustSize();
    BGAlphaLbl->setText(QStringLiteral("BGAlpha %1").arg(RomBackground.BGAlpha));
    BGAlphaLbl->adjustSize();
}

void TMain::AlphaBarChange()
{
    RomBackground.TextAlpha = TextAlphaBar->value();
    RomBackground.BGAlpha = BGAlphaBar->value();
    ShowAlphaLabels();
    UpdatePreview(RomBackground);
}

void TMain::BlendTypeLstChange()
{
    RomBackground.BlendType = BlendTypeLst->currentIndex();
    UpdatePreview(RomBackground);
}

void TMain::ppChkClick() { UpdatePreview(RomBackground); }

void TMain::ApplyThemeCommand(int theme)
{
    ApplyTheme(RomColors, static_cast<TTheme>(theme));
    RepaintList();
    UpdatePreview(RomBackground);
}

void TMain::ext1Click() { ApplyThemeCommand(static_cast<int>(TTheme::TextWhiteBG)); }
void TMain::ext5Click() { ApplyThemeCommand(static_cast<int>(TTheme::TextBlackBG)); }
void TMain::System1Click() { ApplyThemeCommand(static_cast<int>(TTheme::SystemWhiteBG)); }
void TMain::System2Click() { ApplyThemeCommand(static_cast<int>(TTheme::SystemBlackBG)); }

TPreviewLayers TMain::PreviewLayers() const
{
    return TPreviewLayers{ppTextChk->isChecked(), ppBGChk->isChecked(), ppSystemChk->isChecked(),
                          ppEmuGBAChk->isChecked()};
}

void TMain::UpdatePreview(const TBackgroundBlock &background)
{
    {
        // Showing the values must not write them back: AlphaBarChange copies
        // both bars into the record and would overwrite one alpha.
        const QSignalBlocker holdType(BlendTypeLst);
        const QSignalBlocker holdText(TextAlphaBar);
        const QSignalBlocker holdBG(BGAlphaBar);
        BlendTypeLst->setCurrentIndex(background.BlendType);
        TextAlphaBar->setValue(background.TextAlpha);
        BGAlphaBar->setValue(background.BGAlpha);
    }

    BGImg->Picture = ToQImage(BackgroundToTrueColor(background.Picture));
    BGImg->update();

    // Both pictures are drawn on fresh black surfaces of the controls' sizes.
    BGPalImg->Picture = ToQImage(DrawPaletteStrip(background.Picture));
    BGPalImg->update();

    PrvImg->Picture = ToQImage(ComposePreview(RomColors, background, PrvMockPictures, PreviewLayers()));
    PrvImg->update();
}

} // namespace kelp
