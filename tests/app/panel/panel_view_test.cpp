#include "app/panel/panel_view.h"

#include "fake_admin_controls.h"
#include "fake_clock.h"
#include "fake_monitor_service.h"
#include "fake_public_address_lookup.h"
#include "item_fixtures.h"
#include "memory_settings_storage.h"
#include "process_events_until.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace wirelark;
using namespace wirelark::testing;

namespace {

InterfaceItem active(const std::string& name) {
    return presentItem("name:" + name, runningSnapshot(name, {"10.0.0.1"}));
}

InterfaceItem inactive(const std::string& name) {
    return presentItem("name:" + name, runningSnapshot(name));
}

class PanelViewTest : public ::testing::Test {
protected:
    PanelViewTest() : settings(std::make_unique<MemorySettingsStorage>()) {
        auto fakeLookup = std::make_unique<FakePublicAddressLookup>();
        lookup = fakeLookup.get();
        ModelServices services;
        services.publicAddress = std::move(fakeLookup);
        model = std::make_unique<NetworkModel>(
            settings, std::make_unique<FakeMonitorService>(&items, &metadata), clock,
            std::move(services));
        view = std::make_unique<PanelView>(*model, settings, admin);
        view->show(); // a hidden view leaves its rows until it is shown
    }
    void publish(std::vector<InterfaceItem> next) {
        items = std::move(next);
        bool done = false;
        model->refresh(false, [&] { done = true; });
        ASSERT_TRUE(processEventsUntil([&] { return done; }));
    }
    void pin(const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            settings.togglePin(active(name));
        }
    }
    std::vector<std::string> rowNames() const {
        std::vector<std::string> names;
        for (const InterfaceRowView* row : view->rows()) {
            names.push_back(row->key().substr(5));
        }
        return names;
    }
    std::vector<std::string> pinNames() const {
        std::vector<std::string> names;
        for (const auto& pin : settings.data().pinned) {
            names.push_back(pin.name);
        }
        return names;
    }

    std::vector<InterfaceItem> items;
    NetworkMetadata metadata;
    FakeClock clock;
    AppSettings settings;
    FakeAdminControls admin;
    FakePublicAddressLookup* lookup = nullptr; // owned by the model
    std::unique_ptr<NetworkModel> model;
    std::unique_ptr<PanelView> view;
};

} // namespace

TEST_F(PanelViewTest, DividersAndEmptyList) {
    struct Case {
        const char* name;
        std::vector<std::string> pinned;
        std::vector<InterfaceItem> items;
        std::vector<std::string> rows;
        bool divider;
        bool empty;
    };
    const std::vector<Case> cases = {
        {"nothing to show", {}, {inactive("eth1")}, {}, false, true},
        {"others only", {}, {active("eth0"), active("eth1")}, {"eth0", "eth1"}, false, false},
        {"pinned only", {"eth0"}, {active("eth0")}, {"eth0"}, false, false},
        {"both", {"eth1"}, {active("eth0"), active("eth1")}, {"eth1", "eth0"}, true, false},
    };
    for (const auto& c : cases) {
        SettingsData data = settings.data();
        data.pinned.clear();
        settings.setData(data);
        pin(c.pinned);
        publish(c.items);
        EXPECT_EQ(rowNames(), c.rows) << c.name;
        EXPECT_EQ(view->showsListDivider(), c.divider) << c.name;
        EXPECT_EQ(view->showsNoInterfaces(), c.empty) << c.name;
    }
}

TEST_F(PanelViewTest, SelectingPinnedAndUnpinnedRows) {
    pin({"eth0"});
    publish({active("eth0"), active("eth1")});
    emit view->row("name:eth0")->selectRequested();
    EXPECT_EQ(model->selectedKey(), "name:eth0");
    EXPECT_TRUE(view->row("name:eth0")->isSelected());
    emit view->row("name:eth1")->selectRequested();
    EXPECT_EQ(model->selectedKey(), std::nullopt);
    EXPECT_FALSE(view->row("name:eth0")->isSelected());
}

TEST_F(PanelViewTest, DroppingAPinOntoAnother) {
    pin({"a", "b", "c"});
    publish({active("a"), active("b"), active("c")});
    EXPECT_FALSE(view->row("name:a")->dropKey(""));
    EXPECT_TRUE(view->row("name:a")->dropKey("name:c"));
    EXPECT_EQ(pinNames(), (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"c", "a", "b"}));
    emit view->row("name:a")->moveRequested(1);
    EXPECT_EQ(pinNames(), (std::vector<std::string>{"c", "b", "a"}));
    model->setSelectedKey("name:a");
    view->moveSelectedPin(-1);
    EXPECT_EQ(pinNames(), (std::vector<std::string>{"c", "a", "b"}));
}

TEST_F(PanelViewTest, PublicAddressLine) {
    EXPECT_TRUE(view->publicAddressLine().isHidden());
    SettingsData data = settings.data();
    data.publicIPEnabled = true;
    settings.setData(data);
    EXPECT_FALSE(view->publicAddressLine().isHidden());
    EXPECT_EQ(view->publicAddressLine().valueTexts(), QStringList{"looking up…"});
    model->refreshPublicIP();
    EXPECT_FALSE(view->publicAddressLine().refreshButton().isEnabled());

    struct Case {
        PublicIPResult result;
        QStringList texts;
    };
    const std::vector<Case> cases = {
        {{"203.0.113.7", "2001:db8::7", std::nullopt}, {"203.0.113.7", "2001:db8::7"}},
        {{std::nullopt, "2001:db8::7", std::nullopt}, {"2001:db8::7"}},
        {{std::nullopt, std::nullopt, "No connection"}, {"No connection"}},
    };
    for (const auto& c : cases) {
        if (!lookup->pending) {
            model->refreshPublicIP();
        }
        lookup->answer(c.result);
        ASSERT_TRUE(processEventsUntil([&] { return !model->publicIPLoading(); }));
        EXPECT_EQ(view->publicAddressLine().valueTexts(), c.texts);
        EXPECT_TRUE(view->publicAddressLine().refreshButton().isEnabled());
    }
}

TEST_F(PanelViewTest, AllDetailsOverridesTheElementsAndRestoresThem) {
    publish({active("eth0")});
    SettingsData data = settings.data();
    data.elementOverrides["name:eth0"] = {InterfaceElement::mtu};
    settings.setData(data);
    InterfaceRowView* row = view->row("name:eth0");
    EXPECT_EQ(row->shownDetails(), std::vector<InterfaceElement>{InterfaceElement::mtu});
    view->allDetailsToggle().click();
    EXPECT_TRUE(model->showAllDetails());
    EXPECT_EQ(row->shownDetails(),
              (std::vector<InterfaceElement>{InterfaceElement::bandwidthGraph,
                                             InterfaceElement::transferRates, InterfaceElement::mtu,
                                             InterfaceElement::addresses}));
    view->allDetailsToggle().click();
    EXPECT_EQ(row->shownDetails(), std::vector<InterfaceElement>{InterfaceElement::mtu});
    EXPECT_EQ(view->row("name:eth0"), row); // the same row throughout
}

TEST_F(PanelViewTest, ControlsAndNotice) {
    QSignalSpy settingsSpy(view.get(), &PanelView::settingsRequested);
    QSignalSpy quitSpy(view.get(), &PanelView::quitRequested);
    view->settingsButton().click();
    view->quitButton().click();
    EXPECT_EQ(settingsSpy.count(), 1);
    EXPECT_EQ(quitSpy.count(), 1);
    EXPECT_EQ(view->quitButton().accessibleName(), "Quit");
    EXPECT_EQ(view->inactiveToggle().toolTip(), "Show inactive interfaces");
    view->inactiveToggle().click();
    EXPECT_TRUE(model->showInactive());

    EXPECT_TRUE(view->adminNotice().isHidden());
    admin.set(AdminState::paired, 0);
    EXPECT_FALSE(view->adminNotice().isHidden());
    EXPECT_EQ(view->adminNotice().text(), "The admin helper needs an update");
    admin.set(AdminState::paired, 1, "2.0");
    EXPECT_EQ(view->adminNotice().text(), "An admin helper update is available");
    view->adminNotice().click();
    EXPECT_EQ(admin.adminAppOpenings, 1);
}

// A style sheet loads Qt's style sheet machinery: the notice takes its look when it first shows,
// keeps it when hidden again, and an idle app with no notice never loads it.
TEST_F(PanelViewTest, TheAdminNoticeTakesItsLookWhenItFirstShows) {
    QPushButton& notice = view->adminNotice();
    EXPECT_TRUE(notice.styleSheet().isEmpty());
    const int unstyledHeight = notice.sizeHint().height();
    admin.set(AdminState::paired, 0);
    ASSERT_FALSE(notice.isHidden());
    const QString look = notice.styleSheet();
    EXPECT_FALSE(look.isEmpty());
    EXPECT_NE(notice.sizeHint().height(), unstyledHeight);
    admin.set(AdminState::paired);
    EXPECT_TRUE(notice.isHidden());
    EXPECT_EQ(notice.styleSheet(), look);
}

TEST_F(PanelViewTest, ReportsItsHeightAsRowsComeAndGo) {
    QSignalSpy heights(view.get(), &PanelView::preferredHeightChanged);
    publish({active("eth0")});
    const int one = view->preferredHeight();
    publish({active("eth0"), active("eth1"), active("eth2")});
    const int three = view->preferredHeight();
    EXPECT_GT(three, one);
    publish({active("eth0")});
    EXPECT_EQ(view->preferredHeight(), one);
    ASSERT_GE(heights.count(), 2);
    EXPECT_EQ(heights.last().at(0).toInt(), one);
    // Header, divider and list: the list's rows add up to the rest.
    const int rowHeight = view->row("name:eth0")->heightForWidth(PanelView::kWidth);
    EXPECT_EQ(three - one, 2 * rowHeight);
}

// The panel is made as high as the view asks: then every row shows whole, with no scrolling
// and no blank space, and no line pushes the list wider than the panel.
TEST_F(PanelViewTest, APanelOfTheReportedHeightShowsEveryRowWhole) {
    InterfaceItem longAddress = active("eth1");
    longAddress.snapshot->flags |= 0x2 | 0x8 | 0x800 | 0x1000; // capsules across two lines
    longAddress.snapshot->ipv6.push_back({"2001:db8:1234:5678:9abc:def0:1234:5678", 64, 0,
                                          0x2 | 0x8 | 0x20 | 0x80 | 0x100, std::nullopt});
    publish({active("eth0"), active("eth1")});
    publish({active("eth0"), longAddress}); // the same rows, grown in place
    view->resize(PanelView::kWidth, view->preferredHeight());
    QApplication::processEvents();
    const QScrollArea& scroll = view->scrollArea();
    EXPECT_EQ(scroll.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(scroll.widget()->height(), scroll.viewport()->height());
    EXPECT_LE(scroll.widget()->width(), scroll.viewport()->width());
}

TEST_F(PanelViewTest, HiddenViewCatchesUpWhenShown) {
    publish({active("eth0")});
    const int one = view->preferredHeight();
    InterfaceRowView* kept = view->row("name:eth0");
    view->hide();
    publish({active("eth0"), active("eth1")});
    pin({"eth1"});
    EXPECT_EQ(view->row("name:eth1"), nullptr) << "rows built while hidden";
    EXPECT_EQ(view->preferredHeight(), one);
    QSignalSpy heights(view.get(), &PanelView::preferredHeightChanged);
    view->show();
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"eth1", "eth0"}));
    EXPECT_TRUE(view->showsListDivider());
    EXPECT_EQ(view->row("name:eth0"), kept);
    ASSERT_EQ(heights.count(), 1);
    EXPECT_GT(view->preferredHeight(), one);
}

TEST_F(PanelViewTest, AViewNeverShownMakesItsRowsOnceAndThenWaits) {
    view = std::make_unique<PanelView>(*model, settings, admin);
    publish({active("eth0")});
    InterfaceRowView* made = view->row("name:eth0");
    ASSERT_NE(made, nullptr) << "the first click should not have to make every row";
    publish({active("eth0"), active("eth1")});
    EXPECT_EQ(view->row("name:eth1"), nullptr);
    view->show();
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"eth0", "eth1"}));
    EXPECT_EQ(view->row("name:eth0"), made);
}

TEST_F(PanelViewTest, PublicationsKeepRowsAndScrollPosition) {
    std::vector<InterfaceItem> many;
    for (int i = 0; i < 12; ++i) {
        many.push_back(active("eth" + std::to_string(i)));
    }
    publish(many);
    view->resize(PanelView::kWidth, 200);
    view->show();
    QApplication::processEvents();
    QScrollBar* bar = view->scrollArea().verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum() / 2);
    const int position = bar->value();
    InterfaceRowView* first = view->row("name:eth0");
    for (auto& item : many) {
        item.recent = {sample(1, 1500, 20)};
    }
    publish(many);
    QApplication::processEvents();
    EXPECT_EQ(bar->value(), position);
    EXPECT_EQ(view->row("name:eth0"), first);
}
