// Feeds arbitrary JSON (as decoded from a D-Bus reply) to the connection-profile decoder and
// orders what it accepts.
#include "netcore/sysconfig/network_manager_profiles.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto json = nlohmann::json::parse(data, data + size, nullptr, false);
    if (json.is_discarded()) {
        return 0;
    }
    std::vector<wirelark::ConnectionProfile> profiles;
    const auto properties =
        json.is_object() && json.contains("properties") ? json["properties"] : json;
    if (auto profile = wirelark::decodeConnectionProfile(json, properties)) {
        profiles.push_back(*profile);
        profiles.push_back(*profile);
    }
    wirelark::servicesFromProfiles(profiles);
    return 0;
}
