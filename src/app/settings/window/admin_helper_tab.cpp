#include "app/settings/window/admin_helper_tab.h"

#include "app/admin/admin_status_text.h"
#include "app/settings/window/renewed_column.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace wirelark {

namespace {

QLabel* wrapped(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

AdminHelperTab::AdminHelperTab(AdminControls& admin, HelperInstaller* installer, QWidget* parent)
    : QWidget(parent), admin_(admin), installer_(installer), status_(new QLabel(this)),
      tooOld_(wrapped(QStringLiteral("This version of the helper is too old for this app. Update "
                                     "it in Wirelark Admin."),
                      this)),
      update_(new QLabel(this)),
      updateButton_(new QPushButton(QStringLiteral("Update in Wirelark Admin…"), this)),
      installPhase_(wrapped(QString(), this)), layout_(new QVBoxLayout(this)) {
    status_->setObjectName(QStringLiteral("adminStatus"));
    tooOld_->setObjectName(QStringLiteral("helperTooOld"));
    update_->setObjectName(QStringLiteral("helperUpdate"));
    installPhase_->setObjectName(QStringLiteral("helperInstallPhase"));
    connect(updateButton_, &QPushButton::clicked, &admin_, &AdminControls::openAdminApp);

    layout_->addWidget(wrapped(
        QStringLiteral("Making a network service active or inactive needs administrator rights, "
                       "which this app doesn't have. The optional admin helper, a separate "
                       "download, does it on the app's behalf once you approve the pairing as an "
                       "administrator."),
        this));
    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(new QLabel(QStringLiteral("Status"), this));
    statusRow->addWidget(status_, 1);
    layout_->addLayout(statusRow);
    layout_->addWidget(tooOld_);
    auto* updateRow = new QHBoxLayout;
    updateRow->addWidget(update_, 1);
    updateRow->addWidget(updateButton_);
    layout_->addLayout(updateRow);
    layout_->addWidget(installPhase_);
    layout_->addStretch();

    showState();
    showInstallPhase();
    connect(&admin_, &AdminControls::changed, this, &AdminHelperTab::showState);
    if (installer_ != nullptr) {
        connect(installer_, &HelperInstaller::phaseChanged, this,
                &AdminHelperTab::showInstallPhase);
    }
}

void AdminHelperTab::showInstallPhase() {
    const std::optional<std::string> text =
        installer_ != nullptr ? statusText(installer_->phase()) : std::nullopt;
    installPhase_->setText(QString::fromStdString(text.value_or(std::string())));
    installPhase_->setVisible(text.has_value());
}

void AdminHelperTab::showState() {
    status_->setText(adminStatusText(admin_.state(), admin_.helperVersion()));
    tooOld_->setVisible(admin_.helperNeedsUpdate());
    const std::optional<std::string> available = admin_.availableUpdate();
    update_->setText(
        available
            ? QStringLiteral("Helper %1 is available.").arg(QString::fromStdString(*available))
            : QString());
    update_->setVisible(available.has_value());
    updateButton_->setVisible(available.has_value());
    showActions();
}

void AdminHelperTab::showActions() {
    QVBoxLayout* layout = renewColumn(actions_, this, QStringLiteral("adminActions"));
    auto button = [&](const QString& text, void (AdminControls::*action)()) {
        auto* pushButton = new QPushButton(text, actions_);
        connect(pushButton, &QPushButton::clicked, &admin_, action);
        layout->addWidget(pushButton);
    };
    switch (admin_.state()) {
    case AdminState::checking:
        break;
    case AdminState::notInstalled:
        if (installer_ != nullptr && installer_->hasBuiltInPackage()) {
            auto* install = new QPushButton(QStringLiteral("Install Admin Helper…"), actions_);
            connect(install, &QPushButton::clicked, installer_, &HelperInstaller::install);
            layout->addWidget(install);
        } else {
            // Without the helper, Wirelark Admin's place is taken by the download page.
            button(QStringLiteral("Get the Admin Helper…"), &AdminControls::openAdminApp);
        }
        button(QStringLiteral("Check Again"), &AdminControls::refresh);
        break;
    case AdminState::notPaired:
        button(QStringLiteral("Open Wirelark Admin"), &AdminControls::beginPairing);
        layout->addWidget(wrapped(QStringLiteral("Wirelark Admin opens; approve the request there "
                                                 "with an administrator password."),
                                  actions_));
        break;
    case AdminState::pairing:
        layout->addWidget(
            new QLabel(QStringLiteral("Waiting for approval in Wirelark Admin…"), actions_));
        break;
    case AdminState::paired:
        button(QStringLiteral("Unpair"), &AdminControls::unpair);
        button(QStringLiteral("Check for Updates…"), &AdminControls::openAdminApp);
        break;
    }
    // Above the stretch at the end.
    layout_->insertWidget(layout_->count() - 1, actions_);
}

} // namespace wirelark
