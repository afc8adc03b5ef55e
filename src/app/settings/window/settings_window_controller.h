#pragma once

#include "app/settings/window/settings_window.h"

#include <QObject>

#include <memory>

namespace wirelark {

// Owns the settings window: made on first use, on the General tab, and kept when closed so
// that it opens again where the user left it.
class SettingsWindowController : public QObject {
    Q_OBJECT

public:
    explicit SettingsWindowController(const SettingsWindowSources& sources,
                                      QObject* parent = nullptr);
    ~SettingsWindowController() override;

    // None until the window is first shown.
    SettingsWindow* window() const { return window_.get(); }

public slots:
    // Shows the window in front of the others, with the keyboard.
    void show();

private:
    SettingsWindowSources sources_;
    std::unique_ptr<SettingsWindow> window_;
};

} // namespace wirelark
