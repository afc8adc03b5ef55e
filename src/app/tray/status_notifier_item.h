#pragma once

#include "app/bus/qt_bus_dispatcher.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wirelark {

// The application's tray item as a StatusNotifierItem on the session bus: a square icon, a tooltip
// and a text label beside the icon, which the desktop's tray host draws. The item registers
// with the StatusNotifierWatcher whenever one runs and says whether it is registered, so that the
// application can dock into an X11 tray instead while no watcher runs.
class StatusNotifierItem : public QObject {
    Q_OBJECT

public:
    // The menu path that tells hosts the item exports no menu, so they call ContextMenu.
    static constexpr const char* kNoMenuPath = "/NO_DBUSMENU";

    // Serves the item on the dispatcher's connection, which must outlive it; one item per
    // connection. `menuPath` names the item's com.canonical.dbusmenu object on that connection.
    StatusNotifierItem(QtBusDispatcher& dispatcher, const QString& id,
                       std::string menuPath = kNoMenuPath, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    StatusNotifierItem(const StatusNotifierItem&) = delete;
    StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

    // Each setter tells the host (NewIcon, NewToolTip, XAyatanaNewLabel) only when the value
    // changed.
    void setIcon(const QImage& square);
    void setToolTip(const QString& title, const QString& text);
    void setLabel(const QString& label, const QString& guide);

    // True while a watcher has accepted the item.
    bool isRegistered() const { return registered_.value_or(false); }
    // The name of the process that owns the watcher which took the item ("plasmashell"), empty
    // while unregistered or when the bus would not say.
    const std::string& watcherProcess() const { return watcherProcess_; }
    // The bus name the item is served under once it is known, else empty.
    const std::string& serviceName() const { return serviceName_; }

signals:
    void activated(int x, int y);
    void secondaryActivated(int x, int y);
    void contextMenuRequested(int x, int y);
    // Announced when the first registration attempt is answered (even when it failed, so that
    // the application need not wait for an answer that may never change), then on every change.
    void registeredChanged(bool registered);

private:
    // Width and height in pixels and the pixels as ARGB32 in network byte order.
    struct Pixmap {
        int32_t width = 0;
        int32_t height = 0;
        std::vector<uint8_t> argb;

        bool operator==(const Pixmap&) const = default;
    };

    static Pixmap pixmapOf(const QImage& image);
    static int onProperty(sd_bus* bus, const char* path, const char* interface,
                          const char* property, sd_bus_message* reply, void* self,
                          sd_bus_error* error);
    static int onMethod(sd_bus_message* message, void* self, sd_bus_error* error);
    static int onNameReply(sd_bus_message* reply, void* self, sd_bus_error* error);
    static int onWatcherOwnerChanged(sd_bus_message* message, void* self, sd_bus_error* error);
    static int onRegisterReply(sd_bus_message* reply, void* self, sd_bus_error* error);

    int appendProperty(sd_bus_message* reply, std::string_view property) const;
    int handleMethod(sd_bus_message* message);
    void registerWithWatcher();
    void settleRegistration(bool registered);
    std::string readWatcherProcess() const;
    // Sends one of the item's change signals with string arguments.
    void emitItemSignal(const char* member, const std::vector<std::string>& arguments = {});

    QtBusDispatcher& dispatcher_;
    sd_bus* bus_;
    std::string id_;
    std::string menuPath_;
    std::string wantedName_;
    std::string serviceName_;
    Pixmap icon_;
    std::string toolTipTitle_;
    std::string toolTipText_;
    std::string label_;
    std::string labelGuide_;
    std::optional<bool> registered_;
    std::string watcherProcess_;
    BusSlot object_;
    BusSlot watcherMatch_;
    BusSlot nameCall_;
    BusSlot registerCall_;
};

} // namespace wirelark
