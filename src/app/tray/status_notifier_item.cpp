#include "app/tray/status_notifier_item.h"

#include <QtEndian>

#include <unistd.h>

#include <atomic>
#include <string_view>

namespace wirelark {

namespace {

constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kWatcherOwnerMatch =
    "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
    "interface='org.freedesktop.DBus',member='NameOwnerChanged',"
    "arg0='org.kde.StatusNotifierWatcher'";

// Hosts find items by the name "org.kde.StatusNotifierItem-PID-N", N counting the process's
// items from 1.
std::string nextItemName() {
    static std::atomic<int> count{0};
    return "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" + std::to_string(++count);
}

int appendPixmaps(sd_bus_message* reply, const std::vector<uint8_t>* argb, int32_t width,
                  int32_t height) {
    int r = sd_bus_message_open_container(reply, 'a', "(iiay)");
    if (argb != nullptr && !argb->empty()) {
        r = r < 0 ? r : sd_bus_message_open_container(reply, 'r', "iiay");
        r = r < 0 ? r : sd_bus_message_append(reply, "ii", width, height);
        r = r < 0 ? r : sd_bus_message_append_array(reply, 'y', argb->data(), argb->size());
        r = r < 0 ? r : sd_bus_message_close_container(reply);
    }
    return r < 0 ? r : sd_bus_message_close_container(reply);
}

int appendNoPixmaps(sd_bus_message* reply) {
    return appendPixmaps(reply, nullptr, 0, 0);
}

int32_t readArgument(sd_bus_message* message) {
    int32_t value = 0;
    sd_bus_message_read_basic(message, 'i', &value);
    return value;
}

// RequestName's answers that leave the name with us.
constexpr uint32_t kPrimaryOwner = 1;
constexpr uint32_t kAlreadyOwner = 4;

} // namespace

StatusNotifierItem::StatusNotifierItem(QtBusDispatcher& dispatcher, const QString& id,
                                       std::string menuPath, QObject* parent)
    : QObject(parent), dispatcher_(dispatcher), bus_(dispatcher.bus().get()), id_(id.toStdString()),
      menuPath_(std::move(menuPath)), wantedName_(nextItemName()) {
    // The host reads properties again when told of a change by the item's own signals, not
    // through PropertiesChanged: only the fixed ones are marked constant.
    constexpr auto kFixed = SD_BUS_VTABLE_PROPERTY_CONST;
    static const sd_bus_vtable vtable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_PROPERTY("Category", "s", &onProperty, 0, kFixed),
        SD_BUS_PROPERTY("Id", "s", &onProperty, 0, kFixed),
        SD_BUS_PROPERTY("Title", "s", &onProperty, 0, kFixed),
        SD_BUS_PROPERTY("Status", "s", &onProperty, 0, kFixed),
        SD_BUS_PROPERTY("WindowId", "i", &onProperty, 0, kFixed),
        SD_BUS_PROPERTY("IconName", "s", &onProperty, 0, kFixed),
        SD_BUS_PROPERTY("IconPixmap", "a(iiay)", &onProperty, 0, 0),
        SD_BUS_PROPERTY("OverlayIconName", "s", &onProperty, 0, kFixed),
        SD_BUS_PROPERTY("OverlayIconPixmap", "a(iiay)", &onProperty, 0, kFixed),
        SD_BUS_PROPERTY("AttentionIconName", "s", &onProperty, 0, kFixed),
        SD_BUS_PROPERTY("AttentionIconPixmap", "a(iiay)", &onProperty, 0, kFixed),
        SD_BUS_PROPERTY("AttentionMovieName", "s", &onProperty, 0, kFixed),
        SD_BUS_PROPERTY("ToolTip", "(sa(iiay)ss)", &onProperty, 0, 0),
        SD_BUS_PROPERTY("ItemIsMenu", "b", &onProperty, 0, kFixed),
        SD_BUS_PROPERTY("Menu", "o", &onProperty, 0, kFixed),
        SD_BUS_PROPERTY("XAyatanaLabel", "s", &onProperty, 0, 0),
        SD_BUS_PROPERTY("XAyatanaLabelGuide", "s", &onProperty, 0, 0),
        SD_BUS_METHOD("Activate", "ii", "", &onMethod, 0),
        SD_BUS_METHOD("SecondaryActivate", "ii", "", &onMethod, 0),
        SD_BUS_METHOD("ContextMenu", "ii", "", &onMethod, 0),
        SD_BUS_METHOD("Scroll", "is", "", &onMethod, 0),
        SD_BUS_SIGNAL("NewIcon", "", 0),
        SD_BUS_SIGNAL("NewToolTip", "", 0),
        SD_BUS_SIGNAL("XAyatanaNewLabel", "ss", 0),
        SD_BUS_VTABLE_END,
    };
    connect(&dispatcher_, &QtBusDispatcher::disconnected, this,
            [this] { settleRegistration(false); });
    sd_bus_slot* slot = nullptr;
    if (sd_bus_add_object_vtable(bus_, &slot, kItemPath, kItemInterface, vtable, this) >= 0) {
        object_.reset(slot);
    }
    // The match goes out before the registration call, so a watcher that starts in between is
    // still seen.
    slot = nullptr;
    if (sd_bus_add_match_async(bus_, &slot, kWatcherOwnerMatch, &onWatcherOwnerChanged, nullptr,
                               this) >= 0) {
        watcherMatch_.reset(slot);
    }
    slot = nullptr;
    if (sd_bus_request_name_async(bus_, &slot, wantedName_.c_str(), 0, &onNameReply, this) >= 0) {
        nameCall_.reset(slot);
    } else {
        // Announced from the event loop: nobody listens yet while the constructor runs.
        QMetaObject::invokeMethod(
            this, [this] { settleRegistration(false); }, Qt::QueuedConnection);
    }
    dispatcher_.flushSoon();
}

StatusNotifierItem::~StatusNotifierItem() {
    // Watchers drop an item when its name goes; leaving it owned would leave a dead icon behind
    // for as long as the connection lives.
    if (serviceName_ == wantedName_) {
        sd_bus_release_name_async(bus_, nullptr, wantedName_.c_str(), nullptr, nullptr);
        dispatcher_.flushSoon();
    }
}

StatusNotifierItem::Pixmap StatusNotifierItem::pixmapOf(const QImage& image) {
    Pixmap pixmap;
    if (image.isNull()) {
        return pixmap;
    }
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    pixmap.width = argb.width();
    pixmap.height = argb.height();
    pixmap.argb.resize(static_cast<size_t>(pixmap.width) * static_cast<size_t>(pixmap.height) * 4);
    auto* out = pixmap.argb.data();
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            qToBigEndian<quint32>(row[x], out);
            out += 4;
        }
    }
    return pixmap;
}

void StatusNotifierItem::setIcon(const QImage& square) {
    Pixmap pixmap = pixmapOf(square);
    if (pixmap == icon_) {
        return;
    }
    icon_ = std::move(pixmap);
    emitItemSignal("NewIcon");
}

void StatusNotifierItem::setToolTip(const QString& title, const QString& text) {
    std::string newTitle = title.toStdString();
    std::string newText = text.toStdString();
    if (newTitle == toolTipTitle_ && newText == toolTipText_) {
        return;
    }
    toolTipTitle_ = std::move(newTitle);
    toolTipText_ = std::move(newText);
    emitItemSignal("NewToolTip");
}

void StatusNotifierItem::setLabel(const QString& label, const QString& guide) {
    std::string newLabel = label.toStdString();
    std::string newGuide = guide.toStdString();
    if (newLabel == label_ && newGuide == labelGuide_) {
        return;
    }
    label_ = std::move(newLabel);
    labelGuide_ = std::move(newGuide);
    emitItemSignal("XAyatanaNewLabel", {label_, labelGuide_});
}

void StatusNotifierItem::emitItemSignal(const char* member,
                                        const std::vector<std::string>& arguments) {
    sd_bus_message* raw = nullptr;
    if (sd_bus_message_new_signal(bus_, &raw, kItemPath, kItemInterface, member) < 0) {
        return;
    }
    const BusMessage signal(raw);
    for (const auto& argument : arguments) {
        if (sd_bus_message_append_basic(raw, 's', argument.c_str()) < 0) {
            return;
        }
    }
    if (sd_bus_send(bus_, raw, nullptr) >= 0) {
        dispatcher_.flushSoon();
    }
}

int StatusNotifierItem::onProperty(sd_bus*, const char*, const char*, const char* property,
                                   sd_bus_message* reply, void* self, sd_bus_error*) {
    return static_cast<const StatusNotifierItem*>(self)->appendProperty(reply, property);
}

int StatusNotifierItem::appendProperty(sd_bus_message* reply, std::string_view property) const {
    const struct {
        std::string_view name;
        const char* value;
    } texts[] = {
        {"Category", "Hardware"},
        {"Id", id_.c_str()},
        {"Title", "Wirelark"},
        {"Status", "Active"},
        {"IconName", ""},
        {"OverlayIconName", ""},
        {"AttentionIconName", ""},
        {"AttentionMovieName", ""},
        {"XAyatanaLabel", label_.c_str()},
        {"XAyatanaLabelGuide", labelGuide_.c_str()},
    };
    for (const auto& text : texts) {
        if (text.name == property) {
            return sd_bus_message_append_basic(reply, 's', text.value);
        }
    }
    if (property == "WindowId") {
        return sd_bus_message_append(reply, "i", 0);
    }
    if (property == "ItemIsMenu") {
        return sd_bus_message_append(reply, "b", 0);
    }
    if (property == "Menu") {
        return sd_bus_message_append(reply, "o", menuPath_.c_str());
    }
    if (property == "IconPixmap") {
        return appendPixmaps(reply, &icon_.argb, icon_.width, icon_.height);
    }
    if (property == "OverlayIconPixmap" || property == "AttentionIconPixmap") {
        return appendNoPixmaps(reply);
    }
    // ToolTip: icon name, icon pixmaps, title, text.
    int r = sd_bus_message_open_container(reply, 'r', "sa(iiay)ss");
    r = r < 0 ? r : sd_bus_message_append(reply, "s", "");
    r = r < 0 ? r : appendNoPixmaps(reply);
    r = r < 0 ? r : sd_bus_message_append(reply, "ss", toolTipTitle_.c_str(), toolTipText_.c_str());
    return r < 0 ? r : sd_bus_message_close_container(reply);
}

int StatusNotifierItem::onMethod(sd_bus_message* message, void* self, sd_bus_error*) {
    return static_cast<StatusNotifierItem*>(self)->handleMethod(message);
}

int StatusNotifierItem::handleMethod(sd_bus_message* message) {
    const std::string_view member = sd_bus_message_get_member(message);
    const int32_t first = readArgument(message);
    const int32_t second = member == "Scroll" ? 0 : readArgument(message);
    const int replied = sd_bus_reply_method_return(message, nullptr);
    // Qt handlers run outside the bus callback, so they may open windows, use the bus or
    // delete the item.
    const auto announce = [this, first, second](void (StatusNotifierItem::*signal)(int, int)) {
        QMetaObject::invokeMethod(
            this, [this, signal, first, second] { emit(this->*signal)(first, second); },
            Qt::QueuedConnection);
    };
    if (member == "Activate") {
        announce(&StatusNotifierItem::activated);
    } else if (member == "SecondaryActivate") {
        announce(&StatusNotifierItem::secondaryActivated);
    } else if (member == "ContextMenu") {
        announce(&StatusNotifierItem::contextMenuRequested);
    }
    return replied < 0 ? replied : 1;
}

int StatusNotifierItem::onNameReply(sd_bus_message* reply, void* self, sd_bus_error*) {
    auto& item = *static_cast<StatusNotifierItem*>(self);
    uint32_t result = 0;
    const bool owned = !sd_bus_message_is_method_error(reply, nullptr) &&
                       sd_bus_message_read_basic(reply, 'u', &result) > 0 &&
                       (result == kPrimaryOwner || result == kAlreadyOwner);
    // Watchers also take a unique name; the icon only loses the conventional name.
    const char* unique = nullptr;
    if (owned) {
        item.serviceName_ = item.wantedName_;
    } else if (sd_bus_get_unique_name(item.bus_, &unique) >= 0) {
        item.serviceName_ = unique;
    }
    item.registerWithWatcher();
    return 1;
}

int StatusNotifierItem::onWatcherOwnerChanged(sd_bus_message* message, void* self, sd_bus_error*) {
    auto& item = *static_cast<StatusNotifierItem*>(self);
    const char* name = nullptr;
    const char* oldOwner = nullptr;
    const char* newOwner = nullptr;
    if (sd_bus_message_read(message, "sss", &name, &oldOwner, &newOwner) < 0) {
        return 0;
    }
    if (newOwner[0] == '\0') {
        item.registerCall_.reset();
        item.settleRegistration(false);
    } else {
        item.registerWithWatcher();
    }
    return 0;
}

void StatusNotifierItem::registerWithWatcher() {
    if (serviceName_.empty()) {
        // The name request's answer registers the item.
        return;
    }
    auto call = dispatcher_.bus().newMethodCall(kWatcherName, kWatcherPath, kWatcherName,
                                                "RegisterStatusNotifierItem");
    sd_bus_slot* slot = nullptr;
    if (!call || sd_bus_message_append_basic(call.get(), 's', serviceName_.c_str()) < 0 ||
        sd_bus_call_async(bus_, &slot, call.get(), &onRegisterReply, this, 0) < 0) {
        settleRegistration(false);
        return;
    }
    // Replaces (and so cancels) an attempt still in flight for an earlier watcher.
    registerCall_.reset(slot);
    dispatcher_.flushSoon();
}

int StatusNotifierItem::onRegisterReply(sd_bus_message* reply, void* self, sd_bus_error*) {
    static_cast<StatusNotifierItem*>(self)->settleRegistration(
        !sd_bus_message_is_method_error(reply, nullptr));
    return 1;
}

std::string StatusNotifierItem::readWatcherProcess() const {
    sd_bus_creds* raw = nullptr;
    if (sd_bus_get_name_creds(bus_, kWatcherName, SD_BUS_CREDS_PID | SD_BUS_CREDS_COMM, &raw) < 0) {
        return {};
    }
    const char* comm = nullptr;
    std::string name;
    if (sd_bus_creds_get_comm(raw, &comm) >= 0 && comm != nullptr) {
        name = comm;
    }
    sd_bus_creds_unref(raw);
    return name;
}

void StatusNotifierItem::settleRegistration(bool registered) {
    if (registered_ == registered) {
        return;
    }
    registered_ = registered;
    watcherProcess_ = registered ? readWatcherProcess() : std::string();
    emit registeredChanged(registered);
}

} // namespace wirelark
