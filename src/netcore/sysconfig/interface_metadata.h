#pragma once

#include "netcore/kernel/link_facts.h"
#include "netcore/sysconfig/network_metadata.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wirelark {

// Where the device facts live; tests point these at folders of their own.
struct DeviceFolders {
    std::filesystem::path sysClassNet = "/sys/class/net";
    std::filesystem::path udevData = "/run/udev/data";
};

// "Ethernet", "IEEE80211", "WWAN", "Bridge", "Bond", "VLAN", "Tunnel" or "Loopback" from the
// uevent DEVTYPE, the netlink kind and the link type; absent for anything else.
std::optional<std::string> interfaceTypeText(uint16_t hwType, std::string_view kind,
                                             std::string_view devType);

// KEY=VALUE lines that start with `linePrefix` ("E:" in udev's database, "" in uevent files).
std::map<std::string, std::string> parseKeyValueLines(std::string_view text,
                                                      std::string_view linePrefix);

// One entry per link with real hardware (a `device` link in sysfs) or whose name is in
// `managedNames`: permanent address, type text and the udev model name.
std::map<std::string, InterfaceMetadata>
readInterfaceMetadata(const std::vector<LinkFacts>& links,
                      const std::vector<std::string>& managedNames,
                      const DeviceFolders& folders = {});

} // namespace wirelark
