#pragma once

#include "app/admin/admin_controls.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace wirelark {

// The admin helper's state and what the user can do about it in each state.
class AdminHelperTab : public QWidget {
public:
    explicit AdminHelperTab(AdminControls& admin, QWidget* parent = nullptr);

private:
    void showState();
    void showActions();

    AdminControls& admin_;
    QLabel* status_;
    QLabel* tooOld_;
    QLabel* update_;
    QPushButton* updateButton_;
    QVBoxLayout* layout_;
    QWidget* actions_ = nullptr;
};

} // namespace wirelark
