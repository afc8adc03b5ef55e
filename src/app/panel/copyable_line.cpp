#include "app/panel/copyable_line.h"

namespace wirelark {

CopyableLine::CopyableLine(QWidget* parent) : DetailLine(parent), copier_(*this, {}) {}

void CopyableLine::setLine(const QString& label, const QString& text, const QString& copyValue) {
    setTexts(label, text);
    copier_.setValue(copyValue);
    setToolTip("Click to copy " + copyValue);
}

} // namespace wirelark
