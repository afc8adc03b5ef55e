#include "app/settings/window/settings_window.h"

#include "app/settings/window/admin_helper_tab.h"
#include "app/settings/window/elements_tab.h"
#include "app/settings/window/general_tab.h"
#include "app/settings/window/notifications_tab.h"
#include "app/settings/window/public_ip_tab.h"
#include "app/settings/window/statistics_tab.h"
#include "app/settings/window/updates_tab.h"

#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace wirelark {

namespace {

QWidget* makePage(SettingsTab tab, const SettingsWindowSources& sources, QWidget* parent) {
    switch (tab) {
    case SettingsTab::general:
        return new GeneralTab(sources.settings, sources.launchAtLogin, parent);
    case SettingsTab::elements:
        return new ElementsTab(sources.settings, sources.model, parent);
    case SettingsTab::statistics:
        return new StatisticsTab(sources.settings, parent);
    case SettingsTab::publicIP:
        return new PublicIPTab(sources.settings, sources.model, parent);
    case SettingsTab::notifications:
        return new NotificationsTab(sources.settings, parent);
    case SettingsTab::adminHelper:
        return new AdminHelperTab(sources.admin, sources.model.helperInstaller(), parent);
    case SettingsTab::updates:
        return new UpdatesTab(sources.updater, parent);
    }
    return nullptr;
}

} // namespace

SettingsWindow::SettingsWindow(const SettingsWindowSources& sources, SettingsTab initialTab,
                               QWidget* parent)
    : QWidget(parent, Qt::Window), tabs_(new QTabWidget(this)) {
    setWindowTitle(QStringLiteral("Wirelark Settings"));
    for (const SettingsTab tab : kSettingsTabs) {
        tabs_->addTab(makePage(tab, sources, tabs_), icon(tab), label(tab));
    }
    selectTab(initialTab);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
}

// A tab widget asks for no more than 200 pixels for its bar and scrolls through the rest: the
// window asks to be wide enough to show every tab.
QSize SettingsWindow::sizeHint() const {
    const QMargins margins = layout()->contentsMargins();
    const int tabsWidth = tabs_->tabBar()->sizeHint().width() + margins.left() + margins.right() +
                          2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const QSize hint = QWidget::sizeHint();
    return {std::max(hint.width(), tabsWidth), hint.height()};
}

SettingsTab SettingsWindow::currentTab() const {
    return kSettingsTabs.at(static_cast<std::size_t>(tabs_->currentIndex()));
}

void SettingsWindow::selectTab(SettingsTab tab) {
    tabs_->setCurrentIndex(static_cast<int>(tab));
}

QWidget* SettingsWindow::page(SettingsTab tab) const {
    return tabs_->widget(static_cast<int>(tab));
}

} // namespace wirelark
