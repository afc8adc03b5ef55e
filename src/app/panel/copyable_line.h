#pragma once

#include "app/panel/click_to_copy.h"
#include "app/panel/detail_line.h"

namespace wirelark {

// A detail line that copies its value (the bare address) when clicked.
class CopyableLine : public DetailLine {
    Q_OBJECT

public:
    explicit CopyableLine(QWidget* parent = nullptr);

    void setLine(const QString& label, const QString& text, const QString& copyValue);
    const ClickToCopy& copier() const { return copier_; }

private:
    ClickToCopy copier_;
};

} // namespace wirelark
