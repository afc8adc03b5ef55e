#include "netcore/interfaces/bit_names.h"
#include "netcore/kernel/wlk_kernel.h"

#include <gtest/gtest.h>

#include <linux/ethtool.h>

#include <cstring>
#include <string>

using namespace wirelark;

TEST(BitNames, FormatAndNames) {
    struct Case {
        const BitNames& table;
        uint32_t value;
        const char* text;
    };
    const Case cases[] = {
        // Linux's own flag word for an Ethernet link that is up with a carrier.
        {BitNames::interfaceFlags, 0x11043, "11043<UP,BROADCAST,RUNNING,MULTICAST,LOWER_UP>"},
        {BitNames::interfaceFlags, 0x10049, "10049<UP,LOOPBACK,RUNNING,LOWER_UP>"},
        {BitNames::interfaceFlags, 0x10091, "10091<UP,POINTOPOINT,NOARP,LOWER_UP>"},
        {BitNames::interfaceFlags, 0x7fc20,
         "7fc20<NOTRAILERS,MASTER,SLAVE,MULTICAST,PORTSEL,"
         "AUTOMEDIA,DYNAMIC,LOWER_UP,DORMANT,ECHO>"},
        {BitNames::interfaceFlags, 0, "0<>"},
        {BitNames::interfaceFlags, 0x80000000u, "80000000<>"},
        {BitNames::capabilities, 0x3, "3<RXCSUM,TXCSUM>"},
        {BitNames::capabilities, 0x10000, "10000<>"},
        {BitNames::capabilities, 0x1863, "1863<RXCSUM,TXCSUM,TSO4,TSO6,HW_TIMESTAMP,SW_TIMESTAMP>"},
        {BitNames::nd6Flags, 0x201, "201<PERFORMNUD,DAD>"},
        {BitNames::nd6Flags, 0x3ff,
         "3ff<PERFORMNUD,ACCEPT_RTADV,PREFER_SOURCE,IFDISABLED,"
         "DONT_SET_IFROUTE,PROXY_PREFIXES,IGNORE_NA,INSECURE,REPLICATED,DAD>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.table.format(c.value), c.text);
    }
}

TEST(BitNames, NamesFollowTableOrderAndSkipBitsOutsideTheWord) {
    const BitNames reversed{{{4, "FOUR"}, {0, "ZERO"}, {32, "TOO_HIGH"}, {-1, "NEGATIVE"}}};
    EXPECT_EQ(reversed.names(0xFFFFFFFF), (std::vector<std::string>{"FOUR", "ZERO"}));
    EXPECT_EQ(reversed.format(0x11), "11<FOUR,ZERO>");
    EXPECT_TRUE(BitNames::interfaceFlags.names(1u << 31).empty());
}

TEST(BitNames, InterfaceFlagHelp) {
    EXPECT_EQ(interfaceFlagHelp("UP"), "Interface is administratively up");
    EXPECT_EQ(interfaceFlagHelp("LOWER_UP"), "Carrier is present");
    EXPECT_EQ(interfaceFlagHelp("NOTRAILERS"), "Avoids trailer encapsulation");
    EXPECT_EQ(interfaceFlagHelp("PROMISC"), "Receives all packets (promiscuous mode)");
    EXPECT_EQ(interfaceFlagHelp("SIMPLEX"), "SIMPLEX");
    // Every flag of the table has a sentence of its own.
    for (const auto& [bit, name] : BitNames::interfaceFlags.bits) {
        EXPECT_NE(interfaceFlagHelp(name), name) << bit;
    }
}

namespace {

std::string mediaText(uint32_t word, size_t size = 128) {
    char buffer[128];
    std::memset(buffer, '#', sizeof buffer);
    wlk_media_word_string(word, buffer, size);
    return buffer;
}

} // namespace

TEST(MediaWords, Text) {
    struct Case {
        uint32_t word;
        const char* text;
    };
    const Case cases[] = {
        {0x20, "autoselect"},
        {0x100030, "1000baseT <full-duplex>"},
        {0x500030, "1000baseT <full-duplex,flow-control>"},
        {0xA0, "<unknown type>"},
        {0x3E, "20GBase-KR2"},
        {0x220, "autoselect"},
        {0x21, "manual"},
        {0x42, "none"},
        {0x80, "autoselect"},
        {0x100087, "DS11 <full-duplex>"},
        {0x200643, "DB9/4Mbit <half-duplex,EarlyTokenRelease,SourceRouting>"},
        {0x160, "autoselect <Dual-attach>"},
        {0x30035, "400G-AUI8"},
        {0x10020, "2500BaseSX"},
        {0x3F, "Other"},
        {0x2F, "1000baseCX"},
        {0x40020, "<unknown subtype>"},
        {0x8A, "<unknown subtype>"},
        {0x66, "<unknown subtype>"},
        {0xF8000020, "autoselect <hw-loopback>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mediaText(c.word), c.text) << std::hex << c.word;
    }
}

TEST(MediaWords, TextIsCutToTheBufferAndAnEmptyBufferIsUntouched) {
    EXPECT_EQ(mediaText(0x500030, 10), "1000baseT");
    EXPECT_EQ(mediaText(0x500030, 1), "");
    char buffer[4] = {'x', 'y', 'z', '\0'};
    wlk_media_word_string(0x20, buffer, 0);
    EXPECT_STREQ(buffer, "xyz");
}

TEST(MediaWords, EthernetWordsFromLinkSettings) {
    struct Case {
        uint32_t mbps;
        uint8_t port, duplex;
        const char* text;
    };
    const Case cases[] = {
        {10, PORT_TP, DUPLEX_HALF, "10baseT/UTP <half-duplex>"},
        {100, PORT_TP, DUPLEX_FULL, "100baseTX <full-duplex>"},
        {100, PORT_FIBRE, DUPLEX_FULL, "100baseFX <full-duplex>"},
        {1000, PORT_TP, DUPLEX_FULL, "1000baseT <full-duplex>"},
        {1000, PORT_FIBRE, DUPLEX_FULL, "1000baseSX <full-duplex>"},
        {2500, PORT_TP, DUPLEX_FULL, "2500Base-T <full-duplex>"},
        {5000, PORT_TP, DUPLEX_FULL, "5000Base-T <full-duplex>"},
        {10000, PORT_TP, DUPLEX_FULL, "10Gbase-T <full-duplex>"},
        {10000, PORT_FIBRE, DUPLEX_FULL, "10Gbase-SR <full-duplex>"},
        {10000, PORT_DA, DUPLEX_FULL, "10Gbase-Twinax <full-duplex>"},
        {25000, PORT_FIBRE, DUPLEX_FULL, "25GBase-SR <full-duplex>"},
        {100000, PORT_DA, DUPLEX_FULL, "100GBase-CR4 <full-duplex>"},
        {1000, PORT_TP, DUPLEX_UNKNOWN, "1000baseT"},
        {12345, PORT_TP, DUPLEX_FULL, "Other <full-duplex>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mediaText(wlk_ethernet_media_word(c.mbps, c.port, c.duplex)), c.text) << c.mbps;
    }
}
