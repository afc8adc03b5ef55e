#include "app/tray/status_notifier_item.h"

#include "fake_status_notifier_host.h"
#include "private_bus_fixture.h"
#include "session_dispatcher.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>

using namespace wirelark;
using wirelark::testing::FakeStatusNotifierHost;
using Json = nlohmann::json;

namespace {

class StatusNotifierItemTest : public wirelark::testing::PrivateBusTest {
protected:
    void SetUpOnBus() override {
        dispatcher_ = wirelark::testing::sessionDispatcher(daemon());
        ASSERT_TRUE(dispatcher_);
    }
    void TearDownOnBus() override { dispatcher_.reset(); }

    std::unique_ptr<FakeStatusNotifierHost> startHost(bool refuses = false) {
        auto host = std::make_unique<FakeStatusNotifierHost>(address(), refuses);
        EXPECT_TRUE(host->ready());
        return host;
    }

    static bool waitForSignals(const FakeStatusNotifierHost& host, size_t count) {
        // A 256-pixel icon is a quarter of a megabyte each way, slow under the sanitizers.
        return QTest::qWaitFor([&] { return host.itemSignals().size() >= count; }, 30000);
    }

    std::unique_ptr<QtBusDispatcher> dispatcher_;
};

// A transparent square with one marked pixel at (size - 1, size / 2).
QImage markedSquare(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixel(size - 1, size / 2, qRgba(0x12, 0x34, 0x56, 0x78));
    return image;
}

Json pixelAt(const Json& pixmap, int x, int y) {
    const int width = pixmap[0].get<int>();
    const auto& bytes = pixmap[2];
    const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 4;
    return Json{bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]};
}

} // namespace

TEST_F(StatusNotifierItemTest, RegistersWithTheWatcherAndServesTheItemProperties) {
    const auto host = startHost();
    StatusNotifierItem item(*dispatcher_, "wirelark");
    QSignalSpy registered(&item, &StatusNotifierItem::registeredChanged);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !host->properties().empty(); }));

    EXPECT_TRUE(item.isRegistered());
    ASSERT_EQ(registered.count(), 1);
    EXPECT_TRUE(registered.at(0).at(0).toBool());
    const std::string expectedName = "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-";
    EXPECT_EQ(item.serviceName().rfind(expectedName, 0), 0u) << item.serviceName();
    EXPECT_EQ(host->registrations(), std::vector<std::string>{item.serviceName()});

    const Json expected = {
        {"Category", "Hardware"},
        {"Id", "wirelark"},
        {"Title", "Wirelark"},
        {"Status", "Active"},
        {"WindowId", 0},
        {"IconName", ""},
        {"IconPixmap", Json::array()},
        {"OverlayIconName", ""},
        {"OverlayIconPixmap", Json::array()},
        {"AttentionIconName", ""},
        {"AttentionIconPixmap", Json::array()},
        {"AttentionMovieName", ""},
        {"ToolTip", Json{"", Json::array(), "", ""}},
        {"ItemIsMenu", false},
        {"Menu", "/NO_DBUSMENU"},
        {"XAyatanaLabel", ""},
        {"XAyatanaLabelGuide", ""},
    };
    EXPECT_EQ(host->properties(), expected);
}

TEST_F(StatusNotifierItemTest, SettersAnnounceOnlyChangesAndTheHostReadsTheNewValues) {
    const auto host = startHost();
    StatusNotifierItem item(*dispatcher_, "wirelark");
    ASSERT_TRUE(QTest::qWaitFor([&] { return item.isRegistered(); }));

    const int sizes[] = {1, 22, 256};
    size_t seen = 0;
    for (const int size : sizes) {
        SCOPED_TRACE(size);
        const QString tip = QString("↓ %1 kB/s").arg(size);
        const QString label = QString("%1 kB/s").arg(size);
        item.setIcon(markedSquare(size));
        item.setToolTip("Wirelark", tip);
        item.setLabel(label, "000.0 kB/s");
        ASSERT_TRUE(waitForSignals(*host, seen + 3));
        const auto signalNames = host->itemSignals();
        EXPECT_EQ(std::vector<std::string>(signalNames.begin() + seen, signalNames.end()),
                  (std::vector<std::string>{"NewIcon", "NewToolTip", "XAyatanaNewLabel"}));
        seen = signalNames.size();

        const Json properties = host->properties();
        ASSERT_EQ(properties["IconPixmap"].size(), 1u);
        const Json& pixmap = properties["IconPixmap"][0];
        EXPECT_EQ(pixmap[0], size);
        EXPECT_EQ(pixmap[1], size);
        EXPECT_EQ(pixmap[2].size(), static_cast<size_t>(size) * size * 4);
        EXPECT_EQ(pixelAt(pixmap, size - 1, size / 2), (Json{0x78, 0x12, 0x34, 0x56}))
            << "ARGB in network byte order";
        if (size > 1) {
            EXPECT_EQ(pixelAt(pixmap, 0, 0), (Json{0, 0, 0, 0}));
        }
        EXPECT_EQ(properties["ToolTip"], (Json{"", Json::array(), "Wirelark", tip.toStdString()}));
        EXPECT_EQ(properties["XAyatanaLabel"], label.toStdString());
        EXPECT_EQ(properties["XAyatanaLabelGuide"], "000.0 kB/s");

        // Unchanged values send nothing: the next signal is the label's.
        item.setIcon(markedSquare(size));
        item.setToolTip("Wirelark", tip);
        item.setLabel(label, "00.0 kB/s");
        ASSERT_TRUE(waitForSignals(*host, seen + 1));
        EXPECT_EQ(host->itemSignals().back(), "XAyatanaNewLabel");
        EXPECT_EQ(host->itemSignals().size(), seen + 1);
        EXPECT_EQ(host->properties()["XAyatanaLabelGuide"], "00.0 kB/s");
        seen = host->itemSignals().size();
    }
}

TEST_F(StatusNotifierItemTest, ClicksOnTheIconBecomeQtSignals) {
    const auto host = startHost();
    StatusNotifierItem item(*dispatcher_, "wirelark");
    ASSERT_TRUE(QTest::qWaitFor([&] { return item.isRegistered(); }));

    const struct {
        const char* method;
        void (StatusNotifierItem::*signal)(int, int);
    } cases[] = {
        {"Activate", &StatusNotifierItem::activated},
        {"SecondaryActivate", &StatusNotifierItem::secondaryActivated},
        {"ContextMenu", &StatusNotifierItem::contextMenuRequested},
    };
    size_t calls = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.method);
        QSignalSpy spy(&item, c.signal);
        host->clickItem(c.method, 10, 20);
        ASSERT_TRUE(QTest::qWaitFor([&] { return spy.count() == 1; }));
        EXPECT_EQ(spy.at(0).at(0).toInt(), 10);
        EXPECT_EQ(spy.at(0).at(1).toInt(), 20);
        ASSERT_TRUE(QTest::qWaitFor([&] { return host->callResults().size() == calls + 1; }));
        EXPECT_EQ(host->callResults().back(), "");
        ++calls;
    }
    host->scrollItem(120, "vertical");
    ASSERT_TRUE(QTest::qWaitFor([&] { return host->callResults().size() == calls + 1; }));
    EXPECT_EQ(host->callResults().back(), "") << "scrolling is accepted";
}

TEST_F(StatusNotifierItemTest, FollowsTheWatcherComingAndGoing) {
    StatusNotifierItem item(*dispatcher_, "wirelark");
    QSignalSpy registered(&item, &StatusNotifierItem::registeredChanged);
    // Without a watcher the first attempt is still answered, and without blocking the loop.
    ASSERT_TRUE(QTest::qWaitFor([&] { return registered.count() == 1; }));
    EXPECT_FALSE(registered.at(0).at(0).toBool());
    EXPECT_FALSE(item.isRegistered());

    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        auto host = startHost();
        ASSERT_TRUE(QTest::qWaitFor([&] { return item.isRegistered(); }));
        EXPECT_EQ(host->registrations(), std::vector<std::string>{item.serviceName()});
        host.reset();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !item.isRegistered(); }));
    }
    const QList<QVariant> states = {false, true, false, true, false};
    ASSERT_EQ(registered.count(), states.size());
    for (int i = 0; i < states.size(); ++i) {
        EXPECT_EQ(registered.at(i).at(0), states[i]) << i;
    }
}

TEST_F(StatusNotifierItemTest, GivesUpItsNameWhenDestroyedSoThatTheWatcherDropsIt) {
    const auto host = startHost();
    auto item = std::make_unique<StatusNotifierItem>(*dispatcher_, "wirelark");
    ASSERT_TRUE(QTest::qWaitFor([&] { return item->isRegistered(); }));
    const std::string name = item->serviceName();
    item.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !host->vanished().empty(); }))
        << "the connection lives on, so only releasing the name tells the watcher";
    EXPECT_EQ(host->vanished(), std::vector<std::string>{name});
}

TEST_F(StatusNotifierItemTest, ARefusedRegistrationLeavesTheItemUnregistered) {
    const auto host = startHost(true);
    StatusNotifierItem item(*dispatcher_, "wirelark");
    QSignalSpy registered(&item, &StatusNotifierItem::registeredChanged);
    ASSERT_TRUE(QTest::qWaitFor([&] { return registered.count() == 1; }));
    EXPECT_FALSE(item.isRegistered());
}

TEST_F(StatusNotifierItemTest, ALostSessionBusUnregisters) {
    const auto host = startHost();
    StatusNotifierItem item(*dispatcher_, "wirelark");
    ASSERT_TRUE(QTest::qWaitFor([&] { return item.isRegistered(); }));
    stopDaemon();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !item.isRegistered(); }));
}
