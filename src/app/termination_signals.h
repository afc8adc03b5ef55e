#pragma once

#include "netcore/base/unique_fd.h"

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace wirelark {

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the main thread, so that an interrupted,
// terminated or hung-up tray app quits through the event loop and saves like any other quit.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    // Only one may exist: it owns the process's handlers of these signals.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    void drain();

    // A socket pair: the signal handler writes the signal's number into one end, and the
    // notifier watches the other. Declared before the notifier, so that it goes first.
    UniqueFd readEnd_;
    UniqueFd writeEnd_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace wirelark
