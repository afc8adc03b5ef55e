#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace wirelark {

// The login name of `uid` from the system's user database (files, LDAP, systemd-homed alike).
std::optional<std::string> systemUserName(uint32_t uid);

} // namespace wirelark
