#pragma once

#include "app/admin/admin_controls.h"
#include "app/installer/helper_installer.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace wirelark {

// The admin helper's state and what the user can do about it in each state.
class AdminHelperTab : public QWidget {
public:
    // Without an installer, or one without a built-in package, a missing helper is fetched from
    // the download page.
    AdminHelperTab(AdminControls& admin, HelperInstaller* installer, QWidget* parent = nullptr);

private:
    void showState();
    void showActions();
    void showInstallPhase();

    AdminControls& admin_;
    HelperInstaller* installer_;
    QLabel* status_;
    QLabel* tooOld_;
    QLabel* update_;
    QPushButton* updateButton_;
    QLabel* installPhase_;
    QVBoxLayout* layout_;
    QWidget* actions_ = nullptr;
};

} // namespace wirelark
