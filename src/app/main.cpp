// The tray application: a status item with the live rates, kept running with no window open.
#include "app/app_delegate.h"
#include "app/core/clock.h"
#include "app/termination_signals.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// The app while its event loop runs. Qt's X11 support ends the program with exit() the moment
// the display goes away, as it does when an X session ends, without returning from the loop:
// the history is saved on that way out too.
wirelark::AppDelegate* running = nullptr;

void saveOnAbruptExit() {
    if (running != nullptr) {
        running->shutdown();
    }
}

} // namespace

int main(int argc, char** argv) {
    const double started = wirelark::SystemClock().monotonicNow();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wirelark"));
    QApplication::setDesktopFileName(QStringLiteral("wirelark"));
    QApplication::setQuitOnLastWindowClosed(false);

    wirelark::AppDelegate delegate(started);
    if (const auto launched = delegate.launch(); !launched) {
        std::fprintf(stderr, "wirelark: cannot start: %s\n",
                     launched.error().description().c_str());
        return 1;
    }
    wirelark::TerminationSignals termination;
    // exit(), not quit(): quit() first asks every window to close, and the X11 tray item
    // refuses, as it must stay for the next tray.
    QObject::connect(&termination, &wirelark::TerminationSignals::received, &application,
                     [] { QCoreApplication::exit(0); });
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &delegate,
                     &wirelark::AppDelegate::shutdown);
    running = &delegate;
    std::atexit(saveOnAbruptExit);
    const int status = QApplication::exec();
    running = nullptr;
    return status;
}
