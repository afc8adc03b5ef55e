#pragma once

#include <QAction>
#include <QWidget>

namespace wirelark {

// Offers `action` to assistive technology as an action of `widget`, named by the action's
// text ("Copy", "Move up"). Qt's widgets expose no custom actions of their own.
void addAccessibleAction(QWidget& widget, QAction& action);

} // namespace wirelark
