#include "app/termination_signals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace wirelark {

namespace {

// Interrupted, terminated, or the terminal that started it closed (SIGHUP): all save first.
constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The write end, for the handler, where only async-signal-safe calls are allowed; the
// TerminationSignals owns it.
int signalWriteEnd = -1;

void onSignal(int number) {
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalWriteEnd, &byte, 1);
}

void handle(int number, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(number, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0) {
        std::perror("wirelark: cannot watch for termination signals");
        return;
    }
    readEnd_.reset(ends[0]);
    writeEnd_.reset(ends[1]);
    signalWriteEnd = writeEnd_.get();
    notifier_ = std::make_unique<QSocketNotifier>(readEnd_.get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::drain);
    for (const int number : kTerminationSignals) {
        handle(number, onSignal);
    }
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_) {
        return;
    }
    for (const int number : kTerminationSignals) {
        handle(number, SIG_DFL);
    }
    notifier_.reset();
    signalWriteEnd = -1;
    // Both ends close with their members.
}

void TerminationSignals::drain() {
    unsigned char byte = 0;
    while (::read(readEnd_.get(), &byte, 1) == 1) {
        emit received(byte);
    }
}

} // namespace wirelark
