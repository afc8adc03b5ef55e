#include "app/settings/window/settings_switch.h"

#include "app/settings/window/edit_settings.h"

#include <QSignalBlocker>

namespace wirelark {

SettingsSwitch::SettingsSwitch(const QString& text, AppSettings& settings, bool SettingsData::*flag,
                               QWidget* parent)
    : QCheckBox(text, parent), settings_(settings), flag_(flag) {
    showStored();
    connect(this, &QCheckBox::toggled, this, [this](bool on) {
        editSettings(settings_, [&](SettingsData& data) { data.*flag_ = on; });
    });
    connect(&settings_, &AppSettings::changed, this, &SettingsSwitch::showStored);
}

void SettingsSwitch::showStored() {
    const QSignalBlocker quiet(this);
    setChecked(settings_.data().*flag_);
}

} // namespace wirelark
