#include "app/panel/copyable_text.h"

namespace wirelark {

CopyableText::CopyableText(QWidget* parent) : QLabel(parent), copier_(*this, {}) {
    setToolTip("Click to copy");
}

void CopyableText::setCopyableText(const QString& text) {
    setText(text);
    copier_.setValue(text);
}

} // namespace wirelark
