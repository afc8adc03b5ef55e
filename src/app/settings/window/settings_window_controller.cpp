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
        // Its full size, every tab shown, where the screen has room: adjusting the size would
        // hold it to two thirds of the screen.
        window_->resize(window_->sizeHint());
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            window_->resize(window_->size().boundedTo(screen->availableGeometry().size()));
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
