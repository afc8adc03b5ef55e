#pragma once

#include "app/settings/app_settings.h"
#include "app/settings/window/edit_settings.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QString>

#include <algorithm>
#include <utility>
#include <vector>

namespace wirelark {

template <typename T>
using SettingsOptions = std::vector<std::pair<QString, T>>;

// A picker bound to one field of the settings record. A stored value that is none of the
// options leaves the picker blank rather than showing a value that is not in effect.
template <typename T>
QComboBox* makeSettingsChoice(AppSettings& settings, T SettingsData::*field,
                              SettingsOptions<T> options, QWidget* parent) {
    auto* box = new QComboBox(parent);
    for (const auto& option : options) {
        box->addItem(option.first);
    }
    auto showStored = [box, &settings, field, options] {
        const auto found = std::find_if(options.begin(), options.end(), [&](const auto& option) {
            return option.second == settings.data().*field;
        });
        const QSignalBlocker quiet(box);
        box->setCurrentIndex(found == options.end() ? -1
                                                    : static_cast<int>(found - options.begin()));
    };
    showStored();
    QObject::connect(&settings, &AppSettings::changed, box, showStored);
    QObject::connect(
        box, &QComboBox::currentIndexChanged, box, [&settings, field, options](int index) {
            if (index >= 0 && index < static_cast<int>(options.size())) {
                editSettings(settings,
                             [&](SettingsData& data) { data.*field = options[index].second; });
            }
        });
    return box;
}

} // namespace wirelark
