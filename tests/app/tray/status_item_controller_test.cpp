#include "app/tray/status_item_controller.h"

#include "app/bus/qt_bus_dispatcher.h"
#include "app/panel/status_panel.h"
#include "fake_clock.h"
#include "fake_dbus_menu_host.h"
#include "fake_monitor_service.h"
#include "fake_status_notifier_host.h"
#include "item_fixtures.h"
#include "memory_settings_storage.h"
#include "private_bus_fixture.h"
#include "session_dispatcher.h"

#include <QAction>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

using namespace wirelark;
using namespace wirelark::testing;
using Json = nlohmann::json;

namespace {

// The status item as the desktop sees it: a tray host on a private session bus reads the item
// the controller serves, fed by a model over a fake monitor.
class StatusItemControllerTest : public PrivateBusTest {
protected:
    void SetUpOnBus() override {
        host_ = std::make_unique<FakeStatusNotifierHost>(address());
        ASSERT_TRUE(host_->ready());
        startController();
        ASSERT_TRUE(QTest::qWaitFor([&] { return controller_->isShown(); }));
    }
    void startController() {
        dispatcher_ = sessionDispatcher(daemon());
        ASSERT_TRUE(dispatcher_);

        SettingsData data;
        data.menubarMode = MenubarMode::rates;
        data.menubarSource = MenubarSource::allActive();
        data.useBits = false;
        settings_.setData(data);
        auto monitor = std::make_unique<FakeMonitorService>(&items_, &metadata_);
        monitor_ = monitor.get();
        model_ = std::make_unique<NetworkModel>(settings_, std::move(monitor), clock_);
        controller_ = std::make_unique<StatusItemController>(*model_, settings_, dispatcher_.get());
    }
    void TearDownOnBus() override {
        controller_.reset();
        model_.reset();
        dispatcher_.reset();
        host_.reset();
    }

    void refresh() {
        bool done = false;
        model_->refresh(true, [&] { done = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return done; }));
    }

    void setMode(MenubarMode mode) {
        SettingsData data = settings_.data();
        data.menubarMode = mode;
        settings_.setData(data);
    }

    // Waits until the host has read the label and tooltip text given.
    ::testing::AssertionResult hostShows(const std::string& label, const std::string& toolTip) {
        const Json expectedToolTip = {"", Json::array(), "Wirelark", toolTip};
        if (QTest::qWaitFor([&] {
                const Json properties = host_->properties();
                return properties.value("XAyatanaLabel", Json()) == label &&
                       properties.value("ToolTip", Json()) == expectedToolTip;
            })) {
            return ::testing::AssertionSuccess();
        }
        const Json properties = host_->properties();
        return ::testing::AssertionFailure()
               << "label " << properties.value("XAyatanaLabel", Json()).dump() << ", tooltip "
               << properties.value("ToolTip", Json()).dump();
    }

    std::unique_ptr<FakeStatusNotifierHost> host_;
    std::unique_ptr<QtBusDispatcher> dispatcher_;
    AppSettings settings_{std::make_unique<MemorySettingsStorage>()};
    std::vector<InterfaceItem> items_;
    NetworkMetadata metadata_;
    FakeClock clock_;
    FakeMonitorService* monitor_ = nullptr;
    std::unique_ptr<NetworkModel> model_;
    std::unique_ptr<StatusItemController> controller_;
};

// A desktop without any tray at first, as stock GNOME on Wayland is.
class StatusItemControllerWithoutTrayTest : public StatusItemControllerTest {
protected:
    void SetUpOnBus() override { startController(); }
};

// An IconPixmap entry's pixel alpha; the pixels are ARGB in network byte order.
int alphaAt(const Json& pixmap, int x, int y) {
    const size_t at = (static_cast<size_t>(y) * pixmap[0].get<size_t>() + x) * 4;
    return pixmap[2][at].get<int>();
}

// Two active interfaces whose newest samples add up to 1.5 KB/s down and 15 KB/s up, and an
// interface without addresses, which the sum over the active ones leaves out.
std::vector<InterfaceItem> itemsWithSamples() {
    auto eth0 = presentItem("k0", runningSnapshot("eth0", {"10.0.0.2"}));
    eth0.recent = {sample(1, 9000, 9000), sample(2, 1000, 10000)};
    auto wlan0 = presentItem("k1", runningSnapshot("wlan0", {}, {"2001:db8::2"}));
    wlan0.recent = {sample(2, 1000, 10000, 2)};
    auto eth1 = presentItem("k2", runningSnapshot("eth1"));
    eth1.recent = {sample(2, 50000, 50000)};
    return {eth0, wlan0, eth1};
}

} // namespace

TEST_F(StatusItemControllerTest, ServesTheModelsRatesAndRedrawsForEachSettingsChange) {
    items_ = itemsWithSamples();
    refresh();
    ASSERT_TRUE(hostShows("↓ 1.5 KB/s ↑ 15 KB/s", "Download ↓ 1.5 KB/s, upload ↑ 15 KB/s"));
    const Json icon = host_->properties()["IconPixmap"];
    ASSERT_EQ(icon.size(), 1u);
    const int side = icon[0][0].get<int>();
    EXPECT_GT(side, 0);
    EXPECT_EQ(icon[0][1], side);
    bool someOpaque = false;
    for (int y = 0; y < side && !someOpaque; ++y) {
        for (int x = 0; x < side && !someOpaque; ++x) {
            someOpaque = alphaAt(icon[0], x, y) == 255;
        }
    }
    EXPECT_TRUE(someOpaque) << "the icon is drawn, not blank";

    const size_t updates = monitor_->updates.size();
    setMode(MenubarMode::icon);
    ASSERT_TRUE(hostShows("", "Download ↓ 1.5 KB/s, upload ↑ 15 KB/s"))
        << "the settings change alone redraws";
    EXPECT_EQ(host_->properties()["IconPixmap"], icon);

    setMode(MenubarMode::graph);
    const QImage graph = controller_->image().image.convertToFormat(QImage::Format_ARGB32);
    ASSERT_GT(graph.width(), graph.height());
    ASSERT_TRUE(QTest::qWaitFor([&] { return host_->properties()["IconPixmap"] != icon; }));
    const Json square = host_->properties()["IconPixmap"][0];
    ASSERT_EQ(square[0], graph.width());
    ASSERT_EQ(square[1], graph.width());
    const int top = (graph.width() - graph.height()) / 2;
    for (int y = 0; y < graph.height(); ++y) {
        for (int x = 0; x < graph.width(); ++x) {
            ASSERT_EQ(alphaAt(square, x, top + y), qAlpha(graph.pixel(x, y))) << x << "," << y;
        }
    }
    EXPECT_EQ(host_->properties()["XAyatanaLabel"], "");
    EXPECT_EQ(monitor_->updates.size(), updates) << "no model update was needed";
}

TEST_F(StatusItemControllerTest, ShowsDashesWhileNoActiveInterfaceHasASample) {
    items_ = itemsWithSamples();
    refresh();
    ASSERT_TRUE(hostShows("↓ 1.5 KB/s ↑ 15 KB/s", "Download ↓ 1.5 KB/s, upload ↑ 15 KB/s"));
    for (auto& item : items_) {
        item.recent.clear();
    }
    refresh();
    EXPECT_TRUE(hostShows("↓ — ↑ —", "Download ↓ —, upload ↑ —"));
}

TEST_F(StatusItemControllerTest, ActivatingTheItemTogglesThePanelAtTheClick) {
    QSignalSpy toggled(controller_.get(), &StatusItemController::panelToggled);
    StatusPanel& panel = controller_->panel();
    panel.setWantedHeight(120);
    host_->clickItem("Activate", 500, 20);
    ASSERT_TRUE(QTest::qWaitFor([&] { return toggled.count() == 1; }));
    EXPECT_EQ(toggled.at(0).at(0).toPoint(), QPoint(500, 20));
    ASSERT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.geometry(), QRect(300, 25, 400, 120)) << "centred, 4 pixels under the click";

    model_->setSelectedKey("k0");
    host_->clickItem("Activate", 500, 20);
    ASSERT_TRUE(QTest::qWaitFor([&] { return toggled.count() == 2; }));
    EXPECT_FALSE(panel.isVisible()) << "a second click closes";
    EXPECT_EQ(model_->selectedKey(), std::nullopt) << "closing clears the selection";
}

// Keys typed into the open panel, with "k1" selected among the pins k0, k1, k2.
struct PanelKeyCase {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool selected;
    bool staysOpen;
    std::vector<std::string> pins;
};

void PrintTo(const PanelKeyCase& c, std::ostream* out) {
    *out << c.name;
}

class StatusPanelKeyTest : public StatusItemControllerTest,
                           public ::testing::WithParamInterface<PanelKeyCase> {};

TEST_P(StatusPanelKeyTest, ActsOnTheKey) {
    const PanelKeyCase& c = GetParam();
    SettingsData data = settings_.data();
    for (const char* key : {"k0", "k1", "k2"}) {
        InterfaceFingerprint pin;
        pin.key = key;
        pin.name = key;
        data.pinned.push_back(pin);
    }
    settings_.setData(data);
    auto* field = new QLineEdit; // content with the focus, as the panel's own controls have it
    controller_->panel().setContent(field);
    controller_->togglePanel(QPoint(500, 20));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&controller_->panel()));
    field->setFocus();
    if (c.selected) {
        model_->setSelectedKey("k1");
    }
    QTest::keyClick(field, c.key, c.modifiers);
    EXPECT_EQ(controller_->panel().isVisible(), c.staysOpen);
    std::vector<std::string> pins;
    for (const auto& pin : settings_.data().pinned) {
        pins.push_back(pin.key);
    }
    EXPECT_EQ(pins, c.pins);
    if (!c.staysOpen) {
        EXPECT_EQ(model_->selectedKey(), std::nullopt);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, StatusPanelKeyTest,
    ::testing::Values(
        PanelKeyCase{
            "EscapeCloses", Qt::Key_Escape, Qt::NoModifier, true, false, {"k0", "k1", "k2"}},
        PanelKeyCase{
            "CtrlUpMovesUp", Qt::Key_Up, Qt::ControlModifier, true, true, {"k1", "k0", "k2"}},
        PanelKeyCase{
            "CtrlDownMovesDown", Qt::Key_Down, Qt::ControlModifier, true, true, {"k0", "k2", "k1"}},
        PanelKeyCase{"CtrlUpWithoutSelectionChangesNothing",
                     Qt::Key_Up,
                     Qt::ControlModifier,
                     false,
                     true,
                     {"k0", "k1", "k2"}},
        PanelKeyCase{
            "UpAloneChangesNothing", Qt::Key_Up, Qt::NoModifier, true, true, {"k0", "k1", "k2"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StatusItemControllerTest, KeysOfAnotherWindowNeverReachThePanel) {
    controller_->togglePanel(QPoint(500, 20));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&controller_->panel()));
    QLineEdit other; // the settings window, say
    QTest::keyClick(&other, Qt::Key_Escape);
    EXPECT_TRUE(controller_->panel().isVisible());
}

TEST_F(StatusItemControllerTest, APanelHeightAskedForWhileClosedIsUsedAtTheNextOpening) {
    controller_->panel().setWantedHeight(200);
    EXPECT_FALSE(controller_->panel().isVisible());
    controller_->togglePanel(QPoint(500, 20));
    EXPECT_EQ(controller_->panel().height(), 200);
    controller_->panel().setWantedHeight(150);
    EXPECT_EQ(controller_->panel().height(), 150) << "an open panel follows at once";
}

QAction* menuAction(StatusItemController& controller, const QString& text) {
    for (QAction* action : controller.menu().actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

TEST_F(StatusItemControllerTest, TheContextMenuOpensThePanelTheSettingsOrQuits) {
    QStringList texts;
    for (QAction* action : controller_->menu().actions()) {
        texts << action->text();
    }
    EXPECT_EQ(texts, QStringList({"Open Wirelark", "Settings…", "Quit Wirelark"}));

    host_->clickItem("ContextMenu", 500, 20);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller_->menu().isVisible(); }));
    controller_->menu().close();

    menuAction(*controller_, "Open Wirelark")->trigger();
    EXPECT_TRUE(controller_->panel().isVisible());
    QSignalSpy settings(controller_.get(), &StatusItemController::settingsRequested);
    menuAction(*controller_, "Settings…")->trigger();
    EXPECT_EQ(settings.count(), 1);
    EXPECT_FALSE(controller_->panel().isVisible()) << "the panel closes for the settings";

    QSignalSpy quit(controller_.get(), &StatusItemController::quitRequested);
    menuAction(*controller_, "Quit Wirelark")->trigger();
    EXPECT_EQ(quit.count(), 1);
}

// Hosts that draw the menu themselves read it from the path in the item's Menu property, and a
// click there does what the same entry of the X11 menu does.
TEST_F(StatusItemControllerTest, TheItemExportsTheSameMenuForHostsThatDrawIt) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return !host_->properties().empty(); }));
    const std::string path = host_->properties().value("Menu", "");
    EXPECT_NE(path, "/NO_DBUSMENU");
    FakeDbusMenuHost menuHost(address(), host_->registrations().back(), path);
    ASSERT_TRUE(menuHost.ready());
    const auto layout = menuHost.call("GetLayout", [](sd_bus_message* m) {
        return sd_bus_message_append(m, "iias", 0, -1, 1, "label");
    });
    ASSERT_EQ(layout.error, "");
    std::vector<std::string> labels;
    std::map<std::string, int32_t> ids;
    for (const Json& entry : layout.values.at(1).at(2)) {
        labels.push_back(entry.at(1).at("label"));
        ids[labels.back()] = entry.at(0);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"Open Wirelark", "Settings…", "Quit Wirelark"}));

    const struct {
        const char* label;
        std::function<bool()> done;
    } cases[] = {
        {"Open Wirelark", [&] { return controller_->panel().isVisible(); }},
        {"Settings…", [&] { return !controller_->panel().isVisible(); }},
        {"Quit Wirelark", {}},
    };
    QSignalSpy settings(controller_.get(), &StatusItemController::settingsRequested);
    QSignalSpy quit(controller_.get(), &StatusItemController::quitRequested);
    QSignalSpy triggered(&controller_->menu(), &QMenu::triggered);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const int32_t id = ids.at(c.label);
        const auto clicked = menuHost.call("Event", [id](sd_bus_message* m) {
            return sd_bus_message_append(m, "isvu", id, "clicked", "i", 0, 0u);
        });
        EXPECT_EQ(clicked.error, "");
        ASSERT_TRUE(QTest::qWaitFor([&] { return triggered.count() == 1; }));
        EXPECT_EQ(triggered.takeFirst().at(0).value<QAction*>(), menuAction(*controller_, c.label));
        if (c.done) {
            EXPECT_TRUE(c.done());
        }
    }
    EXPECT_EQ(settings.count(), 1);
    EXPECT_EQ(quit.count(), 1);
}

TEST_F(StatusItemControllerTest, AnIdleModelLeavesTheImageAlone) {
    items_ = itemsWithSamples();
    refresh();
    ASSERT_TRUE(hostShows("↓ 1.5 KB/s ↑ 15 KB/s", "Download ↓ 1.5 KB/s, upload ↑ 15 KB/s"));
    QSignalSpy updated(controller_.get(), &StatusItemController::imageUpdated);
    QTest::qWait(3000);
    EXPECT_EQ(updated.count(), 0) << "no timer of its own redraws the image";
    const size_t before = host_->itemSignals().size();
    refresh();
    EXPECT_EQ(updated.count(), 1) << "each model update redraws once";

    // The host hears of the next change and of nothing for the unchanged update before it.
    items_[0].recent.back() = sample(2, 2000, 10000);
    refresh();
    ASSERT_TRUE(hostShows("↓ 2.5 KB/s ↑ 15 KB/s", "Download ↓ 2.5 KB/s, upload ↑ 15 KB/s"));
    // The host may read the new values before both signals have reached it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return host_->itemSignals().size() >= before + 2; }));
    const std::vector<std::string> all = host_->itemSignals();
    EXPECT_EQ(
        std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()),
        (std::vector<std::string>{"XAyatanaNewLabel", "NewToolTip"}));
}

TEST_F(StatusItemControllerWithoutTrayTest, SaysOnceThatNoTrayRunsAndRegistersWhenOneStarts) {
    QSignalSpy missing(controller_.get(), &StatusItemController::noTrayHost);
    ASSERT_TRUE(QTest::qWaitFor([&] { return missing.count() == 1; }));
    EXPECT_FALSE(controller_->isShown());

    host_ = std::make_unique<FakeStatusNotifierHost>(address());
    ASSERT_TRUE(host_->ready());
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller_->isShown(); }))
        << "the item registers with a watcher that starts later";
    EXPECT_EQ(host_->registrations().size(), 1u);
    EXPECT_EQ(missing.count(), 1);

    host_.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return missing.count() == 2; }))
        << "a tray that goes away leaves the item unseen again";
}

// Plasma draws no label beside the icon: the rates go into the icon instead.
class StatusItemControllerOnPlasmaTest : public StatusItemControllerTest {
protected:
    void SetUpOnBus() override {
        qputenv("XDG_CURRENT_DESKTOP", "KDE");
        StatusItemControllerTest::SetUpOnBus();
    }
    void TearDownOnBus() override {
        StatusItemControllerTest::TearDownOnBus();
        qunsetenv("XDG_CURRENT_DESKTOP");
    }
};

// Opaque-ish pixels of an IconPixmap entry between two rows.
int inkedPixels(const Json& pixmap, int fromRow, int toRow) {
    int count = 0;
    for (int y = fromRow; y < toRow; ++y) {
        for (int x = 0; x < pixmap[0].get<int>(); ++x) {
            count += alphaAt(pixmap, x, y) > 128 ? 1 : 0;
        }
    }
    return count;
}

TEST_F(StatusItemControllerOnPlasmaTest, DrawsTheRatesIntoTheIconInsteadOfALabel) {
    items_ = itemsWithSamples();
    refresh();
    ASSERT_TRUE(hostShows("", "Download ↓ 1.5 KB/s, upload ↑ 15 KB/s"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return host_->properties()["IconPixmap"][0][0] == 32; }));
    const Json rates = host_->properties()["IconPixmap"][0];
    EXPECT_EQ(rates[1], 32);
    EXPECT_GT(inkedPixels(rates, 0, 16), 10) << "the download line";
    EXPECT_GT(inkedPixels(rates, 16, 32), 10) << "the upload line";

    setMode(MenubarMode::icon);
    ASSERT_TRUE(QTest::qWaitFor([&] { return host_->properties()["IconPixmap"][0] != rates; }))
        << "the icon mode shows the plain icon again";
    EXPECT_EQ(host_->properties()["XAyatanaLabel"], "");
}
