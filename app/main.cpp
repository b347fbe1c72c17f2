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
    void Mark(const char *what) const
    {
        std::fprintf(stderr, "kelpview_zadidez: %s %.1f ms after start\n", what, clock_.nsecsElapsed() / 1e6);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !reported_) {
            reported_ = true;
            Mark("main window shown");
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
    const bool timing = qEnvironmentVariableIntValue("KELP_STARTUP_TIMING") != 0;
    TStartupClock startupClock(clock);
    kelp::TEditorApplication app(argc, argv);
    if (timing)
        startupClock.Mark("application ready");
    kelp::TEditorWindows windows = kelp::CreateEditorWindows();
    if (timing) {
        startupClock.Mark("windows created");
        windows.Main->installEventFilter(&startupClock);
    }

    windows.Main->show();
    return app.exec();
}
