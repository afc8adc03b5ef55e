#include "netcore/sysconfig/network_change_watcher.h"

#include "fake_network_manager.h"
#include "netns_sandbox.h"
#include "private_bus_fixture.h"
#include "temp_dir.h"

#include <poll.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace wirelark;
using namespace wirelark::testing;
using Batches = std::vector<std::vector<std::string>>;

namespace {

void setUp(std::initializer_list<const char*> commands) {
    for (const char* command : commands) {
        ASSERT_EQ(run(command), 0) << command;
    }
}

bool contains(const std::vector<std::string>& keys, const std::string& key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// Runs the watcher's loop until a new batch holds `key` (or ten seconds pass); returns that batch.
std::vector<std::string> waitForKey(NetworkChangeWatcher& watcher, Batches& batches,
                                    const std::string& key) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    size_t seen = batches.size();
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd ready{watcher.fd(), POLLIN, 0};
        if (poll(&ready, 1, 100) > 0) {
            watcher.dispatch();
        }
        for (; seen < batches.size(); ++seen) {
            if (contains(batches[seen], key)) {
                return batches[seen];
            }
        }
    }
    return {};
}

struct Recorder {
    Batches batches;
    NetworkChangeWatcher::Handler handler() {
        return [this](const std::vector<std::string>& keys) { batches.push_back(keys); };
    }
};

using NetworkChangeWatcherOnBus = PrivateBusTest;

} // namespace

TEST(NetworkChangeWatcher, ReportsLinksAddressesAndRoutes) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    Recorder recorder;
    NetworkChangeWatcher watcher(recorder.handler(), std::nullopt);
    ASSERT_TRUE(watcher.watchesKernel());
    const std::string prefix = "State:/Network/Interface/wwa0/";

    setUp({"ip link add wwa0 type veth peer name wwb0"});
    const auto added = waitForKey(watcher, recorder.batches, "State:/Network/Interface");
    EXPECT_TRUE(contains(added, prefix + "Link"));

    setUp({"ip addr add 192.0.2.1/24 dev wwa0"});
    EXPECT_FALSE(waitForKey(watcher, recorder.batches, prefix + "IPv4").empty());
    const size_t before = recorder.batches.size();
    setUp({"ip addr del 192.0.2.1/24 dev wwa0"});
    EXPECT_FALSE(waitForKey(watcher, recorder.batches, prefix + "IPv4").empty());
    EXPECT_GT(recorder.batches.size(), before);
    setUp({"ip -6 addr add 2001:db8:5::1/64 dev wwa0 nodad"});
    EXPECT_FALSE(waitForKey(watcher, recorder.batches, prefix + "IPv6").empty());

    // A router advertisement refreshes lifetimes, which nobody sees: no key until the IPv4
    // address that follows it.
    setUp({"ip -6 addr add 2001:db8:6::1/64 dev wwa0 nodad valid_lft 200 preferred_lft 200"});
    EXPECT_FALSE(waitForKey(watcher, recorder.batches, prefix + "IPv6").empty());
    const size_t beforeRefresh = recorder.batches.size();
    setUp({"ip -6 addr change 2001:db8:6::1/64 dev wwa0 nodad valid_lft 100 preferred_lft 100",
           "ip addr add 192.0.2.7/24 dev wwa0"});
    EXPECT_FALSE(waitForKey(watcher, recorder.batches, prefix + "IPv4").empty());
    for (size_t i = beforeRefresh; i < recorder.batches.size(); ++i) {
        EXPECT_FALSE(contains(recorder.batches[i], prefix + "IPv6"));
    }

    setUp({"ip addr add 192.0.2.1/24 dev wwa0", "ip link set wwb0 up", "ip link set wwa0 up",
           "ip route add default via 192.0.2.254 dev wwa0"});
    EXPECT_FALSE(waitForKey(watcher, recorder.batches, "State:/Network/Global/IPv4").empty());

    // Taking the link down removes its routes in the same instant: one call tells both.
    const size_t beforeDown = recorder.batches.size();
    setUp({"ip link set wwa0 down"});
    const auto down = waitForKey(watcher, recorder.batches, prefix + "Link");
    EXPECT_TRUE(contains(down, "State:/Network/Global/IPv4"));
    EXPECT_EQ(recorder.batches.size(), beforeDown + 1);

    setUp({"ip link del wwa0"});
    EXPECT_TRUE(contains(waitForKey(watcher, recorder.batches, prefix + "Link"),
                         "State:/Network/Interface"));
}

TEST(NetworkChangeWatcher, NothingArrivesAfterDestruction) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    Recorder gone;
    Recorder witness;
    auto watcher = std::make_unique<NetworkChangeWatcher>(gone.handler(), std::nullopt);
    NetworkChangeWatcher other(witness.handler(), std::nullopt);

    setUp({"ip link add wda0 type veth peer name wdb0"});
    pollfd ready{watcher->fd(), POLLIN, 0};
    ASSERT_EQ(poll(&ready, 1, 5000), 1);
    watcher->dispatch(); // the change is now being gathered
    watcher.reset();
    EXPECT_FALSE(waitForKey(other, witness.batches, "State:/Network/Interface").empty());
    EXPECT_TRUE(gone.batches.empty());

    // A handler may end its own watcher.
    std::unique_ptr<NetworkChangeWatcher> self;
    int calls = 0;
    self = std::make_unique<NetworkChangeWatcher>(
        [&](const std::vector<std::string>&) {
            ++calls;
            self.reset();
        },
        std::nullopt);
    const int fd = self->fd();
    setUp({"ip link del wda0"});
    for (int i = 0; i < 100 && self; ++i) {
        pollfd selfReady{fd, POLLIN, 0};
        if (poll(&selfReady, 1, 100) > 0) {
            self->dispatch();
        }
    }
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(self);
}

TEST(NetworkChangeWatcher, LostNotificationsAreReportedAsAnInterfaceChange) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    Recorder recorder;
    NetworkChangeWatcher watcher(recorder.handler(), std::nullopt);
    setUp({"ip link add wra0 type veth peer name wrb0"});
    // Far more notifications than a socket buffer holds, none of them read meanwhile.
    std::ostringstream batch;
    for (int i = 0; i < 4000; ++i) {
        batch << "addr add 10.20." << i / 250 << '.' << i % 250 + 1 << "/32 dev wra0\n";
    }
    const TempDir folder;
    const auto batchFile = folder.write("batch", batch.str());
    ASSERT_EQ(run("ip -batch " + batchFile.string()), 0);
    const auto keys = waitForKey(watcher, recorder.batches, "State:/Network/Interface");
    EXPECT_TRUE(contains(keys, "State:/Network/Interface"));
}

TEST_F(NetworkChangeWatcherOnBus, ReportsProfileChangesFromNetworkManager) {
    FakeNetworkManager networkManager(address(), FakeNetworkManagerFixture{});
    ASSERT_TRUE(networkManager.ready());
    Recorder recorder;
    NetworkChangeWatcher watcher(recorder.handler(), takeClient());
    // Let the signal matches reach the bus before the change is made.
    for (int i = 0; i < 5; ++i) {
        pollfd ready{watcher.fd(), POLLIN, 0};
        if (poll(&ready, 1, 50) > 0) {
            watcher.dispatch();
        }
    }
    networkManager.addProfile(FakeProfile{.uuid = "uuid-new", .id = "New"});
    EXPECT_FALSE(waitForKey(watcher, recorder.batches, "Setup:/Network/Service/uuid-new").empty());
}
