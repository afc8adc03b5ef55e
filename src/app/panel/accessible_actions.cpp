#include "app/panel/accessible_actions.h"

#include <QAccessibleWidget>

namespace wirelark {
namespace {

constexpr const char* kMarker = "wirelarkAccessibleActions";

class ActionsAccessible final : public QAccessibleWidget {
public:
    explicit ActionsAccessible(QWidget* widget) : QAccessibleWidget(widget) {}

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        for (const QAction* action : widget()->actions()) {
            names << action->text();
        }
        return names;
    }
    void doAction(const QString& name) override {
        for (QAction* action : widget()->actions()) {
            if (action->text() == name) {
                action->trigger();
                return;
            }
        }
        QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface* actionsFactory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget && widget->property(kMarker).toBool()) {
        return new ActionsAccessible(widget);
    }
    return nullptr;
}

} // namespace

void offerAccessibleActions(QWidget& widget) {
    static const bool installed = [] {
        QAccessible::installFactory(actionsFactory);
        return true;
    }();
    (void)installed;
    widget.setProperty(kMarker, true);
}

void addAccessibleAction(QWidget& widget, QAction& action) {
    offerAccessibleActions(widget);
    widget.addAction(&action);
}

} // namespace wirelark
