#include "netcore/dbus_connection.h"

#include "netcore/dbus_value.h"

#include <poll.h>

#include <algorithm>
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

BusReply DbusConnection::call(sd_bus_message* message, std::chrono::microseconds timeout) const {
    if (message == nullptr) {
        return {nullptr, BusError{"org.freedesktop.DBus.Error.InvalidArgs", "no message"}};
    }
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    // sd-bus reads a timeout of 0 as "the default"; one microsecond is as good as none.
    const auto usec = static_cast<uint64_t>(std::max<int64_t>(timeout.count(), 1));
    const int result = sd_bus_call(bus_.get(), message, usec, &error, &reply);
    BusReply out;
    if (result < 0) {
        out.error = BusError{error.name ? error.name : "errno",
                             error.message ? error.message : std::strerror(-result)};
    } else {
        out.message.reset(reply);
    }
    sd_bus_error_free(&error);
    return out;
}

nlohmann::json DbusConnection::getAllProperties(const char* destination, const char* path,
                                                const char* interface,
                                                std::chrono::microseconds timeout) const {
    auto message = newMethodCall(destination, path, "org.freedesktop.DBus.Properties", "GetAll");
    if (!message || sd_bus_message_append(message.get(), "s", interface) < 0) {
        return nlohmann::json::object();
    }
    const auto reply = call(message.get(), timeout);
    if (!reply) {
        return nlohmann::json::object();
    }
    auto value = readBusValue(reply.message.get());
    return value && value->is_object() ? std::move(*value) : nlohmann::json::object();
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
