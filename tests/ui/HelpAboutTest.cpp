// The help window and the About box, opened from the main window's menu.
#include "UiTestSupport.h"

#include "app/AboutWin.h"
#include "app/EditorApplication.h"
#include "app/OnlineHelpWin.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

using namespace kelp;
using namespace kelptest;

class THelpAboutTest : public QObject {
    Q_OBJECT
private slots:
    void helpTextIsBuiltOnce();
    void escapeHidesHelpAndItReopensWhereItWas();
    void helpWrapsAndScrollsToTheLastLine();
    void aboutShowsTitleAndClosesOnEnter_data();
    void aboutShowsTitleAndClosesOnEnter();
};

void THelpAboutTest::helpTextIsBuiltOnce()
{
    const std::string text = HelpText();
    QVERIFY(text.starts_with("\r\n背景画像を埋め込んだ時は"));
    QVERIFY(text.ends_with("ファイル削除するだけで大丈夫です。\r\n"));
    const QStringList lines = QString::fromStdString(text).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 17); // a leading empty line, fifteen lines, the final break
    QCOMPARE(lines[2], QString());
    QCOMPARE(lines[13], QStringLiteral("プラグインだけ使うには、"));
    QVERIFY(lines[14].startsWith(QStringLiteral("http")));
    QVERIFY(lines[15].startsWith(QStringLiteral("あたりから「Plug-in package」をダウンロードしてきてkelpview_zadidez.exeと")));

    TEditor e;
    QCOMPARE(e.Windows.OnlineHelp->Memo1->toPlainText(), DisplayText(text));
    QVERIFY(e.Windows.OnlineHelp->Memo1->isReadOnly());
    QVERIFY(!e.Windows.OnlineHelp->isVisible());
}

void THelpAboutTest::escapeHidesHelpAndItReopensWhereItWas()
{
    TEditor e;
    TMain &m = e.Main();
    m.show();
    TOnlineHelp *help = e.Windows.OnlineHelp;
    m.N2->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(help));
    QVERIFY(m.isVisible()); // not modal: the main window stays usable

    help->move(help->pos() + QPoint(30, 20));
    help->resize(400, 300);
    QTest::qWait(10);
    const QRect where = help->geometry();
    m.N2->trigger(); // already open: nothing changes
    QCOMPARE(help->geometry(), where);

    QTest::keyClick(help->Memo1, Qt::Key_A);
    QVERIFY(help->isVisible());
    QTest::keyClick(help->Memo1, Qt::Key_Escape);
    QVERIFY(!help->isVisible());
    QCOMPARE(help->Memo1->toPlainText(), DisplayText(HelpText())); // read-only: typing changed nothing

    m.N2->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(help));
    QCOMPARE(help->geometry(), where);
}

void THelpAboutTest::helpWrapsAndScrollsToTheLastLine()
{
    TEditor e;
    TOnlineHelp *help = e.Windows.OnlineHelp;
    e.Main().show();
    e.Main().N2->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(help));
    help->resize(200, 150);
    QTest::qWait(10);
    QScrollBar *bar = help->Memo1->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    // Wrapped lines take more rows than the text has lines.
    QVERIFY(help->Memo1->document()->lineCount() > 16);
    bar->setValue(bar->maximum());
    // At the bottom of the scroll range the last text line is in view.
    const int shown =
        help->Memo1->cursorForPosition(QPoint(5, help->Memo1->viewport()->height() - 5)).blockNumber();
    QVERIFY(shown >= help->Memo1->document()->blockCount() - 2);
}

void THelpAboutTest::aboutShowsTitleAndClosesOnEnter_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("Enter") << 0;
    QTest::newRow("OK button") << 1;
    QTest::newRow("close box") << 2;
}

void THelpAboutTest::aboutShowsTitleAndClosesOnEnter()
{
    QFETCH(int, how);
    TEditor e;
    e.Main().show();
    TAbout *about = e.Windows.About;
    QCOMPARE(about->Label1->text(), QStringLiteral("Quiltdeck2用TextViewerPlugin kelpview"));
    QCOMPARE(about->Label2->text(), QStringLiteral("ColorEditor ver0.04"));
    QCOMPARE(about->windowTitle(), QStringLiteral("About..."));
    QCOMPARE(about->height(), 64);
    QVERIFY(about->width() >= 209);
    QVERIFY(about->rect().contains(about->Label1->geometry())); // the title is shown whole

    bool wasModal = false;
    QTimer::singleShot(0, [&] {
        wasModal = QApplication::activeModalWidget() == about;
        if (how == 0)
            QTest::keyClick(about, Qt::Key_Return);
        else if (how == 1)
            about->BitBtn1->click();
        else
            about->close();
    });
    e.Main().AboutA1->trigger(); // returns once the box is closed
    QVERIFY(wasModal);
    QVERIFY(!about->isVisible());
}

int main(int argc, char **argv)
{
    TEditorApplication app(argc, argv);
    THelpAboutTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "HelpAboutTest.moc"
