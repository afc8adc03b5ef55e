#include "netcore/interfaces/interface_reader.h"

#include "netcore/base/unique_fd.h"

#include "netns_sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace wirelark;
using wirelark::testing::run;

namespace {

const InterfaceSnapshot* find(const std::vector<InterfaceSnapshot>& snapshots,
                              const std::string& name) {
    auto it = std::find_if(snapshots.begin(), snapshots.end(),
                           [&](const auto& s) { return s.name == name; });
    return it == snapshots.end() ? nullptr : &*it;
}

// The reader's snapshots; a list that cannot be read fails the test.
std::vector<InterfaceSnapshot> snapshotsOf(InterfaceReader& reader) {
    const auto snapshots = reader.snapshot();
    EXPECT_TRUE(snapshots.has_value()) << snapshots.error().message();
    return snapshots ? **snapshots : std::vector<InterfaceSnapshot>{};
}

// Builds links from a table of `ip` commands, failing the test on the first that does not work.
void setUp(std::initializer_list<const char*> commands) {
    for (const char* command : commands) {
        ASSERT_EQ(run(command), 0) << command;
    }
}

// IPv6 duplicate address detection and link events settle asynchronously.
template <typename Predicate>
bool eventually(InterfaceReader& reader, Predicate predicate) {
    for (int i = 0; i < 100; ++i) {
        if (predicate(snapshotsOf(reader))) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

} // namespace

TEST(InterfaceReaderNetns, ReadsLinksAddressesAndPeersFromTheKernel) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    setUp({
        "ip link add wv0 type veth peer name wv1",
        "ip addr add 10.9.9.1/16 dev wv0",
        "ip addr add 10.8.0.1/24 broadcast 10.8.0.255 dev wv0",
        "ip addr add 10.7.0.1/24 broadcast 0.0.0.0 dev wv0",
        "ip -6 addr add 2001:db8::1/64 dev wv0 nodad",
        "ip -6 addr add fe80:1::1/64 dev wv0 nodad",
        "ip link set wv0 up",
        "ip link set wv1 up",
        "ip link add wbr0 type bridge",
        "ip tuntap add wtun0 mode tun",
        "ip addr add 10.1.0.1 peer 10.1.0.2 dev wtun0",
        "ip -6 addr add 2001:db8:2::1 peer 2001:db8:2::2 dev wtun0 nodad",
        "ip link set wv0 mtu 1400",
    });
    InterfaceReader reader;
    const auto snapshots = snapshotsOf(reader);

    ASSERT_FALSE(snapshots.empty());
    EXPECT_EQ(snapshots.front().name, "lo");
    EXPECT_TRUE(snapshots.front().isLoopback());
    EXPECT_EQ(snapshots.front().functionalType, FunctionalType::loopback);
    EXPECT_EQ(snapshots.front().ifType, 24);
    EXPECT_FALSE(snapshots.front().linkAddress.has_value());
    for (size_t i = 1; i < snapshots.size(); ++i) {
        EXPECT_LT(snapshots[i - 1].index, snapshots[i].index) << "kernel order is index order";
    }

    const auto* veth = find(snapshots, "wv0");
    ASSERT_NE(veth, nullptr);
    EXPECT_EQ(veth->mtu, 1400u);
    EXPECT_EQ(veth->ifType, 6);
    ASSERT_TRUE(veth->linkAddress.has_value());
    EXPECT_EQ(veth->linkAddress->bytes.size(), 6u);
    EXPECT_FALSE(veth->media.has_value()) << "virtual links report no media";
    EXPECT_EQ(veth->functionalType, FunctionalType::unknown);
    EXPECT_TRUE(veth->capabilities.has_value());
    ASSERT_EQ(veth->ipv4.size(), 3u);
    EXPECT_EQ(veth->ipv4[0],
              (IPv4Address{"10.9.9.1", "255.255.0.0", 16, std::nullopt, std::nullopt}))
        << "no broadcast configured means none, not the address itself";
    EXPECT_EQ(veth->ipv4[1],
              (IPv4Address{"10.8.0.1", "255.255.255.0", 24, "10.8.0.255", std::nullopt}));
    EXPECT_EQ(veth->ipv4[2],
              (IPv4Address{"10.7.0.1", "255.255.255.0", 24, std::nullopt, std::nullopt}));
    const auto global = std::find_if(veth->ipv6.begin(), veth->ipv6.end(),
                                     [](const auto& a) { return a.address == "2001:db8::1"; });
    ASSERT_NE(global, veth->ipv6.end());
    EXPECT_EQ(global->prefixLength, 64);
    EXPECT_EQ(global->scopeID, 0u);
    EXPECT_FALSE(global->destination.has_value());
    const auto linkLocal = std::find_if(veth->ipv6.begin(), veth->ipv6.end(),
                                        [](const auto& a) { return a.address == "fe80:1::1"; });
    ASSERT_NE(linkLocal, veth->ipv6.end()) << "bytes 2-3 of a link-local address are kept";
    EXPECT_EQ(linkLocal->scopeID, veth->index);
    ASSERT_TRUE(veth->nd6Flags.has_value());
    EXPECT_TRUE(*veth->nd6Flags & 0x1) << "PERFORMNUD on an ARP link";

    const auto* bridge = find(snapshots, "wbr0");
    ASSERT_NE(bridge, nullptr);
    EXPECT_EQ(bridge->ifType, 209);
    EXPECT_FALSE(bridge->media.has_value());

    const auto* tun = find(snapshots, "wtun0");
    ASSERT_NE(tun, nullptr);
    EXPECT_TRUE(tun->isPointToPoint());
    EXPECT_EQ(tun->ifType, 1);
    EXPECT_FALSE(tun->linkAddress.has_value());
    ASSERT_EQ(tun->ipv4.size(), 1u);
    EXPECT_EQ(tun->ipv4[0].address, "10.1.0.1");
    EXPECT_EQ(tun->ipv4[0].destination, "10.1.0.2");
    EXPECT_FALSE(tun->ipv4[0].broadcast.has_value());
    ASSERT_EQ(tun->ipv6.size(), 1u);
    EXPECT_EQ(tun->ipv6[0].address, "2001:db8:2::1");
    EXPECT_EQ(tun->ipv6[0].destination, "2001:db8:2::2");
    EXPECT_EQ(tun->ipv6[0].prefixLength, 128);
    ASSERT_TRUE(tun->nd6Flags.has_value());
    EXPECT_FALSE(*tun->nd6Flags & 0x1) << "NOARP links do no neighbour unreachability detection";
}

TEST(InterfaceReaderNetns, LinkLocalScopeAndAddressStates) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    setUp({
        "ip link add wv0 type veth peer name wv1",
        "sysctl -qw net.ipv6.conf.wv0.dad_transmits=50",
        "ip link set wv1 up",
        "ip link set wv0 up",
        "ip -6 addr add 2001:db8:1::5/64 dev wv0",
        "ip -6 addr add 2001:db8:2::5/64 dev wv0 nodad preferred_lft 0",
    });
    InterfaceReader reader;
    bool sawTentative = false;
    ASSERT_TRUE(eventually(reader, [&](const auto& snapshots) {
        const auto* veth = find(snapshots, "wv0");
        if (!veth) {
            return false;
        }
        bool linkLocal = false, deprecated = false;
        for (const auto& a : veth->ipv6) {
            if (a.address.starts_with("fe80::")) {
                linkLocal = a.scopeID == veth->index && a.prefixLength == 64;
            }
            if (a.address == "2001:db8:1::5") {
                sawTentative = sawTentative || (a.flags & 0x2);
            }
            if (a.address == "2001:db8:2::5") {
                deprecated = (a.flags & 0x10) && !(a.flags & 0x2);
            }
        }
        return linkLocal && deprecated && sawTentative;
    }));
}

TEST(InterfaceReaderNetns, CountersGrowByTheBytesSentAndLinkStateFollows) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    setUp({
        "ip link add wv0 type veth peer name wv1",
        "ip addr add 192.0.2.1/24 dev wv0",
        "ip addr add 192.0.2.2/24 dev wv1",
        "ip link set wv0 up",
        "ip link set wv1 up",
        "ip neigh add 192.0.2.9 lladdr 02:00:00:00:00:09 dev wv0",
    });
    InterfaceReader reader;
    ASSERT_TRUE(eventually(reader, [](const auto& s) {
        const auto* v = find(s, "wv0");
        return v && v->isLinkActive();
    }));
    const auto before = *find(snapshotsOf(reader), "wv0");

    constexpr size_t kPayload = 1000;
    constexpr int kDatagrams = 20;
    ASSERT_EQ(wirelark::testing::sendDatagrams("192.0.2.9", kDatagrams, kPayload), kDatagrams);
    // Ethernet 14 + IPv4 20 + UDP 8 header bytes per frame.
    const uint64_t frameBytes = kPayload + 14 + 20 + 8;
    const auto after = *find(snapshotsOf(reader), "wv0");
    EXPECT_EQ(after.counters.bytesOut - before.counters.bytesOut, kDatagrams * frameBytes);
    EXPECT_EQ(after.counters.packetsOut - before.counters.packetsOut, uint64_t{kDatagrams});
    const auto peer = *find(snapshotsOf(reader), "wv1");
    EXPECT_GE(peer.counters.bytesIn, kDatagrams * frameBytes);

    ASSERT_EQ(run("ip link set wv0 down"), 0);
    const auto down = *find(snapshotsOf(reader), "wv0");
    EXPECT_FALSE(down.isUp());
    EXPECT_FALSE(down.isLinkActive());
    EXPECT_EQ(down.ipv4.size(), 1u) << "a link taken down keeps its addresses";
}

TEST(InterfaceReaderNetns, InterfaceThatDisappearsBetweenReads) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    setUp({"ip link add wv0 type veth peer name wv1", "ip link add wbr0 type bridge"});
    InterfaceReader reader;
    ASSERT_NE(find(snapshotsOf(reader), "wv0"), nullptr);
    ASSERT_EQ(run("ip link del wv0"), 0);
    const auto snapshots = snapshotsOf(reader);
    EXPECT_EQ(find(snapshots, "wv0"), nullptr);
    EXPECT_EQ(find(snapshots, "wv1"), nullptr);
    EXPECT_NE(find(snapshots, "wbr0"), nullptr);

    ASSERT_EQ(run("ip link add wv0 type veth peer name wv1"), 0);
    ASSERT_EQ(run("ip link set wv0 mtu 1280"), 0);
    const auto again = snapshotsOf(reader);
    const auto* recreated = find(again, "wv0");
    ASSERT_NE(recreated, nullptr);
    EXPECT_EQ(recreated->mtu, 1280u);
}

TEST(InterfaceReaderNetns, KeptDetailsFollowAChangeByTheNextRead) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    setUp({"ip link add wv0 type veth peer name wv1"});
    InterfaceReader reader;
    const auto before = find(snapshotsOf(reader), "wv0")->capabilities;
    ASSERT_TRUE(before.has_value());
    ASSERT_TRUE(*before & 0x2) << "veth checksums what it sends";
    ASSERT_EQ(run("ethtool -K wv0 tx off"), 0);
    const auto after = find(snapshotsOf(reader), "wv0")->capabilities;
    ASSERT_TRUE(after.has_value());
    EXPECT_FALSE(*after & 0x2);
    EXPECT_EQ(*after | 0x2 | 0x20 | 0x40, *before | 0x20 | 0x40) << "only the offloads that need "
                                                                    "transmit checksums went away";
}

namespace {

// A change made between two readings, on links kept down and without IPv6 address generation
// so that nothing else changes meanwhile.
struct ChangeBetweenReads {
    const char* name;
    std::vector<std::string> before;
    std::vector<std::string> change;
};

void PrintTo(const ChangeBetweenReads& c, std::ostream* out) {
    *out << c.name;
}

class InterfaceReaderChangeTest : public ::testing::TestWithParam<ChangeBetweenReads> {};

// What a reader that has kept nothing sees.
std::vector<InterfaceSnapshot> freshReading() {
    InterfaceReader fresh;
    return snapshotsOf(fresh);
}

// Traffic of the links that are up may move the counters between two readings.
std::vector<InterfaceSnapshot> withoutCounters(std::vector<InterfaceSnapshot> snapshots) {
    for (auto& s : snapshots) {
        s.counters = {};
    }
    return snapshots;
}

} // namespace

TEST_P(InterfaceReaderChangeTest, NextReadingEqualsAFreshFullReading) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    const ChangeBetweenReads& c = GetParam();
    for (const auto& command : c.before) {
        ASSERT_EQ(run(command), 0) << command;
    }
    InterfaceReader reader;
    snapshotsOf(reader);
    const auto unchanged = withoutCounters(snapshotsOf(reader)); // from the kept reading
    ASSERT_EQ(unchanged, withoutCounters(freshReading()));

    for (const auto& command : c.change) {
        ASSERT_EQ(run(command), 0) << command;
    }
    const auto next = withoutCounters(snapshotsOf(reader));
    const auto fresh = withoutCounters(freshReading());
    EXPECT_NE(fresh, unchanged) << "the change shows in a full reading";
    ASSERT_EQ(next.size(), fresh.size());
    for (size_t i = 0; i < fresh.size(); ++i) {
        EXPECT_EQ(next[i], fresh[i]) << fresh[i].name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InterfaceReaderChangeTest,
    ::testing::Values(
        ChangeBetweenReads{
            "AddressAdded",
            {"ip link add wv0 type veth peer name wv1"},
            {"ip addr add 10.3.0.1/24 dev wv0", "ip -6 addr add 2001:db8::3 dev wv0"}},
        ChangeBetweenReads{"AddressRemoved",
                           {"ip link add wv0 type veth peer name wv1",
                            "ip addr add 10.3.0.1/24 dev wv0", "ip addr add 10.3.0.2/24 dev wv0"},
                           {"ip addr del 10.3.0.1/24 dev wv0"}},
        ChangeBetweenReads{"FlagsChanged",
                           {"ip link add wv0 type veth peer name wv1"},
                           {"ip link set wv0 promisc on", "ip link set wv0 arp off"}},
        ChangeBetweenReads{"MtuChanged",
                           {"ip link add wv0 type veth peer name wv1"},
                           {"ip link set wv0 mtu 1300"}},
        ChangeBetweenReads{"LinkRenamed",
                           {"ip link add wv0 type veth peer name wv1"},
                           {"ip link set wv0 name wv9"}},
        ChangeBetweenReads{"LinkRecreatedWithTheSameIndex",
                           {"ip link add wv0 index 50 type veth peer name wv1 index 51",
                            "ip addr add 10.3.0.1/24 dev wv0"},
                           {"ip link del wv0",
                            "ip link add wv0 index 50 type veth peer name wv1 index 51",
                            "ip link set wv0 mtu 1280"}},
        ChangeBetweenReads{"NewLink",
                           {"ip link add wv0 type veth peer name wv1"},
                           {"ip link add wbr0 type bridge"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InterfaceReaderNetns, UnannouncedIPv6SettingsArriveWithinAFewReadings) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    setUp({"ip link add wv0 type veth peer name wv1"});
    InterfaceReader reader;
    const auto before = withoutCounters(snapshotsOf(reader));
    ASSERT_EQ(run("sysctl -qw net.ipv6.conf.wv0.accept_ra=0"), 0);
    const auto fresh = withoutCounters(freshReading());
    ASSERT_NE(fresh, before) << "routers' advertisements are no longer accepted";
    bool agreed = false;
    for (int reading = 0; reading < 100 && !agreed; ++reading) {
        agreed = withoutCounters(snapshotsOf(reader)) == fresh;
    }
    EXPECT_TRUE(agreed) << "the kernel announces no sysctl change; a full reading must come";
}
