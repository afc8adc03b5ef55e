#include "netcore/wifi/nl80211_decode.h"
#include "netcore/wifi/wifi_details.h"
#include "netcore/wifi/wifi_radio.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <linux/genetlink.h>
#include <linux/netlink.h>
#include <linux/nl80211.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace wirelark;

namespace {

using Bytes = std::vector<uint8_t>;

// Attribute lists as nl80211 writes them: each attribute padded to four bytes, nests marked.
struct Attrs {
    Bytes bytes;

    Attrs& raw(uint16_t type, const Bytes& value) {
        const nlattr header{static_cast<uint16_t>(NLA_HDRLEN + value.size()), type};
        const auto* start = reinterpret_cast<const uint8_t*>(&header);
        bytes.insert(bytes.end(), start, start + sizeof header);
        bytes.insert(bytes.end(), value.begin(), value.end());
        bytes.resize(NLA_ALIGN(bytes.size()));
        return *this;
    }
    template <typename T>
    Attrs& number(uint16_t type, T value) {
        Bytes data(sizeof value);
        std::memcpy(data.data(), &value, sizeof value);
        return raw(type, data);
    }
    Attrs& nest(uint16_t type, const Attrs& inner) { return raw(type | NLA_F_NESTED, inner.bytes); }
};

NetlinkMessage message(uint8_t command, const Attrs& attributes) {
    NetlinkMessage bytes(NLMSG_HDRLEN + GENL_HDRLEN);
    nlmsghdr header{};
    header.nlmsg_len = static_cast<uint32_t>(bytes.size() + attributes.bytes.size());
    header.nlmsg_type = 0x1c; // the family id nl80211 usually gets
    std::memcpy(bytes.data(), &header, sizeof header);
    bytes[NLMSG_HDRLEN] = command;
    bytes.insert(bytes.end(), attributes.bytes.begin(), attributes.bytes.end());
    return bytes;
}

Bytes element(uint8_t id, const Bytes& body) {
    Bytes bytes{id, static_cast<uint8_t>(body.size())};
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

Bytes ssidElement(const std::string& ssid) {
    return element(0, Bytes(ssid.begin(), ssid.end()));
}

// An RSN element (version 1, CCMP) offering the given AKM suite types.
Bytes rsnElement(const Bytes& akms) {
    Bytes body{1, 0, 0x00, 0x0F, 0xAC, 4, 1, 0, 0x00, 0x0F, 0xAC, 4};
    body.push_back(static_cast<uint8_t>(akms.size()));
    body.push_back(0);
    for (const uint8_t akm : akms) {
        body.insert(body.end(), {0x00, 0x0F, 0xAC, akm});
    }
    body.insert(body.end(), {0x0C, 0x00}); // capabilities
    return element(48, body);
}

// A WPA vendor element (TKIP) offering the given WPA AKM types.
Bytes wpaElement(const Bytes& akms) {
    Bytes body{0x00, 0x50, 0xF2, 1, 1, 0, 0x00, 0x50, 0xF2, 2, 1, 0, 0x00, 0x50, 0xF2, 2};
    body.push_back(static_cast<uint8_t>(akms.size()));
    body.push_back(0);
    for (const uint8_t akm : akms) {
        body.insert(body.end(), {0x00, 0x50, 0xF2, akm});
    }
    return element(221, body);
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

const Bytes kBssid{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
const Bytes kNeighbour{0xF0, 0x9F, 0xC2, 0x10, 0x20, 0x30};

// What the access point and the driver report; each test changes what it is about.
struct Network {
    uint32_t type = NL80211_IFTYPE_STATION;
    std::optional<uint32_t> frequency = 5180;
    std::optional<uint32_t> width = NL80211_CHAN_WIDTH_80;
    std::optional<std::string> interfaceSsid = "Home";
    bool associated = true;
    std::optional<int8_t> signal = -60;
    std::optional<int8_t> noise = -92;
    std::optional<uint32_t> bitrate32 = 8667;
    std::optional<uint16_t> bitrate16;
    std::optional<uint16_t> mcsKind = NL80211_RATE_INFO_VHT_MCS;
    bool txBitrate = true;
    Bytes elements = concat({ssidElement("Home"), rsnElement({2})});
    uint16_t capability = 0x0011; // ESS, privacy
    std::optional<int32_t> bssSignalMbm = -6400;
};

Nl80211Replies replies(const Network& n) {
    Nl80211Replies r;
    Attrs interface;
    interface.number<uint32_t>(NL80211_ATTR_IFINDEX, 3)
        .raw(NL80211_ATTR_IFNAME, {'w', 'l', 'a', 'n', '0', 0})
        .number(NL80211_ATTR_IFTYPE, n.type);
    if (n.interfaceSsid) {
        interface.raw(NL80211_ATTR_SSID, Bytes(n.interfaceSsid->begin(), n.interfaceSsid->end()));
    }
    if (n.frequency) {
        interface.number(NL80211_ATTR_WIPHY_FREQ, *n.frequency);
    }
    if (n.width) {
        interface.number(NL80211_ATTR_CHANNEL_WIDTH, *n.width);
    }
    r.interface.push_back(message(NL80211_CMD_NEW_INTERFACE, interface));

    // The survey has a busier channel that is not in use, then the channel in use.
    r.survey.push_back(
        message(NL80211_CMD_NEW_SURVEY_RESULTS,
                Attrs{}.nest(NL80211_ATTR_SURVEY_INFO,
                             Attrs{}
                                 .number<uint32_t>(NL80211_SURVEY_INFO_FREQUENCY, 2437)
                                 .number<int8_t>(NL80211_SURVEY_INFO_NOISE, -70))));
    Attrs inUse;
    inUse.number<uint32_t>(NL80211_SURVEY_INFO_FREQUENCY, n.frequency.value_or(0));
    if (n.noise) {
        inUse.number(NL80211_SURVEY_INFO_NOISE, *n.noise);
    }
    inUse.raw(NL80211_SURVEY_INFO_IN_USE, {});
    r.survey.push_back(
        message(NL80211_CMD_NEW_SURVEY_RESULTS, Attrs{}.nest(NL80211_ATTR_SURVEY_INFO, inUse)));

    // A neighbouring open network is always in range.
    r.scan.push_back(
        message(NL80211_CMD_NEW_SCAN_RESULTS,
                Attrs{}.nest(NL80211_ATTR_BSS,
                             Attrs{}
                                 .raw(NL80211_BSS_BSSID, kNeighbour)
                                 .number<uint32_t>(NL80211_BSS_FREQUENCY, 2437)
                                 .number<uint16_t>(NL80211_BSS_CAPABILITY, 0x0001)
                                 .raw(NL80211_BSS_INFORMATION_ELEMENTS, ssidElement("Cafe")))));
    if (!n.associated) {
        return r;
    }
    Attrs bss;
    bss.raw(NL80211_BSS_BSSID, kBssid)
        .number(NL80211_BSS_FREQUENCY, n.frequency.value_or(0))
        .number(NL80211_BSS_CAPABILITY, n.capability)
        .raw(NL80211_BSS_INFORMATION_ELEMENTS, n.elements)
        .number<uint32_t>(NL80211_BSS_STATUS, NL80211_BSS_STATUS_ASSOCIATED);
    if (n.bssSignalMbm) {
        bss.number(NL80211_BSS_SIGNAL_MBM, *n.bssSignalMbm);
    }
    r.scan.push_back(message(NL80211_CMD_NEW_SCAN_RESULTS, Attrs{}.nest(NL80211_ATTR_BSS, bss)));

    Attrs rate;
    if (n.bitrate32) {
        rate.number(NL80211_RATE_INFO_BITRATE32, *n.bitrate32);
    }
    if (n.bitrate16) {
        rate.number(NL80211_RATE_INFO_BITRATE, *n.bitrate16);
    }
    if (n.mcsKind) {
        rate.number<uint8_t>(*n.mcsKind, 7);
    }
    Attrs info;
    if (n.signal) {
        info.number(NL80211_STA_INFO_SIGNAL, *n.signal);
    }
    if (n.txBitrate) {
        info.nest(NL80211_STA_INFO_TX_BITRATE, rate);
    }
    r.stations.push_back(
        message(NL80211_CMD_NEW_STATION,
                Attrs{}.raw(NL80211_ATTR_MAC, kBssid).nest(NL80211_ATTR_STA_INFO, info)));
    return r;
}

WiFiDetails decode(const Network& network) {
    const auto details = decodeWiFiDetails(replies(network));
    EXPECT_TRUE(details.has_value());
    return details.value_or(WiFiDetails{});
}

Network with(const std::function<void(Network&)>& change) {
    Network network;
    change(network);
    return network;
}

WiFiDetails signal(int rssi, std::optional<int> noise) {
    WiFiDetails details;
    details.rssi = rssi;
    details.noise = noise;
    return details;
}

} // namespace

TEST(WiFiDetailsText, Tables) {
    struct Case {
        std::string text;
        const char* expected;
    };
    const Case cases[] = {
        {channelText(36, 2, 3), "36 (5 GHz, 80 MHz)"},
        {channelText(149, 2, 4), "149 (5 GHz, 160 MHz)"},
        {channelText(149, 2, 0), "149 (5 GHz, unknown width)"},
        {channelText(1, 1, 1), "1 (2.4 GHz, 20 MHz)"},
        {channelText(37, 3, 2), "37 (6 GHz, 40 MHz)"},
        {channelText(7, 4, 5), "7 (unknown band, unknown width)"},
        {channelText(7, -1, -1), "7 (unknown band, unknown width)"},
        {phyModeName(0), "none"},
        {phyModeName(1), "802.11a"},
        {phyModeName(2), "802.11b"},
        {phyModeName(3), "802.11g"},
        {phyModeName(4), "802.11n (Wi-Fi 4)"},
        {phyModeName(5), "802.11ac (Wi-Fi 5)"},
        {phyModeName(6), "802.11ax (Wi-Fi 6)"},
        {phyModeName(7), "802.11 mode 7"},
        {phyModeName(-3), "802.11 mode -3"},
        {securityName(0), "Open"},
        {securityName(1), "WEP"},
        {securityName(2), "WPA Personal"},
        {securityName(3), "WPA Personal"},
        {securityName(4), "WPA2 Personal"},
        {securityName(5), "WPA2 Personal"},
        {securityName(6), "WEP"},
        {securityName(7), "WPA Enterprise"},
        {securityName(8), "WPA Enterprise"},
        {securityName(9), "WPA2 Enterprise"},
        {securityName(10), "WPA2 Enterprise"},
        {securityName(11), "WPA3 Personal"},
        {securityName(12), "WPA3 Enterprise"},
        {securityName(13), "WPA2/WPA3 Personal"},
        {securityName(14), "Enhanced Open"},
        {securityName(15), "Enhanced Open"},
        {securityName(16), "Unknown"},
        {securityName(-1), "Unknown"},
        {securityName(2147483647), "Unknown"},
        {signalText(signal(-60, -92)), "-60 dBm, noise -92 dBm, SNR 32 dB"},
        {signalText(signal(-60, std::nullopt)), "-60 dBm, noise unknown"},
        {signalText(signal(-95, -90)), "-95 dBm, noise -90 dBm, SNR -5 dB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.text, c.expected);
    }
}

TEST(WiFiDetails, EqualityAndHashAreMemberwise) {
    const WiFiDetails a{"Home", "00:1a:2b:3c:4d:5e",  -60,
                        -92,    "36 (5 GHz, 80 MHz)", "802.11ac (Wi-Fi 5)",
                        866.7,  "WPA2 Personal"};
    WiFiDetails b = a;
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::hash<WiFiDetails>{}(a), std::hash<WiFiDetails>{}(b));
    b.noise.reset();
    EXPECT_NE(a, b);
    EXPECT_NE(std::hash<WiFiDetails>{}(a), std::hash<WiFiDetails>{}(b));
    b = a;
    b.transmitRate = 780;
    EXPECT_NE(a, b);
}

TEST(WiFiDecode, AssociatedStationGivesEveryField) {
    const WiFiDetails expected{"Home", "00:1a:2b:3c:4d:5e",  -60,
                               -92,    "36 (5 GHz, 80 MHz)", "802.11ac (Wi-Fi 5)",
                               866.7,  "WPA2 Personal"};
    EXPECT_EQ(decode(Network{}), expected);
    EXPECT_EQ(signalText(decode(Network{})), "-60 dBm, noise -92 dBm, SNR 32 dB");
}

TEST(WiFiDecode, NotAssociated) {
    // Idle radio: no SSID, no frequency, no station; the survey still knows some noise.
    const auto idle = decode(with([](Network& n) {
        n.associated = false;
        n.interfaceSsid.reset();
        n.frequency.reset();
        n.width.reset();
    }));
    const WiFiDetails expected{std::nullopt, std::nullopt, 0,   std::nullopt,
                               std::nullopt, "none",       0.0, "Unknown"};
    EXPECT_EQ(idle, expected);
    EXPECT_EQ(signalText(idle), "0 dBm, noise unknown");

    // Parked on a channel while scanning: the channel shows, nothing else does.
    const auto parked = decode(with([](Network& n) {
        n.associated = false;
        n.interfaceSsid.reset();
        n.frequency = 2412;
        n.width = NL80211_CHAN_WIDTH_20_NOHT;
    }));
    EXPECT_EQ(parked.channel, "1 (2.4 GHz, 20 MHz)");
    EXPECT_FALSE(parked.ssid || parked.bssid || parked.noise);
}

TEST(WiFiDecode, NoiseOnlyWhereTheDriverMeasuresIt) {
    const auto noNoise = decode(with([](Network& n) { n.noise.reset(); }));
    EXPECT_EQ(noNoise.noise, std::nullopt);
    EXPECT_EQ(signalText(noNoise), "-60 dBm, noise unknown");

    auto noSurvey = replies(Network{});
    noSurvey.survey.clear();
    EXPECT_EQ(decodeWiFiDetails(noSurvey)->noise, std::nullopt);

    // A driver that marks nothing in use: the entry on the interface's frequency counts.
    auto unmarked = replies(Network{});
    unmarked.survey = {
        message(NL80211_CMD_NEW_SURVEY_RESULTS,
                Attrs{}.nest(NL80211_ATTR_SURVEY_INFO,
                             Attrs{}
                                 .number<uint32_t>(NL80211_SURVEY_INFO_FREQUENCY, 5180)
                                 .number<int8_t>(NL80211_SURVEY_INFO_NOISE, -95)))};
    EXPECT_EQ(decodeWiFiDetails(unmarked)->noise, -95);
}

TEST(WiFiDecode, BandsAndWidths) {
    struct Case {
        std::optional<uint32_t> frequency;
        std::optional<uint32_t> width;
        std::optional<std::string> channel;
    };
    const Case cases[] = {
        {2412, NL80211_CHAN_WIDTH_20, "1 (2.4 GHz, 20 MHz)"},
        {2437, NL80211_CHAN_WIDTH_40, "6 (2.4 GHz, 40 MHz)"},
        {2484, NL80211_CHAN_WIDTH_20_NOHT, "14 (2.4 GHz, 20 MHz)"},
        {5745, NL80211_CHAN_WIDTH_160, "149 (5 GHz, 160 MHz)"},
        {5500, NL80211_CHAN_WIDTH_80P80, "100 (5 GHz, 160 MHz)"},
        {5180, std::nullopt, "36 (5 GHz, unknown width)"},
        {5955, NL80211_CHAN_WIDTH_160, "1 (6 GHz, 160 MHz)"},
        {6115, NL80211_CHAN_WIDTH_320, "33 (6 GHz, unknown width)"},
        {5935, NL80211_CHAN_WIDTH_20, "2 (6 GHz, 20 MHz)"},
        {4920, NL80211_CHAN_WIDTH_10, "184 (unknown band, unknown width)"},
        {58320, NL80211_CHAN_WIDTH_20, "1 (unknown band, 20 MHz)"},
        {900, NL80211_CHAN_WIDTH_20, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto details = decode(with([&](Network& n) {
            n.frequency = c.frequency;
            n.width = c.width;
        }));
        EXPECT_EQ(details.channel, c.channel) << c.frequency.value_or(0);
    }
    // Without a frequency from the interface, the associated network's own one serves.
    auto fromBss = replies(with([](Network& n) { n.frequency = 2462; }));
    fromBss.interface = replies(with([](Network& n) {
                            n.frequency.reset();
                            n.width.reset();
                        })).interface;
    EXPECT_EQ(decodeWiFiDetails(fromBss)->channel, "11 (2.4 GHz, unknown width)");
}

TEST(WiFiDecode, PhyGenerationsAndRates) {
    struct Case {
        std::optional<uint16_t> kind;
        uint32_t frequency;
        const char* phyMode;
    };
    const Case cases[] = {
        {std::nullopt, 2437, "802.11g"},
        {std::nullopt, 5180, "802.11a"},
        {std::nullopt, 5955, "802.11a"},
        {NL80211_RATE_INFO_MCS, 2437, "802.11n (Wi-Fi 4)"},
        {NL80211_RATE_INFO_VHT_MCS, 5180, "802.11ac (Wi-Fi 5)"},
        {NL80211_RATE_INFO_HE_MCS, 5955, "802.11ax (Wi-Fi 6)"},
        {NL80211_RATE_INFO_EHT_MCS, 6115, "802.11 mode 7"},
    };
    for (const auto& c : cases) {
        const auto details = decode(with([&](Network& n) {
            n.mcsKind = c.kind;
            n.frequency = c.frequency;
        }));
        EXPECT_EQ(details.phyMode, c.phyMode) << c.frequency;
    }

    // The 32-bit rate wins; the 16-bit one is used only alone; no rate information at all is
    // no PHY mode.
    EXPECT_DOUBLE_EQ(decode(with([](Network& n) { n.bitrate32 = 57648; })).transmitRate, 5764.8);
    EXPECT_DOUBLE_EQ(decode(with([](Network& n) { n.bitrate16 = 1200; })).transmitRate, 866.7);
    EXPECT_DOUBLE_EQ(decode(with([](Network& n) {
                         n.bitrate32.reset();
                         n.bitrate16 = 540;
                     })).transmitRate,
                     54.0);
    const auto noRate = decode(with([](Network& n) { n.txBitrate = false; }));
    EXPECT_EQ(noRate.phyMode, "none");
    EXPECT_EQ(noRate.transmitRate, 0);
}

TEST(WiFiDecode, SecurityFromTheAssociatedNetwork) {
    struct Case {
        Bytes elements;
        uint16_t capability;
        const char* security;
    };
    const Bytes ssid = ssidElement("Home");
    const Case cases[] = {
        {concat({ssid, rsnElement({2})}), 0x11, "WPA2 Personal"},
        {concat({ssid, rsnElement({4, 2})}), 0x11, "WPA2 Personal"},
        {concat({ssid, rsnElement({8})}), 0x11, "WPA3 Personal"},
        {concat({ssid, rsnElement({2, 8})}), 0x11, "WPA2/WPA3 Personal"},
        {concat({ssid, rsnElement({1})}), 0x11, "WPA2 Enterprise"},
        {concat({ssid, rsnElement({12})}), 0x11, "WPA3 Enterprise"},
        {concat({ssid, rsnElement({18})}), 0x11, "Enhanced Open"},
        {concat({ssid, wpaElement({2})}), 0x11, "WPA Personal"},
        {concat({ssid, wpaElement({1})}), 0x11, "WPA Enterprise"},
        {concat({ssid, wpaElement({2}), rsnElement({2})}), 0x11, "WPA2 Personal"},
        {ssid, 0x11, "WEP"},
        {ssid, 0x01, "Open"},
        // An RSN element that stops after the version means the default suite, 802.1X.
        {concat({ssid, element(48, {1, 0})}), 0x11, "WPA2 Enterprise"},
        // Cut inside the AKM count, or offering only a vendor's own suite: not known.
        {concat({ssid, element(48, {1, 0, 0, 0x0F, 0xAC, 4, 1, 0, 0, 0x0F, 0xAC, 4, 1})}), 0x11,
         "Unknown"},
        {concat({ssid, element(48, {1, 0, 0, 0x0F, 0xAC, 4, 0, 0, 1, 0, 0x00, 0x40, 0x96, 1})}),
         0x11, "Unknown"},
    };
    for (const auto& c : cases) {
        const auto details = decode(with([&](Network& n) {
            n.elements = c.elements;
            n.capability = c.capability;
        }));
        EXPECT_EQ(details.security, c.security) << c.security;
    }
}

TEST(WiFiDecode, NamesAndAddressesFromWhicheverReplyHasThem) {
    // Hidden from the interface reply: the network's own SSID element names it.
    EXPECT_EQ(decode(with([](Network& n) { n.interfaceSsid.reset(); })).ssid, "Home");
    // An SSID that is not UTF-8 is read as Latin-1.
    EXPECT_EQ(decode(with([](Network& n) { n.interfaceSsid = "Caf\xE9"; })).ssid, "Caf\u00e9");
    EXPECT_EQ(decode(with([](Network& n) { n.interfaceSsid = "Caf\u00e9"; })).ssid, "Caf\u00e9");

    // No scan dump: the station is the access point; security stays unknown.
    auto stationOnly = replies(Network{});
    stationOnly.scan.clear();
    const auto station = decodeWiFiDetails(stationOnly);
    ASSERT_TRUE(station);
    EXPECT_EQ(station->bssid, "00:1a:2b:3c:4d:5e");
    EXPECT_EQ(station->rssi, -60);
    EXPECT_EQ(station->security, "Unknown");

    // No station dump: the associated network's beacon signal stands in.
    auto scanOnly = replies(Network{});
    scanOnly.stations.clear();
    const auto scan = decodeWiFiDetails(scanOnly);
    ASSERT_TRUE(scan);
    EXPECT_EQ(scan->rssi, -64);
    EXPECT_EQ(scan->noise, -92);
    EXPECT_EQ(scan->phyMode, "none");
    EXPECT_EQ(scan->security, "WPA2 Personal");

    // Several peers (a TDLS link): the one that is the associated network counts.
    auto peers = replies(with([](Network& n) { n.signal = -48; }));
    peers.stations.insert(peers.stations.begin(),
                          message(NL80211_CMD_NEW_STATION,
                                  Attrs{}
                                      .raw(NL80211_ATTR_MAC, kNeighbour)
                                      .nest(NL80211_ATTR_STA_INFO,
                                            Attrs{}.number<int8_t>(NL80211_STA_INFO_SIGNAL, -30))));
    EXPECT_EQ(decodeWiFiDetails(peers)->rssi, -48);
}

TEST(WiFiDecode, AccessPointModeDescribesOnlyItsOwnNetwork) {
    const auto ap = decode(with([](Network& n) { n.type = NL80211_IFTYPE_AP; }));
    EXPECT_EQ(ap.ssid, "Home");
    EXPECT_EQ(ap.channel, "36 (5 GHz, 80 MHz)");
    EXPECT_FALSE(ap.bssid || ap.noise);
    EXPECT_EQ(ap.rssi, 0);
    EXPECT_EQ(ap.phyMode, "none");
}

TEST(WiFiDecode, NoInterfaceReplyMeansNoDetails) {
    auto r = replies(Network{});
    r.interface.clear();
    EXPECT_EQ(decodeWiFiDetails(r), std::nullopt);
    // A reply to another command, or one without an interface index, is no interface.
    r.interface = {
        message(NL80211_CMD_NEW_STATION, Attrs{}.number<uint32_t>(NL80211_ATTR_IFINDEX, 3)),
        message(NL80211_CMD_NEW_INTERFACE, Attrs{}.raw(NL80211_ATTR_IFNAME, {'x', 0}))};
    EXPECT_EQ(decodeWiFiDetails(r), std::nullopt);
}

TEST(WiFiDecode, TruncatedRepliesNeverReadPastTheirEnd) {
    const auto whole = replies(Network{});
    for (auto list : {&Nl80211Replies::interface, &Nl80211Replies::stations,
                      &Nl80211Replies::survey, &Nl80211Replies::scan}) {
        for (size_t m = 0; m < (whole.*list).size(); ++m) {
            for (size_t length = 0; length < (whole.*list)[m].size(); ++length) {
                auto cut = whole;
                (cut.*list)[m].resize(length);
                decodeWiFiDetails(cut);
                // A header that claims more than is there is refused, not followed.
                auto lying = whole;
                auto& bytes = (lying.*list)[m];
                bytes.resize(std::max(length, sizeof(nlmsghdr)));
                decodeWiFiDetails(lying);
            }
        }
    }
}

TEST(WiFiRadio, RfkillSwitchesOfTheWirelessDevice) {
    const wirelark::testing::TempDir folder;
    const auto& root = folder.path();
    std::filesystem::create_directories(root / "eth0");
    auto set = [&](const char* file, const char* value) {
        folder.write(std::filesystem::path("wlan0/phy80211/rfkill2") / file, value);
    };

    set("soft", "0\n");
    set("hard", "0\n");
    EXPECT_FALSE(radioBlocked(root, "wlan0"));
    set("soft", "1\n");
    EXPECT_TRUE(radioBlocked(root, "wlan0"));
    set("soft", "0\n");
    set("hard", "1\n");
    EXPECT_TRUE(radioBlocked(root, "wlan0"));
    EXPECT_FALSE(radioBlocked(root, "eth0"));
    EXPECT_FALSE(radioBlocked(root, "missing"));
    EXPECT_FALSE(radioBlocked(root / "wlan0", ".."));
}

TEST(WiFiRead, InterfacesWithoutNl80211GiveNothingQuietly) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(WiFiDetails::read("lo"), std::nullopt);
    EXPECT_EQ(WiFiDetails::read("no-such-if0"), std::nullopt);
    EXPECT_EQ(WiFiDetails::read(""), std::nullopt);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}
