#include "netcore/interfaces/interface_snapshot.h"

#include <gtest/gtest.h>

#include <unordered_set>

using namespace wirelark;

namespace {

InterfaceSnapshot snapshotWithFlags(uint32_t flags, std::optional<MediaStatus> media) {
    InterfaceSnapshot s;
    s.name = "eth0";
    s.flags = flags;
    if (media) {
        s.media = MediaInfo{"autoselect", std::nullopt, *media};
    }
    return s;
}

} // namespace

TEST(InterfaceSnapshot, DerivedQueriesFollowFlagsAndMedia) {
    struct Case {
        uint32_t flags;
        std::optional<MediaStatus> media;
        bool up, running, loopback, pointToPoint, linkActive;
    };
    const Case cases[] = {
        {0x8863, std::nullopt, true, true, false, false, true},
        {0x8863, MediaStatus::inactive, true, true, false, false, false},
        {0x8863, MediaStatus::unknown, true, true, false, false, true},
        {0x8863, MediaStatus::active, true, true, false, false, true},
        {0x1, std::nullopt, true, false, false, false, false},
        {0x49, std::nullopt, true, true, true, false, true},
        {0x51, std::nullopt, true, true, false, true, true},
        {0x40, std::nullopt, false, true, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.flags);
        const auto s = snapshotWithFlags(c.flags, c.media);
        EXPECT_EQ(s.isUp(), c.up);
        EXPECT_EQ(s.isRunning(), c.running);
        EXPECT_EQ(s.isLoopback(), c.loopback);
        EXPECT_EQ(s.isPointToPoint(), c.pointToPoint);
        EXPECT_EQ(s.isLinkActive(), c.linkActive);
    }
    const auto s = snapshotWithFlags(0x8863, std::nullopt);
    EXPECT_TRUE(s.hasFlag(0x800 | 0x4));
    EXPECT_FALSE(s.hasFlag(0x4));
    EXPECT_TRUE(snapshotWithFlags(0x80000000u, std::nullopt).hasFlag(INT32_MIN));
}

TEST(InterfaceSnapshot, IPv6FlagNamesInTableOrder) {
    struct Case {
        uint32_t flags;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {0x0240, {"optimistic", "autoconf"}},
        {0x8000, {}},
        {0, {}},
        {0x1fdf,
         {"anycast", "tentative", "optimistic", "duplicated", "detached", "deprecated", "autoconf",
          "temporary", "dynamic", "secured", "clat46"}},
        {0x0412, {"tentative", "deprecated", "secured"}},
    };
    for (const auto& c : cases) {
        IPv6Address a{"fe80::1", 64, 2, c.flags, std::nullopt};
        EXPECT_EQ(a.flagNames(), c.names) << std::hex << c.flags;
    }
}

TEST(InterfaceSnapshot, TextForms) {
    EXPECT_EQ((LinkAddress{{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, 6}).description(),
              "00:1a:2b:3c:4d:5e");
    EXPECT_EQ((LinkAddress{{0x07}, 6}).description(), "07");
    EXPECT_EQ((LinkAddress{{0xff, 0x00}, 6}).description(), "ff:00");

    EXPECT_EQ((MediaInfo{"autoselect", std::nullopt, MediaStatus::active}).description(),
              "autoselect");
    EXPECT_EQ(
        (MediaInfo{"autoselect", "1000baseT <full-duplex>", MediaStatus::active}).description(),
        "autoselect (1000baseT <full-duplex>)");
}

TEST(InterfaceSnapshot, FunctionalTypeRawValues) {
    EXPECT_EQ(functionalTypeFromRaw(8), FunctionalType::management);
    EXPECT_EQ(functionalTypeFromRaw(0), FunctionalType::unknown);
    EXPECT_EQ(functionalTypeFromRaw(3), FunctionalType::wifiInfra);
    EXPECT_EQ(functionalTypeFromRaw(9), std::nullopt);
    EXPECT_EQ(functionalTypeFromRaw(UINT32_MAX), std::nullopt);
    EXPECT_EQ(rawValue(FunctionalType::cellular), 5u);
    EXPECT_STREQ(caseName(FunctionalType::wifiAWDL), "wifiAWDL");
}

TEST(InterfaceSnapshot, EqualityAndHashingCoverEveryField) {
    InterfaceSnapshot base;
    base.name = "en0";
    base.index = 4;
    base.flags = 0x8863;
    base.mtu = 1500;
    base.linkAddress = LinkAddress{{1, 2, 3, 4, 5, 6}, 6};
    base.ipv4 = {{"10.0.0.2", "255.255.255.0", 24, "10.0.0.255", std::nullopt}};
    base.ipv6 = {{"fe80::1", 64, 4, 0, std::nullopt}};

    std::vector<InterfaceSnapshot> variants;
    auto vary = [&](auto change) {
        InterfaceSnapshot s = base;
        change(s);
        variants.push_back(s);
    };
    vary([](auto& s) { s.name = "en1"; });
    vary([](auto& s) { s.index = 5; });
    vary([](auto& s) { s.flags = 0x8843; });
    vary([](auto& s) { s.mtu = 9000; });
    vary([](auto& s) { s.ifType = 6; });
    vary([](auto& s) { s.baudrate = 1000; });
    vary([](auto& s) { s.counters.dropsIn = 1; });
    vary([](auto& s) { s.linkAddress.reset(); });
    vary([](auto& s) { s.ipv4[0].broadcast.reset(); });
    vary([](auto& s) { s.ipv6[0].scopeID = 0; });
    vary([](auto& s) { s.ipv6[0].destination = "fe80::2"; });
    vary([](auto& s) { s.media = MediaInfo{"autoselect", std::nullopt, MediaStatus::unknown}; });
    vary([](auto& s) { s.capabilities = 0; });
    vary([](auto& s) { s.nd6Flags = 0; });
    vary([](auto& s) { s.functionalType = FunctionalType::wired; });
    vary([](auto& s) { s.deviceKind = "veth"; });

    std::unordered_set<InterfaceSnapshot> set{base};
    for (const auto& v : variants) {
        EXPECT_NE(v, base);
        set.insert(v);
    }
    EXPECT_EQ(set.size(), variants.size() + 1);
    InterfaceSnapshot copy = base;
    EXPECT_EQ(copy, base);
    EXPECT_EQ(std::hash<InterfaceSnapshot>{}(copy), std::hash<InterfaceSnapshot>{}(base));
}
