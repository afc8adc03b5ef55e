#pragma once

#include "netcore/sysconfig/executable_names.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace wirelark {

struct TunnelOwner {
    int32_t pid = 0;
    std::string name;
    std::string path;

    bool operator==(const TunnelOwner&) const = default;
};

// {"pid": ..., "name": ..., "path": ...}
nlohmann::ordered_json toJson(const TunnelOwner& owner);

// Whether this network namespace has a tun or tap device; true when that cannot be told, so
// that owners are looked for rather than missed.
bool tunnelDevicePresent();

// Finds the processes that hold tun and tap devices of this network namespace. Scanning reads
// the descriptors of every process in the namespace, and nothing when it has no tun or tap
// device: run it when tunnels come or go, never on every tick. Only root sees the processes
// of other users.
class TunnelOwners {
public:
    explicit TunnelOwners(std::vector<std::filesystem::path> applicationDirectories =
                              ExecutableNames::xdgApplicationDirectories());

    // Interface name -> owner; the last process listed wins when several hold one device.
    std::map<std::string, TunnelOwner> scan() const;

private:
    std::vector<std::filesystem::path> applicationDirectories_;
};

} // namespace wirelark

template <>
struct std::hash<wirelark::TunnelOwner> {
    std::size_t operator()(const wirelark::TunnelOwner& o) const noexcept;
};
