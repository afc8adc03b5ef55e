#pragma once

#include "netcore/base/expected.h"
#include "netcore/base/unique_fd.h"
#include "netcore/interfaces/interface_snapshot.h"
#include "netcore/interfaces/snapshot_assembly.h"
#include "netcore/kernel/netlink_socket.h"

#include <optional>
#include <system_error>
#include <unordered_map>
#include <vector>

namespace wirelark {

// Reads every network interface of the caller's network namespace into snapshots: two
// rtnetlink dumps per call, plus ethtool and sysfs queries that are kept per link until the
// kernel announces a change to that link.
class InterfaceReader {
public:
    InterfaceReader();
    // Reads through `netlink` (a stand-in for the kernel in tests).
    explicit InterfaceReader(Expected<NetlinkSocket, std::error_code> netlink);
    ~InterfaceReader();
    InterfaceReader(const InterfaceReader&) = delete;
    InterfaceReader& operator=(const InterfaceReader&) = delete;

    // One snapshot per interface in the kernel's order (empty when there are none), or why the
    // kernel's lists of interfaces and addresses cannot be read (EINTR when they kept changing
    // while they were read).
    Expected<std::vector<InterfaceSnapshot>, std::error_code> snapshot();

private:
    struct CachedExtras {
        std::string name;
        LinkExtras extras;
        std::optional<wlk_media> media;
    };

    LinkExtras extrasFor(const wlk_link& link);
    LinkExtras queryExtras(const wlk_link& link, std::optional<wlk_media>& media);
    void forgetChangedLinks();

    Expected<NetlinkSocket, std::error_code> netlink_;
    // Absent when link changes cannot be heard of; then nothing is kept between calls.
    std::optional<NetlinkSocket> linkEvents_;
    UniqueFd ioctlSocket_;
    std::unordered_map<uint32_t, CachedExtras> cache_;
    std::vector<wlk_link> links_;
    std::vector<wlk_addr> addresses_;
};

} // namespace wirelark
