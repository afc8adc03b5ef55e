#include "app/core/interface_element.h"
#include "app/core/interface_kind.h"

#include <gtest/gtest.h>

using namespace wirelark;

TEST(InterfaceKind, Classification) {
    struct Case {
        const char* name;
        FunctionalType functionalType;
        uint32_t flags;
        uint8_t ifType;
        const char* deviceKind;
        InterfaceKind expected;
    };
    using F = FunctionalType;
    using K = InterfaceKind;
    const Case cases[] = {
        {"utun3", F::wifiInfra, 0, 6, "", K::tunnel},
        {"ipsec0", F::unknown, 0, 1, "", K::tunnel},
        {"ppp0", F::unknown, 0, 23, "", K::tunnel},
        {"llw0", F::unknown, 0, 6, "", K::lowLatencyWLAN},
        {"awdl0", F::unknown, 0, 6, "", K::awdl},
        {"bridge100", F::unknown, 0, 6, "", K::bridge},
        {"apple0", F::wired, 0, 6, "", K::accessPoint},
        {"gif0", F::unknown, 0, 55, "", K::gif},
        {"stf0", F::unknown, 0, 57, "", K::stf},
        {"en0", F::wifiInfra, 0, 6, "", K::wifi},
        {"wlp2s0", F::wifiInfra, 0, 6, "", K::wifi},
        {"eth0", F::unknown, 0, 6, "", K::ethernet},
        {"enp3s0", F::wired, 0, 6, "", K::ethernet},
        {"lo0", F::loopback, 0x8, 24, "", K::loopback},
        {"lo", F::unknown, 0x8, 24, "", K::loopback},
        {"wwan0", F::cellular, 0, 255, "", K::cellular},
        {"veth0", F::unknown, 0, 6, "veth", K::ethernet},
        {"tun0", F::unknown, 0x10, 1, "tun", K::tunnel},
        {"tap0", F::unknown, 0, 6, "tun", K::tunnel},
        {"wg0", F::unknown, 0x80, 1, "wireguard", K::tunnel},
        {"br0", F::unknown, 0, 209, "bridge", K::bridge},
        {"docker0", F::unknown, 0, 209, "bridge", K::bridge},
        {"gre1", F::unknown, 0, 55, "gre", K::gif},
        {"tunl0", F::unknown, 0, 55, "ipip", K::gif},
        {"sit0", F::unknown, 0, 57, "sit", K::stf},
        {"ppp1", F::unknown, 0, 23, "", K::tunnel},
        {"myppp", F::unknown, 0, 23, "", K::tunnel},
        {"rmnet0", F::unknown, 0, 255, "", K::cellular},
        {"ifb0", F::unknown, 0, 6, "ifb", K::ethernet},
        {"mystery", F::management, 0, 1, "", K::other},
        {"mystery", F::unknown, 0, 0, "", K::other},
    };
    for (const auto& c : cases) {
        InterfaceSnapshot s;
        s.name = c.name;
        s.functionalType = c.functionalType;
        s.flags = c.flags;
        s.ifType = c.ifType;
        s.deviceKind = c.deviceKind;
        EXPECT_EQ(classify(s), c.expected) << c.name << " " << c.deviceKind;
    }
}

TEST(InterfaceKind, TitlesAndCaseNames) {
    EXPECT_STREQ(title(InterfaceKind::awdl), "AWDL (AirDrop)");
    EXPECT_STREQ(title(InterfaceKind::gif), "Generic tunnel");
    EXPECT_STREQ(title(InterfaceKind::stf), "6to4 tunnel");
    EXPECT_STREQ(title(InterfaceKind::lowLatencyWLAN), "Low-latency WLAN");
    EXPECT_STREQ(title(InterfaceKind::accessPoint), "Access point");
    EXPECT_STREQ(caseName(InterfaceKind::lowLatencyWLAN), "lowLatencyWLAN");
    EXPECT_STREQ(caseName(InterfaceKind::accessPoint), "accessPoint");
}

TEST(InterfaceElement, RawValuesTitlesAndDefaults) {
    for (InterfaceElement element : kAllInterfaceElements) {
        EXPECT_EQ(interfaceElementFromRaw(rawValue(element)), element);
    }
    EXPECT_EQ(rawValue(InterfaceElement::nd6Options), "nd6Options");
    EXPECT_EQ(title(InterfaceElement::ipNetmask), "IP address + netmask");
    EXPECT_EQ(title(InterfaceElement::wifiDetails), "Wi-Fi details");
    EXPECT_EQ(title(InterfaceElement::nd6Options), "ND6 options");
    EXPECT_EQ(interfaceElementFromRaw("Mtu"), std::nullopt);
    EXPECT_EQ(interfaceElementFromRaw(""), std::nullopt);
    EXPECT_EQ(
        defaultInterfaceElements(),
        (InterfaceElementSet{InterfaceElement::enableToggle, InterfaceElement::bandwidthGraph,
                             InterfaceElement::transferRates, InterfaceElement::addresses,
                             InterfaceElement::ipNetmask, InterfaceElement::hardwareAddress}));
}
