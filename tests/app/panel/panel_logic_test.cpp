#include "app/panel/flow_geometry.h"
#include "app/panel/network_settings_command.h"
#include "app/panel/rate_statistics.h"
#include "app/panel/row_texts.h"
#include "app/panel/symbol.h"

#include "item_fixtures.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>

using namespace wirelark;
using namespace wirelark::testing;

namespace {

using E = InterfaceElement;

RateAggregate observed(double seconds, uint64_t bytesIn, uint64_t bytesOut) {
    return {.seconds = seconds,
            .bytesIn = bytesIn,
            .bytesOut = bytesOut,
            .minIn = 0,
            .maxIn = 2000,
            .minOut = 0,
            .maxOut = 500};
}

SettingsData statisticsSettings(std::vector<double> periods, double interval, bool average = true,
                                bool minMax = true) {
    SettingsData settings;
    settings.periods = std::move(periods);
    settings.updateInterval = interval;
    settings.showAverage = average;
    settings.showMinMax = minMax;
    return settings;
}

InterfaceItem withService(InterfaceItem item) {
    item.service = NetworkService{"uuid-1", "Wired", true, std::nullopt, false};
    return item;
}

InterfaceItem tunnelItem() {
    InterfaceSnapshot snapshot = runningSnapshot("ppp0", {"10.8.0.2"});
    return withService(presentItem("name:ppp0", std::move(snapshot)));
}

} // namespace

TEST(FlowPlacement, WrapsAsTheLayoutAlgorithmSays) {
    struct Case {
        const char* name;
        std::vector<FlowSize> items;
        double width;
        std::vector<FlowFrame> frames;
        FlowSize size;
    };
    const double unbounded = std::numeric_limits<double>::infinity();
    const std::vector<Case> cases = {
        {"nothing", {}, 100, {}, {0, 0}},
        {"one line", {{30, 10}, {40, 12}}, 100, {{0, 0, 30, 10}, {33, 0, 40, 12}}, {73, 12}},
        {"wraps", {{60, 10}, {50, 12}}, 100, {{0, 0, 60, 10}, {0, 13, 50, 12}}, {60, 25}},
        {"wider than the width keeps its own line",
         {{20, 10}, {150, 10}, {20, 10}},
         100,
         {{0, 0, 20, 10}, {0, 13, 150, 10}, {0, 26, 20, 10}},
         {150, 36}},
        {"unbounded",
         {{60, 10}, {50, 12}},
         unbounded,
         {{0, 0, 60, 10}, {63, 0, 50, 12}},
         {113, 12}},
    };
    for (const auto& c : cases) {
        const FlowPlacement placement = flowPlacement(c.items, 3, c.width);
        EXPECT_EQ(placement.frames, c.frames) << c.name;
        EXPECT_EQ(placement.size, c.size) << c.name;
    }
}

TEST(StatisticsTable, PeriodsAndRows) {
    InterfaceItem item = presentItem("k", runningSnapshot("eth0", {"10.0.0.1"}));
    item.stats[60] = observed(45, 4500, 900);
    item.stats[3600] = observed(3600, 0, 0);
    const auto table = statisticsTable(item, statisticsSettings({1, 60, 3600}, 1));
    ASSERT_TRUE(table);
    EXPECT_FALSE(table->noTraffic);
    EXPECT_EQ(table->header,
              (std::vector<std::string>{"↓ avg", "↑ avg", "↓ min–max", "↑ min–max"}));
    ASSERT_EQ(table->rows.size(), 2U);
    const StatisticsRow& minute = table->rows[0];
    EXPECT_EQ(minute.period, "1m");
    EXPECT_EQ(minute.cells,
              (std::vector<std::string>{"100 B/s", "20 B/s", "0 B/s–2.0 KB/s", "0 B/s–500 B/s"}));
    EXPECT_TRUE(minute.dimmed);
    EXPECT_EQ(minute.help, "Only 45s of the last 1m was observed");
    const StatisticsRow& hour = table->rows[1];
    EXPECT_EQ(hour.period, "1h");
    EXPECT_FALSE(hour.dimmed);
    EXPECT_EQ(hour.help, "Last 1h");
}

TEST(StatisticsTable, Cases) {
    InterfaceItem traffic = presentItem("k", runningSnapshot("eth0"));
    traffic.stats[60] = observed(60, 600, 60);
    InterfaceItem quiet = presentItem("k", runningSnapshot("eth0"));
    quiet.stats[60] = observed(60, 0, 0);
    struct Case {
        const char* name;
        InterfaceItem item;
        SettingsData settings;
        bool shown;
        bool noTraffic;
        std::vector<std::vector<std::string>> cells;
    };
    const std::vector<Case> cases = {
        {"no period long enough", traffic, statisticsSettings({5, 9}, 5), false, false, {}},
        {"neither averages nor ranges",
         traffic,
         statisticsSettings({60}, 1, false, false),
         false,
         false,
         {}},
        {"no traffic in any period", quiet, statisticsSettings({60}, 1), true, true, {}},
        {"zero observed seconds is one dash",
         traffic,
         statisticsSettings({60, 600}, 1),
         true,
         false,
         {{"10 B/s", "1 B/s", "0 B/s–2.0 KB/s", "0 B/s–500 B/s"}, {"—"}}},
        {"averages only",
         traffic,
         statisticsSettings({60}, 1, true, false),
         true,
         false,
         {{"10 B/s", "1 B/s"}}},
    };
    for (const auto& c : cases) {
        const auto table = statisticsTable(c.item, c.settings);
        ASSERT_EQ(table.has_value(), c.shown) << c.name;
        if (!table) {
            continue;
        }
        EXPECT_EQ(table->noTraffic, c.noTraffic) << c.name;
        std::vector<std::vector<std::string>> cells;
        for (const auto& row : table->rows) {
            cells.push_back(row.cells);
            EXPECT_EQ(row.observed, row.cells.size() > 1) << c.name;
        }
        EXPECT_EQ(cells, c.cells) << c.name;
    }
}

TEST(ShownDetails, ElementsAndTheirConditions) {
    InterfaceItem absent;
    absent.key = "name:eth9";
    absent.name = "eth9";
    InterfaceItem noCapabilities = withService(presentItem("k", runningSnapshot("eth0")));
    noCapabilities.snapshot->capabilities = 0;
    noCapabilities.snapshot->nd6Flags = 0x21;
    InterfaceItem hiddenService = withService(presentItem("k", runningSnapshot("eth0")));
    hiddenService.service->hidden = true;
    const InterfaceElementSet all(kAllInterfaceElements.begin(), kAllInterfaceElements.end());
    struct Case {
        const char* name;
        InterfaceItem item;
        InterfaceElementSet elements;
        std::vector<E> shown;
    };
    const std::vector<Case> cases = {
        {"missing snapshot shows no details", absent, all, {}},
        {"a tunnel never shows the switch", tunnelItem(), {E::enableToggle, E::mtu}, {E::mtu}},
        {"a hidden service has no switch", hiddenService, {E::enableToggle}, {}},
        {"capability word 0 hides options",
         noCapabilities,
         all,
         {E::enableToggle, E::bandwidthGraph, E::transferRates, E::mtu, E::nd6Options,
          E::addresses}},
        {"defaults",
         withService(presentItem("k", runningSnapshot("eth0"))),
         defaultInterfaceElements(),
         {E::enableToggle, E::bandwidthGraph, E::transferRates, E::addresses}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shownDetails(c.item, c.elements), c.shown) << c.name;
    }
}

TEST(AddressLines, ShapedByTheElements) {
    InterfaceSnapshot snapshot = runningSnapshot("eth0");
    snapshot.ipv4 = {{"10.0.0.2", "255.255.255.0", 24, "10.0.0.255", std::nullopt},
                     {"10.8.0.2", std::nullopt, std::nullopt, std::nullopt, "10.8.0.1"}};
    snapshot.ipv6 = {{"fe80::1", 64, 2, 0, std::nullopt}};
    snapshot.linkAddress = LinkAddress{{0x00, 0x1c, 0x42, 0xab, 0x00, 0x01}, 1};
    const std::string ether = "00:1c:42:ab:00:01";
    struct Case {
        const char* name;
        InterfaceElementSet elements;
        std::vector<DetailText> lines;
    };
    const std::vector<Case> cases = {
        {"neither netmask nor hardware address", {E::addresses}, {}},
        {"hardware address without addresses", {E::hardwareAddress, E::ipNetmask}, {}},
        {"all",
         {E::addresses, E::ipNetmask, E::scopeID, E::hardwareAddress},
         {{"inet", "10.0.0.2/24  255.255.255.0", "10.0.0.2"},
          {"inet", "10.8.0.2 → 10.8.0.1", "10.8.0.2"},
          {"inet6", "fe80::1/64  scope 0x2", "fe80::1"},
          {"ether", ether, ether}}},
        {"without scope",
         {E::addresses, E::ipNetmask},
         {{"inet", "10.0.0.2/24  255.255.255.0", "10.0.0.2"},
          {"inet", "10.8.0.2 → 10.8.0.1", "10.8.0.2"},
          {"inet6", "fe80::1/64", "fe80::1"}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(addressLines(snapshot, c.elements), c.lines) << c.name;
    }
}

TEST(DetailTexts, MediaAndBitLists) {
    InterfaceSnapshot snapshot = runningSnapshot("eth0");
    EXPECT_EQ(mediaText(snapshot), std::nullopt);
    EXPECT_EQ(optionsText(snapshot), std::nullopt);
    snapshot.media = MediaInfo{"1000baseT <full-duplex>", std::nullopt, MediaStatus::active};
    EXPECT_EQ(mediaText(snapshot), "1000baseT <full-duplex> · active");
    snapshot.media->status = MediaStatus::unknown;
    EXPECT_EQ(mediaText(snapshot), "1000baseT <full-duplex>");
    snapshot.capabilities = 0x3;
    EXPECT_EQ(optionsText(snapshot), "3<RXCSUM,TXCSUM>");
}

TEST(WiFiLines, SignalChannelAndName) {
    WiFiDetails wifi{.ssid = "Home",
                     .bssid = "aa:bb:cc:dd:ee:ff",
                     .rssi = -60,
                     .noise = -92,
                     .channel = "36 (5 GHz, 80 MHz)",
                     .phyMode = "802.11ac (Wi-Fi 5)",
                     .transmitRate = 866.7,
                     .security = "WPA2 Personal"};
    const auto authorized = LocationAuthorizer::Status::authorized;
    EXPECT_EQ(wifiLines(wifi, authorized),
              (std::vector<DetailText>{
                  {"ssid", "Home (aa:bb:cc:dd:ee:ff)", std::nullopt},
                  {"signal", "-60 dBm, noise -92 dBm, SNR 32 dB", std::nullopt},
                  {"channel", "36 (5 GHz, 80 MHz)", std::nullopt},
                  {"phy", "802.11ac (Wi-Fi 5) · 866 Mb/s · WPA2 Personal", std::nullopt}}));
    wifi.ssid.reset();
    wifi.noise.reset();
    wifi.channel.reset();
    const std::vector<DetailText> lines = wifiLines(wifi, authorized);
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0].value, "hidden (needs Location Services)");
    EXPECT_EQ(lines[1].value, "-60 dBm, noise unknown");
}

TEST(HeaderTexts, HelpAndAccessibleName) {
    InterfaceItem item = tunnelItem();
    item.service.reset();
    item.owner = TunnelOwner{4242, "openvpn", "/usr/sbin/openvpn"};
    EXPECT_EQ(subtitleHelp(item), "/usr/sbin/openvpn (pid 4242)");
    EXPECT_EQ(rowAccessibleName(item), "ppp0, Tunnel (openvpn)");
    InterfaceItem absent;
    absent.name = "eth9";
    EXPECT_EQ(subtitleHelp(absent), "Not present");
    EXPECT_EQ(rowAccessibleName(absent), "eth9, Not present, inactive");
}

TEST(CurrentRates, DashWithoutSamples) {
    InterfaceItem item = presentItem("k", runningSnapshot("eth0"));
    EXPECT_EQ(currentRateTexts(item, false),
              (CurrentRateTexts{"—", "—", "Download unknown", "Upload unknown"}));
    item.recent = {sample(1, 1500, 20)};
    EXPECT_EQ(currentRateTexts(item, false),
              (CurrentRateTexts{"1.5 KB/s", "20 B/s", "Download 1.5 KB/s", "Upload 20 B/s"}));
}

TEST(KindSymbol, ByKindAndPresence) {
    InterfaceSnapshot loopback = runningSnapshot("lo");
    loopback.flags |= 0x8;
    InterfaceItem absent;
    absent.name = "wlan0";
    struct Case {
        InterfaceItem item;
        Symbol symbol;
    };
    const std::vector<Case> cases = {
        {absent, Symbol::questionMark},
        {presentItem("k", loopback), Symbol::loop},
        {presentItem("k", runningSnapshot("eth0")), Symbol::cable},
        {tunnelItem(), Symbol::lockShield},
        {presentItem("k", runningSnapshot("bridge0")), Symbol::bridge},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kindSymbol(c.item), c.symbol) << c.item.name;
    }
    EXPECT_EQ(themeIconName(Symbol::wifi), "network-wireless");
    EXPECT_EQ(bundledIconName(Symbol::cross), "cross.svg");
}

TEST(NetworkSettingsCommand, FirstInstalled) {
    struct Case {
        std::set<std::string> installed;
        std::optional<std::vector<std::string>> command;
    };
    const std::vector<Case> cases = {
        {{"gnome-control-center", "nm-connection-editor"},
         std::vector<std::string>{"gnome-control-center", "network"}},
        {{"systemsettings", "nm-connection-editor"},
         std::vector<std::string>{"systemsettings", "kcm_networkmanagement"}},
        {{"nm-connection-editor"}, std::vector<std::string>{"nm-connection-editor"}},
        {{}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(networkSettingsCommand(
                      [&](const std::string& program) { return c.installed.contains(program); }),
                  c.command);
    }
}
