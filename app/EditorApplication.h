#pragma once
// The application object. Every exception that leaves an event handler ends up
// here and is shown in an error box with its own text; the command in progress
// stops and the windows stay usable.
#include "base/MessageSink.h"

#include <QApplication>

namespace kelp {

class TEditorApplication : public QApplication {
    Q_OBJECT
public:
    TEditorApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    // Where the error texts go; a critical message box unless replaced (tests collect them).
    void SetErrorSink(TMessageSink sink) { errorSink_ = std::move(sink); }
    void ShowError(const std::string &text);

private:
    TMessageSink errorSink_;
};

} // namespace kelp
