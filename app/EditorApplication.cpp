#include "app/EditorApplication.h"

#include "app/UiSupport.h"

#include <QMessageBox>

#include <exception>

namespace kelp {

TEditorApplication::TEditorApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QString::fromLatin1(ApplicationTitle));
    setFont(UiFont());
}

bool TEditorApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        ShowError(e.what());
    } catch (...) {
        ShowError("Unknown error");
    }
    return false;
}

void TEditorApplication::ShowError(const std::string &text)
{
    if (errorSink_) {
        errorSink_(text);
        return;
    }
    QMessageBox::critical(activeWindow(), QString::fromLatin1(ApplicationTitle), DisplayText(text));
}

} // namespace kelp
