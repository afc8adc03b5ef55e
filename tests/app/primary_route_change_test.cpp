#include "app/bus/qt_bus_dispatcher.h"
#include "app/core/clock.h"
#include "app/core/network_monitor.h"
#include "app/model/network_model.h"
#include "app/notify/desktop_notifications.h"

#include "memory_settings_storage.h"
#include "netns_sandbox.h"
#include "notify/fake_notification_server.h"
#include "private_bus_fixture.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace wirelark;
using wirelark::testing::addTwoDefaultRoutes;
using wirelark::testing::FakeNotificationServer;
using wirelark::testing::run;

namespace {

class PrimaryRouteChangeTest : public wirelark::testing::PrivateBusTest {
protected:
    void SetUpOnBus() override { dispatcher_ = std::make_unique<QtBusDispatcher>(takeClient()); }
    void TearDownOnBus() override {
        model_.reset();
        notifications_.reset();
        dispatcher_.reset();
    }

    std::unique_ptr<QtBusDispatcher> dispatcher_;
    std::unique_ptr<DesktopNotifications> notifications_;
    SystemClock clock_;
    std::unique_ptr<NetworkModel> model_;
};

std::optional<std::string> menubarInterface(const NetworkModel& model) {
    const auto items = model.menubarItems();
    return items.size() == 1 ? std::optional(items.front()->name) : std::nullopt;
}

} // namespace

// The whole path in the tray app: the kernel's route change, the watcher on the Qt loop, the
// metadata read again, the menu bar's source and the desktop notification.
TEST_F(PrimaryRouteChangeTest, DeletingTheBetterDefaultRouteMovesThePrimaryAndNotifies) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    ASSERT_EQ(addTwoDefaultRoutes(), std::nullopt);
    FakeNotificationServer server(address());
    ASSERT_TRUE(server.ready());
    AppSettings settings(std::make_unique<wirelark::testing::MemorySettingsStorage>());
    SettingsData data = settings.data();
    // No tick comes during the test: only the watcher can bring the change.
    data.updateInterval = 3600;
    data.notifyPrimaryChange = true;
    settings.setData(data);
    notifications_ = std::make_unique<DesktopNotifications>(dispatcher_.get());
    model_ = std::make_unique<NetworkModel>(
        settings, std::make_unique<NetworkMonitor>(std::filesystem::path(), clock_), clock_,
        ModelServices{.notifications = notifications_.get(),
                      .makeWatcher =
                          [](NetworkChangeWatcher::Handler handler) {
                              return std::make_unique<NetworkChangeWatcher>(std::move(handler),
                                                                            std::nullopt);
                          },
                      .publicAddress = nullptr,
                      .admin = nullptr,
                      .scanTunnelOwners = nullptr});
    model_->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model_->items().empty(); }));
    ASSERT_NE(model_->watcher(), nullptr);
    EXPECT_EQ(model_->metadata().primaryIPv4Interface, "wd0");
    EXPECT_EQ(menubarInterface(*model_), "wd0");

    ASSERT_EQ(run("ip route del default dev wd0"), 0);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return model_->metadata().primaryIPv4Interface == "wd1"; }, 20000));
    EXPECT_EQ(menubarInterface(*model_), "wd1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server.calls().empty(); }, 20000));
    EXPECT_EQ(server.calls().front().summary, "Primary interface is now wd1 (Ethernet)");
}
