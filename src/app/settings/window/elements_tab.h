#pragma once

#include "app/model/network_model.h"
#include "app/settings/app_settings.h"

#include <QWidget>

#include <map>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;

namespace wirelark {

// Which parts of an interface row show: for every interface, or for one of its own.
class ElementsTab : public QWidget {
public:
    ElementsTab(AppSettings& settings, const NetworkModel& model, QWidget* parent = nullptr);

private:
    // None while the defaults for all interfaces are chosen.
    std::optional<std::string> selectedKey() const;
    void showInterfaces();
    void showElements();

    AppSettings& settings_;
    const NetworkModel& model_;
    QComboBox* interface_;
    QCheckBox* useDefaults_;
    std::map<InterfaceElement, QCheckBox*> elementSwitches_;
};

} // namespace wirelark
