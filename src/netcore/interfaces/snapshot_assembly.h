#pragma once

#include "netcore/interfaces/interface_snapshot.h"
#include "netcore/kernel/wlk_kernel.h"

#include <functional>
#include <span>
#include <vector>

namespace wirelark {

// What the reader learns about a link outside the netlink dumps (ethtool and sysfs).
struct LinkExtras {
    std::optional<MediaInfo> media;
    uint64_t baudrate = 0;
    std::optional<uint32_t> capabilities;
    FunctionalType functionalType = FunctionalType::unknown;
};

InterfaceCounters countersFrom(const wlk_counters& counters);

// Media as shown: the current word's text, the active word's text where it differs, and the
// link status from the status word.
MediaInfo mediaInfoFrom(const wlk_media& media);

// Builds one snapshot per link, in the links' order, with the addresses of each link in the
// order they were listed. Addresses of links that are not in the list are dropped.
std::vector<InterfaceSnapshot>
assembleSnapshots(std::span<const wlk_link> links, std::span<const wlk_addr> addresses,
                  const std::function<LinkExtras(const wlk_link&)>& extrasFor);

} // namespace wirelark
