#pragma once

#include "netcore/dbus/dbus_connection.h"

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace wirelark::testing {

// Where an app exports one of its accessible objects: its connection and object path.
struct AccessibleRef {
    std::string bus;
    std::string path;

    bool operator==(const AccessibleRef&) const = default;
};

// One accessible object as a screen reader reads it, with what it holds.
struct AccessibleNode {
    AccessibleRef ref;
    std::string name;
    bool showing = false;
    // On the screen: x, y, width, height.
    std::array<int, 4> extents{};
    std::vector<AccessibleNode> children;

    // The first node, depth first from this one, for which `wanted` holds; null when none does.
    const AccessibleNode* find(const std::function<bool(const AccessibleNode&)>& wanted) const;
};

// Reads apps' accessibility trees on an accessibility bus, as a screen reader does, and notes
// the objects they announce as shown.
class AccessibleTree {
public:
    // Listening from now on; absent when the bus is unreachable.
    static std::optional<AccessibleTree> open(const std::string& busAddress);

    // Forgets the objects shown so far.
    void forgetShown();
    // The windows shown since the last forgetShown() (an app announces a window it shows with
    // everything in it), waiting at most `limit` for a first announcement. An app's popups are
    // found this way only, for it leaves them out of its root's children.
    std::vector<AccessibleRef> shownWindows(std::chrono::milliseconds limit);
    // The object and everything under it; absent when the app does not answer for it.
    std::optional<AccessibleNode> read(const AccessibleRef& ref) const;

private:
    explicit AccessibleTree(DbusConnection bus);
    static int onStateChanged(sd_bus_message* message, void* shown, sd_bus_error*);
    // Reads the nodes' own parts and their children's references; false when one is gone.
    bool readBatch(std::span<AccessibleNode*> nodes) const;
    // Fills the node from the replies to its calls in readBatch(); false when one failed.
    static bool fill(AccessibleNode& node, std::span<const BusReply> replies);
    // Properties.Get of one of the object's accessible properties.
    BusMessage propertyCall(const AccessibleRef& ref, const char* name) const;

    DbusConnection bus_;
    BusSlot match_;
    // Owned by a std::optional that may move: the match's callback finds it through here.
    std::unique_ptr<std::vector<AccessibleRef>> shown_ =
        std::make_unique<std::vector<AccessibleRef>>();
    // The windows among the announcements already asked about.
    std::vector<AccessibleRef> windows_;
};

} // namespace wirelark::testing
