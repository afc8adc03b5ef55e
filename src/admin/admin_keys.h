#pragma once

#include <string_view>

// The member names of the helper's reply dictionaries.
namespace wirelark {

namespace AdminStatusKey {
// String: the helper's version, dotted numbers.
inline constexpr std::string_view version = "version";
// Integer: the protocol version the helper speaks; a reply without it speaks version 0.
inline constexpr std::string_view protocol = "protocol";
// Boolean: whether the token sent with the request belongs to a known pairing.
inline constexpr std::string_view paired = "paired";
} // namespace AdminStatusKey

namespace TunnelOwnerKey {
// String: the tunnel interface's name.
inline constexpr std::string_view interface = "interface";
// String: the owning process's name.
inline constexpr std::string_view name = "name";
// 32-bit integer: the owning process's id.
inline constexpr std::string_view pid = "pid";
// String: the owning process's executable.
inline constexpr std::string_view path = "path";
} // namespace TunnelOwnerKey

namespace PendingPairingKey {
// String: the pairing request's id.
inline constexpr std::string_view id = "id";
// When the request was made.
inline constexpr std::string_view created = "created";
// 64-bit integer: the uid of the user who asked, for the administrator to see who it is.
inline constexpr std::string_view uid = "uid";
} // namespace PendingPairingKey

} // namespace wirelark
