#pragma once

#include "bus_thread.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace wirelark::testing {

// The desktop's settings portal on a test bus, served from a thread of its own: answers Read
// for the colour scheme and announces changes with SettingChanged.
class FakeAppearancePortal {
public:
    // With `nested`, Read wraps the value in a second variant, as older portals do.
    FakeAppearancePortal(const std::string& busAddress, uint32_t scheme, bool nested);

    bool ready() const { return thread_.ready(); }
    void setScheme(uint32_t scheme);

private:
    bool setUp(sd_bus* bus);
    int onRead(sd_bus_message* message);

    std::atomic<uint32_t> scheme_;
    const bool nested_;
    // Last: stops serving before the state it uses goes.
    BusThread thread_;
};

} // namespace wirelark::testing
