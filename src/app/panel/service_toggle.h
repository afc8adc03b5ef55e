#pragma once

#include "app/admin/admin_controls.h"
#include "netcore/sysconfig/network_metadata.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

#include <optional>

namespace wirelark {

// Turns a connection profile on or off. Paired with the admin helper, a switch asks the helper
// and always shows the state the model last published, so a failed change snaps back with its
// reason as the help text. Otherwise the state shows as text beside a link to the desktop's
// network settings.
class ServiceToggle : public QWidget {
    Q_OBJECT

public:
    ServiceToggle(AdminControls& admin, QWidget* parent = nullptr);

    void setService(const NetworkService& service);

    bool isBusy() const { return busy_; }
    const std::optional<QString>& error() const { return error_; }
    QCheckBox& switchButton() { return switch_; }
    QPushButton& settingsButton() { return settingsButton_; }
    QLabel& stateText() { return stateText_; }

private:
    void showState();
    void turned(bool enabled);

    AdminControls& admin_;
    NetworkService service_;
    bool busy_ = false;
    std::optional<QString> error_;
    QCheckBox switch_;
    QProgressBar progress_;
    QLabel stateSymbol_;
    QLabel stateText_;
    QPushButton settingsButton_;
};

// Opens the desktop's network settings; false when none is installed or it would not start.
bool openNetworkSettings();

} // namespace wirelark
