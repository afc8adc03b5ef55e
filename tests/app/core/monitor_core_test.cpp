#include "app/core/monitor_core.h"
#include "app/core/network_monitor.h"

#include "fake_clock.h"
#include "item_fixtures.h"
#include "netns_sandbox.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

using namespace wirelark;
using namespace wirelark::testing;

namespace {

// Fake sources with a script of readings and a clock the test moves.
struct FakeWorld {
    FakeWorld() { clock.wall = 1000; }

    std::vector<InterfaceSnapshot> interfaces;
    std::error_code readFailure; // when set, reading the interfaces fails with it
    NetworkMetadata metadata;
    FakeClock clock;
    int metadataReads = 0;
    std::vector<std::string> wifiReads;

    MonitorSources sources() {
        return {
            [this]() -> Expected<SharedSnapshots, std::error_code> {
                if (readFailure) {
                    return Unexpected(readFailure);
                }
                return std::make_shared<const std::vector<InterfaceSnapshot>>(interfaces);
            },
            [this] {
                ++metadataReads;
                return metadata;
            },
            [this](const std::string& name) {
                wifiReads.push_back(name);
                return std::optional<WiFiDetails>(WiFiDetails{"Home", std::nullopt, -50, -90,
                                                              std::nullopt, "802.11ac (Wi-Fi 5)",
                                                              433, "WPA2 Personal"});
            },
        };
    }
};

// A recorded update and an extra refresh, as the model asks for them every 5 seconds.
const UpdateRequest kRecord{.record = true, .recentCount = 60, .interval = 5};
const UpdateRequest kRefresh{.record = false, .recentCount = 60, .interval = 5};

InterfaceSnapshot withCounters(InterfaceSnapshot s, uint64_t in, uint64_t out) {
    s.counters.bytesIn = in;
    s.counters.bytesOut = out;
    return s;
}

// An update that must succeed.
MonitorUpdate updated(MonitorCore& core, const UpdateRequest& request) {
    return core.update(request).value();
}

class MonitorCoreTest : public ::testing::Test {
protected:
    std::filesystem::path file() const { return folder.path() / "history.plist"; }

    TempDir folder;
    FakeWorld world;
};

} // namespace

TEST_F(MonitorCoreTest, MetadataIsReadOnceForTheSameNamesAndAgainWhenTheyChange) {
    world.interfaces = {runningSnapshot("eth0"), runningSnapshot("eth1")};
    MonitorCore core(HistoryStore(file()), world.clock, world.sources());
    const auto first = updated(core, kRecord);
    const auto second = updated(core, kRecord);
    EXPECT_EQ(world.metadataReads, 1);
    EXPECT_EQ(first.metadata, second.metadata) << "one reading, shared rather than copied";
    std::swap(world.interfaces[0], world.interfaces[1]);
    const auto reordered = updated(core, kRecord);
    EXPECT_EQ(world.metadataReads, 2) << "the same names in another order";
    EXPECT_NE(reordered.metadata, second.metadata) << "a new reading is a new record";
    core.markMetadataStale();
    updated(core, kRefresh);
    EXPECT_EQ(world.metadataReads, 3);
    world.interfaces.clear();
    const auto none = updated(core, kRecord);
    EXPECT_TRUE(none.items.empty());
    EXPECT_EQ(world.metadataReads, 4);
}

TEST_F(MonitorCoreTest, SamplesStatsAndGaps) {
    world.interfaces = {withCounters(runningSnapshot("eth0"), 1000, 500)};
    world.metadata.primaryIPv6Interface = "eth0";
    MonitorCore core(HistoryStore(file()), world.clock, world.sources());
    auto first =
        updated(core, {.record = true, .periods = {60, 3600}, .recentCount = 60, .interval = 5});
    ASSERT_EQ(first.items.size(), 1u);
    EXPECT_TRUE(first.items[0].recent.empty()) << "the first reading only sets a baseline";
    EXPECT_TRUE(first.items[0].stats.empty()) << "no history yet, so no stats";
    EXPECT_TRUE(first.items[0].isPrimary) << "the IPv6 primary counts";
    EXPECT_EQ(first.items[0].key, "name:eth0");

    world.clock.wall += 5;
    world.interfaces[0] = withCounters(world.interfaces[0], 6000, 1500);
    auto second = updated(
        core, {.record = true, .periods = {60, 3600, 60}, .recentCount = 60, .interval = 5});
    ASSERT_EQ(second.items[0].recent.size(), 1u);
    EXPECT_EQ(second.items[0].recent[0], (RateSample{1005, 5, 5000, 1000}));
    EXPECT_EQ(second.items[0].currentRates(), (Rates{1000, 200}));
    ASSERT_EQ(second.items[0].stats.size(), 2u);
    EXPECT_EQ(second.items[0].stats.at(60).bytesIn, 5000u);

    // A refresh that does not record consumes no reading.
    world.clock.wall += 2;
    world.interfaces[0] = withCounters(world.interfaces[0], 9000, 1500);
    updated(core, kRefresh);
    world.clock.wall += 3;
    auto third = updated(core, kRecord);
    ASSERT_EQ(third.items[0].recent.size(), 2u);
    EXPECT_EQ(third.items[0].recent[1], (RateSample{1010, 5, 3000, 0}));

    // A gap longer than three intervals (the machine slept) gives no sample.
    world.clock.wall += 16;
    world.interfaces[0] = withCounters(world.interfaces[0], 10000, 1600);
    EXPECT_EQ(updated(core, kRecord).items[0].recent.size(), 2u);
    world.clock.wall += 5;
    EXPECT_EQ(updated(core, kRecord).items[0].recent.size(), 3u);
}

TEST_F(MonitorCoreTest, AFailedReadingChangesNothingAndTheNextSampleSpansIt) {
    world.interfaces = {withCounters(runningSnapshot("eth0"), 1000, 0)};
    MonitorCore core(HistoryStore(file()), world.clock, world.sources());
    updated(core, kRecord);
    world.clock.wall += 5;
    world.interfaces[0] = withCounters(world.interfaces[0], 2000, 0);
    ASSERT_EQ(updated(core, kRecord).items[0].recent.size(), 1u);

    world.readFailure = errnoCode(EINTR);
    world.clock.wall += 5;
    const auto failed = core.update(kRecord);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error(), errnoCode(EINTR));

    world.readFailure = {};
    world.clock.wall += 5;
    world.interfaces[0] = withCounters(world.interfaces[0], 4000, 0);
    const auto after = updated(core, kRecord);
    EXPECT_EQ(world.metadataReads, 1) << "the names did not change";
    ASSERT_EQ(after.items[0].recent.size(), 2u) << "the baseline survived the failed reading";
    EXPECT_EQ(after.items[0].recent[1], (RateSample{1015, 10, 2000, 0}));
}

TEST_F(MonitorCoreTest, HistoriesFollowTheKeyAcrossARenameAndSurviveASave) {
    world.interfaces = {withCounters(runningSnapshot("eth0"), 0, 0)};
    world.interfaces[0].linkAddress = LinkAddress{{2, 0, 0, 0, 0, 1}, 6};
    world.metadata.interfaces["eth0"] = {"eth0", "NIC", "Ethernet", "00:aa:bb:cc:dd:ee"};
    world.metadata.interfaces["lan0"] = {"lan0", "NIC", "Ethernet", "00:aa:bb:cc:dd:ee"};
    {
        MonitorCore core(HistoryStore(file()), world.clock, world.sources());
        updated(core, kRecord);
        world.clock.wall += 5;
        world.interfaces[0] = withCounters(world.interfaces[0], 100, 10);
        updated(core, kRecord);
        world.interfaces[0].name = "lan0";
        world.clock.wall += 5;
        world.interfaces[0] = withCounters(world.interfaces[0], 300, 20);
        const auto renamed = updated(core, kRecord);
        EXPECT_EQ(renamed.items[0].key, "Ethernet:00:aa:bb:cc:dd:ee");
        EXPECT_EQ(renamed.items[0].recent.size(), 2u) << "same key, same history and baseline";
        EXPECT_FALSE(core.saveHistory());
    }
    MonitorCore reloaded(HistoryStore(file()), world.clock, world.sources());
    reloaded.loadHistory();
    ASSERT_EQ(reloaded.histories().size(), 1u);
    EXPECT_EQ(reloaded.histories().at("Ethernet:00:aa:bb:cc:dd:ee").recentSamples(60).size(), 2u);
}

TEST_F(MonitorCoreTest, InterfacesSharingALinkAddressKeepTheirOwnBaselinesAndHistories) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    for (const char* command : {
             "sysctl -qw net.ipv6.conf.default.disable_ipv6=1", // no traffic of its own
             "ip link add wa0 type veth peer name wa1",
             "ip link add wb0 type veth peer name wb1",
             "ip link set wa0 address 02:00:00:00:00:01",
             "ip link set wb0 address 02:00:00:00:00:01",
             "ip addr add 192.0.2.1/24 dev wa0",
             "ip link set wa1 up",
             "ip link set wb1 up",
             "ip link set wa0 up",
             "ip link set wb0 up",
             "ip neigh add 192.0.2.9 lladdr 02:00:00:00:00:09 dev wa0",
         }) {
        ASSERT_EQ(wirelark::testing::run(command), 0) << command;
    }
    auto sources = MonitorSources::system();
    sources.readMetadata = [] { return NetworkMetadata{}; };
    MonitorCore core(HistoryStore(file()), world.clock, std::move(sources));
    updated(core, kRecord);

    constexpr size_t kPayload = 1000;
    ASSERT_EQ(wirelark::testing::sendDatagrams("192.0.2.9", 1, kPayload), 1);
    world.clock.wall += 5;
    const auto update = updated(core, kRecord);

    const auto item = [&](const std::string& name) {
        return *std::find_if(update.items.begin(), update.items.end(),
                             [&](const auto& i) { return i.name == name; });
    };
    const auto sending = item("wa0"), idle = item("wb0");
    const std::string sharedKey = "link:ethernet:02:00:00:00:00:01";
    const bool sendingFirst = sending.snapshot->index < idle.snapshot->index;
    EXPECT_EQ(sendingFirst ? sending.key : idle.key, sharedKey) << "the first keeps the key";
    EXPECT_EQ(sendingFirst ? idle.key : sending.key,
              sharedKey + "#" + (sendingFirst ? "wb0" : "wa0"));
    ASSERT_EQ(sending.recent.size(), 1u);
    EXPECT_EQ(sending.recent[0].bytesOut, kPayload + 14 + 20 + 8);
    ASSERT_EQ(idle.recent.size(), 1u);
    EXPECT_EQ(idle.recent[0].bytesOut, 0u);
    EXPECT_EQ(idle.recent[0].bytesIn, 0u);
    EXPECT_EQ(core.histories().size(), update.items.size()) << "one history per interface";
}

TEST_F(MonitorCoreTest, AbsentInterfacesArePrunedAndWifiIsReadOnlyForWifi) {
    auto wifi = runningSnapshot("wlan0");
    wifi.functionalType = FunctionalType::wifiInfra;
    world.interfaces = {wifi, runningSnapshot("eth0")};
    MonitorCore core(HistoryStore(file()), world.clock, world.sources());
    updated(core, kRecord);
    world.clock.wall += 5;
    const auto update = updated(core, kRecord);
    ASSERT_TRUE(update.items[0].wifi.has_value());
    EXPECT_EQ(update.items[0].wifi->ssid, "Home");
    EXPECT_FALSE(update.items[1].wifi.has_value());
    EXPECT_EQ(world.wifiReads, (std::vector<std::string>{"wlan0", "wlan0"}));
    ASSERT_EQ(core.histories().size(), 2u);

    world.interfaces.pop_back();
    world.clock.wall += 3600 * 26; // past the minute tier's retention; the hour tier keeps it
    updated(core, kRecord);
    EXPECT_TRUE(core.histories().at("name:eth0").recentSamples(60).empty())
        << "the history of an absent interface is still pruned";
}

TEST_F(MonitorCoreTest, TheThreadedMonitorRunsCallsInOrderAndFinishesOnDestruction) {
    world.interfaces = {withCounters(runningSnapshot("eth0"), 0, 0)};
    std::vector<std::future<Expected<MonitorUpdate, std::error_code>>> updates;
    std::future<std::error_code> saved;
    {
        NetworkMonitor monitor(HistoryStore(file()), world.clock, world.sources());
        updates.push_back(monitor.update(kRecord));
        std::promise<size_t> viaCallback;
        monitor.update(kRecord, [&](Expected<MonitorUpdate, std::error_code> u) {
            viaCallback.set_value(u.value().items.size());
        });
        EXPECT_EQ(viaCallback.get_future().get(), 1u);
        saved = monitor.saveHistory();
        EXPECT_FALSE(saved.get());
    }
    EXPECT_EQ(updates[0].get().value().items.size(), 1u);
}
