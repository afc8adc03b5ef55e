#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

namespace wirelark::testing {

// Runs the event loop until `done` holds or the time is up; whether it holds.
template <typename Predicate>
bool processEventsUntil(Predicate done, int milliseconds = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

} // namespace wirelark::testing
