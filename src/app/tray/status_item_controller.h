#pragma once

#include "app/core/status_item_texts.h"
#include "app/drawing/menubar_renderer.h"
#include "app/model/network_model.h"
#include "app/settings/app_settings.h"

#include <QColor>
#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QRect>

#include <memory>
#include <optional>
#include <vector>

namespace wirelark {

class AppearancePortal;
class DbusMenuExporter;
class StatusPanel;
class QtBusDispatcher;
class StatusNotifierItem;
class XEmbedTrayIcon;

// Keeps the status image on the tray current: a StatusNotifierItem where a watcher runs, else an
// XEmbed window in the X11 system tray. The image is redrawn after every publication of the
// model and every change of the settings, never on a timer of its own. A click on the item opens
// the panel, a right click the item's menu, which the item also exports for hosts that draw it.
class StatusItemController : public QObject {
    Q_OBJECT

public:
    // Without a session bus only the X11 tray can show the item.
    StatusItemController(NetworkModel& model, AppSettings& settings, QtBusDispatcher* sessionBus,
                         QObject* parent = nullptr);
    ~StatusItemController() override;

    void togglePanel(const QPoint& at);
    void updateImage();
    // Closes the panel first, then asks for the settings window.
    void requestSettings();

    // The panel window, hidden until a click; give it its content with setContent().
    StatusPanel& panel() { return *panel_; }
    // "Open Wirelark", "Settings…", "Quit Wirelark".
    QMenu& menu() { return menu_; }

    const StatusImage& image() const { return image_; }
    // Whether some tray shows the item now.
    bool isShown() const;

signals:
    void imageUpdated();
    void shownChanged(bool shown);
    // A click on the item asked for the panel at `at`, in screen coordinates.
    void panelToggled(const QPoint& at);
    void settingsRequested();
    // The user asked to quit; the application's quit saves the histories.
    void quitRequested();
    // Neither a StatusNotifierWatcher nor an X11 tray has taken the item; said once until one
    // takes it.
    void noTrayHost();

private:
    void chooseTray();
    void reportMissingHost();
    void buildMenu();
    void showMenu(const QPoint& at);
    // The X11 tray's window where the item docks there, else a small rectangle at the click.
    QRect anchorAt(const QPoint& at) const;
    // The renderer for where the image goes now, built again only when that changes: building
    // one draws the icon.
    const MenubarRenderer& renderer();

    NetworkModel& model_;
    AppSettings& settings_;
    // What the current image shows. Drawing text is most of a tick's work, and an idle link
    // shows the same rates tick after tick: a redraw that would give the same pixels is skipped.
    struct Drawn {
        MenubarMode mode;
        bool useBits;
        RateLines lines;
        std::vector<RateSample> samples;
        qreal ratio;
        QColor ink;
        bool ratesInIcon; // for a host that shows no label

        bool operator==(const Drawn&) const = default;
    };

    StatusImage image_;
    std::optional<Drawn> drawn_;
    std::optional<MenubarRenderer> renderer_;
    qreal rendererRatio_ = 0;
    QColor rendererInk_;
    bool itemAnswered_ = false; // the first registration of the item has had its answer
    bool hostMissingReported_ = false;
    std::unique_ptr<AppearancePortal> appearance_;
    std::unique_ptr<StatusNotifierItem> item_;
    std::unique_ptr<XEmbedTrayIcon> trayIcon_;
    std::unique_ptr<StatusPanel> panel_;
    QMenu menu_;
    // After the menu it exports, so that it goes first.
    std::unique_ptr<DbusMenuExporter> menuExporter_;
    QPoint lastClick_;
};

} // namespace wirelark
