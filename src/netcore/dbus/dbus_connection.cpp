#include "netcore/dbus/dbus_connection.h"

#include "netcore/dbus/dbus_value.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace wirelark {

std::optional<DbusConnection> DbusConnection::adopt(int result, sd_bus* bus) {
    if (result < 0) {
        sd_bus_unref(bus);
        return std::nullopt;
    }
    return DbusConnection(bus);
}

std::optional<DbusConnection> DbusConnection::openSystem() {
    sd_bus* bus = nullptr;
    const int result = sd_bus_open_system(&bus);
    return adopt(result, bus);
}

std::optional<DbusConnection> DbusConnection::openSession() {
    sd_bus* bus = nullptr;
    const int result = sd_bus_open_user(&bus);
    return adopt(result, bus);
}

std::optional<DbusConnection> DbusConnection::openAddress(const std::string& address) {
    sd_bus* bus = nullptr;
    int result = sd_bus_new(&bus);
    if (result < 0) {
        return std::nullopt;
    }
    result = sd_bus_set_address(bus, address.c_str());
    if (result >= 0) {
        result = sd_bus_set_bus_client(bus, 1);
    }
    if (result >= 0) {
        result = sd_bus_start(bus);
    }
    return adopt(result, bus);
}

BusMessage DbusConnection::newMethodCall(const char* destination, const char* path,
                                         const char* interface, const char* member) const {
    sd_bus_message* message = nullptr;
    if (sd_bus_message_new_method_call(bus_.get(), &message, destination, path, interface, member) <
        0) {
        return nullptr;
    }
    return BusMessage(message);
}

BusMessage DbusConnection::newGetAll(const char* destination, const char* path,
                                     const char* interface) const {
    auto message = newMethodCall(destination, path, "org.freedesktop.DBus.Properties", "GetAll");
    if (!message || sd_bus_message_append(message.get(), "s", interface) < 0) {
        return nullptr;
    }
    return message;
}

BusReply DbusConnection::call(sd_bus_message* message, std::chrono::microseconds timeout) const {
    if (message == nullptr) {
        return Unexpected(BusError{"org.freedesktop.DBus.Error.InvalidArgs", "no message"});
    }
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    // sd-bus reads a timeout of 0 as "the default"; one microsecond is as good as none.
    const auto usec = static_cast<uint64_t>(std::max<int64_t>(timeout.count(), 1));
    const int result = sd_bus_call(bus_.get(), message, usec, &error, &reply);
    if (result < 0) {
        BusError failure{error.name ? error.name : "errno",
                         error.message ? error.message : std::strerror(-result)};
        sd_bus_error_free(&error);
        return Unexpected(std::move(failure));
    }
    sd_bus_error_free(&error);
    return BusMessage(reply);
}

namespace {

// One call of callAll() in flight: where its reply goes (nothing there until it comes) and the
// count of those still awaited.
struct AwaitedReply {
    std::optional<BusReply>* reply = nullptr;
    size_t* outstanding = nullptr;
};

int storeReply(sd_bus_message* message, void* userdata, sd_bus_error*) {
    const auto& awaited = *static_cast<AwaitedReply*>(userdata);
    if (sd_bus_message_is_method_error(message, nullptr)) {
        const sd_bus_error* error = sd_bus_message_get_error(message);
        awaited.reply->emplace(Unexpected(BusError{error && error->name ? error->name : "error",
                                                   error && error->message ? error->message : ""}));
    } else {
        awaited.reply->emplace(BusMessage(sd_bus_message_ref(message)));
    }
    --*awaited.outstanding;
    return 1;
}

BusError timeoutError() {
    return {"org.freedesktop.DBus.Error.NoReply", "no reply in time"};
}

} // namespace

std::vector<BusReply> DbusConnection::callAll(const std::vector<BusMessage>& messages,
                                              std::chrono::microseconds timeout) const {
    std::vector<std::optional<BusReply>> replies(messages.size());
    std::vector<AwaitedReply> awaited(messages.size());
    // Declared after `awaited`, so the calls still pending are cancelled before it goes.
    std::vector<BusSlot> slots;
    size_t outstanding = 0;
    const auto usec = static_cast<uint64_t>(std::max<int64_t>(timeout.count(), 1));
    for (size_t i = 0; i < messages.size(); ++i) {
        awaited[i] = {&replies[i], &outstanding};
        sd_bus_slot* slot = nullptr;
        const int result = messages[i] ? sd_bus_call_async(bus_.get(), &slot, messages[i].get(),
                                                           storeReply, &awaited[i], usec)
                                       : -EINVAL;
        if (result < 0) {
            replies[i].emplace(Unexpected(BusError{"errno", std::strerror(-result)}));
            continue;
        }
        slots.emplace_back(slot);
        ++outstanding;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (outstanding > 0) {
        const int processed = sd_bus_process(bus_.get(), nullptr);
        if (processed < 0) {
            break;
        }
        if (processed > 0) {
            continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || sd_bus_wait(bus_.get(), static_cast<uint64_t>(left.count())) < 0) {
            break;
        }
    }
    std::vector<BusReply> out;
    out.reserve(replies.size());
    for (auto& reply : replies) {
        if (reply) {
            out.push_back(std::move(*reply));
        } else {
            out.emplace_back(Unexpected(timeoutError()));
        }
    }
    return out;
}

Expected<nlohmann::json, BusError>
DbusConnection::getAllProperties(const char* destination, const char* path, const char* interface,
                                 std::chrono::microseconds timeout) const {
    auto reply = call(newGetAll(destination, path, interface).get(), timeout);
    if (!reply) {
        return Unexpected(std::move(reply).error());
    }
    auto value = readBusValue(reply->get());
    if (!value || !value->is_object()) {
        return Unexpected(BusError{"org.freedesktop.DBus.Error.InvalidSignature",
                                   "the reply holds no property dictionary"});
    }
    return std::move(*value);
}

int DbusConnection::fd() const {
    return sd_bus_get_fd(bus_.get());
}

short DbusConnection::pollEvents() const {
    const int events = sd_bus_get_events(bus_.get());
    return events < 0 ? POLLIN : static_cast<short>(events);
}

uint64_t DbusConnection::timeoutUsec() const {
    uint64_t usec = UINT64_MAX;
    return sd_bus_get_timeout(bus_.get(), &usec) < 0 ? UINT64_MAX : usec;
}

bool DbusConnection::processPending() const {
    for (;;) {
        const int result = sd_bus_process(bus_.get(), nullptr);
        if (result < 0) {
            return false;
        }
        if (result == 0) {
            return true;
        }
    }
}

} // namespace wirelark
