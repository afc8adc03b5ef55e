#pragma once

#include "app/settings/app_settings.h"

#include <QCheckBox>

namespace wirelark {

// A switch bound to one flag of the settings record: flipping it stores the flag, and a change
// from elsewhere moves it.
class SettingsSwitch : public QCheckBox {
public:
    SettingsSwitch(const QString& text, AppSettings& settings, bool SettingsData::*flag,
                   QWidget* parent = nullptr);

private:
    void showStored();

    AppSettings& settings_;
    bool SettingsData::*flag_;
};

} // namespace wirelark
