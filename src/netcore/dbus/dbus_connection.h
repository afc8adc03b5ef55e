#pragma once

#include "netcore/base/expected.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <systemd/sd-bus.h>

namespace wirelark {

struct SdBusUnref {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
    void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};

using BusMessage = std::unique_ptr<sd_bus_message, SdBusUnref>;
using BusSlot = std::unique_ptr<sd_bus_slot, SdBusUnref>;

// One call's failure: the D-Bus error name (or "errno" and the system's text) and its message.
struct BusError {
    std::string name;
    std::string message;

    bool operator==(const BusError&) const = default;
};

// A call's reply (never null), or the reason there is none.
using BusReply = Expected<BusMessage, BusError>;

// Owns one connection to a message bus. The raw handle stays reachable for the sd-bus calls
// this wrapper does not cover; everything that speaks D-Bus in the project goes through here.
class DbusConnection {
public:
    // The system bus; DBUS_SYSTEM_BUS_ADDRESS overrides its address. Absent when unreachable.
    static std::optional<DbusConnection> openSystem();
    // The user's session bus at DBUS_SESSION_BUS_ADDRESS (else $XDG_RUNTIME_DIR/bus). Absent
    // when unreachable.
    static std::optional<DbusConnection> openSession();
    // A bus at an explicit address ("unix:path=/run/...").
    static std::optional<DbusConnection> openAddress(const std::string& address);

    sd_bus* get() const { return bus_.get(); }

    // A method call message, or null when the names are malformed.
    BusMessage newMethodCall(const char* destination, const char* path, const char* interface,
                             const char* member) const;
    // A Properties.GetAll call for one interface of an object, or null.
    BusMessage newGetAll(const char* destination, const char* path, const char* interface) const;
    // Sends the call and waits at most `timeout` for its reply.
    BusReply call(sd_bus_message* message, std::chrono::microseconds timeout) const;
    // Sends all calls at once and waits at most `timeout` for all their replies together: one
    // round trip instead of one per call. Replies come in the order of the calls; a call without
    // a reply by then has the error NoReply, as sd-bus gives a call that timed out.
    std::vector<BusReply> callAll(const std::vector<BusMessage>& messages,
                                  std::chrono::microseconds timeout) const;
    // Properties.GetAll of one interface, decoded into a JSON object.
    Expected<nlohmann::json, BusError> getAllProperties(const char* destination, const char* path,
                                                        const char* interface,
                                                        std::chrono::microseconds timeout) const;

    // For an event loop: the fd to poll, the poll events it wants now and the sd-bus timeout
    // (absolute CLOCK_MONOTONIC microseconds, UINT64_MAX for none).
    int fd() const;
    short pollEvents() const;
    uint64_t timeoutUsec() const;
    // Handles everything that is ready without blocking; false once the connection is gone.
    bool processPending() const;

private:
    explicit DbusConnection(sd_bus* bus) : bus_(bus) {}
    // Takes the bus when `result` says it was set up, frees it otherwise.
    static std::optional<DbusConnection> adopt(int result, sd_bus* bus);

    std::unique_ptr<sd_bus, SdBusUnref> bus_;
};

} // namespace wirelark
