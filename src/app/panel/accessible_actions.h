#pragma once

#include <QAction>
#include <QWidget>

namespace wirelark {

// Lets assistive technology see the widget's actions; call it before the widget's accessible
// name or anything else makes Qt describe the widget, since that description is kept.
void offerAccessibleActions(QWidget& widget);
// Offers `action` to assistive technology as an action of `widget`, named by the action's
// text ("Copy", "Move up"). Qt's widgets expose no custom actions of their own.
void addAccessibleAction(QWidget& widget, QAction& action);

} // namespace wirelark
