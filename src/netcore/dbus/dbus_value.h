#pragma once

#include <optional>

#include <nlohmann/json.hpp>
#include <systemd/sd-bus.h>

namespace wirelark {

// Reads the next complete value of a message (any D-Bus type) into JSON: integers, doubles,
// booleans, strings and object paths as themselves, arrays and structs as arrays, dictionaries as
// objects keyed by the key's text, variants as their content. Absent when the message is
// exhausted at this level or malformed.
std::optional<nlohmann::json> readBusValue(sd_bus_message* message);

} // namespace wirelark
