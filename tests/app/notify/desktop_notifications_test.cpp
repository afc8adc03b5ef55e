#include "app/notify/desktop_notifications.h"

#include "app/bus/qt_bus_dispatcher.h"
#include "fake_notification_server.h"
#include "private_bus_fixture.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace wirelark;
using wirelark::testing::FakeNotificationServer;

namespace {

class DesktopNotificationsTest : public wirelark::testing::PrivateBusTest {
protected:
    void SetUpOnBus() override {
        dispatcher_ = std::make_unique<QtBusDispatcher>(takeClient());
        sink_ = std::make_unique<DesktopNotifications>(dispatcher_.get());
    }
    void TearDownOnBus() override {
        sink_.reset();
        dispatcher_.reset();
    }

    static bool arrived(const FakeNotificationServer& server, size_t count) {
        return QTest::qWaitFor([&] { return server.calls().size() >= count; });
    }

    std::unique_ptr<QtBusDispatcher> dispatcher_;
    std::unique_ptr<DesktopNotifications> sink_;
};

FakeNotificationServer::Call expectedCall(std::string summary, std::string body) {
    return {.appName = "Wirelark",
            .replacesId = 0,
            .appIcon = "wirelark",
            .summary = std::move(summary),
            .body = std::move(body),
            .actions = {},
            .hintCount = 0,
            .expireTimeout = -1,
            .expectsReply = false};
}

} // namespace

TEST_F(DesktopNotificationsTest, PostsTitleAsSummaryWithBodyAndNothingElse) {
    FakeNotificationServer server(address());
    ASSERT_TRUE(server.ready());
    sink_->post({"en0 (Wi-Fi) is connected", ""});
    sink_->post({"Public IP changed", "203.0.113.5\n2001:db8::5"});
    ASSERT_TRUE(arrived(server, 2));
    EXPECT_EQ(server.calls(),
              (std::vector{expectedCall("en0 (Wi-Fi) is connected", ""),
                           expectedCall("Public IP changed", "203.0.113.5\n2001:db8::5")}));
}

TEST_F(DesktopNotificationsTest, AServerThatNeverAnswersLeavesNothingWaiting) {
    FakeNotificationServer server(address(), /*silent=*/true);
    ASSERT_TRUE(server.ready());
    sink_->post({"No primary interface", ""});
    sink_->post({"Primary interface is now en1 (Wired)", ""});
    ASSERT_TRUE(arrived(server, 2));
    EXPECT_EQ(server.calls().back().summary, "Primary interface is now en1 (Wired)");
    // No reply deadline is armed on the loop for calls the server holds.
    EXPECT_TRUE(QTest::qWaitFor([&] { return dispatcher_->bus().timeoutUsec() == UINT64_MAX; }));
    EXPECT_TRUE(dispatcher_->isConnected());
}

TEST_F(DesktopNotificationsTest, WithoutAServerPostsAreDroppedAndLaterOnesStillGoOut) {
    sink_->post({"Dropped", ""});
    // The daemon handles one connection's messages in order: once it answered this, it has
    // dropped the first post, having no one to give it to.
    const auto ping = dispatcher_->bus().newMethodCall(
        "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId");
    ASSERT_TRUE(ping);
    ASSERT_TRUE(dispatcher_->bus().call(ping.get(), std::chrono::seconds(10)));
    FakeNotificationServer server(address());
    ASSERT_TRUE(server.ready());
    sink_->post({"Delivered", ""});
    ASSERT_TRUE(arrived(server, 1));
    EXPECT_EQ(server.calls().front().summary, "Delivered");
    EXPECT_TRUE(dispatcher_->isConnected());
}

TEST(DesktopNotificationsWithoutBus, PostingDoesNothing) {
    DesktopNotifications sink(nullptr);
    sink.post({"Nowhere", ""});
}
