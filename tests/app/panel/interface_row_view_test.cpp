#include "app/panel/interface_row_view.h"

#include "app/panel/copyable_line.h"
#include "app/panel/detail_lines.h"
#include "app/panel/flow_layout.h"
#include "app/panel/service_toggle.h"
#include "app/panel/symbol.h"
#include "app/panel/transfer_rates.h"

#include "fake_admin_controls.h"
#include "item_fixtures.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QClipboard>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMouseEvent>

#include <gtest/gtest.h>

using namespace wirelark;
using namespace wirelark::testing;

namespace {

using E = InterfaceElement;

NetworkService wired(bool enabled = true) {
    return {"uuid-1", "Wired", enabled, std::nullopt, false};
}

InterfaceItem ethernet() {
    InterfaceItem item = presentItem("link:ethernet:1", runningSnapshot("eth0", {"10.0.0.2"}));
    item.service = wired();
    item.snapshot->linkAddress = LinkAddress{{0, 0x1c, 0x42, 0xab, 0, 1}, 1};
    return item;
}

SettingsData settingsWith(std::vector<double> periods, double interval) {
    SettingsData settings;
    settings.periods = std::move(periods);
    settings.updateInterval = interval;
    return settings;
}

QString cellText(QGridLayout& grid, int row, int column) {
    QLayoutItem* item = grid.itemAtPosition(row, column);
    return item ? static_cast<QLabel*>(item->widget())->text() : QString();
}

void click(QWidget& widget) {
    const QPointF at(2, 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget.mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget.mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QApplication::sendEvent(&widget, &release);
}

class InterfaceRowViewTest : public ::testing::Test {
protected:
    FakeAdminControls admin;
    LocationAuthorizer location;
    InterfaceRowView row{admin, location};
};

} // namespace

TEST_F(InterfaceRowViewTest, DetailsShownByItemElementsAndSettings) {
    InterfaceItem absent;
    absent.key = "name:eth9";
    absent.name = "eth9";
    InterfaceItem tunnel = presentItem("name:tun0", runningSnapshot("ppp0", {"10.8.0.2"}));
    tunnel.service = wired();
    InterfaceItem noCapabilities = ethernet();
    noCapabilities.snapshot->capabilities = 0;
    const InterfaceElementSet all(kAllInterfaceElements.begin(), kAllInterfaceElements.end());
    struct Case {
        const char* name;
        InterfaceItem item;
        InterfaceElementSet elements;
        Symbol symbol;
        std::vector<E> shown;
    };
    const std::vector<Case> cases = {
        {"missing snapshot: header only", absent, all, Symbol::questionMark, {}},
        {"tunnel never shows the switch",
         tunnel,
         {E::enableToggle, E::mtu},
         Symbol::lockShield,
         {E::mtu}},
        {"capability word 0 hides options",
         noCapabilities,
         {E::options, E::mtu},
         Symbol::cable,
         {E::mtu}},
        {"defaults",
         ethernet(),
         defaultInterfaceElements(),
         Symbol::cable,
         {E::enableToggle, E::bandwidthGraph, E::transferRates, E::addresses}},
    };
    for (const auto& c : cases) {
        row.setRow(c.item, c.elements, SettingsData{}, false, false);
        EXPECT_EQ(row.header().shownSymbol(), static_cast<int>(c.symbol)) << c.name;
        EXPECT_EQ(row.flags().isHidden(), !c.item.snapshot.has_value()) << c.name;
        EXPECT_EQ(row.shownDetails(), c.shown) << c.name;
    }
}

TEST_F(InterfaceRowViewTest, AddressListWithoutNetmaskOrHardwareAddressIsEmpty) {
    row.setRow(ethernet(), {E::addresses}, SettingsData{}, false, false);
    auto* list = qobject_cast<DetailLines*>(row.detail(E::addresses));
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->lineWidgets().empty());
    row.setRow(ethernet(), {E::addresses, E::ipNetmask, E::hardwareAddress}, SettingsData{}, false,
               false);
    ASSERT_EQ(list->lineWidgets().size(), 2U);
    EXPECT_EQ(list->lineWidgets()[0]->value(), "10.0.0.2");
    EXPECT_EQ(list->lineWidgets()[1]->value(), "00:1c:42:ab:00:01");
}

TEST_F(InterfaceRowViewTest, StatisticsGrid) {
    InterfaceItem item = ethernet();
    item.stats[60] = {45, 4500, 900, 0, 200, 0, 50};
    row.setRow(item, {E::transferRates}, settingsWith({1, 60, 3600}, 1), false, false);
    auto* rates = qobject_cast<TransferRates*>(row.detail(E::transferRates));
    ASSERT_NE(rates, nullptr);
    EXPECT_EQ(rates->downloadText().text(), "—");
    QGridLayout* grid = rates->statisticsGrid();
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->rowCount(), 3); // header, 1m, 1h
    EXPECT_EQ(cellText(*grid, 1, 0), "1m");
    EXPECT_EQ(cellText(*grid, 2, 0), "1h");
    EXPECT_EQ(cellText(*grid, 0, 1), "↓ avg");
    // 45 s of a minute: dimmed, and says so.
    auto* minute = static_cast<QLabel*>(grid->itemAtPosition(1, 1)->widget());
    EXPECT_EQ(minute->text(), "100 B/s");
    EXPECT_EQ(minute->toolTip(), "Only 45s of the last 1m was observed");
    EXPECT_NE(qobject_cast<QGraphicsOpacityEffect*>(minute->graphicsEffect()), nullptr);
    // Nothing observed in the hour: one dash across the four value columns.
    QLayoutItem* dash = grid->itemAtPosition(2, 1);
    ASSERT_NE(dash, nullptr);
    EXPECT_EQ(static_cast<QLabel*>(dash->widget())->text(), "—");
    EXPECT_EQ(grid->itemAtPosition(2, 4), dash);

    SettingsData neither = settingsWith({60}, 1);
    neither.showAverage = false;
    neither.showMinMax = false;
    row.setRow(item, {E::transferRates}, neither, false, false);
    EXPECT_EQ(rates->statisticsGrid(), nullptr);
    EXPECT_EQ(rates->noTrafficLabel(), nullptr);
}

TEST_F(InterfaceRowViewTest, UpdatesInPlace) {
    row.setRow(ethernet(), defaultInterfaceElements(), SettingsData{}, true, false);
    QWidget* toggle = row.detail(E::enableToggle);
    QWidget* rates = row.detail(E::transferRates);
    InterfaceItem next = ethernet();
    next.recent = {sample(1, 1500, 20)};
    row.setRow(next, defaultInterfaceElements(), SettingsData{}, true, false);
    EXPECT_EQ(row.detail(E::enableToggle), toggle);
    EXPECT_EQ(row.detail(E::transferRates), rates);
    EXPECT_EQ(qobject_cast<TransferRates*>(rates)->downloadText().text(), "1.5 KB/s");
}

TEST_F(InterfaceRowViewTest, OpacitySelectionAndPinActions) {
    InterfaceItem inactive = ethernet();
    inactive.snapshot->flags = 0;
    row.setRow(inactive, {}, SettingsData{}, false, false);
    EXPECT_EQ(row.opacity(), 0.6);
    EXPECT_EQ(row.accessibleName(), "eth0, Wired, inactive");
    row.setRow(inactive, {}, SettingsData{}, true, true);
    EXPECT_EQ(row.opacity(), 1.0);
    EXPECT_EQ(row.header().pinButton().accessibleName(), "Unpin eth0");

    int moved = 0;
    QObject::connect(&row, &InterfaceRowView::moveRequested, [&](int offset) { moved += offset; });
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&row);
    ASSERT_NE(accessible, nullptr);
    ASSERT_NE(accessible->actionInterface(), nullptr);
    EXPECT_TRUE(accessible->actionInterface()->actionNames().contains("Move up"));
    accessible->actionInterface()->doAction("Move down");
    accessible->actionInterface()->doAction("Move down");
    accessible->actionInterface()->doAction("Move up");
    EXPECT_EQ(moved, 1);
    row.setRow(inactive, {}, SettingsData{}, false, false);
    EXPECT_FALSE(accessible->actionInterface()->actionNames().contains("Move up"));

    int selections = 0;
    QObject::connect(&row, &InterfaceRowView::selectRequested, [&] { ++selections; });
    click(row);
    EXPECT_EQ(selections, 1);
}

TEST(FlowLayout, SizesAndWrapping) {
    QWidget empty;
    FlowLayout emptyLayout(3, &empty);
    EXPECT_EQ(emptyLayout.sizeHint(), QSize(0, 0));

    QWidget host;
    auto* layout = new FlowLayout(3, &host);
    std::vector<QLabel*> labels;
    for (int width : {20, 150, 20}) {
        auto* label = new QLabel(&host);
        label->setFixedSize(width, 10);
        layout->addWidget(label);
        labels.push_back(label);
    }
    layout->setGeometry(QRect(0, 0, 100, 100));
    EXPECT_EQ(labels[0]->geometry(), QRect(0, 0, 20, 10));
    EXPECT_EQ(labels[1]->geometry(), QRect(0, 13, 150, 10)); // wider than 100: a line of its own
    EXPECT_EQ(labels[2]->geometry(), QRect(0, 26, 20, 10));
    EXPECT_EQ(layout->heightForWidth(100), 36);
}

TEST(ServiceToggle, PairedSwitchSnapsBackWithTheFailure) {
    FakeAdminControls admin;
    ServiceToggle toggle(admin);
    toggle.setService(wired(true));
    EXPECT_EQ(toggle.switchButton().toolTip(), "Make Wired inactive");
    toggle.switchButton().click();
    ASSERT_EQ(admin.changes.size(), 1U);
    EXPECT_EQ(admin.changes[0].serviceID, "uuid-1");
    EXPECT_FALSE(admin.changes[0].enabled);
    EXPECT_TRUE(toggle.isBusy());
    EXPECT_FALSE(toggle.switchButton().isEnabled());
    EXPECT_TRUE(toggle.switchButton().isChecked()); // the published state until the model says
    admin.changes[0].done("Not authorized");
    EXPECT_FALSE(toggle.isBusy());
    EXPECT_TRUE(toggle.switchButton().isEnabled());
    EXPECT_TRUE(toggle.switchButton().isChecked());
    EXPECT_EQ(toggle.switchButton().toolTip(), "Not authorized");
}

TEST(ServiceToggle, UnpairedShowsStateAndSettingsLink) {
    FakeAdminControls admin;
    admin.adminState = AdminState::notPaired;
    ServiceToggle toggle(admin);
    toggle.setService(wired(false));
    EXPECT_TRUE(toggle.switchButton().isHidden());
    EXPECT_EQ(toggle.stateText().text(), "Wired: inactive");
    EXPECT_EQ(toggle.settingsButton().text(), "Network Settings…");
    EXPECT_EQ(toggle.settingsButton().toolTip(),
              "Make Wired active or inactive in System Settings");
    admin.set(AdminState::paired);
    EXPECT_FALSE(toggle.switchButton().isHidden());
    EXPECT_TRUE(toggle.settingsButton().isHidden());
}

TEST(CopyableLine, CopiesByClickAndAccessibleAction) {
    CopyableLine line;
    line.setLine("inet", "10.0.0.2/24  255.255.255.0", "10.0.0.2");
    EXPECT_EQ(line.toolTip(), "Click to copy 10.0.0.2");
    QApplication::clipboard()->setText("before");
    click(line);
    EXPECT_EQ(QApplication::clipboard()->text(), "10.0.0.2");
    QApplication::clipboard()->setText("before");
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&line);
    ASSERT_NE(accessible->actionInterface(), nullptr);
    accessible->actionInterface()->doAction("Copy");
    EXPECT_EQ(QApplication::clipboard()->text(), "10.0.0.2");
}
