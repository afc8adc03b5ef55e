#include "netcore/dbus/dbus_connection.h"
#include "netcore/sysconfig/network_manager_names.h"

#include "fake_network_manager.h"
#include "private_bus_fixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

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
    ASSERT_TRUE(replies[0]);
    EXPECT_NE(replies[0]->get(), nullptr);
    ASSERT_FALSE(replies[1]);
    EXPECT_EQ(replies[1].error().name, "org.freedesktop.DBus.Error.ServiceUnknown");
    ASSERT_FALSE(replies[2]);
    EXPECT_EQ(replies[2].error(), (BusError{"errno", std::strerror(EINVAL)}));
    ASSERT_FALSE(replies[3]) << "a hung call times out";
    EXPECT_EQ(replies[3].error().name, "org.freedesktop.DBus.Error.NoReply");
    EXPECT_TRUE(replies[4]) << "the others are answered meanwhile";

    const auto unsent = bus.call(nullptr, 1s);
    ASSERT_FALSE(unsent);
    EXPECT_EQ(unsent.error().name, "org.freedesktop.DBus.Error.InvalidArgs");
    const auto nobody = bus.getAllProperties("org.example.Nobody", "/", "org.example.Nobody", 1s);
    ASSERT_FALSE(nobody);
    EXPECT_EQ(nobody.error().name, "org.freedesktop.DBus.Error.ServiceUnknown");
    const auto manager = bus.getAllProperties(network_manager::kService, network_manager::kRootPath,
                                              network_manager::kManagerInterface, 1s);
    ASSERT_TRUE(manager) << manager.error().name << ": " << manager.error().message;
    EXPECT_TRUE(manager->is_object());
    EXPECT_FALSE(manager->empty());
}

namespace {

std::string busId(const DbusConnection& bus) {
    auto call = bus.newMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus", "GetId");
    const auto reply = bus.call(call.get(), 1s);
    const char* id = nullptr;
    return reply && sd_bus_message_read(reply->get(), "s", &id) > 0 ? id : "";
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
