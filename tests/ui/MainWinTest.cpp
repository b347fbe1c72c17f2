// The main window driven as a user would: open, save, save as, the blend
// controls and the preview check boxes.
#include "UiTestSupport.h"

#include "app/EditorApplication.h"
#include "app/ImageView.h"
#include "color/ColorText.h"
#include "rom/RomBlocks.h"
#include "rom/SampleRom.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QSlider>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QtTest>

using namespace kelp;
using namespace kelptest;

namespace {

TBackgroundBlock ReadBackground(const QString &name)
{
    TBackgroundBlock bg;
    ReadBackgroundBlock(FileNameOf(name), bg, {});
    return bg;
}

TColorTable ReadColors(const QString &name)
{
    TColorTable colors{};
    ReadColorBlock(FileNameOf(name), colors, {});
    return colors;
}

QString WriteSampleWithTextAlpha(const QTemporaryDir &dir, std::int32_t textAlpha)
{
    const QString path = WriteSample(dir, QStringLiteral("alpha.bin"));
    TBackgroundBlock bg = ReadBackground(path);
    bg.TextAlpha = textAlpha;
    WriteBackgroundBlock(FileNameOf(path), bg, {});
    return path;
}

QImage Expected(const TMain &main, TPreviewLayers layers)
{
    return ToQImage(ComposePreview(main.RomColors, main.RomBackground, main.PrvMockPictures, layers));
}

} // namespace

class TMainWinTest : public QObject {
    Q_OBJECT
private slots:
    void layoutAndCaptions();
    void startupOpenCancelledLeavesBlack();
    void openFillsListLabelsBarsAndPreview();
    void openReportsMissingBlockAndReadsTheOther();
    void saveBeforeOpenReportsMissingRom();
    void saveAsksAndWritesBothBlocks_data();
    void saveAsksAndWritesBothBlocks();
    void saveIntoFileWithoutBackgroundMarker();
    void saveAsMakesItsTargetCurrent();
    void saveAsToMissingFileStillMakesItCurrent();
    void alphaBarSetsBothAlphas();
    void textAlphaAboveRangeShowsClampedBar();
    void previewCheckBoxes();
    void blendTypeListAndThemes();
    void errorInHandlerReachesErrorBox();
    void startupSearchesSusieFolderAndNamesRefusedPlugins();

private:
    QTemporaryDir dir_;
};

void TMainWinTest::layoutAndCaptions()
{
    TEditor e;
    TMain &m = e.Main();
    QCOMPARE(m.windowTitle(), QStringLiteral("kelpview ColorEditor Ver0.04"));
    QCOMPARE(m.centralWidget()->size() + QSize(0, m.StatusBar1->height()), QSize(533, 354));
    QCOMPARE(m.GroupBox2->geometry(), QRect(8, 40, 257, 289));
    QCOMPARE(m.TextAlphaBar->geometry(), QRect(80, 40, 158, 25));
    QCOMPARE(m.BGAlphaBar->geometry(), QRect(80, 64, 158, 25));
    QCOMPARE(m.BGPalImg->geometry(), QRect(8, 96, 240, 16));
    QCOMPARE(m.BGImg->geometry(), QRect(8, 120, 240, 160));
    QCOMPARE(m.lst->geometry(), QRect(272, 8, 257, 105));
    QCOMPARE(m.GroupBox1->geometry(), QRect(272, 120, 257, 209));
    QCOMPARE(m.PrvImg->geometry(), QRect(9, 40, 240, 160));
    QCOMPARE(m.TextAlphaBar->maximum(), 16);
    QCOMPARE(m.TextAlphaBar->tickPosition(), QSlider::NoTicks);
    QCOMPARE(m.BlendTypeLst->count(), 1);
    QCOMPARE(m.BlendTypeLst->currentText(), QStringLiteral("Type:0 加色合成"));
    QVERIFY(m.ppTextChk->isChecked() && !m.ppTextChk->isEnabled());
    QVERIFY(m.ppEmuGBAChk->isChecked() && !m.ppEmuGBAChk->isEnabled());
    QVERIFY(m.ppBGChk->isChecked() && m.ppBGChk->isEnabled());
    QVERIFY(m.ppSystemChk->isChecked() && m.ppSystemChk->isEnabled());
    QCOMPARE(m.OpenDlg.Filter(), QStringLiteral("kelpview PluginROM (txt.bin)|txt.bin|AllFiles|*.*"));
    QCOMPARE(m.SaveDlg.Filter(), m.OpenDlg.Filter());
    QCOMPARE(m.OpenDlg.Dialog().defaultSuffix(), QStringLiteral("bin"));
    QCOMPARE(m.SaveDlg.DefaultExt(), QStringLiteral("bin"));

    QStringList captions;
    for (QAction *a : m.FileF1->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(captions, (QStringList{"Open... (&O)", "Save (&S)", "Save As... (&A)", "-", "Import BG/BMP (&I)", "-",
                                    "Exit (&X)"}));
    QStringList top;
    for (QAction *a : m.menuBar()->actions())
        top << a->text();
    QCOMPARE(top, (QStringList{"File (&F)", "Theme (&T)", "Help (&H)", "About (&A)"}));
    QStringList themes;
    for (QAction *a : m.hemeT1->actions())
        themes << a->text();
    QCOMPARE(themes, (QStringList{"Text 白背景 黒文字", "Text 黒背景 白文字", "System 白背景 黒文字",
                                  "System 黒背景 白文字"}));
}

void TMainWinTest::startupOpenCancelledLeavesBlack()
{
    TEditor e(true);
    QTRY_COMPARE(e.OpenCalls, 1);
    QTest::qWait(30);
    QCOMPARE(e.OpenCalls, 1); // the timer fires once
    TMain &m = e.Main();
    QCOMPARE(m.lst->count(), 7);
    for (int role = 0; role < 7; ++role)
        QCOMPARE(m.lst->item(role)->text(), QStringLiteral("0x00000000 ") + QString::fromLatin1(ColorRoleName(role)));
    for (TImage *image : {m.PrvImg, m.BGImg, m.BGPalImg}) {
        QCOMPARE(image->Picture.size(), image->size());
        QVERIFY(AllBlack(image->Picture));
    }
    QVERIFY(e.Messages.empty());
    QVERIFY(m.RomFileName().empty());
}

void TMainWinTest::openFillsListLabelsBarsAndPreview()
{
    TEditor e;
    TMain &m = e.Main();
    const QString rom = WriteSample(dir_, QStringLiteral("open.bin"));
    e.Open(rom);

    QVERIFY(e.Messages.empty());
    QCOMPARE(m.RomFileName(), FileNameOf(rom));
    const TColorTable colors = SampleColors();
    QVERIFY(m.RomColors == colors);
    for (int role = 0; role < 7; ++role)
        QCOMPARE(m.lst->item(role)->text(), ToQString(ColorListText(colors[role], ColorRoleName(role))));
    const TBackgroundBlock sample = SampleBackground();
    QCOMPARE(m.TextAlphaLbl->text(), QStringLiteral("TextAlpha %1").arg(sample.TextAlpha));
    QCOMPARE(m.BGAlphaLbl->text(), QStringLiteral("BGAlpha %1").arg(sample.BGAlpha));
    QCOMPARE(m.TextAlphaBar->value(), sample.TextAlpha);
    QCOMPARE(m.BGAlphaBar->value(), sample.BGAlpha);
    QCOMPARE(m.RomBackground.TextAlpha, sample.TextAlpha); // showing the bars wrote nothing back
    QCOMPARE(m.RomBackground.BGAlpha, sample.BGAlpha);

    QCOMPARE(m.PrvImg->Picture, Expected(m, {}));
    QVERIFY(!AllBlack(m.PrvImg->Picture));
    const TBackgroundBlock read = ReadBackground(rom);
    QCOMPARE(m.BGImg->Picture, ToQImage(BackgroundToTrueColor(read.Picture)));
    QVERIFY(!AllBlack(m.BGImg->Picture));
    for (int i = 0; i < 16; ++i) {
        const TColor c = read.Picture.Colors(i);
        QCOMPARE(m.BGPalImg->Picture.pixelColor(15 * i + 7, 8), QColor(ColorRed(c), ColorGreen(c), ColorBlue(c)));
    }
}

void TMainWinTest::openReportsMissingBlockAndReadsTheOther()
{
    TEditor e;
    TMain &m = e.Main();
    const QString rom = WriteSample(dir_, QStringLiteral("nobg.bin"),
                                    [](std::vector<std::uint8_t> &b) { BreakMarker(b, "BGBM01"); });
    e.Open(rom);
    QCOMPARE(e.Messages, std::vector<std::string>{BackgroundMarkerMissingMessage});
    QVERIFY(m.RomColors == SampleColors());
    QCOMPARE(m.TextAlphaLbl->text(), QStringLiteral("TextAlpha 0"));
    QVERIFY(!AllBlack(m.PrvImg->Picture)); // the text page in the colours read
}

void TMainWinTest::saveBeforeOpenReportsMissingRom()
{
    TEditor e;
    QString asked;
    AnswerNextBox(QMessageBox::Yes, &asked);
    e.Main().SaveGBABINS1->trigger();
    QCOMPARE(e.Messages, std::vector<std::string>{RomMissingMessage});
    QVERIFY(asked.isEmpty()); // no question was asked
    QTest::qWait(0);
}

void TMainWinTest::saveAsksAndWritesBothBlocks_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes writes") << true;
    QTest::newRow("Cancel writes nothing") << false;
}

void TMainWinTest::saveAsksAndWritesBothBlocks()
{
    QFETCH(bool, yes);
    TEditor e;
    TMain &m = e.Main();
    const QString rom = WriteSample(dir_, QStringLiteral("save.bin"));
    e.Open(rom);
    const std::vector<std::uint8_t> before = ReadFile(rom);

    m.ext5->trigger(); // text: black background, white characters
    m.BGAlphaBar->setValue(16);
    const TColorTable edited = m.RomColors;

    QString asked;
    AnswerNextBox(yes ? QMessageBox::Yes : QMessageBox::Cancel, &asked);
    m.SaveGBABINS1->trigger();

    QCOMPARE(asked, ToQString(SaveConfirmText(FileNameOf(rom))));
    if (!yes) {
        QVERIFY(e.Messages.empty());
        QVERIFY(ReadFile(rom) == before);
        return;
    }
    QCOMPARE(e.Messages, std::vector<std::string>{WriteDoneMessage});
    QVERIFY(ReadColors(rom) == edited);
    const TBackgroundBlock written = ReadBackground(rom);
    QCOMPARE(written.BGAlpha, 16);
    QCOMPARE(written.TextAlpha, SampleBackground().TextAlpha);
    QVERIFY(written.Picture == ReadBackground(WriteSample(dir_, QStringLiteral("fresh.bin"))).Picture);
}

void TMainWinTest::saveIntoFileWithoutBackgroundMarker()
{
    TEditor e;
    TMain &m = e.Main();
    const QString rom = WriteSample(dir_, QStringLiteral("nobgsave.bin"),
                                    [](std::vector<std::uint8_t> &b) { BreakMarker(b, "BGBM01"); });
    e.Open(rom);
    e.Messages.clear();
    m.System1->trigger();
    const TColorTable edited = m.RomColors;

    AnswerNextBox(QMessageBox::Yes);
    m.SaveGBABINS1->trigger();
    QCOMPARE(e.Messages, std::vector<std::string>{BackgroundMarkerMissingMessage});
    QVERIFY(ReadColors(rom) == edited);
}

void TMainWinTest::saveAsMakesItsTargetCurrent()
{
    TEditor e;
    TMain &m = e.Main();
    const QString a = WriteSample(dir_, QStringLiteral("a.bin"));
    const QString b = WriteSample(dir_, QStringLiteral("b.bin"));
    e.Open(a);
    m.ext1->trigger();
    m.TextAlphaBar->setValue(3);
    const TColorTable edited = m.RomColors;

    QString asked;
    AnswerNextBox(QMessageBox::Yes, &asked); // must stay unused: Save As asks nothing
    e.SaveAnswers.push_back(b);
    m.Saveas1->trigger();
    QCOMPARE(e.SavePreset, a);
    QVERIFY(asked.isEmpty());
    QCOMPARE(e.Messages, std::vector<std::string>{WriteDoneMessage});
    QCOMPARE(m.RomFileName(), FileNameOf(b));
    QVERIFY(ReadColors(b) == edited);
    QCOMPARE(ReadBackground(b).TextAlpha, 3);
    QVERIFY(ReadColors(a) == SampleColors());
    QTest::qWait(0);

    // Save now asks about b and writes b.
    e.Messages.clear();
    AnswerNextBox(QMessageBox::Yes, &asked);
    m.SaveGBABINS1->trigger();
    QCOMPARE(asked, ToQString(SaveConfirmText(FileNameOf(b))));
    QCOMPARE(e.Messages, std::vector<std::string>{WriteDoneMessage});

    // The next Save As starts at b; a cancel changes nothing.
    m.Saveas1->trigger();
    QCOMPARE(e.SavePreset, b);
    QCOMPARE(m.RomFileName(), FileNameOf(b));
}

void TMainWinTest::saveAsToMissingFileStillMakesItCurrent()
{
    TEditor e;
    TMain &m = e.Main();
    e.Open(WriteSample(dir_, QStringLiteral("c.bin")));
    const QString missing = dir_.filePath(QStringLiteral("missing.bin"));
    e.SaveAnswers.push_back(missing);
    m.Saveas1->trigger();
    QCOMPARE(e.Messages, std::vector<std::string>{FileMissingMessage(FileNameOf(missing))});
    QVERIFY(!QFile::exists(missing));
    QCOMPARE(m.RomFileName(), FileNameOf(missing));

    e.Messages.clear();
    m.SaveGBABINS1->trigger();
    QCOMPARE(e.Messages, std::vector<std::string>{RomMissingMessage});
}

void TMainWinTest::alphaBarSetsBothAlphas()
{
    TEditor e;
    TMain &m = e.Main();
    e.Open(WriteSampleWithTextAlpha(dir_, 20));
    QCOMPARE(m.RomBackground.TextAlpha, 20);

    m.BGAlphaBar->setValue(16);
    QCOMPARE(m.RomBackground.BGAlpha, 16);
    QCOMPARE(m.RomBackground.TextAlpha, 16); // from the bar's position
    QCOMPARE(m.BGAlphaLbl->text(), QStringLiteral("BGAlpha 16"));
    QCOMPARE(m.TextAlphaLbl->text(), QStringLiteral("TextAlpha 16"));
    QCOMPARE(m.PrvImg->Picture, Expected(m, {}));

    m.TextAlphaBar->setValue(4);
    QCOMPARE(m.RomBackground.TextAlpha, 4);
    QCOMPARE(m.RomBackground.BGAlpha, 16);
    QCOMPARE(m.TextAlphaLbl->text(), QStringLiteral("TextAlpha 4"));
}

void TMainWinTest::textAlphaAboveRangeShowsClampedBar()
{
    TEditor e;
    TMain &m = e.Main();
    e.Open(WriteSampleWithTextAlpha(dir_, 20));
    QCOMPARE(m.TextAlphaBar->value(), 16);
    QCOMPARE(m.TextAlphaLbl->text(), QStringLiteral("TextAlpha 20"));
    // Redrawing does not write the bar's position back.
    m.ppSystemChk->click();
    m.ppSystemChk->click();
    QCOMPARE(m.RomBackground.TextAlpha, 20);
    QCOMPARE(m.PrvImg->Picture, Expected(m, {})); // blended with 20, not 16
}

void TMainWinTest::previewCheckBoxes()
{
    TEditor e;
    TMain &m = e.Main();
    e.Open(WriteSample(dir_, QStringLiteral("boxes.bin")));
    const QImage all = m.PrvImg->Picture;
    const QImage background = m.BGImg->Picture;

    m.ppBGChk->click();
    QVERIFY(m.PrvImg->Picture != all);
    QCOMPARE(m.PrvImg->Picture, Expected(m, {true, false, true, true}));
    QCOMPARE(m.BGImg->Picture, background); // only the preview loses the background

    m.ppSystemChk->click();
    QCOMPARE(m.PrvImg->Picture, Expected(m, {true, false, false, true}));
    m.ppBGChk->click();
    const QImage noSystem = m.PrvImg->Picture;
    QCOMPARE(noSystem, Expected(m, {true, true, false, true}));
    // The title bar's row shows the system colour only while "System" is ticked.
    const TColor bar = GbaToColor(m.RomColors[SystemBG]);
    QVERIFY(noSystem.pixelColor(1, 0) != QColor(ColorRed(bar), ColorGreen(bar), ColorBlue(bar)));
    QCOMPARE(all.pixelColor(1, 0), QColor(ColorRed(bar), ColorGreen(bar), ColorBlue(bar)));
}

void TMainWinTest::blendTypeListAndThemes()
{
    TEditor e;
    TMain &m = e.Main();
    e.Open(WriteSample(dir_, QStringLiteral("theme.bin")));
    m.System2->trigger();
    QCOMPARE(m.RomColors[SystemBG], (TGbaColor{0, 0, 0}));
    QCOMPARE(m.RomColors[SystemText], (TGbaColor{31, 31, 31}));
    QCOMPARE(m.RomColors[TextBG], SampleColors()[TextBG]);
    QCOMPARE(m.lst->item(SystemText)->text(), QStringLiteral("0x00F8F8F8 SystemText"));
    QCOMPARE(m.PrvImg->Picture, Expected(m, {}));

    // A blend type the list does not offer leaves no item selected and the text page unblended.
    m.RomBackground.BlendType = 1;
    m.UpdatePreview(m.RomBackground);
    QCOMPARE(m.BlendTypeLst->currentIndex(), -1);
    QCOMPARE(m.PrvImg->Picture, Expected(m, {true, false, true, true}));
    QCOMPARE(m.RomBackground.BlendType, 1);
    m.BlendTypeLst->setCurrentIndex(0);
    QCOMPARE(m.RomBackground.BlendType, 0);
}

void TMainWinTest::errorInHandlerReachesErrorBox()
{
    auto *app = static_cast<TEditorApplication *>(QCoreApplication::instance());
    std::vector<std::string> errors;
    app->SetErrorSink([&](const std::string &text) { errors.push_back(text); });

    // A colour block cut short by the end of the file.
    std::vector<std::uint8_t> bytes(64, 0);
    const std::string marker = "RGBC02";
    std::copy(marker.begin(), marker.end(), bytes.end() - 16);
    const QString rom = dir_.filePath(QStringLiteral("short.bin"));
    WriteFile(rom, bytes);

    TEditor e(true); // the start-up timer runs Open through the event loop
    e.OpenAnswers.push_back(rom);
    QTRY_COMPARE(errors.size(), std::size_t(1));
    QVERIFY2(QString::fromStdString(errors[0]).contains(QStringLiteral("short.bin")), errors[0].c_str());
    QVERIFY(e.Main().RomColors == TColorTable{});

    // The window stays usable.
    e.Open(WriteSample(dir_, QStringLiteral("after.bin")));
    QVERIFY(e.Main().RomColors == SampleColors());
    app->SetErrorSink({});
}

void TMainWinTest::startupSearchesSusieFolderAndNamesRefusedPlugins()
{
    // The Susie folder setting points at a folder holding one plug-in that lacks GetPicture.
    QTemporaryDir config, plugins;
    const QString refused = plugins.filePath(QStringLiteral("no_getpicture.spi"));
    QVERIFY(QFile::copy(QStringLiteral(KELP_TEST_PLUGIN_DIR "/no_getpicture.spi"), refused));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    {
        QSettings setting(QStringLiteral("Susie"), QStringLiteral("Plug-in"));
        setting.setValue(QStringLiteral("Path"), plugins.path());
    }

    TEditor e(true);
    QTRY_COMPARE(e.OpenCalls, 1);
    const std::string expected = "GetPictureは[" + refused.toStdString() + "]では使えないSusie Plugin APIです";
    QCOMPARE(e.Messages, std::vector<std::string>{expected});
    // The bundled plug-in of the program's own folder is loaded all the same.
    bool bundled = false;
    for (const TSPI &spi : e.Main().SPIs->Plugins())
        bundled = bundled || QFileInfo(QString::fromStdString(spi.ModuleFileName())).fileName() ==
                                 QStringLiteral("kelpimage.spi");
    QVERIFY(bundled);

    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.filePath(QStringLiteral("none")));
}

int main(int argc, char **argv)
{
    TEditorApplication app(argc, argv);
    TMainWinTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainWinTest.moc"
