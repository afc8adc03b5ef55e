#include "app/panel/public_address_line.h"

#include "app/panel/panel_style.h"
#include "app/panel/symbol_icons.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace wirelark {

PublicAddressLine::PublicAddressLine(NetworkModel& model, QWidget* parent)
    : QWidget(parent), model_(model), label_("public") {
    setFont(monospacedFont(10.5));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 0, 12, 6);
    row->setSpacing(6);
    label_.setFixedWidth(52);
    makeSecondary(label_);
    makeSecondary(status_);
    auto* values = new QVBoxLayout;
    values->setSpacing(1);
    values->addWidget(&status_);
    values->addWidget(&ipv4_);
    values->addWidget(&ipv6_);
    refresh_.setAutoRaise(true);
    refresh_.setIcon(symbolIcon(Symbol::reload));
    refresh_.setToolTip("Look up the public address again");
    refresh_.setAccessibleName("Refresh public IP");
    row->addWidget(&label_, 0, Qt::AlignTop);
    row->addLayout(values, 1);
    row->addWidget(&refresh_, 0, Qt::AlignTop);
    connect(&refresh_, &QToolButton::clicked, &model_, &NetworkModel::refreshPublicIP);
    connect(&model_, &NetworkModel::publicIPChanged, this, &PublicAddressLine::showResult);
    connect(&model_, &NetworkModel::publicIPLoadingChanged, this, &PublicAddressLine::showResult);
    showResult();
}

void PublicAddressLine::showResult() {
    const std::optional<PublicIPResult>& result = model_.publicIP();
    const bool failed = result && result->error;
    status_.setVisible(!result || failed);
    status_.setText(!result ? "looking up\u2026"
                            : QString::fromStdString(result->error.value_or("")));
    const bool showAddresses = result && !failed;
    ipv4_.setVisible(showAddresses && result->ipv4);
    ipv6_.setVisible(showAddresses && result->ipv6);
    if (showAddresses) {
        ipv4_.setCopyableText(QString::fromStdString(result->ipv4.value_or("")));
        ipv6_.setCopyableText(QString::fromStdString(result->ipv6.value_or("")));
    }
    refresh_.setEnabled(!model_.publicIPLoading());
}

QStringList PublicAddressLine::valueTexts() const {
    QStringList texts;
    for (const QLabel* label :
         {&status_, static_cast<const QLabel*>(&ipv4_), static_cast<const QLabel*>(&ipv6_)}) {
        if (!label->isHidden()) {
            texts << label->text();
        }
    }
    return texts;
}

} // namespace wirelark
