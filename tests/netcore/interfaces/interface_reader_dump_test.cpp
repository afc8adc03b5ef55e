#include "netcore/interfaces/interface_reader.h"

#include "fake_netlink_kernel.h"
#include "netlink_message_builder.h"
#include "recorded_netlink.h"

#include <gtest/gtest.h>

#include <linux/if_link.h>
#include <linux/rtnetlink.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

using namespace wirelark;
using namespace wirelark::testing;

namespace {

// How often the kernel reports each list changed while read, and what the reader makes of it.
struct Interruptions {
    const char* name;
    int linkAnswers;
    int addressAnswers;
    bool fails;
};

void PrintTo(const Interruptions& c, std::ostream* out) {
    *out << c.name;
}

class InterfaceReaderDumpTest : public ::testing::TestWithParam<Interruptions> {};

} // namespace

TEST_P(InterfaceReaderDumpTest, RetriesAChangingDumpAndFailsRatherThanLoseInterfaces) {
    const Interruptions& c = GetParam();
    FakeNetlinkKernel kernel({
        {RTM_GETLINK, {recordedDatagrams("link_dump.bin"), c.linkAnswers}},
        {RTM_GETADDR, {recordedDatagrams("addr_dump.bin"), c.addressAnswers}},
    });
    InterfaceReader reader(NetlinkSocket::adopt(kernel.takeCallerEnd()));
    const auto snapshots = reader.snapshot();
    if (c.fails) {
        ASSERT_FALSE(snapshots) << "never an empty or address-less list";
        EXPECT_EQ(snapshots.error(), errnoCode(EINTR));
        return;
    }
    ASSERT_TRUE(snapshots) << snapshots.error().message();
    ASSERT_EQ((*snapshots)->size(), 7u) << "each interface once, whatever the retries read";
    const InterfaceSnapshot& lo = (**snapshots)[0];
    EXPECT_EQ(lo.name, "lo");
    ASSERT_EQ(lo.ipv4.size(), 1u) << "each address once";
    EXPECT_EQ(lo.ipv4[0].address, "127.0.0.1");
    EXPECT_EQ(kernel.requests(RTM_GETLINK), c.linkAnswers + 1);
    EXPECT_EQ(kernel.requests(RTM_GETADDR), c.addressAnswers + 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, InterfaceReaderDumpTest,
                         ::testing::Values(Interruptions{"Undisturbed", 0, 0, false},
                                           Interruptions{"LinksSettleOnTheLastTry", 3, 0, false},
                                           Interruptions{"AddressesSettleOnTheLastTry", 0, 3,
                                                         false},
                                           Interruptions{"LinksNeverSettle", 4, 0, true},
                                           Interruptions{"AddressesNeverSettle", 0, 4, true}),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

// The indexes of the recorded link dump, in its order.
std::vector<uint32_t> recordedIndexes() {
    std::vector<uint32_t> indexes;
    for (const auto& datagram : recordedDatagrams("link_dump.bin")) {
        forEachNetlinkMessage(datagram, [&](std::span<const uint8_t> message) {
            wlk_link link;
            if (wlk_decode_link(message.data(), message.size(), &link)) {
                indexes.push_back(link.index);
            }
        });
    }
    return indexes;
}

// A counters dump in one datagram: each link has received 1000 bytes per unit of its index.
std::vector<uint8_t> countersDump(const std::vector<uint32_t>& indexes) {
    std::vector<uint8_t> datagram;
    for (const uint32_t index : indexes) {
        if_stats_msg info{};
        info.ifindex = index;
        rtnl_link_stats64 stats{};
        stats.rx_bytes = index * 1000ull;
        const auto message = MessageBuilder(RTM_NEWSTATS, 0, NLM_F_MULTI)
                                 .body(info)
                                 .attribute(IFLA_STATS_LINK_64, &stats, sizeof stats)
                                 .bytes();
        datagram.insert(datagram.end(), message.begin(), message.end());
    }
    const auto done = MessageBuilder(NLMSG_DONE, 0, NLM_F_MULTI).body(0).bytes();
    datagram.insert(datagram.end(), done.begin(), done.end());
    return datagram;
}

// What the counters dump holds when the reading after a full one asks for it.
struct CountersCase {
    const char* name;
    // The links it lists, from the recorded ones; nullopt when the kernel has no such dump.
    std::optional<std::vector<uint32_t>> (*links)(std::vector<uint32_t> recorded);
    int interruptedAnswers;
    bool fullReading; // the links changed, so the second reading is a full one
    bool fails;
};

void PrintTo(const CountersCase& c, std::ostream* out) {
    *out << c.name;
}

class InterfaceReaderCountersTest : public ::testing::TestWithParam<CountersCase> {};

} // namespace

TEST_P(InterfaceReaderCountersTest, KeptReadingTakesFreshCountersOnlyForTheSameLinks) {
    const CountersCase& c = GetParam();
    const auto recorded = recordedIndexes();
    std::map<uint16_t, RecordedDump> dumps{
        {RTM_GETLINK, {recordedDatagrams("link_dump.bin"), 0}},
        {RTM_GETADDR, {recordedDatagrams("addr_dump.bin"), 0}},
    };
    if (const auto listed = c.links(recorded)) {
        dumps[RTM_GETSTATS] = {{countersDump(*listed)}, c.interruptedAnswers};
    }
    FakeNetlinkKernel kernel(std::move(dumps));
    InterfaceReader reader(NetlinkSocket::adopt(kernel.takeCallerEnd()));
    const auto first = reader.snapshot();
    ASSERT_TRUE(first) << first.error().message();
    const std::vector<InterfaceSnapshot> firstAsRead = **first;

    const auto second = reader.snapshot();
    EXPECT_EQ(**first, firstAsRead) << "a reading still held is left as it was";
    if (c.fails) {
        ASSERT_FALSE(second);
        EXPECT_EQ(second.error(), errnoCode(EINTR));
        return;
    }
    ASSERT_TRUE(second) << second.error().message();
    EXPECT_EQ(kernel.requests(RTM_GETLINK), c.fullReading ? 2 : 1);
    ASSERT_EQ((*second)->size(), (*first)->size());
    for (size_t i = 0; i < (*first)->size(); ++i) {
        InterfaceSnapshot expected = (**first)[i];
        if (!c.fullReading) {
            expected.counters = {.bytesIn = expected.index * 1000ull};
        }
        EXPECT_EQ((**second)[i], expected) << expected.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InterfaceReaderCountersTest,
    ::testing::Values(
        CountersCase{"SameLinks", [](std::vector<uint32_t> r) { return std::optional(r); }, 0,
                     false, false},
        CountersCase{"SameLinksInAnotherOrder",
                     [](std::vector<uint32_t> r) {
                         std::reverse(r.begin(), r.end());
                         return std::optional(r);
                     },
                     0, false, false},
        CountersCase{"SettlesOnTheLastTry",
                     [](std::vector<uint32_t> r) { return std::optional(r); }, 3, false, false},
        CountersCase{"NeverSettles", [](std::vector<uint32_t> r) { return std::optional(r); }, 4,
                     false, true},
        CountersCase{"ALinkMore",
                     [](std::vector<uint32_t> r) {
                         r.push_back(9999);
                         return std::optional(r);
                     },
                     0, true, false},
        CountersCase{"ALinkLess",
                     [](std::vector<uint32_t> r) {
                         r.pop_back();
                         return std::optional(r);
                     },
                     0, true, false},
        CountersCase{"ALinkTwiceAnotherMissing",
                     [](std::vector<uint32_t> r) {
                         r.back() = r.front();
                         return std::optional(r);
                     },
                     0, true, false},
        CountersCase{"KernelWithoutTheCountersDump",
                     [](std::vector<uint32_t>) { return std::optional<std::vector<uint32_t>>(); },
                     0, true, false}),
    [](const auto& info) { return std::string(info.param.name); });
