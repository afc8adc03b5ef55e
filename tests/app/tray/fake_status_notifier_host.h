#pragma once

#include "bus_thread.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace wirelark::testing {

// The desktop's side of the tray on a test bus, served from a thread of its own: owns the
// StatusNotifierWatcher name, takes registrations and, as a tray host does, reads an item's
// properties when it registers and again on each of its change signals.
class FakeStatusNotifierHost {
public:
    // A host that `refuses` answers every registration with an error.
    explicit FakeStatusNotifierHost(const std::string& busAddress, bool refuses = false);

    bool ready() const { return thread_.ready(); }
    std::vector<std::string> registrations() const;
    // Registered names whose owner has left the bus since; a watcher drops those items.
    std::vector<std::string> vanished() const;
    // The item's signals in arrival order; each is recorded after the properties were read
    // again, so seeing one means properties() is at least that fresh.
    std::vector<std::string> itemSignals() const;
    // The item's properties as last read, an empty object before any.
    nlohmann::json properties() const;
    // Call a method of the last registered item, as a click or a wheel turn on the icon does;
    // each answer (an error name, empty for success) is appended to callResults().
    void clickItem(const std::string& member, int x, int y);
    void scrollItem(int delta, const std::string& orientation);
    std::vector<std::string> callResults() const;

private:
    bool setUp(sd_bus* bus);
    int onRegister(sd_bus_message* message);
    int onItemSignal(sd_bus_message* message);
    int onNameOwnerChanged(sd_bus_message* message);
    void readProperties(sd_bus* bus, const std::string& service);
    void callItem(const std::string& member, std::function<int(sd_bus_message*)> appendArguments);

    const bool refuses_;
    mutable std::mutex mutex_;
    std::vector<std::string> registrations_;
    std::vector<std::string> vanished_;
    std::vector<std::string> itemSignals_;
    std::vector<std::string> callResults_;
    nlohmann::json properties_ = nlohmann::json::object();
    // Last: stops serving before the state it uses goes.
    BusThread thread_;
};

} // namespace wirelark::testing
