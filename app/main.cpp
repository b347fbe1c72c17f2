// kelpview_zadidez: the colour and background editor of the kelpview ROM.
#include "app/EditorApplication.h"
#include "app/EditorWindows.h"

#include <QElapsedTimer>
#include <QEvent>

#include <cstdio>

namespace {

// KELP_STARTUP_TIMING=1 prints how long the main window took to be painted first.
class TStartupClock : public QObject {
public:
    explicit TStartupClock(const QElapsedTimer &clock) : clock_(clock) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !reported_) {
            reported_ = true;
            std::fprintf(stderr, "kelpview_zadidez: main window shown %.1f ms after start\n",
                         clock_.nsecsElapsed() / 1e6);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer &clock_;
    bool reported_ = false;
};

} // namespace

int main(int argc, char **argv)
{
    QElapsedTimer clock;
    clock.start();
    kelp::TEditorApplication app(argc, argv);
    kelp::TEditorWindows windows = kelp::CreateEditorWindows();

    TStartupClock startupClock(clock);
    if (qEnvironmentVariableIntValue("KELP_STARTUP_TIMING") != 0)
        windows.Main->installEventFilter(&startupClock);

    windows.Main->show();
    return app.exec();
}
