#pragma once
// TOnlineHelp: the help window. Resizable, not modal; its text is built once at
// creation. Escape in the text hides it; the next showing finds it where it was.
#include <QWidget>

#include <string>

class QPlainTextEdit;

namespace kelp {

// The whole help text: CR LF, then each of the fifteen lines followed by CR LF.
std::string HelpText();

class TOnlineHelp : public QWidget {
    Q_OBJECT
public:
    explicit TOnlineHelp(QWidget *parent = nullptr);

    QPlainTextEdit *Memo1 = nullptr;

    // Makes the window visible, centred over the owner the first time; a
    // visible window is left as it is.
    void ShowBeside(QWidget *owner);
    void Memo1KeyUp(int key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    bool placed_ = false;
};

} // namespace kelp
