#include "netcore/interfaces/snapshot_json.h"

namespace wirelark {

namespace {

template <typename T>
void putIfPresent(nlohmann::ordered_json& object, const char* key, const std::optional<T>& value) {
    if (value) {
        object[key] = *value;
    }
}

nlohmann::ordered_json toJson(const IPv4Address& a) {
    nlohmann::ordered_json object{{"address", a.address}};
    putIfPresent(object, "netmask", a.netmask);
    putIfPresent(object, "prefixLength", a.prefixLength);
    putIfPresent(object, "broadcast", a.broadcast);
    putIfPresent(object, "destination", a.destination);
    return object;
}

nlohmann::ordered_json toJson(const IPv6Address& a) {
    nlohmann::ordered_json object{{"address", a.address}};
    putIfPresent(object, "prefixLength", a.prefixLength);
    object["scopeID"] = a.scopeID;
    object["flags"] = a.flags;
    putIfPresent(object, "destination", a.destination);
    return object;
}

nlohmann::ordered_json toJson(const InterfaceCounters& c) {
    return {{"bytesIn", c.bytesIn},         {"bytesOut", c.bytesOut},
            {"packetsIn", c.packetsIn},     {"packetsOut", c.packetsOut},
            {"errorsIn", c.errorsIn},       {"errorsOut", c.errorsOut},
            {"multicastIn", c.multicastIn}, {"multicastOut", c.multicastOut},
            {"collisions", c.collisions},   {"dropsIn", c.dropsIn}};
}

nlohmann::ordered_json toJson(const MediaInfo& m) {
    nlohmann::ordered_json object{{"current", m.current}};
    putIfPresent(object, "active", m.active);
    object["status"] = caseName(m.status);
    return object;
}

} // namespace

nlohmann::ordered_json toJson(const InterfaceSnapshot& s) {
    nlohmann::ordered_json object{
        {"name", s.name},
        {"index", s.index},
        {"flags", s.flags},
        {"mtu", s.mtu},
        {"ifType", s.ifType},
        {"baudrate", s.baudrate},
        {"counters", toJson(s.counters)},
    };
    if (s.linkAddress) {
        object["linkAddress"] = s.linkAddress->description();
    }
    auto& ipv4 = object["ipv4"] = nlohmann::ordered_json::array();
    for (const auto& a : s.ipv4) {
        ipv4.push_back(toJson(a));
    }
    auto& ipv6 = object["ipv6"] = nlohmann::ordered_json::array();
    for (const auto& a : s.ipv6) {
        ipv6.push_back(toJson(a));
    }
    if (s.media) {
        object["media"] = toJson(*s.media);
    }
    putIfPresent(object, "capabilities", s.capabilities);
    putIfPresent(object, "nd6Flags", s.nd6Flags);
    object["functionalType"] = caseName(s.functionalType);
    if (!s.deviceKind.empty()) {
        object["deviceKind"] = s.deviceKind;
    }
    return object;
}

} // namespace wirelark
