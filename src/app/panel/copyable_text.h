#pragma once

#include "app/panel/click_to_copy.h"

#include <QLabel>

namespace wirelark {

// A text that copies itself when clicked.
class CopyableText : public QLabel {
    Q_OBJECT

public:
    explicit CopyableText(QWidget* parent = nullptr);

    void setCopyableText(const QString& text);
    const ClickToCopy& copier() const { return copier_; }

private:
    ClickToCopy copier_;
};

} // namespace wirelark
