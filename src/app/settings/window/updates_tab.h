#pragma once

#include "app/settings/updater.h"

#include <QWidget>

class QCheckBox;

namespace wirelark {

// The updater's switch and check, or why there are none.
class UpdatesTab : public QWidget {
public:
    explicit UpdatesTab(Updater& updater, QWidget* parent = nullptr);

protected:
    // The updater may have changed its schedule since the tab was last shown.
    void showEvent(QShowEvent* event) override;

private:
    Updater& updater_;
    QCheckBox* automatic_ = nullptr;
};

} // namespace wirelark
