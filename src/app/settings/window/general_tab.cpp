#include "app/settings/window/general_tab.h"

#include "app/settings/window/edit_settings.h"
#include "app/settings/window/settings_choice.h"
#include "app/settings/window/settings_switch.h"
#include "netcore/history/rate_format.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace wirelark {

namespace {

constexpr double kUpdateIntervals[] = {1, 2, 5, 10, 30, 60};

SettingsOptions<double> updateIntervalOptions() {
    SettingsOptions<double> options;
    for (const double seconds : kUpdateIntervals) {
        options.emplace_back(QString::fromStdString(periodLabel(seconds)), seconds);
    }
    return options;
}

} // namespace

GeneralTab::GeneralTab(AppSettings& settings, const LaunchAtLogin& launchAtLogin, QWidget* parent)
    : QWidget(parent), settings_(settings), launchAtLogin_(launchAtLogin),
      launchSwitch_(new QCheckBox(QStringLiteral("Launch at login"), this)),
      loginError_(new QLabel(this)), menubarSource_(new QComboBox(this)) {
    launchSwitch_->setObjectName(QStringLiteral("launchAtLogin"));
    loginError_->setObjectName(QStringLiteral("loginError"));
    loginError_->setWordWrap(true);
    loginError_->hide();
    showLaunchAtLogin();
    connect(launchSwitch_, &QCheckBox::toggled, this, &GeneralTab::setLaunchAtLogin);

    auto* showInactive = new SettingsSwitch(QStringLiteral("Show inactive interfaces by default"),
                                            settings, &SettingsData::showInactiveByDefault, this);

    auto* updateInterval =
        makeSettingsChoice(settings, &SettingsData::updateInterval, updateIntervalOptions(), this);
    updateInterval->setObjectName(QStringLiteral("updateInterval"));
    auto* units =
        makeSettingsChoice(settings, &SettingsData::useBits,
                           SettingsOptions<bool>{{QStringLiteral("Bytes per second"), false},
                                                 {QStringLiteral("Bits per second"), true}},
                           this);
    units->setObjectName(QStringLiteral("useBits"));
    auto* menubarMode = makeSettingsChoice(
        settings, &SettingsData::menubarMode,
        SettingsOptions<MenubarMode>{{QStringLiteral("Icon"), MenubarMode::icon},
                                     {QStringLiteral("Rates"), MenubarMode::rates},
                                     {QStringLiteral("Graph"), MenubarMode::graph},
                                     {QStringLiteral("Icon and rates"), MenubarMode::iconAndRates}},
        this);
    menubarMode->setObjectName(QStringLiteral("menubarMode"));
    menubarSource_->setObjectName(QStringLiteral("menubarSource"));
    showMenubarSources();
    connect(&settings_, &AppSettings::changed, this, &GeneralTab::showMenubarSources);
    connect(menubarSource_, &QComboBox::currentIndexChanged, this, [this](int index) {
        const QVariant key = menubarSource_->itemData(index);
        editSettings(settings_, [&](SettingsData& data) {
            if (index == 0) {
                data.menubarSource = MenubarSource::primary();
            } else if (index == 1) {
                data.menubarSource = MenubarSource::allActive();
            } else if (key.isValid()) {
                data.menubarSource = MenubarSource::interface(key.toString().toStdString());
            }
        });
    });

    auto* pickers = new QFormLayout;
    pickers->addRow(QStringLiteral("Update every"), updateInterval);
    pickers->addRow(QStringLiteral("Units"), units);
    pickers->addRow(QStringLiteral("Menubar shows"), menubarMode);
    pickers->addRow(QStringLiteral("Menubar rates from"), menubarSource_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(launchSwitch_);
    layout->addWidget(loginError_);
    layout->addWidget(showInactive);
    layout->addLayout(pickers);
    layout->addStretch();
}

void GeneralTab::showEvent(QShowEvent* event) {
    showLaunchAtLogin();
    QWidget::showEvent(event);
}

void GeneralTab::setLaunchAtLogin(bool enabled) {
    const std::error_code error = launchAtLogin_.setEnabled(enabled);
    if (error) {
        const QString path = QString::fromStdString(launchAtLogin_.entry().string());
        loginError_->setText((enabled ? QStringLiteral("Could not write %1: %2")
                                      : QStringLiteral("Could not remove %1: %2"))
                                 .arg(path, QString::fromStdString(error.message())));
        loginError_->show();
    } else {
        loginError_->clear();
        loginError_->hide();
    }
    showLaunchAtLogin();
}

void GeneralTab::showLaunchAtLogin() {
    const QSignalBlocker quiet(launchSwitch_);
    launchSwitch_->setChecked(launchAtLogin_.isEnabled());
}

void GeneralTab::showMenubarSources() {
    const QSignalBlocker quiet(menubarSource_);
    menubarSource_->clear();
    menubarSource_->addItem(QStringLiteral("Primary interface"));
    menubarSource_->addItem(QStringLiteral("All active interfaces"));
    const SettingsData& data = settings_.data();
    int selected = data.menubarSource.isAllActive() ? 1 : 0;
    for (const InterfaceFingerprint& pin : data.pinned) {
        const QString key = QString::fromStdString(pin.key);
        if (const std::string* chosen = data.menubarSource.interfaceKey();
            chosen && *chosen == pin.key) {
            selected = menubarSource_->count();
        }
        menubarSource_->addItem(QString::fromStdString(pin.name), key);
    }
    // A chosen interface that is no longer pinned still rules the image; show none rather than a
    // choice that is not in effect.
    if (data.menubarSource.interfaceKey() && selected == 0) {
        selected = -1;
    }
    menubarSource_->setCurrentIndex(selected);
}

} // namespace wirelark
