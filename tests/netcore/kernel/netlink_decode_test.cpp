#include "netcore/interfaces/snapshot_assembly.h"
#include "netcore/kernel/ethtool_features.h"
#include "netcore/kernel/netlink_reply.h"
#include "netcore/kernel/wlk_kernel.h"

#include "netlink_message_builder.h"
#include "recorded_netlink.h"

#include <gtest/gtest.h>

#include <linux/if.h>
#include <linux/if_addr.h>
#include <linux/if_arp.h>
#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using namespace wirelark;
using wirelark::testing::MessageBuilder;
using wirelark::testing::recordedDatagrams;

namespace {

using Bytes = std::vector<uint8_t>;

std::string fixture(const char* name) {
    return std::string(WIRELARK_SOURCE_DIR) + "/tests/netcore/kernel/fixtures/" + name;
}

struct Dump {
    std::vector<wlk_link> links;
    std::vector<wlk_addr> addresses;
    int datagramsUntilFinished = 0;
};

Dump decodeRecordedDumps() {
    Dump dump;
    for (const auto& datagram : recordedDatagrams("link_dump.bin")) {
        ++dump.datagramsUntilFinished;
        const auto progress = readNetlinkReply(datagram, 1, [&](std::span<const uint8_t> message) {
            wlk_link link;
            EXPECT_TRUE(wlk_decode_link(message.data(), message.size(), &link));
            dump.links.push_back(link);
        });
        EXPECT_EQ(progress.error, 0);
        if (progress.finished) {
            break;
        }
    }
    for (const auto& datagram : recordedDatagrams("addr_dump.bin")) {
        readNetlinkReply(datagram, 2, [&](std::span<const uint8_t> message) {
            wlk_addr address;
            if (wlk_decode_addr(message.data(), message.size(), &address)) {
                dump.addresses.push_back(address);
            }
        });
    }
    return dump;
}

// A counters block with recognisable values, padded past the largest kernel's size.
Bytes sampleStats() {
    rtnl_link_stats64 stats{};
    stats.rx_packets = 11;
    stats.rx_bytes = 5'000'000'000ull;
    stats.tx_bytes = 6'000'000'000ull;
    stats.multicast = 3;
    stats.rx_dropped = 4;
    stats.rx_missed_errors = 5;
    Bytes raw(sizeof stats + 8, 0);
    std::memcpy(raw.data(), &stats, sizeof stats);
    return raw;
}

Bytes linkMessage(const std::string& name, size_t statsSize) {
    ifinfomsg info{};
    info.ifi_index = 7;
    info.ifi_type = ARPHRD_ETHER;
    info.ifi_flags = IFF_UP;
    return MessageBuilder(RTM_NEWLINK, 1)
        .body(info)
        .attribute(IFLA_IFNAME, name)
        .attribute(IFLA_STATS64, sampleStats().data(), statsSize)
        .bytes();
}

Bytes statsMessage(uint16_t type, uint16_t attribute) {
    if_stats_msg info{};
    info.ifindex = 9;
    info.filter_mask = IFLA_STATS_FILTER_BIT(IFLA_STATS_LINK_64);
    return MessageBuilder(type, 1)
        .body(info)
        .attribute(attribute, sampleStats().data(), 200)
        .bytes();
}

} // namespace

TEST(NetlinkDecode, RecordedMultiPartLinkDump) {
    const Dump dump = decodeRecordedDumps();
    EXPECT_EQ(dump.datagramsUntilFinished, 3) << "two datagrams of links, then NLMSG_DONE";
    std::vector<std::string> names;
    for (const auto& link : dump.links) {
        names.emplace_back(link.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"lo", "veth1", "veth0", "br0", "tun0", "p15",
                                               "abcdefghijklmno"}));
    const wlk_link& veth = dump.links[2];
    EXPECT_EQ(veth.hw_type, ARPHRD_ETHER);
    EXPECT_STREQ(veth.kind, "veth");
    EXPECT_EQ(veth.mtu, 1500u);
    ASSERT_EQ(veth.address_len, 6);
    EXPECT_EQ(veth.address[5], 0x01);
    EXPECT_TRUE(veth.has_stats);
    EXPECT_TRUE(veth.has_inet6_conf);
    EXPECT_EQ(veth.accept_dad, 1);
    EXPECT_EQ(dump.links[0].address_len, 0) << "lo's all-zero address is no address";
    EXPECT_STREQ(dump.links[3].kind, "bridge");
    EXPECT_EQ(wlk_if_type(dump.links[3].hw_type, dump.links[3].kind), 209);
    EXPECT_EQ(dump.links[4].hw_type, ARPHRD_NONE);
    EXPECT_EQ(wlk_if_type(dump.links[4].hw_type, dump.links[4].kind), 1);
}

TEST(NetlinkDecode, RecordedDumpsAssembleIntoSnapshots) {
    const Dump dump = decodeRecordedDumps();
    const auto snapshots = assembleSnapshots(dump.links, dump.addresses, [](const wlk_link& link) {
        LinkExtras extras;
        extras.capabilities = link.index;
        return extras;
    });
    ASSERT_EQ(snapshots.size(), 7u);
    const auto& lo = snapshots[0];
    ASSERT_EQ(lo.ipv4.size(), 1u);
    EXPECT_EQ(lo.ipv4[0], (IPv4Address{"127.0.0.1", "255.0.0.0", 8, std::nullopt, std::nullopt}));
    ASSERT_EQ(lo.ipv6.size(), 1u);
    EXPECT_EQ(lo.ipv6[0].address, "::1");

    const auto& veth = snapshots[2];
    EXPECT_EQ(veth.name, "veth0");
    EXPECT_EQ(veth.deviceKind, "veth");
    EXPECT_EQ(snapshots[0].deviceKind, "");
    EXPECT_EQ(snapshots[4].deviceKind, "tun");
    EXPECT_EQ(veth.capabilities, veth.index);
    ASSERT_EQ(veth.ipv4.size(), 1u);
    EXPECT_EQ(veth.ipv4[0],
              (IPv4Address{"192.0.2.1", "255.255.255.0", 24, "192.0.2.255", std::nullopt}));
    ASSERT_GE(veth.ipv6.size(), 1u);
    EXPECT_EQ(veth.ipv6[0].address, "2001:db8::1");
    EXPECT_EQ(veth.ipv6[0].prefixLength, 64);
    EXPECT_EQ(veth.linkAddress->description(), "02:00:00:00:00:01");
    EXPECT_EQ(veth.linkAddress->type, 6);
    EXPECT_EQ(veth.nd6Flags, 0x203u) << "PERFORMNUD, ACCEPT_RTADV and DAD by default";

    const auto& tun = snapshots[4];
    ASSERT_EQ(tun.ipv4.size(), 1u);
    EXPECT_EQ(tun.ipv4[0],
              (IPv4Address{"10.1.0.1", "255.255.255.255", 32, std::nullopt, "10.1.0.2"}));
    EXPECT_EQ(snapshots[6].name, "abcdefghijklmno");
}

TEST(NetlinkDecode, DeletionMessagesDecodeLikeNewOnes) {
    ifinfomsg info{};
    info.ifi_index = 7;
    const Bytes deleted =
        MessageBuilder(RTM_DELLINK, 0).body(info).attribute(IFLA_IFNAME, "gone0").bytes();
    wlk_link link{};
    ASSERT_TRUE(wlk_decode_link(deleted.data(), deleted.size(), &link));
    EXPECT_EQ(link.index, 7u);
    EXPECT_STREQ(link.name, "gone0");
    ifaddrmsg address{};
    address.ifa_family = AF_INET6;
    address.ifa_index = 7;
    const uint8_t ip[16] = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    const Bytes removed =
        MessageBuilder(RTM_DELADDR, 0).body(address).attribute(IFA_ADDRESS, ip, sizeof ip).bytes();
    wlk_addr addr{};
    ASSERT_TRUE(wlk_decode_addr(removed.data(), removed.size(), &addr));
    EXPECT_EQ(addr.index, 7u);
    const Bytes route = MessageBuilder(RTM_NEWROUTE, 0).body(info).bytes();
    EXPECT_FALSE(wlk_decode_link(route.data(), route.size(), &link));
    EXPECT_FALSE(wlk_decode_addr(route.data(), route.size(), &addr));
}

TEST(NetlinkDecode, Stats64OfBothKernelSizes) {
    for (size_t size : {size_t{192}, size_t{200}, sizeof(rtnl_link_stats64) + 8, size_t{16}}) {
        const Bytes message = linkMessage("eth0", size);
        wlk_link link;
        ASSERT_TRUE(wlk_decode_link(message.data(), message.size(), &link)) << size;
        ASSERT_TRUE(link.has_stats);
        if (size >= 192) {
            EXPECT_EQ(link.stats.bytes_in, 5'000'000'000ull) << "64-bit counters do not wrap";
            EXPECT_EQ(link.stats.bytes_out, 6'000'000'000ull);
            EXPECT_EQ(link.stats.multicast_in, 3u);
            EXPECT_EQ(link.stats.multicast_out, 0u);
            EXPECT_EQ(link.stats.drops_in, 9u) << "rx_dropped and rx_missed_errors together";
        } else {
            EXPECT_EQ(link.stats.packets_in, 11u);
            EXPECT_EQ(link.stats.bytes_in, 0u) << "bytes past a short attribute read as zero";
        }
    }
}

TEST(NetlinkDecode, StatsDumpCountersMatchTheLinkDumps) {
    const Bytes link = linkMessage("eth0", 200);
    wlk_link decodedLink;
    ASSERT_TRUE(wlk_decode_link(link.data(), link.size(), &decodedLink));
    struct Case {
        const char* name;
        uint16_t type;
        uint16_t attribute;
        bool decodes;
    };
    for (const Case& c : {Case{"link counters", RTM_NEWSTATS, IFLA_STATS_LINK_64, true},
                          Case{"no link counters", RTM_NEWSTATS, IFLA_STATS_LINK_XSTATS, false},
                          Case{"not a stats message", RTM_NEWSTATS + 1, IFLA_STATS_LINK_64, false},
                          Case{"a link message", RTM_NEWLINK, IFLA_STATS_LINK_64, false}}) {
        const Bytes message = statsMessage(c.type, c.attribute);
        uint32_t index = 0;
        wlk_counters counters{};
        ASSERT_EQ(wlk_decode_stats(message.data(), message.size(), &index, &counters) != 0,
                  c.decodes)
            << c.name;
        if (c.decodes) {
            EXPECT_EQ(index, 9u);
            EXPECT_EQ(std::memcmp(&counters, &decodedLink.stats, sizeof counters), 0)
                << "the same counters as the link dump gives";
        }
    }
    const Bytes whole = statsMessage(RTM_NEWSTATS, IFLA_STATS_LINK_64);
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        const Bytes part(whole.begin(), whole.begin() + cut);
        uint32_t index = 0;
        wlk_counters counters{};
        EXPECT_EQ(wlk_decode_stats(part.data(), part.size(), &index, &counters), 0) << cut;
    }
}

TEST(NetlinkDecode, NamesAreCutToFifteenCharacters) {
    const Bytes message = linkMessage("averyveryverylongname", 200);
    wlk_link link;
    ASSERT_TRUE(wlk_decode_link(message.data(), message.size(), &link));
    EXPECT_STREQ(link.name, "averyveryverylo");
}

TEST(NetlinkDecode, TruncatedAndMalformedMessagesNeverReadPastTheirEnd) {
    for (const Bytes& whole : {linkMessage("eth0", 200), recordedDatagrams("addr_dump.bin")[0]}) {
        for (size_t cut = 0; cut <= whole.size(); ++cut) {
            // A copy of exactly `cut` bytes, so that the sanitizers catch any overread.
            const Bytes part(whole.begin(), whole.begin() + cut);
            wlk_link link;
            wlk_addr address;
            wlk_decode_link(part.data(), part.size(), &link);
            wlk_decode_addr(part.data(), part.size(), &address);
            forEachNetlinkMessage(part, [](std::span<const uint8_t>) {});
        }
    }
    // An attribute claiming more bytes than the message has ends the walk (here the first one,
    // which held the name).
    Bytes bad = linkMessage("eth0", 200);
    nlattr huge{0xFFFF, IFLA_MTU};
    std::memcpy(bad.data() + NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(ifinfomsg)), &huge, sizeof huge);
    wlk_link link;
    EXPECT_EQ(wlk_decode_link(bad.data(), bad.size(), &link), 0) << "no name could be read";
    EXPECT_EQ(wlk_decode_link(nullptr, 100, &link), 0);
}

TEST(NetlinkReply, SequenceErrorsAndInterruptedDumps) {
    ifinfomsg info{};
    std::vector<int> seen;
    auto collect = [&](std::span<const uint8_t> message) {
        seen.push_back(static_cast<int>(message.size()));
    };

    Bytes datagram = MessageBuilder(RTM_NEWLINK, 5).body(info).bytes();
    const Bytes stale = MessageBuilder(RTM_NEWLINK, 4).body(info).attribute(IFLA_MTU, "x").bytes();
    datagram.insert(datagram.end(), stale.begin(), stale.end());
    auto progress = readNetlinkReply(datagram, 5, collect);
    EXPECT_EQ(seen.size(), 1u) << "a reply to another request is dropped";
    EXPECT_FALSE(progress.finished);

    int done = 0;
    progress = readNetlinkReply(MessageBuilder(NLMSG_DONE, 5).body(done).bytes(), 5, collect);
    EXPECT_TRUE(progress.finished);
    EXPECT_EQ(progress.error, 0);

    struct ErrorCase {
        int code;
        int error;
    };
    const ErrorCase errors[] = {
        {-EPERM, EPERM},   {0, 0},          // an acknowledgement
        {-4095, 4095},     {-4096, EPROTO}, // no errno lies beyond the kernel's MAX_ERRNO
        {INT_MIN, EPROTO}, {7, 0},
    };
    for (const auto& c : errors) {
        nlmsgerr error{};
        error.error = c.code;
        progress = readNetlinkReply(MessageBuilder(NLMSG_ERROR, 5).body(error).bytes(), 5, collect);
        EXPECT_TRUE(progress.finished);
        EXPECT_EQ(progress.error, c.error) << c.code;
    }

    progress = readNetlinkReply(
        MessageBuilder(RTM_NEWLINK, 5, NLM_F_MULTI | NLM_F_DUMP_INTR).body(info).bytes(), 5,
        collect);
    EXPECT_TRUE(progress.interrupted);
}

TEST(EthtoolFeatures, RecordedFeatureNamesMapToCapabilities) {
    std::ifstream in(fixture("ethtool_feature_names.txt"));
    std::vector<std::string> names;
    for (std::string line; std::getline(in, line);) {
        names.push_back(line);
    }
    ASSERT_EQ(names.size(), 64u);
    // Active feature words as this kernel reported them for lo and a virtio Ethernet device.
    const uint32_t loopback[] = {0x401d4c69, 0x0000052e};
    const uint32_t virtio[] = {0x00134829, 0x00800100};
    EXPECT_EQ(capabilitiesFromFeatures(names, loopback, ARPHRD_LOOPBACK, 65536, 0x58),
              0x1073u); // RXCSUM TXCSUM JUMBO_MTU TSO4 TSO6 SW_TIMESTAMP
    EXPECT_EQ(capabilitiesFromFeatures(names, virtio, ARPHRD_ETHER, 1500, 0),
              0x67u); // RXCSUM TXCSUM VLAN_MTU TSO4 TSO6
    EXPECT_EQ(capabilitiesFromFeatures(names, {}, ARPHRD_ETHER, 9000, 0x5), 0x814u)
        << "VLAN_MTU, JUMBO_MTU and HW_TIMESTAMP need no feature bits";
}

TEST(KernelCodes, AddressFlagsAndNeighbourDiscovery) {
    struct Case {
        uint32_t kernelFlags;
        bool hasProto;
        uint8_t proto;
        uint32_t expected;
    };
    const Case cases[] = {
        {IFA_F_PERMANENT, false, 0, 0},
        {IFA_F_PERMANENT | IFA_F_TENTATIVE, false, 0, 0x2},
        {IFA_F_PERMANENT | IFA_F_OPTIMISTIC, false, 0, 0x200},
        {IFA_F_PERMANENT | IFA_F_DADFAILED | IFA_F_TENTATIVE, false, 0, 0x6},
        {IFA_F_PERMANENT | IFA_F_DEPRECATED, false, 0, 0x10},
        {IFA_F_STABLE_PRIVACY | IFA_F_MANAGETEMPADDR, false, 0, 0x440},
        {IFA_F_TEMPORARY, false, 0, 0x180},
        {0, false, 0, 0x40},
        {0, true, IFAPROT_KERNEL_RA, 0x40},
        {0, true, IFAPROT_UNSPEC, 0x100},
        {IFA_F_TEMPORARY, true, IFAPROT_KERNEL_RA, 0xC0},
        {IFA_F_PERMANENT, true, IFAPROT_KERNEL_LL, 0},
    };
    for (const auto& c : cases) {
        wlk_addr address{};
        address.flags = c.kernelFlags;
        address.has_proto = c.hasProto;
        address.proto = c.proto;
        EXPECT_EQ(wlk_in6_addr_flags(&address), c.expected) << std::hex << c.kernelFlags;
    }

    wlk_link link{};
    uint32_t nd6 = 12345;
    EXPECT_FALSE(wlk_get_nd6_flags(&link, &nd6));
    EXPECT_EQ(nd6, 12345u) << "untouched without IPv6 configuration";
    link.has_inet6_conf = 1;
    link.accept_ra = 1;
    link.disable_ipv6 = 1;
    link.accept_dad = 2;
    ASSERT_TRUE(wlk_get_nd6_flags(&link, &nd6));
    EXPECT_EQ(nd6, 0x20Bu);
    link.flags = IFF_NOARP;
    link.accept_ra = 0;
    link.disable_ipv6 = 0;
    link.accept_dad = -1;
    ASSERT_TRUE(wlk_get_nd6_flags(&link, &nd6));
    EXPECT_EQ(nd6, 0u);
}

TEST(KernelCodes, LinkTypes) {
    struct Case {
        uint16_t hwType;
        const char* kind;
        uint8_t expected;
    };
    const Case cases[] = {
        {ARPHRD_ETHER, "", 6},
        {ARPHRD_ETHER, "bridge", 209},
        {ARPHRD_LOOPBACK, "", 24},
        {ARPHRD_PPP, "", 23},
        {ARPHRD_TUNNEL, "ipip", 55},
        {ARPHRD_TUNNEL6, "", 55},
        {ARPHRD_IPGRE, "gre", 55},
        {ARPHRD_SIT, "sit", 57},
        {ARPHRD_RAWIP, "", 255},
        {ARPHRD_IEEE80211, "", 71},
        {ARPHRD_IEEE80211_RADIOTAP, "", 71},
        {ARPHRD_NONE, "tun", 1},
        {ARPHRD_VOID, "", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wlk_if_type(c.hwType, c.kind), c.expected) << c.hwType << " " << c.kind;
    }
}

TEST(SnapshotAssembly, FirstRecordOfANameWinsAndStrayAddressesAreDropped) {
    wlk_link first{}, again{}, other{};
    std::strcpy(first.name, "eth0");
    first.index = 2;
    first.flags = IFF_UP | IFF_BROADCAST;
    again = first;
    again.index = 3;
    again.flags = IFF_UP | IFF_POINTOPOINT;
    std::strcpy(other.name, "eth1");
    other.index = 4;
    wlk_addr stray{};
    stray.family = AF_INET;
    stray.index = 99;
    stray.has_local = 1;
    wlk_addr broadcastAddress{};
    broadcastAddress.family = AF_INET;
    broadcastAddress.index = 2;
    broadcastAddress.prefix_len = 24;
    broadcastAddress.has_local = broadcastAddress.has_address = broadcastAddress.has_broadcast = 1;
    const uint8_t local[] = {10, 0, 0, 1}, broadcast[] = {10, 0, 0, 255};
    std::memcpy(broadcastAddress.local, local, 4);
    std::memcpy(broadcastAddress.address, local, 4);
    std::memcpy(broadcastAddress.broadcast, broadcast, 4);
    const wlk_link links[] = {first, again, other};
    const wlk_addr addresses[] = {stray, broadcastAddress};
    const auto snapshots =
        assembleSnapshots(links, addresses, [](const wlk_link&) { return LinkExtras{}; });
    ASSERT_EQ(snapshots.size(), 2u);
    EXPECT_EQ(snapshots[0].flags, static_cast<uint32_t>(IFF_UP | IFF_BROADCAST));
    EXPECT_EQ(snapshots[1].name, "eth1");
    ASSERT_EQ(snapshots[0].ipv4.size(), 1u);
    EXPECT_EQ(snapshots[0].ipv4[0].broadcast, "10.0.0.255");
    EXPECT_TRUE(snapshots[1].ipv4.empty());
}

TEST(SnapshotAssembly, MediaInfoFromWords) {
    EXPECT_EQ(mediaInfoFrom({0x20, 0x100030, 0x3, 0}),
              (MediaInfo{"autoselect", "1000baseT <full-duplex>", MediaStatus::active}));
    EXPECT_EQ(mediaInfoFrom({0x20, 0x22, 0x1, 0}),
              (MediaInfo{"autoselect", "none", MediaStatus::inactive}));
    EXPECT_EQ(mediaInfoFrom({0x80, 0x80, 0x0, 0}),
              (MediaInfo{"autoselect", std::nullopt, MediaStatus::unknown}));
}
