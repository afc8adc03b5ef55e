#include "app/panel/flag_capsules.h"

#include "app/panel/capsule_label.h"
#include "app/panel/flow_layout.h"
#include "app/panel/panel_style.h"
#include "app/panel/row_texts.h"
#include "netcore/interfaces/bit_names.h"

namespace wirelark {
namespace {

QLabel* capsule(const std::string& name, const QColor& fill, QWidget* parent) {
    auto* label = new CapsuleLabel(fill, 3, parent);
    label->setText(QString::fromStdString(name));
    label->setFont(monospacedFont(8.5, QFont::Medium));
    const QString help = QString::fromStdString(interfaceFlagHelp(name));
    label->setToolTip(help);
    label->setAccessibleName(help);
    label->setContentsMargins(3, 1, 3, 1);
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
    QColor fill = palette().color(QPalette::WindowText);
    fill.setAlphaF(0.1F);
    for (const std::string& name : flagCapsuleNames(flags)) {
        QLabel* label = capsule(name, fill, this);
        layout()->addWidget(label);
        // Shown now, not from the event loop, so that the height reported for this row counts it.
        label->show();
    }
}

} // namespace wirelark
