#pragma once

#include "netcore/interfaces/interface_snapshot.h"
#include "netcore/interfaces/snapshot_assembly.h"
#include "netcore/kernel/netlink_socket.h"

#include <optional>
#include <unordered_map>
#include <vector>

namespace wirelark {

// Reads every network interface of the caller's network namespace into snapshots: two
// rtnetlink dumps per call, plus ethtool and sysfs queries that are kept per link until the
// kernel announces a change to that link.
class InterfaceReader {
public:
    InterfaceReader();
    ~InterfaceReader();
    InterfaceReader(const InterfaceReader&) = delete;
    InterfaceReader& operator=(const InterfaceReader&) = delete;

    // One snapshot per interface in the kernel's order; empty when the list cannot be read.
    std::vector<InterfaceSnapshot> snapshot();
    // Why the last snapshot() found no interfaces list: a positive errno, or 0 when it did.
    int lastError() const { return lastError_; }

private:
    struct CachedExtras {
        std::string name;
        LinkExtras extras;
        std::optional<wlk_media> media;
    };

    LinkExtras extrasFor(const wlk_link& link);
    LinkExtras queryExtras(const wlk_link& link, std::optional<wlk_media>& media);
    void forgetChangedLinks();

    std::optional<NetlinkSocket> netlink_;
    std::optional<NetlinkSocket> linkEvents_;
    int ioctlSocket_ = -1;
    int lastError_ = 0;
    std::unordered_map<uint32_t, CachedExtras> cache_;
    std::vector<wlk_link> links_;
    std::vector<wlk_addr> addresses_;
};

} // namespace wirelark
