#include "app/panel/row_header.h"

#include "app/panel/panel_style.h"
#include "app/panel/row_texts.h"
#include "app/panel/symbol_icons.h"

#include <QHBoxLayout>

namespace wirelark {
namespace {

void makeBadge(QLabel& badge, const QString& text, const QString& help) {
    badge.setText(text);
    badge.setFont(systemFont(8));
    badge.setContentsMargins(4, 0, 4, 0);
    badge.setToolTip(help);
}

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

} // namespace

RowHeader::RowHeader(QWidget* parent)
    : QWidget(parent), selfAssigned_(withAlpha(kYellow, 0.3), 6),
      primary_(withAlpha(kGreen, 0.25), 6) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    symbol_.setFixedWidth(16);
    symbol_.setAccessibleName({});
    name_.setFont(monospacedFont(QFont().pointSizeF(), QFont::Bold));
    makeSecondary(subtitle_);
    // One line; a long subtitle is cut rather than widening the panel.
    subtitle_.setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    subtitle_.setMinimumWidth(20);
    makeBadge(selfAssigned_, "self-assigned",
              "Only a 169.254 address: the link is up but no DHCP server answered");
    makeBadge(primary_, "primary", "Default route for this computer");
    pin_.setAutoRaise(true);
    pin_.setFocusPolicy(Qt::NoFocus);
    layout->addWidget(&symbol_, 0, Qt::AlignVCenter);
    layout->addWidget(&name_, 0, Qt::AlignBaseline);
    layout->addWidget(&subtitle_, 1, Qt::AlignBaseline);
    layout->addWidget(&selfAssigned_, 0, Qt::AlignVCenter);
    layout->addWidget(&primary_, 0, Qt::AlignVCenter);
    layout->addSpacing(4);
    layout->addWidget(&pin_, 0, Qt::AlignVCenter);
    connect(&pin_, &QToolButton::clicked, this, &RowHeader::togglePinRequested);
}

void RowHeader::setItem(const InterfaceItem& item, bool isPinned) {
    const Symbol kind = kindSymbol(item);
    const bool active = item.isActive();
    if (static_cast<int>(kind) != shownSymbol_ || active != symbolActive_) {
        symbol_.setPixmap(
            tintedSymbol(kind, 16, active ? accentColor(*this) : secondaryColor(*this)));
        shownSymbol_ = static_cast<int>(kind);
        symbolActive_ = active;
    }
    const QString name = QString::fromStdString(item.name);
    name_.setText(name);
    subtitle_.setText(QString::fromStdString(item.subtitle()));
    subtitle_.setToolTip(QString::fromStdString(subtitleHelp(item)));
    selfAssigned_.setVisible(item.isSelfAssigned());
    primary_.setVisible(item.isPrimary);
    const QString pinHelp = isPinned ? "Unpin" : "Pin to top";
    if (pin_.toolTip() != pinHelp) {
        pin_.setIcon(symbolIcon(isPinned ? Symbol::pinFilled : Symbol::pin));
        pin_.setToolTip(pinHelp);
    }
    pin_.setAccessibleName((isPinned ? "Unpin " : "Pin ") + name);
}

} // namespace wirelark
