#include "app/settings/window/renewed_column.h"

#include <QVBoxLayout>
#include <QWidget>

namespace wirelark {

QVBoxLayout* renewColumn(QWidget*& column, QWidget* parent, const QString& name) {
    if (column) {
        column->setObjectName(QString());
        column->hide();
        column->deleteLater();
    }
    column = new QWidget(parent);
    column->setObjectName(name);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

} // namespace wirelark
