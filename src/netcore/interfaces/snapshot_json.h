#pragma once

#include "netcore/interfaces/interface_snapshot.h"

#include <nlohmann/json.hpp>

namespace wirelark {

// Members named as the snapshot's fields; absent optionals are left out, the link address is
// its text and the functional type its case name.
nlohmann::ordered_json toJson(const InterfaceSnapshot& snapshot);

} // namespace wirelark
