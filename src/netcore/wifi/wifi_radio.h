#pragma once

#include <filesystem>
#include <string>

namespace wirelark {

inline const std::filesystem::path kSysClassNet = "/sys/class/net";

// True when an rfkill switch of the interface's wireless device, soft or hard, blocks its
// radio. `sysClassNet` is the sysfs network class folder (a copy of it in tests).
bool radioBlocked(const std::filesystem::path& sysClassNet, const std::string& interfaceName);

} // namespace wirelark
