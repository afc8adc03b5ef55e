#include "accessible_tree.h"

#include "netcore/dbus/dbus_value.h"

#include <poll.h>

#include <algorithm>
#include <span>
#include <string_view>

namespace wirelark::testing {

namespace {

using namespace std::chrono_literals;

constexpr const char* kAccessible = "org.a11y.atspi.Accessible";
// The bus daemon refuses more than 128 calls awaiting their replies from one connection.
constexpr size_t kMostCallsAtOnce = 100;
// The calls readBatch() makes for each object, and so the objects of one batch.
constexpr size_t kCallsPerNode = 4;
constexpr size_t kBatch = kMostCallsAtOnce / kCallsPerNode;
constexpr std::string_view kAppRoot = "/org/a11y/atspi/accessible/root";
constexpr std::string_view kNoObject = "/org/a11y/atspi/null";
// The app's main thread answers a batch at once; a busy machine may keep it a while.
constexpr auto kCallLimit = std::chrono::microseconds(20s);
// The state bit of objects on the screen now.
constexpr unsigned kShowingBit = 25;

std::optional<nlohmann::json> replyValue(const BusReply& reply) {
    return reply ? readBusValue(reply->get()) : std::nullopt;
}

std::optional<AccessibleRef> refFrom(const std::optional<nlohmann::json>& value) {
    if (!value || !value->is_array() || value->size() != 2) {
        return std::nullopt;
    }
    return AccessibleRef{(*value)[0].get<std::string>(), (*value)[1].get<std::string>()};
}

bool hasBit(const nlohmann::json& words, unsigned bit) {
    return words.is_array() && words.size() > bit / 32 &&
           (words[bit / 32].get<uint32_t>() >> (bit % 32) & 1) != 0;
}

} // namespace

const AccessibleNode*
AccessibleNode::find(const std::function<bool(const AccessibleNode&)>& wanted) const {
    if (wanted(*this)) {
        return this;
    }
    for (const AccessibleNode& child : children) {
        if (const AccessibleNode* found = child.find(wanted)) {
            return found;
        }
    }
    return nullptr;
}

std::optional<AccessibleTree> AccessibleTree::open(const std::string& busAddress) {
    auto bus = DbusConnection::openAddress(busAddress);
    if (!bus) {
        return std::nullopt;
    }
    AccessibleTree tree(std::move(*bus));
    sd_bus_slot* slot = nullptr;
    if (sd_bus_match_signal(tree.bus_.get(), &slot, nullptr, nullptr, "org.a11y.atspi.Event.Object",
                            "StateChanged", &onStateChanged, tree.shown_.get()) < 0) {
        return std::nullopt;
    }
    tree.match_.reset(slot);
    return tree;
}

AccessibleTree::AccessibleTree(DbusConnection bus) : bus_(std::move(bus)) {}

int AccessibleTree::onStateChanged(sd_bus_message* message, void* shown, sd_bus_error*) {
    const char* state = nullptr;
    int32_t on = 0;
    if (sd_bus_message_read(message, "si", &state, &on) >= 0 &&
        state == std::string_view("showing") && on == 1) {
        static_cast<std::vector<AccessibleRef>*>(shown)->push_back(
            {sd_bus_message_get_sender(message), sd_bus_message_get_path(message)});
    }
    return 0;
}

void AccessibleTree::forgetShown() {
    bus_.processPending();
    shown_->clear();
    windows_.clear();
}

BusMessage AccessibleTree::propertyCall(const AccessibleRef& ref, const char* name) const {
    BusMessage call = bus_.newMethodCall(ref.bus.c_str(), ref.path.c_str(),
                                         "org.freedesktop.DBus.Properties", "Get");
    if (call) {
        sd_bus_message_append(call.get(), "ss", kAccessible, name);
    }
    return call;
}

std::vector<AccessibleRef> AccessibleTree::shownWindows(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    bus_.processPending();
    while (windows_.empty() && shown_->empty() && std::chrono::steady_clock::now() < end) {
        pollfd readable{bus_.fd(), bus_.pollEvents(), 0};
        poll(&readable, 1, 50);
        bus_.processPending();
    }
    // Each announcement is asked about once: a shown panel announces every object in it, and a
    // slow app answering them all again at every look would outlast the caller's patience.
    std::vector<AccessibleRef> shown;
    shown.swap(*shown_); // the calls below may announce more
    // A window is announced as shown with its content; it is the one whose parent is the app.
    for (size_t first = 0; first < shown.size(); first += kMostCallsAtOnce) {
        const size_t count = std::min(kMostCallsAtOnce, shown.size() - first);
        std::vector<BusMessage> calls;
        for (size_t i = first; i < first + count; ++i) {
            calls.push_back(propertyCall(shown[i], "Parent"));
        }
        const std::vector<BusReply> parents = bus_.callAll(calls, kCallLimit);
        for (size_t i = 0; i < count; ++i) {
            const auto parent = refFrom(replyValue(parents[i]));
            const AccessibleRef& ref = shown[first + i];
            if (parent && (parent->path == kAppRoot || parent->path == kNoObject) &&
                std::find(windows_.begin(), windows_.end(), ref) == windows_.end()) {
                windows_.push_back(ref);
            }
        }
    }
    return windows_;
}

std::optional<AccessibleNode> AccessibleTree::read(const AccessibleRef& ref) const {
    AccessibleNode top;
    top.ref = ref;
    // One level at a time, many objects' calls at once: a round trip per batch, not per call.
    std::vector<AccessibleNode*> level{&top};
    while (!level.empty()) {
        std::vector<AccessibleNode*> next;
        for (size_t first = 0; first < level.size(); first += kBatch) {
            const std::span<AccessibleNode*> batch(level.begin() + static_cast<long>(first),
                                                   std::min(kBatch, level.size() - first));
            if (!readBatch(batch)) {
                return std::nullopt;
            }
            for (AccessibleNode* node : batch) {
                for (AccessibleNode& child : node->children) {
                    next.push_back(&child);
                }
            }
        }
        level = std::move(next);
    }
    return top;
}

bool AccessibleTree::readBatch(std::span<AccessibleNode*> nodes) const {
    std::vector<BusMessage> calls;
    for (const AccessibleNode* node : nodes) {
        const char* bus = node->ref.bus.c_str();
        const char* path = node->ref.path.c_str();
        calls.push_back(propertyCall(node->ref, "Name"));
        calls.push_back(bus_.newMethodCall(bus, path, kAccessible, "GetState"));
        calls.push_back(bus_.newMethodCall(bus, path, kAccessible, "GetChildren"));
        calls.push_back(bus_.newMethodCall(bus, path, "org.a11y.atspi.Component", "GetExtents"));
        sd_bus_message_append(calls.back().get(), "u", 0u); // screen coordinates
    }
    const std::vector<BusReply> replies = bus_.callAll(calls, kCallLimit);
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (!fill(*nodes[i],
                  {replies.begin() + static_cast<long>(i * kCallsPerNode), kCallsPerNode})) {
            return false;
        }
    }
    return true;
}

bool AccessibleTree::fill(AccessibleNode& node, std::span<const BusReply> replies) {
    const auto name = replyValue(replies[0]);
    const auto state = replyValue(replies[1]);
    const auto children = replyValue(replies[2]);
    if (!name || !state || !children) {
        return false; // gone meanwhile
    }
    node.name = name->get<std::string>();
    node.showing = hasBit(*state, kShowingBit);
    if (const auto extents = replyValue(replies[3]); extents && extents->size() == 4) {
        for (size_t i = 0; i < 4; ++i) {
            node.extents[i] = (*extents)[i].get<int>();
        }
    }
    for (const auto& child : *children) {
        node.children.emplace_back().ref = {child[0].get<std::string>(),
                                            child[1].get<std::string>()};
    }
    return true;
}

} // namespace wirelark::testing
