#pragma once

#include "netcore/dbus/dbus_connection.h"
#include "private_bus.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace wirelark::testing {

// For tests that talk over a dbus-daemon of their own. SetUp starts the daemon and connects a
// client to it, or skips the test, saying why, when the daemon cannot start; TearDown stops it.
class PrivateBusTest : public ::testing::Test {
protected:
    void SetUp() final;
    void TearDown() final;
    // What a suite sets up once the bus runs, and releases while it still runs.
    virtual void SetUpOnBus() {}
    virtual void TearDownOnBus() {}

    const PrivateBus& daemon() const { return *daemon_; }
    const std::string& address() const { return daemon_->address(); }
    // The test's connection to the bus.
    const DbusConnection& client() const { return *client_; }
    // Hands the connection to whatever owns it from then on.
    DbusConnection takeClient();
    // Stops the daemon before the test ends: the bus going away.
    void stopDaemon() { daemon_.reset(); }

private:
    std::unique_ptr<PrivateBus> daemon_;
    std::optional<DbusConnection> client_;
};

} // namespace wirelark::testing
