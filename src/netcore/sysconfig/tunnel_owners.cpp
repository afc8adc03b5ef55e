#include "netcore/sysconfig/tunnel_owners.h"

#include "netcore/base/hash_combine.h"
#include "netcore/kernel/netlink_socket.h"
#include "netcore/kernel/wlk_kernel.h"
#include "netcore/kernel/wlk_tun_owners.h"

#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <string_view>

#include <nlohmann/json.hpp>

namespace wirelark {

namespace {

constexpr size_t kMostRecords = 512;

// The executable of a process; "" when it cannot be read. A binary replaced on disk since the
// process started reads back with " (deleted)" appended, which is no part of its name.
std::string executablePath(int32_t pid) {
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    std::array<char, 4096> buffer{};
    const ssize_t length = readlink(link.c_str(), buffer.data(), buffer.size() - 1);
    if (length <= 0) {
        return {};
    }
    std::string path(buffer.data(), static_cast<size_t>(length));
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.ends_with(kDeleted)) {
        path.resize(path.size() - kDeleted.size());
    }
    return path;
}

} // namespace

bool tunnelDevicePresent() {
    auto netlink = NetlinkSocket::open();
    if (!netlink) {
        return true;
    }
    bool found = false;
    const std::error_code error = netlink->dump(
        RTM_GETLINK, AF_UNSPEC,
        [&](std::span<const uint8_t> message) {
            wlk_link link;
            // The kernel calls tun and tap devices alike "tun".
            found = found || (wlk_decode_link(message.data(), message.size(), &link) &&
                              std::strcmp(link.kind, "tun") == 0);
        },
        [&] { found = false; });
    return found || error;
}

nlohmann::ordered_json toJson(const TunnelOwner& owner) {
    return {{"pid", owner.pid}, {"name", owner.name}, {"path", owner.path}};
}

TunnelOwners::TunnelOwners(std::vector<std::filesystem::path> applicationDirectories)
    : applicationDirectories_(std::move(applicationDirectories)) {}

std::map<std::string, TunnelOwner> TunnelOwners::scan() const {
    if (!tunnelDevicePresent()) {
        return {}; // walking every process's descriptors would find nothing
    }
    std::vector<wlk_tun_owner> records(kMostRecords);
    records.resize(wlk_tun_owners(records.data(), records.size()));
    ExecutableNames names(applicationDirectories_);
    std::map<std::string, TunnelOwner> owners;
    for (const auto& record : records) {
        TunnelOwner owner;
        owner.pid = record.pid;
        owner.path = executablePath(record.pid);
        owner.name = names.displayName(owner.path);
        owners[record.name] = std::move(owner);
    }
    return owners;
}

} // namespace wirelark

std::size_t
std::hash<wirelark::TunnelOwner>::operator()(const wirelark::TunnelOwner& o) const noexcept {
    std::size_t seed = std::hash<int32_t>{}(o.pid);
    wirelark::hashCombine(seed, std::hash<std::string>{}(o.name));
    wirelark::hashCombine(seed, std::hash<std::string>{}(o.path));
    return seed;
}
