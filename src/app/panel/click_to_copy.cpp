#include "app/panel/click_to_copy.h"

#include "app/panel/accessible_actions.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>

namespace wirelark {

ClickToCopy::ClickToCopy(QWidget& widget, QString value)
    : QObject(&widget), widget_(widget), value_(std::move(value)), copyAction_("Copy") {
    connect(&copyAction_, &QAction::triggered, this, &ClickToCopy::copy);
    addAccessibleAction(widget, copyAction_);
    widget.installEventFilter(this);
    widget.setCursor(Qt::PointingHandCursor);
}

void ClickToCopy::copy() const {
    // A fresh mime object replaces whatever the clipboard held, in every format.
    auto* data = new QMimeData;
    data->setText(value_);
    QApplication::clipboard()->setMimeData(data);
}

bool ClickToCopy::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &widget_) {
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        copy();
        return true;
    }
    if (event->type() == QEvent::ContextMenu) {
        QMenu menu;
        menu.addAction("Copy " + value_, this, &ClickToCopy::copy);
        menu.exec(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return false;
}

} // namespace wirelark
