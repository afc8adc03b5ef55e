#include "netcore/dbus/dbus_connection.h"
#include "netcore/sysconfig/network_manager_names.h"

#include "fake_network_manager.h"
#include "private_bus_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace wirelark;
using namespace std::chrono_literals;

using DbusConnectionOnBus = wirelark::testing::PrivateBusTest;

TEST_F(DbusConnectionOnBus, CallAllKeepsReplyOrderAndReportsEachFailure) {
    wirelark::testing::FakeNetworkManagerFixture fixture;
    fixture.hangOn = {"ListConnections"};
    wirelark::testing::FakeNetworkManager hung(address(), fixture);
    ASSERT_TRUE(hung.ready());
    const DbusConnection& bus = client();
    EXPECT_FALSE(DbusConnection::openAddress("unix:path=/nonexistent/wirelark-bus"));

    std::vector<BusMessage> calls;
    calls.push_back(bus.newMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                      "org.freedesktop.DBus", "GetId"));
    calls.push_back(bus.newMethodCall("org.example.Nobody", "/", "org.example.Nobody", "Hello"));
    calls.push_back(nullptr);
    calls.push_back(bus.newMethodCall(network_manager::kService, network_manager::kSettingsPath,
                                      network_manager::kSettingsInterface, "ListConnections"));
    calls.push_back(bus.newGetAll(network_manager::kService, network_manager::kRootPath,
                                  network_manager::kManagerInterface));
    const auto replies = bus.callAll(calls, 300ms);
    ASSERT_EQ(replies.size(), 5u);
    EXPECT_TRUE(replies[0]);
    ASSERT_TRUE(replies[1].error);
    EXPECT_EQ(replies[1].error->name, "org.freedesktop.DBus.Error.ServiceUnknown");
    EXPECT_TRUE(replies[2].error);
    ASSERT_TRUE(replies[3].error) << "a hung call times out";
    EXPECT_EQ(replies[3].error->name, "org.freedesktop.DBus.Error.NoReply");
    EXPECT_TRUE(replies[4]) << "the others are answered meanwhile";

    EXPECT_TRUE(bus.call(nullptr, 1s).error);
    EXPECT_TRUE(bus.getAllProperties("org.example.Nobody", "/", "org.example.Nobody", 1s).empty());
    EXPECT_FALSE(bus.getAllProperties(network_manager::kService, network_manager::kRootPath,
                                      network_manager::kManagerInterface, 1s)
                     .empty());
}

namespace {

std::string busId(const DbusConnection& bus) {
    auto call = bus.newMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus", "GetId");
    const auto reply = bus.call(call.get(), 1s);
    const char* id = nullptr;
    return reply && sd_bus_message_read(reply.message.get(), "s", &id) > 0 ? id : "";
}

} // namespace

TEST_F(DbusConnectionOnBus, OpensTheSystemAndSessionBusesNamedByTheEnvironment) {
    const std::string expected = busId(client());
    ASSERT_FALSE(expected.empty());

    const struct {
        const char* variable;
        std::optional<DbusConnection> (*open)();
    } cases[] = {
        {"DBUS_SYSTEM_BUS_ADDRESS", &DbusConnection::openSystem},
        {"DBUS_SESSION_BUS_ADDRESS", &DbusConnection::openSession},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.variable);
        setenv(c.variable, address().c_str(), 1);
        const auto opened = c.open();
        ASSERT_TRUE(opened);
        EXPECT_EQ(busId(*opened), expected);
        setenv(c.variable, "unix:path=/nonexistent/wirelark-bus", 1);
        EXPECT_FALSE(c.open()) << "an unreachable bus is absent";
    }
}
