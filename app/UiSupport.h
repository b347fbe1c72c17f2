#pragma once
// Small pieces every window shares: the fonts, text and file-name conversions,
// the message box sink, and the open-file dialog the windows keep as a field.
#include "base/MessageSink.h"

#include <QFileDialog>
#include <QFont>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace kelp {

// The window title message boxes carry, as the platform takes it from the program.
inline const char *const ApplicationTitle = "kelpview_zadidez";

// "ＭＳ Ｐゴシック" where it exists, IPAPGothic on a Debian desktop; 12 pixels.
QFont UiFont();
// "Terminal" where it exists, else the system's fixed font.
QFont FixedFont(int pixelSize);

QString ToQString(const std::string &utf8);
// Texts keep the CR LF line breaks of the original; a label wants only LF.
QString DisplayText(const std::string &utf8);
std::string FileNameOf(const QString &name); // local 8-bit bytes, as the core opens files
QString FileNameToQString(const std::string &name);

// Plain message box with an OK button.
void ShowMessage(QWidget *parent, const std::string &text);
TMessageSink MessageBoxSink(QWidget *parent);

// An open-file dialog kept by its window between uses, with the platform's
// "desc|pattern|desc|pattern" filter and the name last chosen in FileName.
class TOpenDialog {
public:
    TOpenDialog(QWidget *parent, const QString &filter, const QString &defaultExt);

    QString FileName;

    void SetFilter(const QString &filter);
    const QString &Filter() const { return filter_; }
    const QString &DefaultExt() const { return defaultExt_; }
    // Shows the dialog, starting at FileName's folder (the current folder when
    // there is none); true with FileName set when the user chose a file.
    bool Execute();
    // Made at its first use: a file dialog is slow to build, and the window
    // should be on screen before it.
    QFileDialog &Dialog();

    // Tests answer the dialog without showing it: the hook returns the chosen
    // name, or nothing for Cancel.
    using TAnswer = std::function<std::optional<QString>(const TOpenDialog &)>;
    void SetAnswerForTest(TAnswer answer) { answer_ = std::move(answer); }

private:
    QWidget *parent_;
    std::unique_ptr<QFileDialog> dialog_;
    QString filter_;
    QString defaultExt_;
    TAnswer answer_;
};

// "desc|pattern|..." as Qt's name filters; "*.*" becomes "*" so it also matches
// names without a dot.
QStringList NameFiltersOf(const QString &filter);

} // namespace kelp
