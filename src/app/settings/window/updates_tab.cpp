#include "app/settings/window/updates_tab.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace wirelark {

UpdatesTab::UpdatesTab(Updater& updater, QWidget* parent) : QWidget(parent), updater_(updater) {
    auto* layout = new QVBoxLayout(this);
    if (!Updater::updatesEnabled()) {
        layout->addWidget(
            new QLabel(QStringLiteral("Updates are off in this development build."), this));
    } else {
        automatic_ = new QCheckBox(QStringLiteral("Check for updates automatically"), this);
        automatic_->setChecked(updater_.automaticChecks());
        connect(automatic_, &QCheckBox::toggled, this,
                [this](bool on) { updater_.setAutomaticChecks(on); });
        auto* check = new QPushButton(QStringLiteral("Check for Updates…"), this);
        connect(check, &QPushButton::clicked, this, [this] { updater_.checkNow(); });
        layout->addWidget(automatic_);
        layout->addWidget(check);
    }
    layout->addStretch();
}

void UpdatesTab::showEvent(QShowEvent* event) {
    if (automatic_) {
        const QSignalBlocker quiet(automatic_);
        automatic_->setChecked(updater_.automaticChecks());
    }
    QWidget::showEvent(event);
}

} // namespace wirelark
