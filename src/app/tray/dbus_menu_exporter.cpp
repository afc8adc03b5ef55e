#include "app/tray/dbus_menu_exporter.h"

#include <QActionEvent>
#include <QGuiApplication>

#include <algorithm>

namespace wirelark {

namespace {

constexpr const char* kMenuInterface = "com.canonical.dbusmenu";
constexpr uint32_t kProtocolVersion = 3;
constexpr int32_t kRootId = 0;

// Qt marks a mnemonic with '&' ("&&" for the character itself), dbusmenu with '_' ("__").
std::string dbusMenuLabel(const QString& text) {
    QString label;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            const bool literal = i + 1 < text.size() && text[i + 1] == u'&';
            label += literal ? u'&' : u'_';
            i += literal ? 1 : 0;
        } else if (text[i] == u'_') {
            label += QStringLiteral("__");
        } else {
            label += text[i];
        }
    }
    return label.toStdString();
}

int readStrings(sd_bus_message* message, std::vector<std::string>& strings) {
    int r = sd_bus_message_enter_container(message, 'a', "s");
    const char* text = nullptr;
    while (r >= 0 && (r = sd_bus_message_read_basic(message, 's', &text)) > 0) {
        strings.emplace_back(text);
    }
    return r < 0 ? r : sd_bus_message_exit_container(message);
}

int readIds(sd_bus_message* message, std::vector<int32_t>& ids) {
    const void* data = nullptr;
    size_t size = 0;
    const int r = sd_bus_message_read_array(message, 'i', &data, &size);
    if (r >= 0 && size > 0) {
        const auto* first = static_cast<const int32_t*>(data);
        ids.assign(first, first + size / sizeof(int32_t));
    }
    return r;
}

int appendIds(sd_bus_message* reply, const std::vector<int32_t>& ids) {
    return sd_bus_message_append_array(reply, 'i', ids.data(), ids.size() * sizeof(int32_t));
}

int unknownItem(sd_bus_error* error, int32_t id) {
    return sd_bus_error_setf(error, SD_BUS_ERROR_INVALID_ARGS, "No menu item has the id %d", id);
}

int appendVariant(sd_bus_message* reply, const std::variant<bool, std::string>& value) {
    if (const bool* flag = std::get_if<bool>(&value)) {
        return sd_bus_message_append(reply, "v", "b", static_cast<int>(*flag));
    }
    return sd_bus_message_append(reply, "v", "s", std::get<std::string>(value).c_str());
}

bool isWanted(const char* name, const std::vector<std::string>& wanted) {
    return wanted.empty() || std::find(wanted.begin(), wanted.end(), name) != wanted.end();
}

} // namespace

DbusMenuExporter::DbusMenuExporter(QtBusDispatcher& dispatcher, QMenu& menu, QObject* parent)
    : QObject(parent), dispatcher_(dispatcher), bus_(dispatcher.bus().get()), menu_(menu) {
    constexpr auto kFixed = SD_BUS_VTABLE_PROPERTY_CONST;
    static const sd_bus_vtable vtable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_PROPERTY("Version", "u", &onProperty, 0, kFixed),
        SD_BUS_PROPERTY("TextDirection", "s", &onProperty, 0, kFixed),
        SD_BUS_PROPERTY("Status", "s", &onProperty, 0, kFixed),
        SD_BUS_PROPERTY("IconThemePath", "as", &onProperty, 0, kFixed),
        SD_BUS_METHOD("GetLayout", "iias", "u(ia{sv}av)", &onMethod<&DbusMenuExporter::getLayout>,
                      0),
        SD_BUS_METHOD("GetGroupProperties", "aias", "a(ia{sv})",
                      &onMethod<&DbusMenuExporter::getGroupProperties>, 0),
        SD_BUS_METHOD("GetProperty", "is", "v", &onMethod<&DbusMenuExporter::getProperty>, 0),
        SD_BUS_METHOD("Event", "isvu", "", &onMethod<&DbusMenuExporter::receiveEvent>, 0),
        SD_BUS_METHOD("EventGroup", "a(isvu)", "ai",
                      &onMethod<&DbusMenuExporter::receiveEventGroup>, 0),
        SD_BUS_METHOD("AboutToShow", "i", "b", &onMethod<&DbusMenuExporter::aboutToShow>, 0),
        SD_BUS_METHOD("AboutToShowGroup", "ai", "aiai",
                      &onMethod<&DbusMenuExporter::aboutToShowGroup>, 0),
        SD_BUS_SIGNAL("LayoutUpdated", "ui", 0),
        SD_BUS_VTABLE_END,
    };
    for (const QAction* action : menu_.actions()) {
        rememberAction(action);
    }
    menu_.installEventFilter(this);
    sd_bus_slot* slot = nullptr;
    if (sd_bus_add_object_vtable(bus_, &slot, kPath, kMenuInterface, vtable, this) >= 0) {
        object_.reset(slot);
    }
}

DbusMenuExporter::~DbusMenuExporter() = default;

template <auto handler>
int DbusMenuExporter::onMethod(sd_bus_message* call, void* self, sd_bus_error* error) {
    sd_bus_message* raw = nullptr;
    int r = sd_bus_message_new_method_return(call, &raw);
    if (r < 0) {
        return r;
    }
    const BusMessage reply(raw);
    r = (static_cast<DbusMenuExporter*>(self)->*handler)(call, raw, error);
    r = r < 0 ? r : sd_bus_send(nullptr, raw, nullptr);
    return r < 0 ? r : 1;
}

int DbusMenuExporter::onProperty(sd_bus*, const char*, const char*, const char* property,
                                 sd_bus_message* reply, void*, sd_bus_error*) {
    const std::string_view name = property;
    if (name == "Version") {
        return sd_bus_message_append(reply, "u", kProtocolVersion);
    }
    if (name == "TextDirection") {
        return sd_bus_message_append(
            reply, "s", QGuiApplication::layoutDirection() == Qt::RightToLeft ? "rtl" : "ltr");
    }
    if (name == "Status") {
        return sd_bus_message_append(reply, "s", "normal");
    }
    return sd_bus_message_append(reply, "as", 0); // IconThemePath: the icons are the theme's
}

int DbusMenuExporter::getLayout(sd_bus_message* call, sd_bus_message* reply,
                                sd_bus_error* error) const {
    int32_t parent = 0;
    int32_t depth = 0;
    std::vector<std::string> wanted;
    int r = sd_bus_message_read(call, "ii", &parent, &depth);
    r = r < 0 ? r : readStrings(call, wanted);
    if (r < 0) {
        return r;
    }
    if (!knows(parent)) {
        return unknownItem(error, parent);
    }
    r = sd_bus_message_append(reply, "u", revision_);
    return r < 0 ? r : appendLayout(reply, parent, depth, wanted);
}

int DbusMenuExporter::getGroupProperties(sd_bus_message* call, sd_bus_message* reply,
                                         sd_bus_error*) const {
    std::vector<int32_t> ids;
    std::vector<std::string> wanted;
    int r = readIds(call, ids);
    r = r < 0 ? r : readStrings(call, wanted);
    r = r < 0 ? r : sd_bus_message_open_container(reply, 'a', "(ia{sv})");
    // Items that went away since the host's layout are left out, not an error.
    for (const int32_t id : ids) {
        if (r >= 0 && knows(id)) {
            r = sd_bus_message_open_container(reply, 'r', "ia{sv}");
            r = r < 0 ? r : sd_bus_message_append_basic(reply, 'i', &id);
            r = r < 0 ? r : appendProperties(reply, propertiesOf(id), wanted);
            r = r < 0 ? r : sd_bus_message_close_container(reply);
        }
    }
    return r < 0 ? r : sd_bus_message_close_container(reply);
}

int DbusMenuExporter::getProperty(sd_bus_message* call, sd_bus_message* reply,
                                  sd_bus_error* error) const {
    int32_t id = 0;
    const char* name = nullptr;
    int r = readKnownId(call, id, error);
    r = r < 0 ? r : sd_bus_message_read_basic(call, 's', &name);
    if (r < 0) {
        return r;
    }
    for (const auto& property : propertiesOf(id)) {
        if (std::string_view(property.name) == name) {
            return appendVariant(reply, property.value);
        }
    }
    return sd_bus_error_setf(error, SD_BUS_ERROR_INVALID_ARGS, "Menu item %d has no property %s",
                             id, name);
}

int DbusMenuExporter::receiveEvent(sd_bus_message* call, sd_bus_message*, sd_bus_error* error) {
    int32_t id = 0;
    const char* eventId = nullptr;
    int r = readKnownId(call, id, error);
    r = r < 0 ? r : sd_bus_message_read_basic(call, 's', &eventId);
    if (r >= 0) {
        handleEvent(id, eventId);
    }
    return r;
}

int DbusMenuExporter::receiveEventGroup(sd_bus_message* call, sd_bus_message* reply,
                                        sd_bus_error* error) {
    std::vector<int32_t> unknown;
    size_t count = 0;
    int r = sd_bus_message_enter_container(call, 'a', "(isvu)");
    while (r >= 0 && (r = sd_bus_message_enter_container(call, 'r', "isvu")) > 0) {
        int32_t id = 0;
        const char* eventId = nullptr;
        r = sd_bus_message_read(call, "is", &id, &eventId);
        r = r < 0 ? r : sd_bus_message_skip(call, "vu");
        r = r < 0 ? r : sd_bus_message_exit_container(call);
        if (r < 0) {
            return r;
        }
        ++count;
        if (knows(id)) {
            handleEvent(id, eventId);
        } else {
            unknown.push_back(id);
        }
    }
    r = r < 0 ? r : sd_bus_message_exit_container(call);
    if (r < 0) {
        return r;
    }
    if (count > 0 && unknown.size() == count) {
        return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "No menu item has these ids");
    }
    return appendIds(reply, unknown);
}

int DbusMenuExporter::aboutToShow(sd_bus_message* call, sd_bus_message* reply,
                                  sd_bus_error* error) const {
    int32_t id = 0;
    const int r = readKnownId(call, id, error);
    // The layout is always current; LayoutUpdated tells of every change.
    return r < 0 ? r : sd_bus_message_append(reply, "b", 0);
}

int DbusMenuExporter::aboutToShowGroup(sd_bus_message* call, sd_bus_message* reply,
                                       sd_bus_error* error) const {
    std::vector<int32_t> ids;
    const int r = readIds(call, ids);
    if (r < 0) {
        return r;
    }
    std::vector<int32_t> unknown;
    std::copy_if(ids.begin(), ids.end(), std::back_inserter(unknown),
                 [this](int32_t id) { return !knows(id); });
    if (!ids.empty() && unknown.size() == ids.size()) {
        return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "No menu item has these ids");
    }
    const int appended = appendIds(reply, {}); // no item needs an update
    return appended < 0 ? appended : appendIds(reply, unknown);
}

int DbusMenuExporter::readKnownId(sd_bus_message* call, int32_t& id, sd_bus_error* error) const {
    const int r = sd_bus_message_read_basic(call, 'i', &id);
    return r < 0 || knows(id) ? r : unknownItem(error, id);
}

bool DbusMenuExporter::knows(int32_t id) const {
    return id == kRootId || actionWithId(id) != nullptr;
}

QAction* DbusMenuExporter::actionWithId(int32_t id) const {
    for (QAction* action : menu_.actions()) {
        const auto found = ids_.find(action);
        if (found != ids_.end() && found->second == id) {
            return action;
        }
    }
    return nullptr;
}

void DbusMenuExporter::handleEvent(int32_t id, std::string_view eventId) {
    QAction* action = actionWithId(id);
    if (eventId == "clicked" && action != nullptr) {
        // Qt handlers run outside the bus callback, so they may open windows or quit.
        QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
    }
}

DbusMenuExporter::ItemProperties DbusMenuExporter::propertiesOf(int32_t id) const {
    if (id == kRootId) {
        return {{"children-display", std::string("submenu")}};
    }
    const QAction* action = actionWithId(id);
    if (action == nullptr) {
        return {};
    }
    if (action->isSeparator()) {
        return {{"type", std::string("separator")}, {"visible", action->isVisible()}};
    }
    return {{"label", dbusMenuLabel(action->text())},
            {"enabled", action->isEnabled()},
            {"visible", action->isVisible()}};
}

int DbusMenuExporter::appendProperties(sd_bus_message* reply, const ItemProperties& properties,
                                       const std::vector<std::string>& wanted) {
    int r = sd_bus_message_open_container(reply, 'a', "{sv}");
    for (const auto& property : properties) {
        if (r >= 0 && isWanted(property.name, wanted)) {
            r = sd_bus_message_open_container(reply, 'e', "sv");
            r = r < 0 ? r : sd_bus_message_append_basic(reply, 's', property.name);
            r = r < 0 ? r : appendVariant(reply, property.value);
            r = r < 0 ? r : sd_bus_message_close_container(reply);
        }
    }
    return r < 0 ? r : sd_bus_message_close_container(reply);
}

int DbusMenuExporter::appendLayout(sd_bus_message* reply, int32_t id, int32_t depth,
                                   const std::vector<std::string>& wanted) const {
    int r = sd_bus_message_open_container(reply, 'r', "ia{sv}av");
    r = r < 0 ? r : sd_bus_message_append_basic(reply, 'i', &id);
    r = r < 0 ? r : appendProperties(reply, propertiesOf(id), wanted);
    r = r < 0 ? r : sd_bus_message_open_container(reply, 'a', "v");
    // Only the root has children; a negative depth asks for every level.
    if (id == kRootId && depth != 0) {
        for (const QAction* action : menu_.actions()) {
            const auto found = ids_.find(action);
            if (r >= 0 && found != ids_.end()) {
                r = sd_bus_message_open_container(reply, 'v', "(ia{sv}av)");
                r = r < 0 ? r : appendLayout(reply, found->second, depth - 1, wanted);
                r = r < 0 ? r : sd_bus_message_close_container(reply);
            }
        }
    }
    r = r < 0 ? r : sd_bus_message_close_container(reply);
    return r < 0 ? r : sd_bus_message_close_container(reply);
}

void DbusMenuExporter::rememberAction(const QAction* action) {
    ids_.emplace(action, nextId_++);
}

bool DbusMenuExporter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &menu_) {
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::ActionAdded:
        rememberAction(static_cast<QActionEvent*>(event)->action());
        announceLayoutChange();
        break;
    case QEvent::ActionRemoved:
        ids_.erase(static_cast<QActionEvent*>(event)->action());
        announceLayoutChange();
        break;
    case QEvent::ActionChanged:
        announceLayoutChange();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void DbusMenuExporter::announceLayoutChange() {
    ++revision_;
    if (announcementQueued_) {
        return;
    }
    // Building a menu adds its actions one by one; the host needs to hear of them once.
    announcementQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            announcementQueued_ = false;
            if (sd_bus_emit_signal(bus_, kPath, kMenuInterface, "LayoutUpdated", "ui", revision_,
                                   kRootId) >= 0) {
                dispatcher_.flushSoon();
            }
        },
        Qt::QueuedConnection);
}

} // namespace wirelark
