#include "netcore/sysconfig/network_manager_profiles.h"

#include "fake_network_manager.h"
#include "private_bus_fixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace wirelark;
using namespace wirelark::testing;
using namespace std::chrono_literals;

namespace {

ConnectionProfile profile(std::string uuid, uint32_t flags, bool active, int64_t priority,
                          uint64_t timestamp, std::string type = "802-3-ethernet") {
    ConnectionProfile p;
    p.uuid = std::move(uuid);
    p.type = std::move(type);
    p.flags = flags;
    p.active = active;
    p.autoconnectPriority = priority;
    p.timestamp = timestamp;
    return p;
}

std::vector<std::string> idsOf(const std::vector<NetworkService>& services) {
    std::vector<std::string> ids;
    for (const auto& service : services) {
        ids.push_back(service.id);
    }
    return ids;
}

using NetworkManagerProfilesOnBus = PrivateBusTest;

} // namespace

TEST(NetworkManagerProfiles, OrderPutsVisibleFirstThenActivePriorityAndRecentUse) {
    struct Case {
        const char* what;
        std::vector<ConnectionProfile> profiles;
        std::vector<std::string> order;
    };
    const Case cases[] = {
        {"active before inactive whatever the priority",
         {profile("a", 0, false, 100, 9), profile("b", 0, true, 0, 0)},
         {"b", "a"}},
        {"higher priority first among inactive",
         {profile("a", 0, false, -5, 9), profile("b", 0, false, 5, 0)},
         {"b", "a"}},
        {"more recently used first at equal priority",
         {profile("a", 0, false, 0, 100), profile("b", 0, false, 0, 200)},
         {"b", "a"}},
        {"hidden after visible even when active and preferred",
         {profile("gen", 0x2, true, 99, 999), profile("ext", 0x8, true, 0, 0),
          profile("lo", 0, true, 0, 0, "loopback"), profile("plain", 0, false, 0, 0)},
         {"plain", "gen", "ext", "lo"}},
        {"equal profiles keep their listed order",
         {profile("x", 0, false, 0, 0), profile("y", 0, false, 0, 0), profile("z", 0, false, 0, 0)},
         {"x", "y", "z"}},
        {"unsaved and volatile flags do not hide", {profile("u", 0x1 | 0x4, false, 0, 0)}, {"u"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(idsOf(servicesFromProfiles(c.profiles)), c.order);
    }
}

TEST(NetworkManagerProfiles, DecodeNeedsAUuidAndToleratesWrongTypes) {
    using nlohmann::json;
    const json good = {{"connection",
                        {{"uuid", "u-1"},
                         {"id", "Wired"},
                         {"type", "802-3-ethernet"},
                         {"interface-name", "eth0"},
                         {"autoconnect-priority", -3},
                         {"timestamp", 1700000000u}}}};
    const auto decoded = decodeConnectionProfile(good, {{"Flags", 2u}});
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->uuid, "u-1");
    EXPECT_EQ(decoded->id, "Wired");
    EXPECT_EQ(decoded->interfaceName, "eth0");
    EXPECT_EQ(decoded->autoconnectPriority, -3);
    EXPECT_EQ(decoded->timestamp, 1700000000u);
    EXPECT_EQ(decoded->flags, 2u);

    EXPECT_FALSE(decodeConnectionProfile({{"connection", {{"id", "x"}}}}, {}));
    EXPECT_FALSE(decodeConnectionProfile({{"connection", {{"uuid", 42}}}}, {}));
    EXPECT_FALSE(decodeConnectionProfile({{"connection", {{"uuid", ""}}}}, {}));
    EXPECT_FALSE(decodeConnectionProfile(json::array(), json::array()));
    EXPECT_FALSE(decodeConnectionProfile({{"connection", "text"}}, {}));

    const json odd = {{"connection",
                       {{"uuid", "u-2"},
                        {"id", 7},
                        {"interface-name", ""},
                        {"autoconnect-priority", "high"},
                        {"timestamp", -1}}}};
    const auto tolerated = decodeConnectionProfile(odd, {{"Flags", "generated"}});
    ASSERT_TRUE(tolerated);
    EXPECT_EQ(tolerated->id, std::nullopt);
    EXPECT_EQ(tolerated->interfaceName, std::nullopt);
    EXPECT_EQ(tolerated->autoconnectPriority, 0);
    EXPECT_EQ(tolerated->timestamp, 0u);
    EXPECT_EQ(tolerated->flags, 0u);
}

TEST_F(NetworkManagerProfilesOnBus, ReadsProfilesFromTheServiceOnTheBus) {
    FakeNetworkManagerFixture fixture;
    fixture.devices = {
        {"eth0", "eth0"}, {"wwan0", "wwp0s20"}, {"wlan0", "wlan0"}, {"tun0", "tun0"}};
    FakeProfile active{.uuid = "uuid-active",
                       .id = "Wired office",
                       .interfaceName = "eth0",
                       .timestamp = 10,
                       .activeState = 2,
                       .device = 0};
    FakeProfile second{.uuid = "uuid-second",
                       .id = "Wired home",
                       .interfaceName = "eth0",
                       .autoconnectPriority = 5};
    FakeProfile activating{
        .uuid = "uuid-cell", .id = "Mobile", .type = "gsm", .activeState = 1, .device = 1};
    FakeProfile deactivated{
        .uuid = "uuid-gone", .id = "Old", .interfaceName = "eth1", .activeState = 4};
    FakeProfile generated{
        .uuid = "uuid-gen", .id = "eth9", .interfaceName = "eth9", .flags = 0x2, .activeState = 2};
    FakeProfile nowhere{.uuid = "uuid-nowhere", .id = "VPN", .type = "vpn"};
    FakeProfile unnamed{.uuid = "uuid-unnamed"};
    FakeProfile noUuid{.id = "No uuid"};
    FakeProfile broken{.uuid = "uuid-broken", .id = "Broken", .malformed = true};
    FakeProfile wifi{.uuid = "uuid-wifi",
                     .id = "Home Wi-Fi",
                     .type = "802-11-wireless",
                     .timestamp = 5,
                     .activeState = 2,
                     .device = 2};
    // An active VPN lists the device it runs over first; its own interface is the tunnel's.
    FakeProfile vpn{.uuid = "uuid-vpn",
                    .id = "Office VPN",
                    .type = "vpn",
                    .timestamp = 20,
                    .activeState = 2,
                    .device = 2,
                    .vpn = true,
                    .tunnelDevice = 3};
    fixture.profiles = {nowhere, second, generated,  deactivated, unnamed, active,
                        noUuid,  broken, activating, wifi,        vpn};
    FakeNetworkManager networkManager(address(), fixture);
    ASSERT_TRUE(networkManager.ready());

    const auto state = readNetworkManager(client(), 5s);
    EXPECT_EQ(state.deviceInterfaces,
              (std::vector<std::string>{"eth0", "wwan0", "wwp0s20", "wlan0", "tun0"}));
    const auto services = servicesFromProfiles(state.profiles);
    const std::vector<NetworkService> expected = {
        {"uuid-vpn", "Office VPN", true, "tun0", false},
        {"uuid-active", "Wired office", true, "eth0", false},
        {"uuid-wifi", "Home Wi-Fi", true, "wlan0", false},
        {"uuid-cell", "Mobile", true, "wwp0s20", false},
        {"uuid-second", "Wired home", false, "eth0", false},
        {"uuid-nowhere", "VPN", false, std::nullopt, false},
        {"uuid-gone", "Old", false, "eth1", false},
        {"uuid-unnamed", "uuid-unnamed", false, std::nullopt, false},
        {"uuid-gen", "eth9", true, "eth9", true},
    };
    EXPECT_EQ(services, expected);

    NetworkMetadata metadata;
    metadata.services = services;
    EXPECT_EQ(metadata.service("eth0")->id, "uuid-active");
    EXPECT_EQ(metadata.service("eth9")->id, "uuid-gen");
    EXPECT_EQ(metadata.service("wlan0")->id, "uuid-wifi") << "not the VPN that runs over it";
    EXPECT_EQ(metadata.service("tun0")->id, "uuid-vpn");
    EXPECT_FALSE(metadata.service("eth7"));
}

TEST_F(NetworkManagerProfilesOnBus, AbsentOrHungServiceGivesWhatWasRead) {
    const auto absent = readNetworkManager(client(), 5s);
    EXPECT_TRUE(absent.profiles.empty());
    EXPECT_TRUE(absent.deviceInterfaces.empty());

    FakeNetworkManagerFixture fixture;
    fixture.devices = {{"eth0", ""}};
    fixture.profiles = {FakeProfile{.uuid = "u", .id = "Wired"}};
    fixture.hangOn = {"GetSettings"};
    FakeNetworkManager hung(address(), fixture);
    ASSERT_TRUE(hung.ready());
    const auto partial = readNetworkManager(client(), 300ms);
    EXPECT_TRUE(partial.profiles.empty());
    EXPECT_EQ(partial.deviceInterfaces, std::vector<std::string>{"eth0"});
}
