#include "app/tray/appearance_portal.h"

#include "netcore/dbus/dbus_value.h"

namespace wirelark {

namespace {

constexpr const char* kPortalName = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kSettingsInterface = "org.freedesktop.portal.Settings";
constexpr const char* kNamespace = "org.freedesktop.appearance";
constexpr const char* kKey = "color-scheme";
constexpr const char* kSchemeChangedMatch =
    "type='signal',interface='org.freedesktop.portal.Settings',member='SettingChanged',"
    "path='/org/freedesktop/portal/desktop',arg0='org.freedesktop.appearance',"
    "arg1='color-scheme'";

ColorScheme schemeOf(const std::optional<nlohmann::json>& value) {
    if (!value || !value->is_number_unsigned()) {
        return ColorScheme::noPreference;
    }
    switch (value->get<uint64_t>()) {
    case 1:
        return ColorScheme::dark;
    case 2:
        return ColorScheme::light;
    default:
        return ColorScheme::noPreference;
    }
}

} // namespace

AppearancePortal::AppearancePortal(QtBusDispatcher& dispatcher, QObject* parent)
    : QObject(parent), dispatcher_(dispatcher) {
    sd_bus* bus = dispatcher_.bus().get();
    // The match goes out before the read, so a change in between is not lost.
    sd_bus_slot* slot = nullptr;
    if (sd_bus_add_match_async(bus, &slot, kSchemeChangedMatch, &onSettingChanged, nullptr, this) >=
        0) {
        changeMatch_.reset(slot);
    }
    auto call =
        dispatcher_.bus().newMethodCall(kPortalName, kPortalPath, kSettingsInterface, "Read");
    slot = nullptr;
    if (call && sd_bus_message_append(call.get(), "ss", kNamespace, kKey) >= 0 &&
        sd_bus_call_async(bus, &slot, call.get(), &onReadReply, this, 0) >= 0) {
        readCall_.reset(slot);
    }
    dispatcher_.flushSoon();
}

int AppearancePortal::onReadReply(sd_bus_message* reply, void* self, sd_bus_error*) {
    auto& portal = *static_cast<AppearancePortal*>(self);
    // A desktop without the portal or the setting answers with an error: no preference.
    if (!portal.changeSeen_ && !sd_bus_message_is_method_error(reply, nullptr)) {
        portal.takeScheme(reply);
    }
    return 1;
}

int AppearancePortal::onSettingChanged(sd_bus_message* message, void* self, sd_bus_error*) {
    auto& portal = *static_cast<AppearancePortal*>(self);
    // Namespace and key are matched already.
    if (sd_bus_message_skip(message, "ss") >= 0) {
        portal.changeSeen_ = true;
        portal.takeScheme(message);
    }
    return 0;
}

void AppearancePortal::takeScheme(sd_bus_message* message) {
    const ColorScheme scheme = schemeOf(readBusValue(message));
    if (scheme == scheme_) {
        return;
    }
    scheme_ = scheme;
    emit colorSchemeChanged(scheme);
}

} // namespace wirelark
