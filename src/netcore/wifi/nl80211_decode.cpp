#include "netcore/wifi/nl80211_decode.h"

#include "netcore/interfaces/interface_snapshot.h"
#include "netcore/kernel/netlink_attributes.h"
#include "netcore/wifi/wifi_elements.h"

#include <linux/genetlink.h>
#include <linux/netlink.h>
#include <linux/nl80211.h>

#include <algorithm>
#include <array>
#include <span>

namespace wirelark {

namespace {

using Bytes = std::span<const uint8_t>;
using MacAddress = std::array<uint8_t, 6>;

// Calls `visit` with the attributes of every message that carries `command`; messages that
// are short, claim more bytes than they have, or carry another command are skipped.
template <typename Visitor>
void forEachReply(const std::vector<NetlinkMessage>& messages, uint8_t command, Visitor&& visit) {
    constexpr size_t kHeaders = NLMSG_HDRLEN + GENL_HDRLEN;
    for (const auto& message : messages) {
        nlmsghdr header;
        genlmsghdr generic;
        if (message.size() < kHeaders) {
            continue;
        }
        std::memcpy(&header, message.data(), sizeof header);
        std::memcpy(&generic, message.data() + NLMSG_HDRLEN, sizeof generic);
        if (header.nlmsg_len >= kHeaders && header.nlmsg_len <= message.size() &&
            generic.cmd == command) {
            visit(Bytes(message).subspan(kHeaders, header.nlmsg_len - kHeaders));
        }
    }
}

std::optional<int> channelNumber(uint32_t frequency) {
    if (frequency == 2484) {
        return 14;
    }
    if (frequency >= 2412 && frequency < 2484) {
        return static_cast<int>(frequency - 2407) / 5;
    }
    if (frequency >= 4910 && frequency <= 4980) {
        return static_cast<int>(frequency - 4000) / 5;
    }
    if (frequency > 5000 && frequency < 5925) {
        return static_cast<int>(frequency - 5000) / 5;
    }
    if (frequency == 5935) {
        return 2;
    }
    if (frequency > 5950 && frequency <= 7125) {
        return static_cast<int>(frequency - 5950) / 5;
    }
    if (frequency >= 58320 && frequency <= 70200) {
        return static_cast<int>(frequency - 56160) / 2160;
    }
    return std::nullopt;
}

int bandOf(uint32_t frequency) {
    if (frequency >= 2412 && frequency <= 2484) {
        return kWiFiBand2GHz;
    }
    if (frequency >= 5150 && frequency <= 5895) {
        return kWiFiBand5GHz;
    }
    if (frequency >= 5925 && frequency <= 7125) {
        return kWiFiBand6GHz;
    }
    return kWiFiBandUnknown;
}

int widthOf(std::optional<uint32_t> width) {
    switch (width.value_or(~0u)) {
    case NL80211_CHAN_WIDTH_20_NOHT:
    case NL80211_CHAN_WIDTH_20:
        return kWiFiWidth20MHz;
    case NL80211_CHAN_WIDTH_40:
        return kWiFiWidth40MHz;
    case NL80211_CHAN_WIDTH_80:
        return kWiFiWidth80MHz;
    case NL80211_CHAN_WIDTH_80P80: // two 80 MHz segments, 160 MHz in all
    case NL80211_CHAN_WIDTH_160:
        return kWiFiWidth160MHz;
    default:
        return kWiFiWidthUnknown;
    }
}

struct InterfaceInfo {
    uint32_t type = NL80211_IFTYPE_STATION;
    std::optional<std::string> ssid;
    std::optional<uint32_t> frequency;
    std::optional<uint32_t> width;
};

std::optional<InterfaceInfo> decodeInterface(const std::vector<NetlinkMessage>& messages) {
    std::optional<InterfaceInfo> first;
    forEachReply(messages, NL80211_CMD_NEW_INTERFACE, [&](Bytes attributes) {
        InterfaceInfo info;
        bool hasIndex = false;
        NetlinkAttributes(attributes).forEach([&](uint16_t type, Bytes value) {
            switch (type) {
            case NL80211_ATTR_IFINDEX:
                hasIndex = hasIndex || netlinkValue<uint32_t>(value).has_value();
                break;
            case NL80211_ATTR_IFTYPE:
                readNetlinkValue(value, info.type);
                break;
            case NL80211_ATTR_SSID:
                info.ssid = ssidText(value);
                break;
            case NL80211_ATTR_WIPHY_FREQ:
                info.frequency = netlinkValue<uint32_t>(value);
                break;
            case NL80211_ATTR_CHANNEL_WIDTH:
                info.width = netlinkValue<uint32_t>(value);
                break;
            default:
                break;
            }
        });
        if (hasIndex && !first) {
            first = info;
        }
    });
    return first;
}

enum class RateKind { legacy, ht, vht, he, eht };

struct StationInfo {
    MacAddress mac{};
    std::optional<int> signal;
    std::optional<int> signalAverage;
    std::optional<double> rate;   // Mbit/s
    std::optional<RateKind> kind; // absent without transmit rate information
};

void decodeBitrate(Bytes attributes, StationInfo& station) {
    station.kind = station.kind.value_or(RateKind::legacy);
    NetlinkAttributes(attributes).forEach([&](uint16_t type, Bytes value) {
        uint32_t rate32;
        uint16_t rate16;
        switch (type) {
        case NL80211_RATE_INFO_BITRATE32:
            if (readNetlinkValue(value, rate32)) {
                station.rate = rate32 / 10.0;
            }
            break;
        case NL80211_RATE_INFO_BITRATE:
            // Only a fallback: it tops out at 6.5 Gbit/s, where the 32-bit one does not.
            if (!station.rate && readNetlinkValue(value, rate16)) {
                station.rate = rate16 / 10.0;
            }
            break;
        case NL80211_RATE_INFO_MCS:
            station.kind = std::max(*station.kind, RateKind::ht);
            break;
        case NL80211_RATE_INFO_VHT_MCS:
            station.kind = std::max(*station.kind, RateKind::vht);
            break;
        case NL80211_RATE_INFO_HE_MCS:
            station.kind = std::max(*station.kind, RateKind::he);
            break;
        case NL80211_RATE_INFO_EHT_MCS:
            station.kind = std::max(*station.kind, RateKind::eht);
            break;
        default:
            break;
        }
    });
}

std::vector<StationInfo> decodeStations(const std::vector<NetlinkMessage>& messages) {
    std::vector<StationInfo> stations;
    forEachReply(messages, NL80211_CMD_NEW_STATION, [&](Bytes attributes) {
        StationInfo station;
        bool hasMac = false;
        NetlinkAttributes(attributes).forEach([&](uint16_t type, Bytes value) {
            if (type == NL80211_ATTR_MAC) {
                const auto mac = netlinkValue<MacAddress>(value);
                hasMac = mac.has_value();
                station.mac = mac.value_or(MacAddress{});
            } else if (type == NL80211_ATTR_STA_INFO) {
                NetlinkAttributes(value).forEach([&](uint16_t info, Bytes field) {
                    if (info == NL80211_STA_INFO_SIGNAL) {
                        station.signal = netlinkValue<int8_t>(field);
                    } else if (info == NL80211_STA_INFO_SIGNAL_AVG) {
                        station.signalAverage = netlinkValue<int8_t>(field);
                    } else if (info == NL80211_STA_INFO_TX_BITRATE) {
                        decodeBitrate(field, station);
                    }
                });
            }
        });
        if (hasMac) {
            stations.push_back(station);
        }
    });
    return stations;
}

// The noise of the channel in use: the entry the driver marks in use, else the one on the
// interface's frequency. Drivers without a noise figure leave it out.
std::optional<int> decodeNoise(const std::vector<NetlinkMessage>& messages,
                               std::optional<uint32_t> frequency) {
    std::optional<int> inUse;
    std::optional<int> onFrequency;
    forEachReply(messages, NL80211_CMD_NEW_SURVEY_RESULTS, [&](Bytes attributes) {
        std::optional<int> noise;
        std::optional<uint32_t> entryFrequency;
        bool marked = false;
        NetlinkAttributes(attributes).forEach([&](uint16_t type, Bytes value) {
            if (type != NL80211_ATTR_SURVEY_INFO) {
                return;
            }
            NetlinkAttributes(value).forEach([&](uint16_t info, Bytes field) {
                if (info == NL80211_SURVEY_INFO_NOISE) {
                    noise = netlinkValue<int8_t>(field);
                } else if (info == NL80211_SURVEY_INFO_IN_USE) {
                    marked = true;
                } else if (info == NL80211_SURVEY_INFO_FREQUENCY) {
                    entryFrequency = netlinkValue<uint32_t>(field);
                }
            });
        });
        if (noise && marked && !inUse) {
            inUse = noise;
        }
        if (noise && frequency && entryFrequency == frequency && !onFrequency) {
            onFrequency = noise;
        }
    });
    return inUse ? inUse : onFrequency;
}

struct BssInfo {
    MacAddress bssid{};
    std::optional<uint32_t> frequency;
    std::optional<int> signalMbm;
    std::optional<std::string> ssid;
    int security = kWiFiSecurityUnknown;
};

// The BSS the interface is associated with (or joined, in an IBSS), if the scan dump has it.
std::optional<BssInfo> decodeAssociatedBss(const std::vector<NetlinkMessage>& messages) {
    std::optional<BssInfo> found;
    forEachReply(messages, NL80211_CMD_NEW_SCAN_RESULTS, [&](Bytes attributes) {
        NetlinkAttributes(attributes).forEach([&](uint16_t type, Bytes value) {
            if (type != NL80211_ATTR_BSS) {
                return;
            }
            BssInfo bss;
            std::optional<MacAddress> bssid;
            std::optional<uint32_t> status;
            uint16_t capability = 0;
            std::optional<Bytes> elements;
            std::optional<Bytes> beaconElements;
            NetlinkAttributes(value).forEach([&](uint16_t field, Bytes data) {
                switch (field) {
                case NL80211_BSS_BSSID:
                    bssid = netlinkValue<MacAddress>(data);
                    break;
                case NL80211_BSS_STATUS:
                    status = netlinkValue<uint32_t>(data);
                    break;
                case NL80211_BSS_FREQUENCY:
                    bss.frequency = netlinkValue<uint32_t>(data);
                    break;
                case NL80211_BSS_SIGNAL_MBM:
                    bss.signalMbm = netlinkValue<int32_t>(data);
                    break;
                case NL80211_BSS_CAPABILITY:
                    readNetlinkValue(data, capability);
                    break;
                case NL80211_BSS_INFORMATION_ELEMENTS:
                    elements = data;
                    break;
                case NL80211_BSS_BEACON_IES:
                    beaconElements = data;
                    break;
                default:
                    break;
                }
            });
            if (found || !bssid ||
                (status != NL80211_BSS_STATUS_ASSOCIATED &&
                 status != NL80211_BSS_STATUS_IBSS_JOINED)) {
                return;
            }
            bss.bssid = *bssid;
            // Probe responses carry the hidden network's name, beacons do not.
            const Bytes ies = elements ? *elements : beaconElements.value_or(Bytes{});
            bss.ssid = ssidOfElements(ies);
            bss.security = securityOfElements(ies, capability);
            found = bss;
        });
    });
    return found;
}

int phyModeOf(RateKind kind, int band) {
    switch (kind) {
    case RateKind::ht:
        return kWiFiPhy11n;
    case RateKind::vht:
        return kWiFiPhy11ac;
    case RateKind::he:
        return kWiFiPhy11ax;
    case RateKind::eht:
        return kWiFiPhy11be;
    case RateKind::legacy:
        break;
    }
    // OFDM rates outside 2.4 GHz are 802.11a's.
    return band == kWiFiBand5GHz || band == kWiFiBand6GHz ? kWiFiPhy11a : kWiFiPhy11g;
}

std::string macText(const MacAddress& mac) {
    return LinkAddress{{mac.begin(), mac.end()}, 0}.description();
}

} // namespace

std::optional<WiFiDetails> decodeWiFiDetails(const Nl80211Replies& replies) {
    const auto interface = decodeInterface(replies.interface);
    if (!interface) {
        return std::nullopt;
    }
    WiFiDetails details;
    details.ssid = interface->ssid;
    details.phyMode = phyModeName(kWiFiPhyNone);
    details.security = securityName(kWiFiSecurityUnknown);
    std::optional<uint32_t> frequency = interface->frequency;

    // An access point, mesh point or monitor has no access point of its own to describe.
    const bool isClient = interface->type == NL80211_IFTYPE_STATION ||
                          interface->type == NL80211_IFTYPE_P2P_CLIENT ||
                          interface->type == NL80211_IFTYPE_ADHOC;
    if (isClient) {
        const auto bss = decodeAssociatedBss(replies.scan);
        const auto stations = decodeStations(replies.stations);
        const StationInfo* station = stations.empty() ? nullptr : &stations.front();
        if (bss) {
            details.bssid = macText(bss->bssid);
            details.ssid = details.ssid ? details.ssid : bss->ssid;
            details.security = securityName(bss->security);
            frequency = frequency ? frequency : bss->frequency;
            const auto match = std::find_if(stations.begin(), stations.end(),
                                            [&](const auto& s) { return s.mac == bss->bssid; });
            station = match != stations.end() ? &*match : station;
        } else if (station) {
            details.bssid = macText(station->mac);
        }
        std::optional<int> signal;
        if (station) {
            signal = station->signal ? station->signal : station->signalAverage;
            details.transmitRate = station->rate.value_or(0);
            if (station->kind) {
                details.phyMode =
                    phyModeName(phyModeOf(*station->kind, bandOf(frequency.value_or(0))));
            }
        }
        if (!signal && bss && bss->signalMbm) {
            signal = *bss->signalMbm / 100;
        }
        // Noise means something only next to a signal: together they give the SNR.
        if (signal) {
            details.rssi = *signal;
            details.noise = decodeNoise(replies.survey, frequency);
        }
    }
    if (const auto number = channelNumber(frequency.value_or(0))) {
        details.channel = channelText(*number, bandOf(*frequency), widthOf(interface->width));
    }
    return details;
}

} // namespace wirelark
