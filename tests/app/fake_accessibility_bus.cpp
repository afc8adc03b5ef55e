#include "fake_accessibility_bus.h"

#include <cerrno>

namespace wirelark::testing {

namespace {

constexpr const char* kRootPath = "/org/a11y/atspi/accessible/root";

// The app sends events only while someone listens to them: here to widgets' state changes,
// among them their showing.
constexpr const char* kListenedEvent = "Object:StateChanged:";

int reply(sd_bus_message* message, bool value) {
    return sd_bus_message_append(message, "b", static_cast<int>(value));
}

} // namespace

FakeAccessibilityBus::FakeAccessibilityBus(const std::string& busAddress)
    : busAddress_(busAddress), thread_(busAddress, [this](sd_bus* bus) { return setUp(bus); }) {}

bool FakeAccessibilityBus::setUp(sd_bus* bus) {
    static const sd_bus_vtable launcher[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD(
            "GetAddress", "", "s",
            [](sd_bus_message* m, void* self, sd_bus_error*) {
                return static_cast<FakeAccessibilityBus*>(self)->onGetAddress(m);
            },
            0),
        SD_BUS_VTABLE_END,
    };
    static const sd_bus_vtable status[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_PROPERTY(
            "IsEnabled", "b",
            [](sd_bus*, const char*, const char*, const char*, sd_bus_message* m, void*,
               sd_bus_error*) { return reply(m, true); },
            0, SD_BUS_VTABLE_PROPERTY_CONST),
        SD_BUS_PROPERTY(
            "ScreenReaderEnabled", "b",
            [](sd_bus*, const char*, const char*, const char*, sd_bus_message* m, void*,
               sd_bus_error*) { return reply(m, false); },
            0, SD_BUS_VTABLE_PROPERTY_CONST),
        SD_BUS_VTABLE_END,
    };
    static const sd_bus_vtable socket[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD(
            "Embed", "(so)", "(so)",
            [](sd_bus_message* m, void*, sd_bus_error*) { return onEmbed(m); }, 0),
        SD_BUS_VTABLE_END,
    };
    static const sd_bus_vtable registry[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD(
            "GetRegisteredEvents", "", "a(ss)",
            [](sd_bus_message* m, void*, sd_bus_error*) { return onGetRegisteredEvents(m); }, 0),
        SD_BUS_SIGNAL("EventListenerRegistered", "ss", 0),
        SD_BUS_SIGNAL("EventListenerDeregistered", "ss", 0),
        SD_BUS_VTABLE_END,
    };
    // The app holds each key press until the registry says no listener consumed it.
    static const sd_bus_vtable keys[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD(
            "NotifyListenersSync", "(uinnisb)", "b",
            [](sd_bus_message* m, void*, sd_bus_error*) {
                return sd_bus_reply_method_return(m, "b", 0);
            },
            0),
        SD_BUS_METHOD(
            "NotifyListenersAsync", "(uinnisb)", "",
            [](sd_bus_message* m, void*, sd_bus_error*) {
                return sd_bus_reply_method_return(m, nullptr);
            },
            0),
        SD_BUS_VTABLE_END,
    };
    return sd_bus_add_object_vtable(bus, nullptr, "/org/a11y/bus", "org.a11y.Bus", launcher,
                                    this) >= 0 &&
           sd_bus_add_object_vtable(bus, nullptr, "/org/a11y/bus", "org.a11y.Status", status,
                                    this) >= 0 &&
           sd_bus_add_object_vtable(bus, nullptr, kRootPath, "org.a11y.atspi.Socket", socket,
                                    this) >= 0 &&
           sd_bus_add_object_vtable(bus, nullptr, "/org/a11y/atspi/registry",
                                    "org.a11y.atspi.Registry", registry, this) >= 0 &&
           sd_bus_add_object_vtable(bus, nullptr, "/org/a11y/atspi/registry/deviceeventcontroller",
                                    "org.a11y.atspi.DeviceEventController", keys, this) >= 0 &&
           sd_bus_request_name(bus, "org.a11y.atspi.Registry", 0) >= 0 &&
           // Last: the app looks for the launcher's name, and finds the registry ready then.
           sd_bus_request_name(bus, "org.a11y.Bus", 0) >= 0;
}

int FakeAccessibilityBus::onGetAddress(sd_bus_message* message) {
    return sd_bus_reply_method_return(message, "s", busAddress_.c_str());
}

// Takes the app's root in and answers with the desktop's root, here the registry's own.
int FakeAccessibilityBus::onEmbed(sd_bus_message* message) {
    const char* unique = nullptr;
    if (sd_bus_get_unique_name(sd_bus_message_get_bus(message), &unique) < 0) {
        return -EIO;
    }
    return sd_bus_reply_method_return(message, "(so)", unique, kRootPath);
}

// One listener, the registry itself.
int FakeAccessibilityBus::onGetRegisteredEvents(sd_bus_message* message) {
    const char* unique = nullptr;
    if (sd_bus_get_unique_name(sd_bus_message_get_bus(message), &unique) < 0) {
        return -EIO;
    }
    return sd_bus_reply_method_return(message, "a(ss)", 1, unique, kListenedEvent);
}

} // namespace wirelark::testing
