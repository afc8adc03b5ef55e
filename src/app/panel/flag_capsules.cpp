#include "app/panel/flag_capsules.h"

#include "app/panel/flow_layout.h"
#include "app/panel/panel_style.h"
#include "app/panel/row_texts.h"
#include "netcore/interfaces/bit_names.h"

#include <QLabel>

namespace wirelark {
namespace {

QLabel* capsule(const std::string& name, QWidget* parent) {
    auto* label = new QLabel(QString::fromStdString(name), parent);
    label->setFont(monospacedFont(8.5, QFont::Medium));
    const QString help = QString::fromStdString(interfaceFlagHelp(name));
    label->setToolTip(help);
    label->setAccessibleName(help);
    label->setContentsMargins(3, 1, 3, 1);
    QColor fill = label->palette().color(QPalette::WindowText);
    fill.setAlphaF(0.1);
    label->setStyleSheet(
        QString("background-color: %1; border-radius: 3px;").arg(fill.name(QColor::HexArgb)));
    return label;
}

} // namespace

FlagCapsules::FlagCapsules(QWidget* parent) : QWidget(parent) {
    new FlowLayout(3, this);
}

void FlagCapsules::setFlags(uint32_t flags) {
    if (flags == flags_ && layout()->count() > 0) {
        return;
    }
    flags_ = flags;
    while (QLayoutItem* item = layout()->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const std::string& name : flagCapsuleNames(flags)) {
        layout()->addWidget(capsule(name, this));
    }
}

} // namespace wirelark
