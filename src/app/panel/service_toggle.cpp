#include "app/panel/service_toggle.h"

#include "app/panel/network_settings_command.h"
#include "app/panel/panel_style.h"
#include "app/panel/symbol_icons.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

namespace wirelark {

ServiceToggle::ServiceToggle(AdminControls& admin, QWidget* parent)
    : QWidget(parent), admin_(admin), settingsButton_("Network Settings\u2026") {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    const QFont font = systemFont(10.5);
    setFont(font);
    progress_.setRange(0, 0);
    progress_.setTextVisible(false);
    progress_.setFixedSize(16, 8);
    stateSymbol_.setAccessibleName({});
    settingsButton_.setFlat(true);
    settingsButton_.setCursor(Qt::PointingHandCursor);
    QPalette link = settingsButton_.palette();
    link.setColor(QPalette::ButtonText, palette().color(QPalette::Link));
    settingsButton_.setPalette(link);
    for (QWidget* part : std::initializer_list<QWidget*>{&switch_, &progress_, &stateSymbol_,
                                                         &stateText_, &settingsButton_}) {
        layout->addWidget(part, 0, Qt::AlignVCenter);
    }
    layout->addStretch();
    connect(&switch_, &QCheckBox::clicked, this, &ServiceToggle::turned);
    connect(&settingsButton_, &QPushButton::clicked, this, [] { openNetworkSettings(); });
    connect(&admin_, &AdminControls::changed, this, &ServiceToggle::showState);
}

void ServiceToggle::setService(const NetworkService& service) {
    service_ = service;
    showState();
}

void ServiceToggle::showState() {
    const QString name = QString::fromStdString(service_.name);
    const bool paired = admin_.state() == AdminState::paired;
    switch_.setVisible(paired);
    progress_.setVisible(paired && busy_);
    stateSymbol_.setVisible(!paired);
    stateText_.setVisible(!paired);
    settingsButton_.setVisible(!paired);
    if (paired) {
        switch_.setText(name);
        switch_.setChecked(service_.enabled);
        switch_.setEnabled(!busy_);
        switch_.setToolTip(error_ ? *error_
                                  : "Make " + name + (service_.enabled ? " inactive" : " active"));
        setAccessibleName({});
        return;
    }
    stateSymbol_.setPixmap(service_.enabled
                               ? tintedSymbol(Symbol::checkmark, 14, kGreen)
                               : tintedSymbol(Symbol::cross, 14, secondaryColor(*this)));
    const QString state = service_.enabled ? "active" : "inactive";
    stateText_.setText(name + ": " + state);
    settingsButton_.setToolTip("Make " + name + " active or inactive in System Settings");
    setAccessibleName(name + ": " + state);
}

void ServiceToggle::turned(bool enabled) {
    busy_ = true;
    error_.reset();
    showState(); // the switch keeps the published state until the model publishes another
    QPointer<ServiceToggle> self(this);
    admin_.setServiceEnabled(service_.id, enabled, [self](std::optional<std::string> failure) {
        if (!self) {
            return;
        }
        self->busy_ = false;
        if (failure) {
            self->error_ = QString::fromStdString(*failure);
        }
        self->showState();
    });
}

bool openNetworkSettings() {
    const auto command = networkSettingsCommand([](const std::string& program) {
        return !QStandardPaths::findExecutable(QString::fromStdString(program)).isEmpty();
    });
    if (!command) {
        return false;
    }
    QStringList arguments;
    for (size_t i = 1; i < command->size(); ++i) {
        arguments << QString::fromStdString((*command)[i]);
    }
    return QProcess::startDetached(QString::fromStdString(command->front()), arguments);
}

} // namespace wirelark
