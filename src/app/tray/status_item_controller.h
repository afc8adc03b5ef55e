#pragma once

#include "app/model/app_settings.h"
#include "app/model/network_model.h"
#include "app/ui/menubar_renderer.h"

#include <QObject>
#include <QPoint>

#include <memory>

namespace wirelark {

class QtBusDispatcher;
class StatusNotifierItem;
class XEmbedTrayIcon;

// Keeps the status image on the tray current: a StatusNotifierItem where a watcher runs, else an
// XEmbed window in the X11 system tray. The image is redrawn after every publication of the
// model and every change of the settings, never on a timer of its own.
class StatusItemController : public QObject {
    Q_OBJECT

public:
    // Without a session bus only the X11 tray can show the item.
    StatusItemController(NetworkModel& model, AppSettings& settings, QtBusDispatcher* sessionBus,
                         QObject* parent = nullptr);
    ~StatusItemController() override;

    void togglePanel(const QPoint& at);
    void updateImage();

    const StatusImage& image() const { return image_; }
    // Whether some tray shows the item now.
    bool isShown() const;

signals:
    void imageUpdated();
    void shownChanged(bool shown);
    // A click on the item asked for the panel at `at`, in screen coordinates.
    void panelToggled(const QPoint& at);

private:
    void chooseTray();

    NetworkModel& model_;
    AppSettings& settings_;
    StatusImage image_;
    bool itemAnswered_ = false; // the first registration of the item has had its answer
    std::unique_ptr<StatusNotifierItem> item_;
    std::unique_ptr<XEmbedTrayIcon> trayIcon_;
};

} // namespace wirelark
