#pragma once

#include "app/core/interface_item.h"
#include "app/panel/capsule_label.h"

#include <QLabel>
#include <QToolButton>
#include <QWidget>

namespace wirelark {

// The first line of an interface row: kind symbol, name, subtitle, the "self-assigned" and
// "primary" badges and the pin button.
class RowHeader : public QWidget {
    Q_OBJECT

public:
    explicit RowHeader(QWidget* parent = nullptr);

    void setItem(const InterfaceItem& item, bool isPinned);

    QLabel& symbol() { return symbol_; }
    QLabel& name() { return name_; }
    QLabel& subtitle() { return subtitle_; }
    QLabel& selfAssignedBadge() { return selfAssigned_; }
    QLabel& primaryBadge() { return primary_; }
    QToolButton& pinButton() { return pin_; }
    // The symbol last drawn, for tests.
    int shownSymbol() const { return shownSymbol_; }

signals:
    void togglePinRequested();

private:
    QLabel symbol_;
    QLabel name_;
    QLabel subtitle_;
    CapsuleLabel selfAssigned_;
    CapsuleLabel primary_;
    QToolButton pin_;
    int shownSymbol_ = -1;
    bool symbolActive_ = false;
};

} // namespace wirelark
