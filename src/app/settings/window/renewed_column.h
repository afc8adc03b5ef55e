#pragma once

#include <QString>

class QVBoxLayout;
class QWidget;

namespace wirelark {

// Replaces `column` with an empty one named `name` under `parent` and returns its layout. The
// old one goes once control is back in the event loop, since the click that led here may have
// come from one of its buttons.
QVBoxLayout* renewColumn(QWidget*& column, QWidget* parent, const QString& name);

} // namespace wirelark
