#include "netcore/sysconfig/profile_change_signals.h"

#include "fake_network_manager.h"
#include "private_bus_fixture.h"

#include <poll.h>

#include <gtest/gtest.h>

#include <chrono>

using namespace wirelark;
using namespace wirelark::testing;

namespace {

// Processes the bus until `count` keys arrived or a generous deadline passed.
std::vector<std::string> waitForKeys(const DbusConnection& bus, std::vector<std::string>& keys,
                                     size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (keys.size() < count && std::chrono::steady_clock::now() < deadline) {
        bus.processPending();
        if (keys.size() >= count) {
            break;
        }
        pollfd readable{bus.fd(), bus.pollEvents(), 0};
        poll(&readable, 1, 100);
    }
    return keys;
}

// A round trip to the bus daemon: everything sent before it has been handled when it returns.
void roundTrip(const DbusConnection& bus) {
    auto ping = bus.newMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus.Peer", "Ping");
    [[maybe_unused]] const auto pong = bus.call(ping.get(), std::chrono::seconds(5));
}

using ProfileChangeSignalsTest = PrivateBusTest;

} // namespace

TEST_F(ProfileChangeSignalsTest, NamesAddedActivatedAndRemovedProfilesByUuid) {
    FakeNetworkManagerFixture fixture;
    fixture.devices = {{"eth0", "eth0"}};
    fixture.profiles = {
        FakeProfile{.uuid = "uuid-wired", .id = "Wired", .activeState = 2, .device = 0}};
    FakeNetworkManager networkManager(address(), fixture);
    ASSERT_TRUE(networkManager.ready());
    const DbusConnection& bus = client();

    std::vector<std::string> keys;
    ProfileChangeSignals signals(bus, [&](std::string key) { keys.push_back(std::move(key)); });
    roundTrip(bus);
    bus.processPending();
    roundTrip(bus);
    bus.processPending();
    EXPECT_TRUE(keys.empty());

    networkManager.addProfile(FakeProfile{.uuid = "uuid-new", .id = "New"});
    EXPECT_EQ(waitForKeys(bus, keys, 1),
              std::vector<std::string>{"Setup:/Network/Service/uuid-new"});

    networkManager.setActiveState(0, 3);
    EXPECT_EQ(waitForKeys(bus, keys, 2).back(), "Setup:/Network/Service/uuid-wired");

    networkManager.removeProfile(0);
    EXPECT_EQ(waitForKeys(bus, keys, 3).back(), "Setup:/Network/Service/uuid-wired");
    EXPECT_EQ(keys.size(), 3u);
}
