#include "app/bus/qt_bus_dispatcher.h"

#include <poll.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <climits>

namespace wirelark {

namespace {

uint64_t monotonicNowUsec() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1'000'000u +
           static_cast<uint64_t>(now.tv_nsec) / 1000u;
}

// Rounded up: a timer that fires before sd-bus's deadline would only cause an idle pass.
std::chrono::milliseconds delayUntil(uint64_t deadlineUsec) {
    const uint64_t now = monotonicNowUsec();
    const uint64_t waitUsec = deadlineUsec > now ? deadlineUsec - now : 0;
    return std::chrono::milliseconds(std::min<uint64_t>((waitUsec + 999) / 1000, INT_MAX));
}

} // namespace

QtBusDispatcher::QtBusDispatcher(DbusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), readable_(bus_.fd(), QSocketNotifier::Read),
      writable_(bus_.fd(), QSocketNotifier::Write) {
    deadline_.setSingleShot(true);
    connect(&readable_, &QSocketNotifier::activated, this, &QtBusDispatcher::dispatch);
    connect(&writable_, &QSocketNotifier::activated, this, &QtBusDispatcher::dispatch);
    connect(&deadline_, &QTimer::timeout, this, &QtBusDispatcher::dispatch);
    // Messages may already be waiting in sd-bus's queues from calls made before we took over.
    flushSoon();
}

void QtBusDispatcher::flushSoon() {
    if (flushQueued_ || !connected_) {
        return;
    }
    flushQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            flushQueued_ = false;
            dispatch();
        },
        Qt::QueuedConnection);
}

void QtBusDispatcher::dispatch() {
    // A handler may wait in a nested event loop (a keyring prompt); sd-bus cannot be entered
    // again from there, so the connection stays quiet until the handler returns, and the pass
    // it is in then takes whatever came meanwhile.
    if (!connected_ || dispatching_) {
        return;
    }
    readable_.setEnabled(false);
    writable_.setEnabled(false);
    deadline_.stop();
    dispatching_ = true;
    const bool processed = bus_.processPending();
    dispatching_ = false;
    if (!processed) {
        connected_ = false;
        emit disconnected();
        return;
    }
    rearm();
}

void QtBusDispatcher::rearm() {
    const short events = bus_.pollEvents();
    readable_.setEnabled((events & POLLIN) != 0);
    writable_.setEnabled((events & POLLOUT) != 0);
    const uint64_t deadline = bus_.timeoutUsec();
    if (deadline == UINT64_MAX) {
        deadline_.stop();
    } else {
        deadline_.start(delayUntil(deadline));
    }
}

} // namespace wirelark
