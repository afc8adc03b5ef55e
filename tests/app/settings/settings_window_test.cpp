#include "app/settings/window/settings_window_controller.h"

#include "app/settings/window/admin_helper_tab.h"

#include "fake_clock.h"
#include "fake_monitor_service.h"
#include "item_fixtures.h"
#include "memory_settings_storage.h"
#include "process_events_until.h"
#include "temp_dir.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace wirelark;
using namespace wirelark::testing;

namespace {

// The admin helper's client as the test sets it, counting the requests.
class FakeAdminControls final : public AdminControls {
public:
    AdminState currentState = AdminState::checking;
    std::optional<std::string> version;
    int protocol = 1000;
    std::optional<std::string> update;
    int refreshes = 0;
    int pairings = 0;
    int unpairings = 0;
    int adminAppOpenings = 0;

    AdminState state() const override { return currentState; }
    std::optional<std::string> helperVersion() const override { return version; }
    int helperProtocol() const override { return protocol; }
    std::optional<std::string> lastError() const override { return std::nullopt; }
    std::optional<std::string> availableUpdate() const override { return update; }
    void refresh() override { ++refreshes; }
    void beginPairing() override { ++pairings; }
    void unpair() override { ++unpairings; }
    void setServiceEnabled(const std::string&, bool,
                           std::function<void(std::optional<std::string>)> done) override {
        done(std::nullopt);
    }
    void openAdminApp() override { ++adminAppOpenings; }
    void set(AdminState state, std::optional<std::string> helperVersion) {
        currentState = state;
        version = std::move(helperVersion);
        emit changed();
    }
};

template <typename Widget>
Widget* childWithText(const QWidget* parent, const QString& text) {
    for (Widget* child : parent->findChildren<Widget*>()) {
        if (child->text() == text && !child->isHidden()) {
            return child;
        }
    }
    return nullptr;
}

template <typename Widget>
QStringList visibleTexts(const QWidget* parent) {
    QStringList texts;
    for (const Widget* child : parent->findChildren<Widget*>()) {
        if (!child->isHidden()) {
            texts << child->text();
        }
    }
    return texts;
}

void deleteOldWidgets() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class SettingsWindowTest : public ::testing::Test {
protected:
    SettingsWindowTest()
        : settings(std::make_unique<MemorySettingsStorage>()),
          model(settings, std::make_unique<FakeMonitorService>(&items, &metadata), clock),
          updater({}),
          launch(config.path() / "autostart" / "wirelark.desktop", "/usr/bin/wirelark"),
          controller({settings, model, admin, updater, launch}) {}

    SettingsWindow& window() {
        if (!controller.window()) {
            controller.show();
        }
        return *controller.window();
    }
    QWidget& page(SettingsTab tab) { return *window().page(tab); }
    void change(const std::function<void(SettingsData&)>& edit) {
        SettingsData data = settings.data();
        edit(data);
        settings.setData(data);
    }
    void refreshModel() {
        bool done = false;
        model.refresh(true, [&] { done = true; });
        while (!done) {
            QCoreApplication::processEvents();
        }
    }
    QStringList periodRowTexts() {
        const auto* rows = page(SettingsTab::statistics).findChild<QWidget*>("periodRows");
        return visibleTexts<QLabel>(rows);
    }

    std::vector<InterfaceItem> items;
    NetworkMetadata metadata;
    FakeClock clock;
    AppSettings settings;
    NetworkModel model;
    FakeAdminControls admin;
    Updater updater;
    TempDir config;
    LaunchAtLogin launch;
    SettingsWindowController controller;
};

TEST_F(SettingsWindowTest, IsMadeOnFirstUseWithItsSevenTabsOnGeneral) {
    EXPECT_EQ(controller.window(), nullptr);
    controller.show();
    SettingsWindow* shown = controller.window();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(shown->windowTitle(), "Wirelark Settings");
    EXPECT_EQ(shown->currentTab(), SettingsTab::general);
    const auto* tabs = shown->findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    QStringList labels;
    for (int i = 0; i < tabs->count(); ++i) {
        labels << tabs->tabText(i);
    }
    EXPECT_EQ(labels, QStringList({"General", "Elements", "Statistics", "Public IP",
                                   "Notifications", "Admin Helper", "Updates"}));
    for (int i = 0; i < tabs->count(); ++i) {
        EXPECT_FALSE(tabs->tabIcon(i).isNull()) << labels[i].toStdString();
    }
    // Every tab shows at once, with no scrolling through the tab bar.
    QCoreApplication::processEvents();
    const QTabBar* bar = tabs->tabBar();
    EXPECT_LE(bar->tabRect(bar->count() - 1).right(), bar->width() - 1);
}

TEST_F(SettingsWindowTest, ReopeningKeepsTheWindowAndItsTab) {
    controller.show();
    SettingsWindow* first = controller.window();
    first->selectTab(SettingsTab::publicIP);
    first->close();
    EXPECT_FALSE(first->isVisible());
    controller.show();
    EXPECT_EQ(controller.window(), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->currentTab(), SettingsTab::publicIP);
}

TEST_F(SettingsWindowTest, AddingAPeriodClampsTheAmountAndSkipsOnesThatExist) {
    struct Case {
        std::vector<double> before;
        int amount;
        int unitIndex; // seconds, minutes, hours, days
        std::vector<double> after;
    };
    const Case cases[] = {
        {{300}, 5, 1, {300}},
        {{}, 0, 1, {60}},
        {{}, 1000, 0, {999}},
        {{60}, 2, 2, {60, 7200}},
    };
    QWidget& statistics = page(SettingsTab::statistics);
    auto* amount = statistics.findChild<QSpinBox*>("amount");
    auto* unit = statistics.findChild<QComboBox*>("unit");
    auto* add = childWithText<QPushButton>(&statistics, "Add period");
    ASSERT_TRUE(amount && unit && add);
    EXPECT_EQ(unit->count(), 4);
    for (const Case& c : cases) {
        change([&](SettingsData& data) { data.periods = c.before; });
        amount->setValue(c.amount);
        unit->setCurrentIndex(c.unitIndex);
        add->click();
        EXPECT_EQ(settings.data().periods, c.after) << c.amount;
    }
}

TEST_F(SettingsWindowTest, PeriodRowsCarryTheirLabelAndTheHiddenCaption) {
    change([](SettingsData& data) {
        data.updateInterval = 30;
        data.periods = {30, 60, 120, 5400, 86400};
    });
    EXPECT_EQ(periodRowTexts(), QStringList({"Last 30s", "shorter than two updates; hidden",
                                             "Last 1m", "Last 2m", "Last 90m", "Last 1d"}));

    change([](SettingsData& data) { data.periods.clear(); });
    deleteOldWidgets();
    EXPECT_EQ(
        periodRowTexts(),
        QStringList({"None. Add a period to show average and minimum–maximum rates over it."}));
}

TEST_F(SettingsWindowTest, RemoveButtonsRemoveTheirPeriod) {
    change([](SettingsData& data) { data.periods = {60, 3600}; });
    QToolButton* remove = nullptr;
    for (QToolButton* button : page(SettingsTab::statistics).findChildren<QToolButton*>()) {
        if (button->accessibleName() == "Remove 1m") {
            remove = button;
        }
    }
    ASSERT_NE(remove, nullptr);
    remove->click();
    deleteOldWidgets();
    EXPECT_EQ(settings.data().periods, std::vector<double>{3600});
    EXPECT_EQ(periodRowTexts(), QStringList({"Last 1h"}));
}

TEST_F(SettingsWindowTest, UseDefaultsCopiesTheDefaultsOrRemovesTheOverride) {
    items = {presentItem("name:eth0", runningSnapshot("eth0"))};
    refreshModel();
    QWidget& elements = page(SettingsTab::elements);
    auto* picker = elements.findChild<QComboBox*>("elementsInterface");
    auto* useDefaults = elements.findChild<QCheckBox*>("useDefaults");
    auto* mtu = elements.findChild<QCheckBox*>("mtu");
    ASSERT_TRUE(picker && useDefaults && mtu);
    ASSERT_EQ(picker->count(), 2);
    EXPECT_EQ(picker->itemText(0), "Defaults for all interfaces");
    EXPECT_TRUE(useDefaults->isHidden());

    picker->setCurrentIndex(1);
    EXPECT_FALSE(useDefaults->isHidden());
    EXPECT_TRUE(useDefaults->isChecked());
    EXPECT_FALSE(mtu->isEnabled());

    useDefaults->click();
    EXPECT_EQ(settings.data().elementOverrides.at("name:eth0"), settings.data().elementDefaults);
    EXPECT_TRUE(mtu->isEnabled());
    const bool mtuShown = mtu->isChecked();
    mtu->click();
    EXPECT_EQ(settings.data().elementOverrides.at("name:eth0").contains(InterfaceElement::mtu),
              !mtuShown);
    EXPECT_EQ(settings.data().elementDefaults, defaultInterfaceElements());

    useDefaults->click();
    EXPECT_TRUE(settings.data().elementOverrides.empty());
    EXPECT_FALSE(mtu->isEnabled());
}

TEST_F(SettingsWindowTest, APinIsAMenubarSource) {
    const InterfaceItem eth0 = presentItem("name:eth0", runningSnapshot("eth0"));
    auto* sources = page(SettingsTab::general).findChild<QComboBox*>("menubarSource");
    ASSERT_NE(sources, nullptr);
    EXPECT_EQ(sources->count(), 2);
    EXPECT_EQ(sources->itemText(0), "Primary interface");
    EXPECT_EQ(sources->itemText(1), "All active interfaces");

    settings.togglePin(eth0);
    ASSERT_EQ(sources->count(), 3);
    EXPECT_EQ(sources->itemText(2), "eth0");
    sources->setCurrentIndex(2);
    EXPECT_EQ(settings.data().menubarSource, MenubarSource::interface("name:eth0"));
    sources->setCurrentIndex(1);
    EXPECT_EQ(settings.data().menubarSource, MenubarSource::allActive());
}

TEST_F(SettingsWindowTest, UpdateIntervalsAndRefreshIntervalsAreWrittenAsPeriods) {
    const auto texts = [](const QComboBox* box) {
        QStringList all;
        for (int i = 0; i < box->count(); ++i) {
            all << box->itemText(i);
        }
        return all;
    };
    auto* interval = page(SettingsTab::general).findChild<QComboBox*>("updateInterval");
    auto* refresh = page(SettingsTab::publicIP).findChild<QComboBox*>("publicIPRefreshMinutes");
    ASSERT_TRUE(interval && refresh);
    EXPECT_EQ(texts(interval), QStringList({"1s", "2s", "5s", "10s", "30s", "1m"}));
    EXPECT_EQ(texts(refresh), QStringList({"5m", "15m", "30m", "1h", "4h"}));
    interval->setCurrentIndex(4);
    EXPECT_EQ(settings.data().updateInterval, 30);
    refresh->setCurrentIndex(4);
    EXPECT_EQ(settings.data().publicIPRefreshMinutes, 240);
}

TEST_F(SettingsWindowTest, EachAdminStateHasItsStatusAndActions) {
    struct Case {
        AdminState state;
        std::optional<std::string> version;
        QString status;
        QStringList buttons;
        QStringList notes;
    };
    const Case cases[] = {
        {AdminState::checking, std::nullopt, "Checking…", {}, {}},
        {AdminState::notInstalled,
         std::nullopt,
         "Not installed",
         {"Get the Admin Helper…", "Check Again"},
         {}},
        {AdminState::notPaired,
         "1.2",
         "Installed (1.2), not paired",
         {"Open Wirelark Admin"},
         {"Wirelark Admin opens; approve the request there with an administrator password."}},
        {AdminState::notPaired,
         std::nullopt,
         "Installed (?), not paired",
         {"Open Wirelark Admin"},
         {"Wirelark Admin opens; approve the request there with an administrator password."}},
        {AdminState::pairing, "1.2", "Pairing…", {}, {"Waiting for approval in Wirelark Admin…"}},
        {AdminState::paired, "1.3", "Paired (1.3)", {"Unpair", "Check for Updates…"}, {}},
        {AdminState::paired, std::nullopt, "Paired (?)", {"Unpair", "Check for Updates…"}, {}},
    };
    QWidget& tab = page(SettingsTab::adminHelper);
    for (const Case& c : cases) {
        admin.set(c.state, c.version);
        deleteOldWidgets();
        EXPECT_EQ(tab.findChild<QLabel*>("adminStatus")->text(), c.status);
        const auto* actions = tab.findChild<QWidget*>("adminActions");
        ASSERT_NE(actions, nullptr);
        EXPECT_EQ(visibleTexts<QPushButton>(actions), c.buttons) << c.status.toStdString();
        EXPECT_EQ(visibleTexts<QLabel>(actions), c.notes) << c.status.toStdString();
    }
}

TEST_F(SettingsWindowTest, AdminActionsReachTheClient) {
    QWidget& tab = page(SettingsTab::adminHelper);
    const auto press = [&](const QString& text) {
        deleteOldWidgets();
        auto* button = childWithText<QPushButton>(tab.findChild<QWidget*>("adminActions"), text);
        ASSERT_NE(button, nullptr) << text.toStdString();
        button->click();
    };
    admin.set(AdminState::notInstalled, std::nullopt);
    press("Get the Admin Helper…");
    press("Check Again");
    admin.set(AdminState::notPaired, "1.2");
    press("Open Wirelark Admin");
    admin.set(AdminState::paired, "1.2");
    press("Unpair");
    press("Check for Updates…");
    EXPECT_EQ(admin.adminAppOpenings, 2);
    EXPECT_EQ(admin.refreshes, 1);
    EXPECT_EQ(admin.pairings, 1);
    EXPECT_EQ(admin.unpairings, 1);
}

TEST_F(SettingsWindowTest, TooOldHelpersAndUpdatesAreTold) {
    QWidget& tab = page(SettingsTab::adminHelper);
    const auto* tooOld = tab.findChild<QLabel*>("helperTooOld");
    const auto* update = tab.findChild<QLabel*>("helperUpdate");
    auto* updateButton = childWithText<QPushButton>(&tab, "Update in Wirelark Admin…");
    EXPECT_EQ(updateButton, nullptr); // hidden without an update

    admin.protocol = 0;
    admin.update = "2.0";
    admin.set(AdminState::paired, "1.0");
    EXPECT_FALSE(tooOld->isHidden());
    EXPECT_EQ(tooOld->text(),
              "This version of the helper is too old for this app. Update it in Wirelark Admin.");
    EXPECT_FALSE(update->isHidden());
    EXPECT_EQ(update->text(), "Helper 2.0 is available.");
    updateButton = childWithText<QPushButton>(&tab, "Update in Wirelark Admin…");
    ASSERT_NE(updateButton, nullptr);
    updateButton->click();
    EXPECT_EQ(admin.adminAppOpenings, 1);

    admin.protocol = 1000;
    admin.update.reset();
    admin.set(AdminState::paired, "2.0");
    EXPECT_TRUE(tooOld->isHidden());
    EXPECT_TRUE(update->isHidden());
}

TEST_F(SettingsWindowTest, ABuiltInHelperPackageIsInstalledFromTheTabWithItsPhases) {
    // An installer that ends at once, and a site that refuses, so the built-in package is opened.
    const auto installerProgram = config.write(
        "bin/gnome-software", "#!/bin/sh\ntouch " + (config.path() / "opened").string() + "\n");
    std::filesystem::permissions(installerProgram, std::filesystem::perms::owner_all);
    ::setenv("PATH", ((config.path() / "bin").string() + ":" + std::getenv("PATH")).c_str(), 1);
    const auto package = config.write("share/WirelarkAdmin.deb", "package");
    HelperInstallerOptions options = HelperInstallerOptions::configured();
    options.siteURL = "http://127.0.0.1:1";
    options.builtIn = BuiltInHelperPackage{package, config.path() / "share/helper-release.json"};
    options.downloadFolder = config.path() / "cache";
    HelperInstaller installer(std::move(options));
    admin.set(AdminState::notInstalled, std::nullopt);
    AdminHelperTab tab(admin, &installer);
    const auto* actions = tab.findChild<QWidget*>("adminActions");
    const auto* phase = tab.findChild<QLabel*>("helperInstallPhase");
    EXPECT_EQ(visibleTexts<QPushButton>(actions),
              (QStringList{"Install Admin Helper…", "Check Again"}));
    EXPECT_TRUE(phase->isHidden());

    childWithText<QPushButton>(actions, "Install Admin Helper…")->click();
    EXPECT_EQ(phase->text(), "Checking for a newer helper…");
    EXPECT_FALSE(phase->isHidden());
    EXPECT_TRUE(processEventsUntil(
        [&] { return std::filesystem::exists(config.path() / "opened") && phase->isHidden(); },
        20'000));

    std::filesystem::remove(package);
    installer.install();
    EXPECT_TRUE(processEventsUntil(
        [&] { return phase->text() == "No installer is available. Download it from the website."; },
        20'000));
    EXPECT_FALSE(phase->isHidden());
}

TEST_F(SettingsWindowTest, LaunchAtLoginWritesAndRemovesTheAutostartEntry) {
    QWidget& general = page(SettingsTab::general);
    auto* launchSwitch = general.findChild<QCheckBox*>("launchAtLogin");
    auto* error = general.findChild<QLabel*>("loginError");
    ASSERT_TRUE(launchSwitch && error);
    EXPECT_FALSE(launchSwitch->isChecked());

    launchSwitch->click();
    EXPECT_TRUE(launchSwitch->isChecked());
    EXPECT_TRUE(std::filesystem::exists(launch.entry()));
    EXPECT_TRUE(error->isHidden());

    launchSwitch->click();
    EXPECT_FALSE(launchSwitch->isChecked());
    EXPECT_FALSE(std::filesystem::exists(launch.entry()));
}

TEST_F(SettingsWindowTest, ALaunchAtLoginFailureIsShownAndTheSwitchSnapsBack) {
    // A file in the autostart folder's place stops root as well.
    config.write("autostart", "");
    QWidget& general = page(SettingsTab::general);
    auto* launchSwitch = general.findChild<QCheckBox*>("launchAtLogin");
    auto* error = general.findChild<QLabel*>("loginError");
    launchSwitch->click();
    EXPECT_FALSE(launchSwitch->isChecked());
    EXPECT_FALSE(error->isHidden());
    EXPECT_TRUE(error->text().startsWith("Could not write " +
                                         QString::fromStdString(launch.entry().string()) + ": "))
        << error->text().toStdString();

    std::filesystem::remove(config.path() / "autostart");
    launchSwitch->click();
    EXPECT_TRUE(launchSwitch->isChecked());
    EXPECT_TRUE(error->isHidden());
}

TEST_F(SettingsWindowTest, NotificationSwitchesEditTheirFlags) {
    struct Case {
        QString text;
        bool SettingsData::*flag;
    };
    const Case cases[] = {
        {"An interface connects or disconnects", &SettingsData::notifyLinkChange},
        {"An interface's address changes", &SettingsData::notifyAddressChange},
        {"The primary interface changes", &SettingsData::notifyPrimaryChange},
        {"The public IP address changes", &SettingsData::notifyPublicIPChange},
        {"Wi-Fi joins a different network", &SettingsData::notifySSIDChange},
    };
    QWidget& tab = page(SettingsTab::notifications);
    QStringList inOrder;
    for (const Case& c : cases) {
        inOrder << c.text;
    }
    EXPECT_EQ(visibleTexts<QCheckBox>(&tab), inOrder);
    for (const Case& c : cases) {
        auto* flagSwitch = childWithText<QCheckBox>(&tab, c.text);
        flagSwitch->click();
        EXPECT_TRUE(settings.data().*c.flag) << c.text.toStdString();
        change([&](SettingsData& data) { data.*c.flag = false; });
        EXPECT_FALSE(flagSwitch->isChecked()) << c.text.toStdString();
    }
}

TEST_F(SettingsWindowTest, TheCustomURLFieldsShowForTheCustomProviderAndStoreWhatIsTyped) {
    QWidget& tab = page(SettingsTab::publicIP);
    auto* provider = tab.findChild<QComboBox*>("publicIPProvider");
    auto* url = tab.findChild<QLineEdit*>("publicIPCustomURL");
    ASSERT_TRUE(provider && url);
    EXPECT_EQ(provider->itemText(provider->count() - 1), "Custom URL");
    EXPECT_TRUE(url->isHidden() || !url->isVisibleTo(&tab));
    provider->setCurrentIndex(provider->count() - 1);
    EXPECT_EQ(settings.data().publicIPProvider, PublicIPProvider::custom);
    EXPECT_TRUE(url->isVisibleTo(&tab));
    EXPECT_TRUE(url->placeholderText().endsWith("/ip"));
    url->setFocus();
    url->insert("https://ip.example.net/ip");
    EXPECT_EQ(settings.data().publicIPCustomURL, "https://ip.example.net/ip");
}

TEST_F(SettingsWindowTest, ADevelopmentBuildSaysUpdatesAreOff) {
    if (Updater::updatesEnabled()) {
        GTEST_SKIP() << "this build was configured with an update key";
    }
    EXPECT_EQ(visibleTexts<QLabel>(&page(SettingsTab::updates)),
              QStringList({"Updates are off in this development build."}));
}

} // namespace
