#pragma once

#include "netcore/dbus/dbus_connection.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

namespace wirelark {

// Runs one bus connection on the Qt event loop of the thread it lives on: its socket in
// notifiers (writing only while sd-bus has bytes queued) and its next deadline in a timer, both
// re-armed after every dispatch pass.
class QtBusDispatcher : public QObject {
    Q_OBJECT

public:
    explicit QtBusDispatcher(DbusConnection bus, QObject* parent = nullptr);

    const DbusConnection& bus() const { return bus_; }
    bool isConnected() const { return connected_; }

    // To call after queueing messages outside a bus callback (signals, async calls): a pass
    // from the event loop sends what did not fit in the socket and arms the new reply deadlines.
    // Calls before that pass share it.
    void flushSoon();

signals:
    // The connection is gone (peer closed or broken); dispatching has stopped.
    void disconnected();

private:
    void dispatch();
    void rearm();

    DbusConnection bus_;
    QSocketNotifier readable_;
    QSocketNotifier writable_;
    QTimer deadline_;
    bool flushQueued_ = false;
    bool dispatching_ = false;
    bool connected_ = true;
};

} // namespace wirelark
