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

// Reads every network interface of the caller's network namespace into snapshots. While the
// kernel announces no link or address change, a call reads only the counters (one small
// rtnetlink dump) into the snapshots kept from the last full reading; otherwise it takes the
// full link and address dumps (and every so often regardless, for what the kernel never
// announces). Ethtool and sysfs details are kept per link until the kernel
// announces a change to that link.
class InterfaceReader {
public:
    InterfaceReader();
    // Reads through `netlink` (a stand-in for the kernel in tests).
    explicit InterfaceReader(Expected<NetlinkSocket, std::error_code> netlink);
    ~InterfaceReader();
    InterfaceReader(const InterfaceReader&) = delete;
    InterfaceReader& operator=(const InterfaceReader&) = delete;

    // One snapshot per interface in the kernel's order (empty when there are none), or why the
    // kernel's lists of interfaces, addresses or counters cannot be read (EINTR when they kept
    // changing while they were read). Handed out shared, not copied: a reading still held when
    // the next call refreshes the counters is left as it was.
    Expected<SharedSnapshots, std::error_code> snapshot();

private:
    struct CachedExtras {
        std::string name;
        LinkExtras extras;
        std::optional<wlk_media> media;
    };

    Expected<std::vector<InterfaceSnapshot>, std::error_code> readEverything();
    // Puts fresh counters into the kept snapshots; false when the kernel's links are no longer
    // the kept ones.
    Expected<bool, std::error_code> refreshKeptCounters();
    LinkExtras extrasFor(const wlk_link& link);
    LinkExtras queryExtras(const wlk_link& link, std::optional<wlk_media>& media);
    // Drops what is kept about links the kernel announced as changed; true when any link or
    // address changed or announcements were lost since the last call.
    bool takeAnnouncedChanges();

    Expected<NetlinkSocket, std::error_code> netlink_;
    // Absent when changes cannot be heard of; then nothing is kept between calls.
    std::optional<NetlinkSocket> changeEvents_;
    UniqueFd ioctlSocket_;
    std::unordered_map<uint32_t, CachedExtras> cache_;
    std::vector<wlk_link> links_;
    std::vector<wlk_addr> addresses_;
    // The last full reading, with the position of each link index in it.
    std::shared_ptr<std::vector<InterfaceSnapshot>> kept_;
    std::unordered_map<uint32_t, size_t> keptPositions_;
    int readingsOfKept_ = 0;
    std::vector<InterfaceCounters> freshCounters_;
    std::vector<bool> counted_;
};

} // namespace wirelark
