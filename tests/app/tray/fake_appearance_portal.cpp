#include "fake_appearance_portal.h"

#include <cerrno>
#include <string_view>

namespace wirelark::testing {

namespace {

constexpr const char* kPath = "/org/freedesktop/portal/desktop";
constexpr const char* kInterface = "org.freedesktop.portal.Settings";

} // namespace

FakeAppearancePortal::FakeAppearancePortal(const std::string& busAddress, uint32_t scheme,
                                           bool nested)
    : scheme_(scheme), nested_(nested),
      thread_(busAddress, [this](sd_bus* bus) { return setUp(bus); }) {}

bool FakeAppearancePortal::setUp(sd_bus* bus) {
    static const sd_bus_vtable settings[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD(
            "Read", "ss", "v",
            [](sd_bus_message* m, void* self, sd_bus_error*) {
                return static_cast<FakeAppearancePortal*>(self)->onRead(m);
            },
            0),
        SD_BUS_SIGNAL("SettingChanged", "ssv", 0),
        SD_BUS_VTABLE_END,
    };
    return sd_bus_add_object_vtable(bus, nullptr, kPath, kInterface, settings, this) >= 0 &&
           sd_bus_request_name(bus, "org.freedesktop.portal.Desktop", 0) >= 0;
}

int FakeAppearancePortal::onRead(sd_bus_message* message) {
    const char* space = nullptr;
    const char* key = nullptr;
    if (sd_bus_message_read(message, "ss", &space, &key) < 0) {
        return -EINVAL;
    }
    if (std::string_view(space) != "org.freedesktop.appearance" ||
        std::string_view(key) != "color-scheme") {
        return sd_bus_reply_method_errorf(message, "org.freedesktop.portal.Error.NotFound",
                                          "Requested setting not found");
    }
    return nested_ ? sd_bus_reply_method_return(message, "v", "v", "u", scheme_.load())
                   : sd_bus_reply_method_return(message, "v", "u", scheme_.load());
}

void FakeAppearancePortal::setScheme(uint32_t scheme) {
    scheme_ = scheme;
    thread_.post([scheme](sd_bus* bus) {
        sd_bus_emit_signal(bus, kPath, kInterface, "SettingChanged", "ssv",
                           "org.freedesktop.appearance", "color-scheme", "u", scheme);
    });
}

} // namespace wirelark::testing
