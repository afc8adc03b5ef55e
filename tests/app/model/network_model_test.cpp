#include "app/model/network_model.h"

#include "fake_clock.h"
#include "fake_monitor_service.h"
#include "fake_public_address_lookup.h"
#include "item_fixtures.h"
#include "memory_settings_storage.h"
#include "process_events_until.h"
#include "recording_notifications.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <atomic>

#include <gtest/gtest.h>

using namespace wirelark;
using namespace wirelark::testing;

namespace {

// A helper client that answers owner queries at once, when paired.
struct FakeAdmin final : AdminService {
    bool paired = false;
    int queries = 0;
    int refreshes = 0;
    TunnelOwnerMap owners;

    bool isPaired() const override { return paired; }
    void refresh() override { ++refreshes; }
    void tunnelOwners(std::function<void(TunnelOwnerMap)> done) override {
        ++queries;
        done(owners);
    }
};

InterfaceItem tunnel(const std::string& name) {
    InterfaceSnapshot snapshot = runningSnapshot(name, {"10.8.0.2"});
    snapshot.deviceKind = "tun";
    return presentItem("name:" + name, std::move(snapshot));
}

PublicIPResult address(const char* ipv4) {
    return {ipv4, std::nullopt, std::nullopt};
}

class NetworkModelTest : public ::testing::Test {
protected:
    NetworkModelTest() : settings(std::make_unique<MemorySettingsStorage>()) {
        auto fake = std::make_unique<FakeMonitorService>(&items, &metadata);
        auto fakeLookup = std::make_unique<FakePublicAddressLookup>();
        lookups = fakeLookup.get();
        lookup = std::move(fakeLookup);
        auto fakeAdmin = std::make_unique<FakeAdmin>();
        admin = fakeAdmin.get();
        adminService = std::move(fakeAdmin);
        monitor = fake.get();
        clock.monotonic = 100;
        model = std::make_unique<NetworkModel>(settings, std::move(fake), clock, services());
    }
    ModelServices services() {
        return {.notifications = &notifications,
                .makeWatcher = [this](NetworkChangeWatcher::Handler handler)
                    -> std::unique_ptr<NetworkChangeWatcher> {
                    watcherHandler = handler;
                    // A watcher of this namespace's kernel, for the model to own; the test
                    // reports changes through the handler it was given.
                    return std::make_unique<NetworkChangeWatcher>(
                        [](const std::vector<std::string>&) {}, std::nullopt);
                },
                .publicAddress = std::move(lookup),
                .admin = std::move(adminService),
                .scanTunnelOwners =
                    [this] {
                        ++localScans;
                        return localOwners;
                    }};
    }
    void changeSettings(const std::function<void(SettingsData&)>& change) {
        SettingsData data = settings.data();
        change(data);
        settings.setData(data);
    }
    void refreshOnce() {
        bool done = false;
        model->refresh(true, [&] { done = true; });
        ASSERT_TRUE(processEventsUntil([&] { return done; }));
    }
    void setInterval(double seconds) {
        SettingsData data = settings.data();
        data.updateInterval = seconds;
        settings.setData(data);
    }

    std::vector<InterfaceItem> items;
    NetworkMetadata metadata;
    FakeClock clock;
    AppSettings settings;
    FakeMonitorService* monitor = nullptr;
    RecordingNotifications notifications;
    std::unique_ptr<PublicAddressLookup> lookup;
    FakePublicAddressLookup* lookups = nullptr; // owned by the model
    std::unique_ptr<AdminService> adminService;
    FakeAdmin* admin = nullptr; // owned by the model
    std::atomic<int> localScans = 0;
    TunnelOwnerMap localOwners;
    NetworkChangeWatcher::Handler watcherHandler;
    std::unique_ptr<NetworkModel> model;
};

} // namespace

TEST_F(NetworkModelTest, TicksAtOnceThenEveryIntervalAndAChangedIntervalAppliesAtTheNextSleep) {
    setInterval(0.02);
    items = {presentItem("k0", runningSnapshot("eth0", {"10.0.0.2"}))};
    size_t applied = 0;
    QObject::connect(model.get(), &NetworkModel::itemsChanged, [&] { ++applied; });
    model->start();
    ASSERT_TRUE(processEventsUntil([&] { return model->items().size() == 1; }, 1000))
        << "the first tick runs at start";
    EXPECT_EQ(monitor->updates.size(), 1u);
    // Every update applied means the loop is asleep, not between an update and its sleep.
    ASSERT_TRUE(processEventsUntil(
        [&] { return monitor->updates.size() >= 4 && applied == monitor->updates.size(); }));
    EXPECT_EQ(monitor->updates, std::vector<bool>(monitor->updates.size(), true));

    setInterval(3600);
    const size_t before = monitor->updates.size();
    ASSERT_TRUE(processEventsUntil([&] { return monitor->updates.size() == before + 1; }))
        << "the sleep already running keeps its old length";
    processEventsUntil([] { return false; }, 200);
    EXPECT_EQ(monitor->updates.size(), before + 1) << "the next sleep takes the new interval";
}

TEST_F(NetworkModelTest, AnnouncesTheMetadataOnlyWhenTheMonitorReadItAgain) {
    QSignalSpy changed(model.get(), &NetworkModel::metadataChanged);
    refreshOnce();
    refreshOnce();
    EXPECT_EQ(changed.count(), 1);
    metadata.primaryIPv4Interface = "eth0";
    refreshOnce();
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(model->metadata().primaryIPv4Interface, "eth0");
}

TEST_F(NetworkModelTest, AsksTheAdminHelperForItsStatusOnceWhenStarting) {
    EXPECT_EQ(admin->refreshes, 0);
    model->start();
    model->start();
    EXPECT_EQ(admin->refreshes, 1);
}

TEST_F(NetworkModelTest, SavesTheHistoriesOnceTenMinutesHavePassed) {
    setInterval(0.01);
    model->start();
    ASSERT_TRUE(processEventsUntil([&] { return monitor->updates.size() >= 3; }));
    EXPECT_EQ(monitor->saves, 0);
    clock.monotonic += 600;
    ASSERT_TRUE(processEventsUntil([&] { return monitor->saves == 1; }));
    const size_t at = monitor->updates.size();
    ASSERT_TRUE(processEventsUntil([&] { return monitor->updates.size() >= at + 3; }));
    EXPECT_EQ(monitor->saves, 1);
    EXPECT_EQ(model->lastSave(), clock.monotonic);
}

TEST_F(NetworkModelTest, LogsWhatChangedAndPublishesTheDerivedLists) {
    QSignalSpy logged(model.get(), &NetworkModel::changeLogged);
    metadata.primaryIPv4Interface = "eth0";
    auto eth0 = presentItem("k0", runningSnapshot("eth0", {"10.0.0.2"}));
    eth0.isPrimary = true;
    auto eth1 = presentItem("k1", runningSnapshot("eth1"));
    items = {eth0, eth1};
    bool done = false;
    model->refresh(true, [&] { done = true; });
    ASSERT_TRUE(processEventsUntil([&] { return done; }));
    ASSERT_EQ(logged.count(), 1);
    EXPECT_EQ(logged.at(0).at(0).toString(), "tick: +eth0 active, +eth1, primary none -> eth0");
    EXPECT_EQ(model->menubarItems().size(), 1u);
    EXPECT_EQ(model->visibleItems().size(), 1u);
    model->setShowInactive(true);
    EXPECT_EQ(model->visibleItems().size(), 2u);

    items = {presentItem("k1", runningSnapshot("eth1", {"10.1.0.2"}))};
    metadata.primaryIPv4Interface.reset();
    done = false;
    model->refresh(false, [&] { done = true; });
    ASSERT_TRUE(processEventsUntil([&] { return done; }));
    ASSERT_EQ(logged.count(), 2);
    EXPECT_EQ(logged.at(1).at(0).toString(),
              "notification: -eth0, eth1 active, primary eth0 -> none");
    EXPECT_EQ(monitor->updates, (std::vector<bool>{true, false}));

    done = false;
    model->refresh(true, [&] { done = true; });
    ASSERT_TRUE(processEventsUntil([&] { return done; }));
    EXPECT_EQ(logged.count(), 2) << "nothing changed, nothing logged";
}

TEST_F(NetworkModelTest, AFailedReadingKeepsThePublishedItemsAndTheLoopGoing) {
    items = {presentItem("k0", runningSnapshot("eth0", {"10.0.0.2"}))};
    bool done = false;
    model->refresh(true, [&] { done = true; });
    ASSERT_TRUE(processEventsUntil([&] { return done; }));
    QSignalSpy changed(model.get(), &NetworkModel::itemsChanged);
    QSignalSpy logged(model.get(), &NetworkModel::changeLogged);

    monitor->readFailure = errnoCode(EINTR);
    setInterval(0.01);
    model->start();
    ASSERT_TRUE(processEventsUntil([&] { return monitor->updates.size() >= 4; }))
        << "failed ticks still schedule the next";
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(logged.count(), 0) << "no interface is reported gone";
    ASSERT_EQ(model->items().size(), 1u);
    EXPECT_EQ(model->items()[0].name, "eth0");

    monitor->readFailure = {};
    ASSERT_TRUE(processEventsUntil([&] { return changed.count() > 0; }));
}

TEST_F(NetworkModelTest, PinnedItemsStayListedWhenAbsent) {
    SettingsData data = settings.data();
    data.pinned = {{"k-dock", "usb0", "Office dock", std::nullopt, false}};
    settings.setData(data);
    items = {presentItem("k0", runningSnapshot("eth0", {"10.0.0.2"}))};
    bool done = false;
    model->refresh(true, [&] { done = true; });
    ASSERT_TRUE(processEventsUntil([&] { return done; }));
    const auto pinned = model->pinnedItems();
    ASSERT_EQ(pinned.size(), 1u);
    EXPECT_EQ(pinned[0].subtitle(), "Office dock, not present");
}

TEST_F(NetworkModelTest, AModelDestroyedWhileWaitingDropsTheAnswer) {
    bool done = false;
    model->refresh(true, [&] { done = true; });
    model.reset();
    processEventsUntil([] { return false; }, 50);
    EXPECT_FALSE(done);
}

TEST_F(NetworkModelTest, AConfigurationChangeMarksTheMetadataStaleAndRefreshesWithoutRecording) {
    changeSettings([](SettingsData& data) {
        data.updateInterval = 3600;
        data.notifyPrimaryChange = true;
    });
    auto eth0 = presentItem("k0", runningSnapshot("eth0", {"10.0.0.2"}));
    auto eth1 = presentItem("k1", runningSnapshot("eth1", {"10.1.0.2"}));
    items = {eth0, eth1};
    metadata.primaryIPv4Interface = "eth0";
    QSignalSpy watcherChanged(model.get(), &NetworkModel::watcherChanged);
    model->start();
    ASSERT_TRUE(processEventsUntil([&] { return model->items().size() == 2; }));
    ASSERT_NE(model->watcher(), nullptr);
    EXPECT_EQ(watcherChanged.count(), 1);
    ASSERT_TRUE(watcherHandler);

    // The default route moved: only a fresh read of the configuration shows it.
    metadata.primaryIPv4Interface = "eth1";
    QSignalSpy logged(model.get(), &NetworkModel::changeLogged);
    watcherHandler({"State:/Network/Global/IPv4"});
    ASSERT_TRUE(processEventsUntil([&] { return logged.count() == 1; }));
    EXPECT_EQ(logged.at(0).at(0).toString(), "notification: primary eth0 -> eth1");
    EXPECT_EQ(monitor->staleMarks, 1);
    EXPECT_EQ(monitor->updates, (std::vector<bool>{true, false}));
    EXPECT_EQ(model->metadata().primaryIPv4Interface, "eth1");
    EXPECT_EQ(notifications.posted,
              (std::vector<Notification>{{"Primary interface is now eth1 (Ethernet)", ""}}));
}

TEST_F(NetworkModelTest, TheFirstRefreshNotifiesNothingAndLaterOnesPostWhatTheSwitchesAllow) {
    changeSettings([](SettingsData& data) {
        data.notifyLinkChange = true;
        data.pinned = {{"k0", "eth0", std::nullopt, std::nullopt, false}};
    });
    items = {presentItem("k0", runningSnapshot("eth0", {"10.0.0.2"}))};
    refreshOnce();
    EXPECT_TRUE(notifications.posted.empty());
    items = {presentItem("k0", runningSnapshot("eth0"))};
    refreshOnce();
    EXPECT_EQ(notifications.posted,
              (std::vector<Notification>{{"eth0 (Ethernet) is disconnected", ""}}));
}

TEST_F(NetworkModelTest, LooksUpThePublicAddressOnItsScheduleOneAtATime) {
    changeSettings([](SettingsData& data) {
        data.updateInterval = 0.01;
        data.publicIPEnabled = true;
        data.publicIPRefreshMinutes = 30;
        data.notifyPublicIPChange = true;
    });
    QSignalSpy changed(model.get(), &NetworkModel::publicIPChanged);
    model->start();
    ASSERT_TRUE(processEventsUntil([&] { return lookups->urls.size() == 1; }))
        << "the first tick starts a lookup";
    EXPECT_TRUE(model->publicIPLoading());
    EXPECT_EQ(model->lastPublicIPLookup(), 100.0);
    model->refreshPublicIP();
    EXPECT_EQ(lookups->urls.size(), 1u) << "a refresh during a lookup does nothing";

    lookups->answer(address("203.0.113.5"));
    ASSERT_TRUE(processEventsUntil([&] { return !model->publicIPLoading(); }));
    EXPECT_EQ(model->publicIP(), address("203.0.113.5"));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(notifications.posted.empty()) << "the first lookup posts nothing";

    // Ticks keep coming; none is due until 1800 s have passed.
    clock.monotonic += 1799;
    const size_t ticks = monitor->updates.size();
    ASSERT_TRUE(processEventsUntil([&] { return monitor->updates.size() >= ticks + 3; }));
    EXPECT_EQ(lookups->urls.size(), 1u);
    clock.monotonic += 1;
    ASSERT_TRUE(processEventsUntil([&] { return lookups->urls.size() == 2; }));
    EXPECT_EQ(model->lastPublicIPLookup(), 1900.0);
    lookups->answer(address("203.0.113.9"));
    ASSERT_TRUE(processEventsUntil([&] { return !model->publicIPLoading(); }));
    EXPECT_EQ(notifications.posted,
              (std::vector<Notification>{{"Public IP changed", "203.0.113.9"}}));
}

TEST_F(NetworkModelTest, APrimaryChangeFromTheWatcherLooksUpThePublicAddressAtOnce) {
    changeSettings([](SettingsData& data) {
        data.updateInterval = 3600;
        data.publicIPEnabled = true;
    });
    items = {presentItem("k0", runningSnapshot("eth0", {"10.0.0.2"})),
             presentItem("k1", runningSnapshot("eth1", {"10.1.0.2"}))};
    metadata.primaryIPv4Interface = "eth0";
    model->start();
    ASSERT_TRUE(processEventsUntil([&] { return lookups->urls.size() == 1; }));
    lookups->answer(address("203.0.113.5"));
    ASSERT_TRUE(processEventsUntil([&] { return !model->publicIPLoading(); }));

    metadata.primaryIPv4Interface = "eth1";
    ASSERT_TRUE(watcherHandler);
    watcherHandler({"State:/Network/Global/IPv4"});
    ASSERT_TRUE(processEventsUntil([&] { return lookups->urls.size() == 2; }));
}

TEST_F(NetworkModelTest, ADisabledLookupClearsThePublicAddressAndABadURLIsReported) {
    changeSettings([](SettingsData& data) {
        data.updateInterval = 3600;
        data.publicIPEnabled = true;
    });
    model->refreshPublicIP();
    lookups->answer(address("203.0.113.5"));
    ASSERT_TRUE(processEventsUntil([&] { return model->publicIP().has_value(); }));

    changeSettings([](SettingsData& data) { data.publicIPEnabled = false; });
    model->start();
    ASSERT_TRUE(processEventsUntil([&] { return !model->publicIP().has_value(); }));
    EXPECT_EQ(lookups->urls.size(), 1u);

    changeSettings([](SettingsData& data) {
        data.publicIPEnabled = true;
        data.publicIPProvider = PublicIPProvider::custom;
        data.publicIPCustomURL = "not a url";
    });
    model->refreshPublicIP();
    EXPECT_EQ(lookups->urls.size(), 1u);
    EXPECT_FALSE(model->publicIPLoading());
    ASSERT_TRUE(model->publicIP().has_value());
    EXPECT_EQ(model->publicIP()->error, PublicIPError::badURL().description());
    EXPECT_FALSE(model->publicIP()->ipv4);
    EXPECT_TRUE(model->lastPublicIPLookup().has_value());
}

TEST_F(NetworkModelTest, TheWiFiNameNeedsNoPermission) {
    EXPECT_EQ(model->location().status(), LocationAuthorizer::Status::authorized);
    model->location().requestAuthorization();
    EXPECT_EQ(model->location().status(), LocationAuthorizer::Status::authorized);
}

TEST_F(NetworkModelTest, AsksForTunnelOwnersOncePerChangeOfTheTunnelSet) {
    const TunnelOwner vpn{4242, "OpenVPN", "/usr/sbin/openvpn"};
    const TunnelOwner wireguard{77, "wg-quick", "/usr/bin/wg-quick"};
    struct Case {
        const char* what;
        bool paired;
        TunnelOwnerMap helperOwners;
        int helperQueries; // per change of the set
        int localScans;
        TunnelOwnerMap expected;
    };
    const Case cases[] = {
        {"not paired: the local scan", false, {}, 0, 1, {{"tun0", wireguard}}},
        {"paired: the helper", true, {{"tun0", vpn}}, 1, 0, {{"tun0", vpn}}},
        {"paired but the helper knows none: the local scan", true, {}, 1, 1, {{"tun0", wireguard}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        localScans = 0;
        localOwners = {{"tun0", wireguard}};
        auto fakeAdmin = std::make_unique<FakeAdmin>();
        admin = fakeAdmin.get();
        admin->paired = c.paired;
        admin->owners = c.helperOwners;
        adminService = std::move(fakeAdmin);
        auto fake = std::make_unique<FakeMonitorService>(&items, &metadata);
        monitor = fake.get();
        model = std::make_unique<NetworkModel>(settings, std::move(fake), clock, services());

        items = {presentItem("k0", runningSnapshot("eth0", {"10.0.0.2"})), tunnel("tun0")};
        refreshOnce();
        ASSERT_TRUE(processEventsUntil([&] { return model->tunnelOwners() == c.expected; }));
        EXPECT_EQ(model->knownTunnels(), std::set<std::string>{"tun0"});
        EXPECT_EQ(model->items()[1].owner, c.expected.at("tun0"));
        EXPECT_FALSE(model->items()[0].owner);

        refreshOnce();
        EXPECT_EQ(model->items()[1].owner, c.expected.at("tun0")) << "copied into new items";
        items.push_back(tunnel("tun1"));
        refreshOnce();
        processEventsUntil([] { return false; }, 20);
        EXPECT_EQ(admin->queries, 2 * c.helperQueries);
        EXPECT_EQ(localScans, 2 * c.localScans);
        model.reset();
    }
}
