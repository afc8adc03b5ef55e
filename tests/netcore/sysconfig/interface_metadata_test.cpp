#include "netcore/sysconfig/interface_metadata.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace wirelark;
using wirelark::testing::TempDir;

TEST(InterfaceMetadata, TypeTextFromDevtypeKindAndLinkType) {
    struct Case {
        uint16_t hwType;
        const char* kind;
        const char* devType;
        std::optional<std::string> text;
    };
    const Case cases[] = {
        {772, "", "", "Loopback"},   {1, "", "wlan", "IEEE80211"},
        {803, "", "", "IEEE80211"},  {1, "", "wwan", "WWAN"},
        {519, "", "", "WWAN"},       {1, "bridge", "bridge", "Bridge"},
        {1, "", "bridge", "Bridge"}, {1, "bond", "bond", "Bond"},
        {1, "vlan", "vlan", "VLAN"}, {65534, "tun", "", "Tunnel"},
        {1, "tun", "", "Tunnel"},    {65534, "wireguard", "", "Tunnel"},
        {768, "ipip", "", "Tunnel"}, {776, "sit", "", "Tunnel"},
        {1, "veth", "", "Ethernet"}, {1, "", "", "Ethernet"},
        {512, "", "", std::nullopt}, {32, "", "", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.hwType << " " << c.kind << " " << c.devType);
        EXPECT_EQ(interfaceTypeText(c.hwType, c.kind, c.devType), c.text);
    }
}

TEST(InterfaceMetadata, KeyValueLinesKeepTheFirstOfEachKey) {
    const auto udev = parseKeyValueLines("I:123\nE:ID_MODEL=Model A\nE:ID_VENDOR=\nE:=x\n"
                                         "E:ID_MODEL=Second\nG:tag\nE:NO_EQUALS\nE:A=b=c",
                                         "E:");
    EXPECT_EQ(udev, (std::map<std::string, std::string>{
                        {"ID_MODEL", "Model A"}, {"ID_VENDOR", ""}, {"A", "b=c"}}));
    EXPECT_EQ(parseKeyValueLines("DEVTYPE=wlan\nINTERFACE=wlp2s0\n", "").at("DEVTYPE"), "wlan");
    EXPECT_TRUE(parseKeyValueLines("", "E:").empty());
}

TEST(InterfaceMetadata, HardwareAndManagedLinksGetEntries) {
    const TempDir root;
    const DeviceFolders folders{root.path() / "class/net", root.path() / "udev"};
    root.write("class/net/wlx-test0/device/vendor", "0x8086\n");
    root.write("class/net/wlx-test0/uevent", "DEVTYPE=wlan\nINTERFACE=wlx-test0\n");
    root.write("udev/n41", "E:ID_MODEL=Raw model\nE:ID_MODEL_FROM_DATABASE=Wi-Fi 6 AX201\n");
    root.write("class/net/enx-test1/device/vendor", "0x10ec\n");
    root.write("udev/n42", "E:ID_MODEL=USB 10/100/1000 LAN\n");
    root.write("class/net/virt-test2/uevent", "INTERFACE=virt-test2\n");

    const std::vector<LinkFacts> links = {
        {"wlx-test0", 41, 1, ""},      {"enx-test1", 42, 1, ""}, {"virt-test2", 43, 1, "veth"},
        {"virt-test3", 44, 1, "veth"}, {"", 45, 1, ""},
    };
    const auto interfaces = readInterfaceMetadata(links, {"virt-test2", ""}, folders);
    const std::map<std::string, InterfaceMetadata> expected = {
        {"wlx-test0", {"wlx-test0", "Wi-Fi 6 AX201", "IEEE80211", std::nullopt}},
        {"enx-test1", {"enx-test1", "USB 10/100/1000 LAN", "Ethernet", std::nullopt}},
        {"virt-test2", {"virt-test2", std::nullopt, "Ethernet", std::nullopt}},
    };
    EXPECT_EQ(interfaces, expected);
}
