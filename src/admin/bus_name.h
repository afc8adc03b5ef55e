#pragma once

#include <string>
#include <string_view>

namespace wirelark {

// The D-Bus well-known name for a dotted service name. D-Bus forbids a name element that starts
// with a digit, which a team id may well do, so such an element gets a "_" in front; every other
// element stays as it is.
std::string busNameForService(std::string_view serviceName);

} // namespace wirelark
