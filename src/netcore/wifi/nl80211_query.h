#pragma once

#include "netcore/wifi/nl80211_decode.h"

#include <optional>

namespace wirelark {

// Asks nl80211 about the interface with index `ifindex`: the interface itself, then the
// station, survey and scan dumps. nullopt when the kernel has no nl80211 or the interface is
// not one of its devices; a dump that fails stays empty.
std::optional<Nl80211Replies> queryNl80211(unsigned ifindex);

} // namespace wirelark
