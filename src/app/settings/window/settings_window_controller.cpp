#include "app/settings/window/settings_window_controller.h"

#include <QGuiApplication>
#include <QScreen>

namespace wirelark {

SettingsWindowController::SettingsWindowController(const SettingsWindowSources& sources,
                                                   QObject* parent)
    : QObject(parent), sources_(sources) {}

SettingsWindowController::~SettingsWindowController() = default;

void SettingsWindowController::show() {
    if (!window_) {
        window_ = std::make_unique<SettingsWindow>(sources_, SettingsTab::general);
        window_->adjustSize();
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = window_->frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            window_->move(frame.topLeft());
        }
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

} // namespace wirelark
