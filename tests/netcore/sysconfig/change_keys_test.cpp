#include "netcore/sysconfig/change_keys.h"

#include "netlink_message_builder.h"

#include <gtest/gtest.h>

#include <linux/if.h>
#include <linux/if_addr.h>
#include <linux/if_arp.h>
#include <linux/if_link.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

using namespace wirelark;
using wirelark::testing::MessageBuilder;

namespace {

MessageBuilder linkBuilder(uint16_t type, int index, const std::string& name, uint32_t flags,
                           uint32_t mtu) {
    ifinfomsg info{};
    info.ifi_index = index;
    info.ifi_flags = flags;
    info.ifi_type = ARPHRD_ETHER;
    MessageBuilder builder(type, 0);
    builder.body(info).attribute(IFLA_IFNAME, name);
    if (mtu != 0) {
        builder.attribute(IFLA_MTU, &mtu, sizeof mtu);
    }
    return builder;
}

std::vector<uint8_t> link(uint16_t type, int index, const std::string& name, uint32_t flags = 0,
                          uint32_t mtu = 0) {
    return linkBuilder(type, index, name, flags, mtu).bytes();
}

// A Wi-Fi driver's event, as the kernel sends one when a scan completes.
std::vector<uint8_t> wirelessEvent(int index, const std::string& name, uint32_t flags) {
    const uint8_t event[8] = {8, 0, 0x19, 0x8b}; // SIOCGIWSCAN, no payload
    return linkBuilder(RTM_NEWLINK, index, name, flags, 0)
        .attribute(IFLA_WIRELESS, event, sizeof event)
        .bytes();
}

std::vector<uint8_t> address(uint16_t type, uint8_t family, uint32_t index, uint32_t flags = 0,
                             uint32_t validLifetime = UINT32_MAX) { // forever
    ifaddrmsg info{};
    info.ifa_family = family;
    info.ifa_index = index;
    const uint8_t bytes[16] = {192, 0, 2, 1};
    const ifa_cacheinfo lifetimes{validLifetime, validLifetime, 100, 200};
    return MessageBuilder(type, 0)
        .body(info)
        .attribute(IFA_LOCAL, bytes, family == AF_INET ? 4 : 16)
        .attribute(IFA_FLAGS, &flags, sizeof flags)
        .attribute(IFA_CACHEINFO, &lifetimes, sizeof lifetimes)
        .bytes();
}

std::vector<uint8_t> route(uint16_t type, uint8_t family, uint8_t table, uint32_t flags = 0) {
    rtmsg info{};
    info.rtm_family = family;
    info.rtm_table = table;
    info.rtm_type = RTN_UNICAST;
    info.rtm_flags = flags;
    const uint32_t oif = 2;
    return MessageBuilder(type, 0).body(info).attribute(RTA_OIF, &oif, sizeof oif).bytes();
}

} // namespace

TEST(ChangeKeys, NotificationsBecomeKeys) {
    const std::string list = "State:/Network/Interface";
    struct Case {
        const char* what;
        std::vector<uint8_t> message;
        std::vector<std::string> keys;
    };
    const Case cases[] = {
        {"a known link changes its MTU",
         link(RTM_NEWLINK, 2, "eth0", 0, 1400),
         {list + "/eth0/Link"}},
        {"a known link as it was", link(RTM_NEWLINK, 2, "eth0"), {}},
        {"a Wi-Fi scan completed",
         wirelessEvent(3, "wlan0", IFF_UP | IFF_RUNNING | IFF_LOWER_UP),
         {}},
        {"a new link", link(RTM_NEWLINK, 9, "veth9"), {list, list + "/veth9/Link"}},
        {"a renamed link", link(RTM_NEWLINK, 2, "lan0"), {list, list + "/lan0/Link"}},
        {"a removed link takes its routes along",
         link(RTM_DELLINK, 3, "wlan0"),
         {list, list + "/wlan0/Link", "State:/Network/Global/IPv4", "State:/Network/Global/IPv6"}},
        {"a link going up moves routes",
         link(RTM_NEWLINK, 2, "eth0", IFF_UP),
         {list + "/eth0/Link", "State:/Network/Global/IPv4", "State:/Network/Global/IPv6"}},
        {"a carrier lost moves routes",
         link(RTM_NEWLINK, 3, "wlan0", IFF_UP),
         {list + "/wlan0/Link", "State:/Network/Global/IPv4", "State:/Network/Global/IPv6"}},
        {"other flags do not", link(RTM_NEWLINK, 2, "eth0", IFF_PROMISC), {list + "/eth0/Link"}},
        {"an IPv4 address", address(RTM_NEWADDR, AF_INET, 2), {list + "/eth0/IPv4"}},
        {"an IPv6 address gone", address(RTM_DELADDR, AF_INET6, 2), {list + "/eth0/IPv6"}},
        {"an address of an unknown link", address(RTM_NEWADDR, AF_INET, 77), {list}},
        {"an IPv4 route",
         route(RTM_NEWROUTE, AF_INET, RT_TABLE_MAIN),
         {"State:/Network/Global/IPv4"}},
        {"an IPv6 route gone",
         route(RTM_DELROUTE, AF_INET6, RT_TABLE_MAIN),
         {"State:/Network/Global/IPv6"}},
        {"a policy-routing table",
         route(RTM_NEWROUTE, AF_INET, 100),
         {"State:/Network/Global/IPv4"}},
        {"a local-table route", route(RTM_NEWROUTE, AF_INET, RT_TABLE_LOCAL), {}},
        {"a cloned route", route(RTM_NEWROUTE, AF_INET6, RT_TABLE_MAIN, RTM_F_CLONED), {}},
        {"a link without a name", link(RTM_NEWLINK, 5, ""), {}},
        {"a neighbour message", MessageBuilder(RTM_NEWNEIGH, 0).bytes(), {}},
        {"a cut message", {1, 2, 3}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ChangeKeyMapper mapper;
        mapper.reset(
            {{"eth0", 2, 1, "", 0}, {"wlan0", 3, 1, "", IFF_UP | IFF_RUNNING | IFF_LOWER_UP}});
        ChangedKeys keys;
        mapper.map(c.message, keys);
        EXPECT_EQ(keys.take(), c.keys);
    }
}

TEST(ChangeKeys, AnAddressIsNamedOnlyWhenWhatItShowsChanges) {
    const std::string ipv6 = "State:/Network/Interface/eth0/IPv6";
    struct Case {
        const char* what;
        std::vector<uint8_t> message;
        std::vector<std::string> keys;
    };
    // One mapper through all rows: each row follows the state the rows before it left.
    const Case cases[] = {
        {"a new address", address(RTM_NEWADDR, AF_INET6, 2, IFA_F_PERMANENT), {ipv6}},
        {"the same address again", address(RTM_NEWADDR, AF_INET6, 2, IFA_F_PERMANENT), {}},
        {"only its lifetimes refreshed",
         address(RTM_NEWADDR, AF_INET6, 2, IFA_F_PERMANENT, 100),
         {}},
        {"deprecated", address(RTM_NEWADDR, AF_INET6, 2, IFA_F_DEPRECATED, 100), {ipv6}},
        {"removed", address(RTM_DELADDR, AF_INET6, 2, IFA_F_DEPRECATED, 100), {ipv6}},
        {"added again", address(RTM_NEWADDR, AF_INET6, 2, IFA_F_DEPRECATED, 100), {ipv6}},
    };
    ChangeKeyMapper mapper;
    mapper.reset({{"eth0", 2, 1, "", 0}});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ChangedKeys keys;
        mapper.map(c.message, keys);
        EXPECT_EQ(keys.take(), c.keys);
    }
}

TEST(ChangeKeys, TheMapFollowsLinksAndKeysComeOnce) {
    ChangeKeyMapper mapper;
    ChangedKeys keys;
    mapper.map(link(RTM_NEWLINK, 4, "tun0"), keys);
    mapper.map(address(RTM_NEWADDR, AF_INET, 4), keys);
    mapper.map(address(RTM_NEWADDR, AF_INET, 4), keys);
    mapper.map(link(RTM_DELLINK, 4, "tun0"), keys);
    mapper.map(address(RTM_DELADDR, AF_INET, 4), keys);
    EXPECT_EQ(keys.take(), (std::vector<std::string>{
                               "State:/Network/Interface", "State:/Network/Interface/tun0/Link",
                               "State:/Network/Interface/tun0/IPv4", "State:/Network/Global/IPv4",
                               "State:/Network/Global/IPv6"}));
    EXPECT_TRUE(keys.empty());
}
