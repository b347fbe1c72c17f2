#include "app/EditorApplication.h"

#include "app/UiSupport.h"

#include <QMessageBox>
#include <QProxyStyle>

#include <exception>

namespace kelp {

namespace {

// The desktop's style with the narrow gap between a check box and its label
// that the layout was made for, so "EmuGBA" fits its 65 pixels.
class TEditorStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        if (metric == PM_CheckBoxLabelSpacing)
            return 3;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

} // namespace

TEditorApplication::TEditorApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QString::fromLatin1(ApplicationTitle));
    setFont(UiFont());
    setStyle(new TEditorStyle); // the application owns it
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
