#pragma once

#include "app/bus/qt_bus_dispatcher.h"
#include "private_bus.h"

#include <memory>

namespace wirelark::testing {

// Makes the private daemon the session bus and connects to it on the Qt event loop, as the tray
// app does; empty when the connection fails.
inline std::unique_ptr<QtBusDispatcher> sessionDispatcher(const PrivateBus& daemon) {
    daemon.becomeSessionBus();
    auto bus = DbusConnection::openSession();
    return bus ? std::make_unique<QtBusDispatcher>(std::move(*bus)) : nullptr;
}

} // namespace wirelark::testing
