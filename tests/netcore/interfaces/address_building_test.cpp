#include "netcore/interfaces/address_building.h"
#include "netcore/interfaces/address_lines.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>

#include <array>
#include <cstring>
#include <vector>

using namespace wirelark;

namespace {

sockaddr_in v4(const char* text) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, text, &a.sin_addr);
    return a;
}

sockaddr_in6 v6(const char* text, uint32_t scope = 0) {
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    inet_pton(AF_INET6, text, &a.sin6_addr);
    a.sin6_scope_id = scope;
    return a;
}

template <typename T>
SocketAddressView view(const T& address, size_t length = sizeof(T)) {
    return {reinterpret_cast<const sockaddr*>(&address), length};
}

} // namespace

TEST(AddressBuilding, NetmaskPrefixLengthCountsLeadingOnesOfTheListedBytes) {
    struct Case {
        const char* mask;
        size_t length; // bytes of the socket address the kernel listed
        int expected;
    };
    const Case v4Cases[] = {
        {"255.255.0.0", sizeof(sockaddr_in), 16},
        {"255.255.255.255", sizeof(sockaddr_in), 32},
        {"255.255.255.0", 7, 24},
        {"255.255.0.0", 6, 16},
        {"255.255.255.0", 4, 0},
        {"255.255.255.0", 0, 0},
        {"255.0.255.0", sizeof(sockaddr_in), 8},
        {"255.254.0.0", sizeof(sockaddr_in), 15},
        {"0.0.0.0", sizeof(sockaddr_in), 0},
    };
    for (const auto& c : v4Cases) {
        const auto mask = v4(c.mask);
        EXPECT_EQ(netmaskPrefixLength(view(mask, c.length), AF_INET), c.expected)
            << c.mask << " length " << c.length;
    }
    EXPECT_EQ(netmaskPrefixLength(view(v6("ffff:ffff:ffff:ffff::")), AF_INET6), 64);
    EXPECT_EQ(netmaskPrefixLength(view(v6("ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff")), AF_INET6),
              128);
    EXPECT_EQ(netmaskPrefixLength(view(v6("ffff:ffff:ffff:ffff::"), 12), AF_INET6), 32);
    EXPECT_EQ(netmaskPrefixLength(view(v6("fff0::")), AF_INET6), 12);
    EXPECT_EQ(netmaskPrefixLength({}, AF_INET6), 0);
}

TEST(AddressBuilding, IPv4BroadcastAndDestinationRules) {
    const auto address = v4("10.0.0.2"), mask = v4("255.255.255.0"), other = v4("10.0.0.255"),
               zero = v4("0.0.0.0");
    sockaddr_in6 wrongFamily = v6("::1");
    struct Case {
        uint32_t flags;
        SocketAddressView other;
        std::optional<std::string> broadcast, destination;
    };
    const Case cases[] = {
        {IFF_BROADCAST, view(other), "10.0.0.255", std::nullopt},
        {IFF_BROADCAST, view(zero), std::nullopt, std::nullopt},
        {IFF_BROADCAST, {}, std::nullopt, std::nullopt},
        {IFF_POINTOPOINT, view(other), std::nullopt, "10.0.0.255"},
        {IFF_POINTOPOINT | IFF_BROADCAST, view(other), std::nullopt, "10.0.0.255"},
        {IFF_POINTOPOINT, view(zero), std::nullopt, "0.0.0.0"},
        {0, view(other), std::nullopt, std::nullopt},
        {IFF_BROADCAST, view(wrongFamily), std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto built = makeIPv4Address(view(address), view(mask), c.other, c.flags);
        EXPECT_EQ(built.address, "10.0.0.2");
        EXPECT_EQ(built.netmask, "255.255.255.0");
        EXPECT_EQ(built.prefixLength, 24);
        EXPECT_EQ(built.broadcast, c.broadcast) << c.flags;
        EXPECT_EQ(built.destination, c.destination) << c.flags;
    }
}

TEST(AddressBuilding, IPv4MissingPartsAndForeignFamilies) {
    const auto noAddress = makeIPv4Address({}, {}, {}, IFF_BROADCAST);
    EXPECT_EQ(noAddress,
              (IPv4Address{"0.0.0.0", std::nullopt, std::nullopt, std::nullopt, std::nullopt}));

    const auto ipv6Mask = v6("ffff:ffff::");
    const auto withForeignMask = makeIPv4Address(view(v4("10.1.2.3")), view(ipv6Mask), {}, 0);
    EXPECT_FALSE(withForeignMask.netmask.has_value());
    ASSERT_TRUE(withForeignMask.prefixLength.has_value()) << "a netmask was listed";

    const auto shortMask = v4("255.255.255.0");
    const auto cut = makeIPv4Address(view(v4("10.1.2.3")), view(shortMask, 4), {}, 0);
    EXPECT_EQ(cut.prefixLength, 0);
    EXPECT_EQ(cut.netmask, "0.0.0.0");
}

TEST(AddressBuilding, IPv6KeepsEveryByteAndTakesTheScopeFromTheScopeField) {
    struct Case {
        const char* listed;
        uint32_t scopeField;
        const char* text;
        uint32_t scopeID;
    };
    const Case cases[] = {
        {"fe80:4::1", 0, "fe80:4::1", 0}, // bytes 2-3 belong to the configured address
        {"fe80:4::1", 7, "fe80:4::1", 7},     {"fe80::1", 3, "fe80::1", 3},
        {"fe80::1", 0, "fe80::1", 0},         {"febf:5::1", 0, "febf:5::1", 0},
        {"fec0:4::1", 0, "fec0:4::1", 0},     {"2001:db8:4::1", 0, "2001:db8:4::1", 0},
        {"2001:db8::1", 9, "2001:db8::1", 9},
    };
    const auto mask = v6("ffff:ffff:ffff:ffff::");
    for (const auto& c : cases) {
        const auto built = makeIPv6Address(v6(c.listed, c.scopeField), view(mask), 0x40);
        EXPECT_EQ(built.address, c.text) << c.listed;
        EXPECT_EQ(built.scopeID, c.scopeID) << c.listed;
        EXPECT_EQ(built.prefixLength, 64);
        EXPECT_EQ(built.flags, 0x40u);
        EXPECT_FALSE(built.destination.has_value());
    }
    EXPECT_FALSE(makeIPv6Address(v6("::1"), {}, 0).prefixLength.has_value());
    const auto peer = v6("2001:db8:2::2");
    EXPECT_EQ(makeIPv6Address(v6("2001:db8:2::1"), {}, 0, view(peer)).destination, "2001:db8:2::2");
}

TEST(AddressLines, TextForms) {
    EXPECT_EQ(ipv4Line({"10.0.0.2", "255.255.255.0", 24, "10.0.0.255", std::nullopt}),
              "10.0.0.2/24  255.255.255.0");
    EXPECT_EQ(ipv4Line({"10.1.0.1", "255.255.255.255", 32, std::nullopt, "10.1.0.2"}),
              "10.1.0.1/32  255.255.255.255 \u2192 10.1.0.2");
    EXPECT_EQ(ipv4Line({"0.0.0.0", std::nullopt, std::nullopt, std::nullopt, std::nullopt}),
              "0.0.0.0");
    EXPECT_EQ(ipv6Line({"fe80::1", 64, 4, 0x440, std::nullopt}, true),
              "fe80::1/64  scope 0x4  autoconf secured");
    EXPECT_EQ(ipv6Line({"fe80::1", 64, 0x1a, 0, std::nullopt}, true), "fe80::1/64  scope 0x1a");
    EXPECT_EQ(ipv6Line({"fe80::1", 64, 4, 0x2, std::nullopt}, false), "fe80::1/64  tentative");
    EXPECT_EQ(ipv6Line({"2001:db8::1", std::nullopt, 0, 0, std::nullopt}, true), "2001:db8::1");
    EXPECT_EQ(ipv6Line({"2001:db8:2::1", 128, 0, 0x400, "2001:db8:2::2"}, true),
              "2001:db8:2::1/128 \u2192 2001:db8:2::2  secured");
}

TEST(AddressBuilding, IPv4TextMatchesInetNtop) {
    std::vector<std::array<uint8_t, 4>> cases = {
        {0, 0, 0, 0}, {255, 255, 255, 255}, {10, 0, 100, 9}, {1, 20, 3, 40}, {192, 0, 2, 255}};
    for (unsigned i = 0; i < 2000; ++i) {
        cases.push_back({static_cast<uint8_t>(i * 37), static_cast<uint8_t>(i * 101 + 7),
                         static_cast<uint8_t>(i / 7), static_cast<uint8_t>(255 - i % 256)});
    }
    for (const auto& bytes : cases) {
        char expected[16];
        ASSERT_NE(inet_ntop(AF_INET, bytes.data(), expected, sizeof expected), nullptr);
        EXPECT_EQ(addressText(AF_INET, bytes.data()), expected);
    }
}

TEST(AddressBuilding, IPv6TextMatchesInetNtop) {
    std::vector<std::array<uint8_t, 16>> cases;
    for (const char* text :
         {"::", "::1", "::2", "1::", "fe80::1", "2001:db8::", "2001:db8:0:0:1::1",
          "2001:0:0:1:0:0:0:1", "1:0:0:2:0:0:3:4", "::ffff:192.0.2.1", "::192.0.2.1", "::ffff:0:1",
          "0:0:0:0:0:1:0:0", "1:2:3:4:5:6:7:8", "1:0:2:3:4:5:6:7", "::a:b", "ff02::1:ff00:1",
          "64:ff9b::192.0.2.33"}) {
        std::array<uint8_t, 16> bytes{};
        ASSERT_EQ(inet_pton(AF_INET6, text, bytes.data()), 1) << text;
        cases.push_back(bytes);
    }
    // Random addresses with many zero groups, where the shortening rules matter.
    uint32_t state = 12345;
    for (int n = 0; n < 20000; ++n) {
        std::array<uint8_t, 16> bytes{};
        for (int group = 0; group < 8; ++group) {
            state = state * 1664525u + 1013904223u;
            if ((state >> 28) < 9) {
                continue; // a zero group more often than not
            }
            const uint16_t word = static_cast<uint16_t>(state >> ((state >> 8) & 7));
            bytes[2 * group] = static_cast<uint8_t>(word >> 8);
            bytes[2 * group + 1] = static_cast<uint8_t>(word);
        }
        cases.push_back(bytes);
    }
    for (const auto& bytes : cases) {
        char expected[46];
        ASSERT_NE(inet_ntop(AF_INET6, bytes.data(), expected, sizeof expected), nullptr);
        ASSERT_EQ(addressText(AF_INET6, bytes.data()), expected);
    }
}
