#include "netcore/interfaces/interface_reader.h"

#include "fake_netlink_kernel.h"
#include "recorded_netlink.h"

#include <gtest/gtest.h>

#include <linux/rtnetlink.h>

#include <cerrno>

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
    ASSERT_EQ(snapshots->size(), 7u) << "each interface once, whatever the retries read";
    const InterfaceSnapshot& lo = (*snapshots)[0];
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
