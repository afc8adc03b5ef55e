#pragma once

#include "app/bus/qt_bus_dispatcher.h"
#include "app/tray/status_notifier_item.h"

#include <QMenu>
#include <QObject>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

namespace wirelark {

// The tray menu as a com.canonical.dbusmenu object, for hosts that draw the item's menu
// themselves (GNOME's AppIndicator extension shows nothing else). It exports the QMenu's own
// actions, so the X11 menu and the host's are one list: a click in the host triggers the same
// action. Submenus are not exported; the tray menu has none.
class DbusMenuExporter : public QObject {
    Q_OBJECT

public:
    // Where the item's Menu property points.
    static constexpr const char* kPath = "/MenuBar";

    // Serves `menu` on the dispatcher's connection; both must outlive the exporter.
    DbusMenuExporter(QtBusDispatcher& dispatcher, QMenu& menu, QObject* parent = nullptr);
    ~DbusMenuExporter() override;

    DbusMenuExporter(const DbusMenuExporter&) = delete;
    DbusMenuExporter& operator=(const DbusMenuExporter&) = delete;

    // Where the item's Menu property should point: nowhere when the menu could not be served.
    const char* menuPath() const { return object_ ? kPath : StatusNotifierItem::kNoMenuPath; }

    // Counts the menu's changes; hosts compare it with the one their layout came with.
    uint32_t revision() const { return revision_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ItemProperty {
        const char* name;
        std::variant<bool, std::string> value;
    };
    using ItemProperties = std::vector<ItemProperty>;

    // Runs `handler` with the call and a reply to fill, and sends the reply when it succeeds.
    template <auto handler>
    static int onMethod(sd_bus_message* call, void* self, sd_bus_error* error);
    static int onProperty(sd_bus* bus, const char* path, const char* interface,
                          const char* property, sd_bus_message* reply, void* self,
                          sd_bus_error* error);

    int getLayout(sd_bus_message* call, sd_bus_message* reply, sd_bus_error* error) const;
    int getGroupProperties(sd_bus_message* call, sd_bus_message* reply, sd_bus_error*) const;
    int getProperty(sd_bus_message* call, sd_bus_message* reply, sd_bus_error* error) const;
    int receiveEvent(sd_bus_message* call, sd_bus_message* reply, sd_bus_error* error);
    int receiveEventGroup(sd_bus_message* call, sd_bus_message* reply, sd_bus_error* error);
    int aboutToShow(sd_bus_message* call, sd_bus_message* reply, sd_bus_error* error) const;
    int aboutToShowGroup(sd_bus_message* call, sd_bus_message* reply, sd_bus_error* error) const;

    // Reads the item id a call starts with; an unknown one is an error.
    int readKnownId(sd_bus_message* call, int32_t& id, sd_bus_error* error) const;
    // Whether an item has the id; 0 is the root, the menu itself.
    bool knows(int32_t id) const;
    QAction* actionWithId(int32_t id) const;
    // "clicked" triggers the item's action; the others hosts send (opened, closed, hovered)
    // need nothing.
    void handleEvent(int32_t id, std::string_view eventId);
    // The item's properties, empty for an unknown id.
    ItemProperties propertiesOf(int32_t id) const;
    // The properties `wanted` names, all when it is empty, as a{sv}.
    static int appendProperties(sd_bus_message* reply, const ItemProperties& properties,
                                const std::vector<std::string>& wanted);
    // The item and, `depth` levels down (-1 for all), its children as (ia{sv}av).
    int appendLayout(sd_bus_message* reply, int32_t id, int32_t depth,
                     const std::vector<std::string>& wanted) const;
    // Ids are never reused, so that a host's stale id cannot reach another entry.
    void rememberAction(const QAction* action);
    void announceLayoutChange();

    QtBusDispatcher& dispatcher_;
    sd_bus* bus_;
    QMenu& menu_;
    std::unordered_map<const QAction*, int32_t> ids_;
    int32_t nextId_ = 1;
    uint32_t revision_ = 1;
    bool announcementQueued_ = false;
    BusSlot object_;
};

} // namespace wirelark
