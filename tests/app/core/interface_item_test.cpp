#include "app/core/interface_item.h"

#include "item_fixtures.h"

#include <gtest/gtest.h>

using namespace wirelark;
using namespace wirelark::testing;

TEST(InterfaceItem, Subtitle) {
    InterfaceItem absent;
    absent.key = "k";
    absent.name = "eth9";
    EXPECT_EQ(absent.subtitle(), "Not present");
    absent.absentTitle = "Office dock";
    EXPECT_EQ(absent.subtitle(), "Office dock, not present");

    auto tunnel = presentItem("name:utun3", runningSnapshot("utun3"));
    EXPECT_EQ(tunnel.subtitle(), "Tunnel");
    tunnel.owner = TunnelOwner{42, "vpnd", "/usr/sbin/vpnd"};
    EXPECT_EQ(tunnel.subtitle(), "Tunnel (vpnd)");
    tunnel.service = NetworkService{"uuid", "Work VPN", true, "utun3", false};
    EXPECT_EQ(tunnel.subtitle(), "Tunnel (Work VPN)");
    tunnel.metadata = InterfaceMetadata{"utun3", "Tunnel device", std::nullopt, std::nullopt};
    EXPECT_EQ(tunnel.subtitle(), "Tunnel (Tunnel device)");

    auto ethernet = presentItem("k", runningSnapshot("eth0"));
    EXPECT_EQ(ethernet.subtitle(), "Ethernet");
    ethernet.service = NetworkService{"uuid", "Wired connection 1", true, "eth0", false};
    EXPECT_EQ(ethernet.subtitle(), "Wired connection 1");
    ethernet.metadata = InterfaceMetadata{"eth0", "Intel I219-V", "Ethernet", "00:11:22:33:44:55"};
    EXPECT_EQ(ethernet.subtitle(), "Intel I219-V");
}

TEST(InterfaceItem, ActivityAndSelfAssignment) {
    struct Case {
        InterfaceSnapshot snapshot;
        std::optional<bool> serviceEnabled;
        std::optional<MediaStatus> media;
        bool active, selfAssigned;
    };
    auto down = runningSnapshot("eth0", {"192.168.1.5"});
    down.flags = 0x1;
    const Case cases[] = {
        {runningSnapshot("eth0", {}, {"fe80::1"}), std::nullopt, std::nullopt, false, false},
        {runningSnapshot("eth0", {"192.168.1.5"}, {"fe80::1"}), std::nullopt, std::nullopt, true,
         false},
        {runningSnapshot("eth0", {}, {"FE80::1", "2001:db8::1"}), std::nullopt, std::nullopt, true,
         false},
        {runningSnapshot("eth0", {"192.168.1.5"}), false, std::nullopt, false, false},
        {runningSnapshot("eth0", {"192.168.1.5"}), true, MediaStatus::inactive, false, false},
        {runningSnapshot("eth0", {"192.168.1.5"}), true, MediaStatus::unknown, true, false},
        {down, std::nullopt, std::nullopt, false, false},
        {runningSnapshot("eth0", {"169.254.10.20"}, {"fe80::1"}), std::nullopt, std::nullopt, true,
         true},
        {runningSnapshot("eth0", {"169.254.10.20"}, {"fe80::1", "2001:db8::1"}), std::nullopt,
         std::nullopt, true, false},
        {runningSnapshot("eth0", {"169.254.10.20", "10.0.0.1"}), std::nullopt, std::nullopt, true,
         false},
    };
    for (const auto& c : cases) {
        auto item = presentItem("k", c.snapshot);
        if (c.serviceEnabled) {
            item.service = NetworkService{"id", "name", *c.serviceEnabled, "eth0", false};
        }
        if (c.media) {
            item.snapshot->media = MediaInfo{"autoselect", std::nullopt, *c.media};
        }
        EXPECT_EQ(item.isActive(), c.active)
            << ::testing::PrintToString(item.snapshot->ipv4.size());
        EXPECT_EQ(item.isSelfAssigned(), c.selfAssigned);
    }
    EXPECT_FALSE(InterfaceItem{}.isActive());
    EXPECT_FALSE(InterfaceItem{}.isSelfAssigned());
}

TEST(InterfaceItem, KeysFingerprintsAndRates) {
    auto snapshot = runningSnapshot("eth0");
    snapshot.linkAddress = LinkAddress{{0x00, 0x1c, 0x42, 0xab, 0x00, 0x01}, 6};
    const InterfaceMetadata permanent{"eth0", "Intel", "Ethernet", "00:aa:bb:cc:dd:ee"};
    const InterfaceMetadata emptyAddress{"eth0", "Intel", "Ethernet", ""};
    const InterfaceMetadata untyped{"eth0", std::nullopt, std::nullopt, "00:aa:bb:cc:dd:ee"};
    const NetworkService service{"5f1c", "Wired", true, "eth0", false};
    EXPECT_EQ(interfaceKey(snapshot, &permanent, &service), "Ethernet:00:aa:bb:cc:dd:ee");
    EXPECT_EQ(interfaceKey(snapshot, &untyped, nullptr), "if:00:aa:bb:cc:dd:ee");
    EXPECT_EQ(interfaceKey(snapshot, &emptyAddress, &service), "service:5f1c");
    EXPECT_EQ(interfaceKey(snapshot, nullptr, nullptr), "link:ethernet:00:1c:42:ab:00:01");
    snapshot.linkAddress.reset();
    EXPECT_EQ(interfaceKey(snapshot, nullptr, nullptr), "name:eth0");

    auto item = presentItem("link:ethernet:00:1c:42:ab:00:01", runningSnapshot("eth0"));
    item.snapshot->linkAddress = LinkAddress{{0x00, 0x1c, 0x42, 0xab, 0x00, 0x01}, 6};
    EXPECT_EQ(item.fingerprint(),
              (InterfaceFingerprint{item.key, "eth0", std::nullopt, "00:1c:42:ab:00:01", false}));
    item.owner = TunnelOwner{1, "vpnd", "/usr/sbin/vpnd"};
    item.metadata = permanent;
    EXPECT_EQ(item.fingerprint(),
              (InterfaceFingerprint{item.key, "eth0", "Intel", "00:aa:bb:cc:dd:ee", true}));
    item.metadata = emptyAddress;
    item.metadata->displayName.reset();
    EXPECT_EQ(item.fingerprint().title, "vpnd");
    EXPECT_FALSE(item.fingerprint().permanentAddress);

    EXPECT_FALSE(item.currentRates().has_value());
    item.recent = {sample(10, 100, 50), sample(12, 4000, 1000, 2)};
    EXPECT_EQ(item.currentRates(), (Rates{2000, 500}));
}
