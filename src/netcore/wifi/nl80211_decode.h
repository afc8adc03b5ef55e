#pragma once

#include "netcore/wifi/wifi_details.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace wirelark {

using NetlinkMessage = std::vector<uint8_t>;

// The whole generic-netlink messages (headers included) that nl80211 sent back for one
// interface, one list per request.
struct Nl80211Replies {
    std::vector<NetlinkMessage> interface; // GET_INTERFACE
    std::vector<NetlinkMessage> stations;  // GET_STATION dump
    std::vector<NetlinkMessage> survey;    // GET_SURVEY dump
    std::vector<NetlinkMessage> scan;      // GET_SCAN dump
};

// Turns the replies into details; nullopt when no reply describes an nl80211 interface. Any
// other missing or malformed piece leaves its field absent, zero or unknown.
std::optional<WiFiDetails> decodeWiFiDetails(const Nl80211Replies& replies);

} // namespace wirelark
