#include "fake_status_notifier_host.h"

#include "netcore/dbus/dbus_value.h"

#include <algorithm>

namespace wirelark::testing {

namespace {

constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";

} // namespace

FakeStatusNotifierHost::FakeStatusNotifierHost(const std::string& busAddress, bool refuses)
    : refuses_(refuses), thread_(busAddress, [this](sd_bus* bus) { return setUp(bus); }) {}

bool FakeStatusNotifierHost::setUp(sd_bus* bus) {
    static const sd_bus_vtable watcher[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD(
            "RegisterStatusNotifierItem", "s", "",
            [](sd_bus_message* m, void* self, sd_bus_error*) {
                return static_cast<FakeStatusNotifierHost*>(self)->onRegister(m);
            },
            0),
        SD_BUS_VTABLE_END,
    };
    const auto onSignal = [](sd_bus_message* m, void* self, sd_bus_error*) {
        return static_cast<FakeStatusNotifierHost*>(self)->onItemSignal(m);
    };
    const auto onOwner = [](sd_bus_message* m, void* self, sd_bus_error*) {
        return static_cast<FakeStatusNotifierHost*>(self)->onNameOwnerChanged(m);
    };
    return sd_bus_add_object_vtable(bus, nullptr, "/StatusNotifierWatcher",
                                    "org.kde.StatusNotifierWatcher", watcher, this) >= 0 &&
           sd_bus_match_signal(bus, nullptr, nullptr, kItemPath, kItemInterface, nullptr, onSignal,
                               this) >= 0 &&
           sd_bus_match_signal(bus, nullptr, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "NameOwnerChanged", onOwner, this) >= 0 &&
           sd_bus_request_name(bus, "org.kde.StatusNotifierWatcher", 0) >= 0;
}

int FakeStatusNotifierHost::onRegister(sd_bus_message* message) {
    const char* service = nullptr;
    if (sd_bus_message_read(message, "s", &service) < 0) {
        return -EINVAL;
    }
    if (refuses_) {
        return sd_bus_reply_method_errorf(message, "org.example.Error.Refused", "no items");
    }
    const std::string name = service;
    {
        std::lock_guard lock(mutex_);
        registrations_.push_back(name);
    }
    const int r = sd_bus_reply_method_return(message, nullptr);
    readProperties(sd_bus_message_get_bus(message), name);
    return r;
}

int FakeStatusNotifierHost::onItemSignal(sd_bus_message* message) {
    readProperties(sd_bus_message_get_bus(message), sd_bus_message_get_sender(message));
    std::lock_guard lock(mutex_);
    itemSignals_.emplace_back(sd_bus_message_get_member(message));
    return 0;
}

int FakeStatusNotifierHost::onNameOwnerChanged(sd_bus_message* message) {
    const char* name = nullptr;
    const char* oldOwner = nullptr;
    const char* newOwner = nullptr;
    if (sd_bus_message_read(message, "sss", &name, &oldOwner, &newOwner) < 0 || *newOwner != 0) {
        return 0;
    }
    std::lock_guard lock(mutex_);
    if (std::find(registrations_.begin(), registrations_.end(), name) != registrations_.end()) {
        vanished_.emplace_back(name);
    }
    return 0;
}

void FakeStatusNotifierHost::readProperties(sd_bus* bus, const std::string& service) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    std::optional<nlohmann::json> read;
    if (sd_bus_call_method(bus, service.c_str(), kItemPath, "org.freedesktop.DBus.Properties",
                           "GetAll", &error, &reply, "s", kItemInterface) >= 0) {
        read = readBusValue(reply);
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    std::lock_guard lock(mutex_);
    properties_ = read.value_or(nlohmann::json::object());
}

void FakeStatusNotifierHost::clickItem(const std::string& member, int x, int y) {
    callItem(member, [x, y](sd_bus_message* m) { return sd_bus_message_append(m, "ii", x, y); });
}

void FakeStatusNotifierHost::scrollItem(int delta, const std::string& orientation) {
    callItem("Scroll", [delta, orientation](sd_bus_message* m) {
        return sd_bus_message_append(m, "is", delta, orientation.c_str());
    });
}

void FakeStatusNotifierHost::callItem(const std::string& member,
                                      std::function<int(sd_bus_message*)> appendArguments) {
    thread_.post([this, member, appendArguments = std::move(appendArguments)](sd_bus* bus) {
        std::string service;
        {
            std::lock_guard lock(mutex_);
            service = registrations_.empty() ? "" : registrations_.back();
        }
        sd_bus_message* call = nullptr;
        sd_bus_error error = SD_BUS_ERROR_NULL;
        int r = sd_bus_message_new_method_call(bus, &call, service.c_str(), kItemPath,
                                               kItemInterface, member.c_str());
        r = r < 0 ? r : appendArguments(call);
        r = r < 0 ? r : sd_bus_call(bus, call, 0, &error, nullptr);
        sd_bus_message_unref(call);
        std::lock_guard lock(mutex_);
        callResults_.emplace_back(r >= 0 ? "" : (error.name ? error.name : "errno"));
        sd_bus_error_free(&error);
    });
}

std::vector<std::string> FakeStatusNotifierHost::registrations() const {
    std::lock_guard lock(mutex_);
    return registrations_;
}

std::vector<std::string> FakeStatusNotifierHost::itemSignals() const {
    std::lock_guard lock(mutex_);
    return itemSignals_;
}

std::vector<std::string> FakeStatusNotifierHost::vanished() const {
    std::lock_guard lock(mutex_);
    return vanished_;
}

nlohmann::json FakeStatusNotifierHost::properties() const {
    std::lock_guard lock(mutex_);
    return properties_;
}

std::vector<std::string> FakeStatusNotifierHost::callResults() const {
    std::lock_guard lock(mutex_);
    return callResults_;
}

} // namespace wirelark::testing
