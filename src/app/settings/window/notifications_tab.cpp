#include "app/settings/window/notifications_tab.h"

#include "app/settings/window/settings_switch.h"

#include <QLabel>
#include <QVBoxLayout>

namespace wirelark {

namespace {

struct NotificationSwitch {
    const char* text;
    bool SettingsData::*flag;
};

constexpr NotificationSwitch kSwitches[] = {
    {"An interface connects or disconnects", &SettingsData::notifyLinkChange},
    {"An interface's address changes", &SettingsData::notifyAddressChange},
    {"The primary interface changes", &SettingsData::notifyPrimaryChange},
    {"The public IP address changes", &SettingsData::notifyPublicIPChange},
    {"Wi-Fi joins a different network", &SettingsData::notifySSIDChange},
};

} // namespace

NotificationsTab::NotificationsTab(AppSettings& settings, QWidget* parent) : QWidget(parent) {
    // The notification server needs no permission, so turning a switch on asks for none.
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Notify me when"), this));
    for (const NotificationSwitch& entry : kSwitches) {
        layout->addWidget(
            new SettingsSwitch(QString::fromUtf8(entry.text), settings, entry.flag, this));
    }
    auto* footnote = new QLabel(
        QStringLiteral("Interfaces with a network service, and pinned interfaces, are watched."),
        this);
    footnote->setWordWrap(true);
    layout->addWidget(footnote);
    layout->addStretch();
}

} // namespace wirelark
