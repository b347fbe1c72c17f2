#include "app/OnlineHelpWin.h"

#include "app/UiSupport.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace kelp {

namespace {

// Where the Susie plug-in package can be downloaded.
const char *const PluginPackagePage = "http://www.digitalpad.co.jp/~takechin/";

} // namespace

std::string HelpText()
{
    const std::string lines[] = {
        "背景画像を埋め込んだ時は、GBA上のオプション設定で「BG背景合成」を有効にしてください。",
        "",
        "色項目をダブルクリックすると色変更ダイアログが開きます。",
        "",
        "バージョンアップしても色情報/背景互換性があれば、設定を移行できます。",
        "古いtxt.binをOpenしたあとにそのまま新しいtxt.binにSaveAsでOKです。",
        "非互換バージョンアップをしたときは必ず明記します。",
        "",
        "画像ファイルをドラッグアンドドロップすると背景画像をインポートできます。",
        "ファイルメニューのImport BG/BMPでも同じ操作です。",
        "Susieプラグインに対応しましたので、bmp以外を読み込む時は適当に追加して下さい。"
        "Susieを使っている人なら何もしなくてもOKです。",
        "",
        "プラグインだけ使うには、",
        PluginPackagePage,
        "あたりから「Plug-in package」をダウンロードしてきてkelpview_zadidez.exeと同じフォルダに置いておいて下さい。"
        "インストールなどは必要ないので要らなくなったらファイル削除するだけで大丈夫です。",
    };
    std::string text = "\r\n";
    for (const std::string &line : lines)
        text += line + "\r\n";
    return text;
}

TOnlineHelp::TOnlineHelp(QWidget *parent) : QWidget(parent, Qt::Tool)
{
    setWindowTitle(QStringLiteral("OnlineHelp"));
    setFont(UiFont());
    // A sizeable tool frame adds a few pixels a side and a small caption to the
    // client, giving the laid-out outer size of 467 x 351.
    resize(459, 327);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setPlainText(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->installEventFilter(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);
    setFocusProxy(Memo1);

    FormCreate();
}

void TOnlineHelp::FormCreate() { Memo1->setPlainText(DisplayText(HelpText())); }

void TOnlineHelp::ShowBeside(QWidget *owner)
{
    if (isVisible())
        return;
    if (!placed_ && owner) {
        const QRect area = owner->frameGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void TOnlineHelp::Memo1KeyUp(int key)
{
    if (key == Qt::Key_Escape)
        close(); // only hides: the window and its text live until the program ends
}

bool TOnlineHelp::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Memo1 && event->type() == QEvent::KeyRelease)
        Memo1KeyUp(static_cast<QKeyEvent *>(event)->key());
    return QWidget::eventFilter(watched, event);
}

} // namespace kelp
