#include "netcore/sysconfig/system_configuration_reader.h"

#include "fake_network_manager.h"
#include "netns_sandbox.h"
#include "private_bus_fixture.h"

#include <gtest/gtest.h>

using namespace wirelark;
using namespace wirelark::testing;

namespace {

void setUp(std::initializer_list<const char*> commands) {
    for (const char* command : commands) {
        ASSERT_EQ(run(command), 0) << command;
    }
}

// No NetworkManager: a bus that cannot be reached.
SystemConfigurationReader readerWithoutBus() {
    SystemConfigurationReader::Sources sources;
    sources.openBus = [] { return std::optional<DbusConnection>(); };
    return SystemConfigurationReader(sources);
}

using SystemConfigurationReaderOnBus = PrivateBusTest;

} // namespace

TEST(SystemConfigurationReader, PrimaryInterfacesFollowTheKernelsRouteChoice) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    setUp({
        "ip link add wpa0 type veth peer name wpb0",
        "ip link add wpa1 type veth peer name wpb1",
        "ip addr add 192.0.2.1/24 dev wpa0",
        "ip addr add 198.18.0.1/24 dev wpa1",
        "ip -6 addr add 2001:db8:1::1/64 dev wpa1 nodad",
        "ip link set wpb0 up",
        "ip link set wpb1 up",
        "ip link set wpa0 up",
        "ip link set wpa1 up",
    });
    const auto reader = readerWithoutBus();
    auto metadata = reader.read();
    EXPECT_EQ(metadata.primaryIPv4Interface, std::nullopt) << "no default route";
    EXPECT_EQ(metadata.primaryIPv6Interface, std::nullopt) << "no default route";
    EXPECT_TRUE(metadata.services.empty());

    setUp({"ip -6 route add default via 2001:db8:1::fe dev wpa1"});
    metadata = reader.read();
    EXPECT_EQ(metadata.primaryIPv4Interface, std::nullopt) << "IPv6-only default";
    EXPECT_EQ(metadata.primaryIPv6Interface, "wpa1");

    setUp({
        "ip route add default via 198.18.0.254 dev wpa1 metric 200",
        "ip route add default via 192.0.2.254 dev wpa0 metric 100",
    });
    EXPECT_EQ(reader.read().primaryIPv4Interface, "wpa0") << "the lower metric wins";

    setUp({"ip link set wpa0 down"});
    EXPECT_EQ(reader.read().primaryIPv4Interface, "wpa1") << "the other route takes over";

    setUp({"ip route add unreachable default metric 1"});
    EXPECT_EQ(reader.read().primaryIPv4Interface, std::nullopt) << "an unreachable route";
}

TEST_F(SystemConfigurationReaderOnBus, ReadsMetadataServicesAndPrimariesTogether) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    daemon().becomeSystemBus();
    setUp({
        "ip link add wma0 type veth peer name wmb0",
        "ip link add wbr0 type bridge",
        "ip addr add 192.0.2.1/24 dev wma0",
        "ip link set wmb0 up",
        "ip link set wma0 up",
        "ip route add default via 192.0.2.254 dev wma0",
    });
    FakeNetworkManagerFixture fixture;
    fixture.devices = {{"wma0", "wma0"}, {"wbr0", "wbr0"}, {"gone0", ""}};
    fixture.profiles = {
        FakeProfile{.uuid = "uuid-bridge", .id = "Bridge", .interfaceName = "wbr0"},
        FakeProfile{.uuid = "uuid-wired",
                    .id = "Wired",
                    .interfaceName = "wma0",
                    .activeState = 2,
                    .device = 0},
    };
    FakeNetworkManager networkManager(address(), fixture);
    ASSERT_TRUE(networkManager.ready());

    const SystemConfigurationReader reader;
    const auto metadata = reader.read();
    const std::map<std::string, InterfaceMetadata> interfaces = {
        {"wma0", {"wma0", std::nullopt, "Ethernet", std::nullopt}},
        {"wbr0", {"wbr0", std::nullopt, "Bridge", std::nullopt}},
    };
    EXPECT_EQ(metadata.interfaces, interfaces);
    const std::vector<NetworkService> services = {
        {"uuid-wired", "Wired", true, "wma0", false},
        {"uuid-bridge", "Bridge", false, "wbr0", false},
    };
    EXPECT_EQ(metadata.services, services);
    EXPECT_EQ(metadata.primaryIPv4Interface, "wma0");
    EXPECT_EQ(metadata.primaryIPv6Interface, std::nullopt);
    EXPECT_EQ(metadata.service("wma0")->name, "Wired");
}

TEST_F(SystemConfigurationReaderOnBus, WithoutNetworkManagerEverythingElseIsFilled) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    setUp({
        "ip link add wna0 type veth peer name wnb0",
        "ip addr add 192.0.2.1/24 dev wna0",
        "ip link set wnb0 up",
        "ip link set wna0 up",
        "ip route add default via 192.0.2.254 dev wna0",
    });
    // A bus without NetworkManager on it, then no bus at all.
    daemon().becomeSystemBus();
    const auto onEmptyBus = SystemConfigurationReader().read();
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/wirelark-bus", 1);
    const auto withoutBus = SystemConfigurationReader().read();
    for (const auto* metadata : {&onEmptyBus, &withoutBus}) {
        EXPECT_TRUE(metadata->services.empty());
        EXPECT_TRUE(metadata->interfaces.empty()) << "veth has no hardware";
        EXPECT_EQ(metadata->primaryIPv4Interface, "wna0");
    }
}
