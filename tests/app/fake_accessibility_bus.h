#pragma once

#include "bus_thread.h"

#include <string>

namespace wirelark::testing {

// What a desktop's accessibility stack offers a Qt app, on a test bus and served from a thread of
// its own: the launcher that names the accessibility bus (this same bus) and says accessibility
// is on, and the registry that takes the app's root and lists the events someone listens to, so
// that the app exports its widgets and announces the ones it shows.
class FakeAccessibilityBus {
public:
    explicit FakeAccessibilityBus(const std::string& busAddress);

    bool ready() const { return thread_.ready(); }

private:
    bool setUp(sd_bus* bus);
    int onGetAddress(sd_bus_message* message);
    static int onEmbed(sd_bus_message* message);
    static int onGetRegisteredEvents(sd_bus_message* message);

    const std::string busAddress_;
    // Last: stops serving before the state it uses goes.
    BusThread thread_;
};

} // namespace wirelark::testing
