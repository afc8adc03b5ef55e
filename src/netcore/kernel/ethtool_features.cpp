#include "netcore/kernel/ethtool_features.h"

#include <linux/if_arp.h>
#include <linux/net_tstamp.h>

#include <string_view>

namespace wirelark {

namespace {

enum : uint32_t {
    RXCSUM = 1u << 0,
    TXCSUM = 1u << 1,
    VLAN_MTU = 1u << 2,
    VLAN_HWTAGGING = 1u << 3,
    JUMBO_MTU = 1u << 4,
    TSO4 = 1u << 5,
    TSO6 = 1u << 6,
    LRO = 1u << 7,
    HW_TIMESTAMP = 1u << 11,
    SW_TIMESTAMP = 1u << 12,
};

} // namespace

uint32_t capabilitiesFromFeatures(std::span<const std::string> names,
                                  std::span<const uint32_t> activeWords, uint16_t hwType,
                                  uint32_t maxMtu, uint32_t timestamping) {
    uint32_t caps = 0;
    bool vlanChallenged = false;
    // Feature bit positions differ between kernels; their names do not.
    for (size_t bit = 0; bit < names.size() && bit / 32 < activeWords.size(); ++bit) {
        if (!(activeWords[bit / 32] & (1u << (bit % 32)))) {
            continue;
        }
        const std::string_view feature = names[bit];
        if (feature == "rx-checksum") {
            caps |= RXCSUM;
        } else if (feature.starts_with("tx-checksum-")) {
            caps |= TXCSUM;
        } else if (feature == "rx-vlan-hw-parse") {
            caps |= VLAN_HWTAGGING;
        } else if (feature == "tx-tcp-segmentation") {
            caps |= TSO4;
        } else if (feature == "tx-tcp6-segmentation") {
            caps |= TSO6;
        } else if (feature == "rx-lro") {
            caps |= LRO;
        } else if (feature == "vlan-challenged") {
            vlanChallenged = true;
        }
    }
    if (hwType == ARPHRD_ETHER && !vlanChallenged) {
        caps |= VLAN_MTU;
    }
    if (maxMtu > 1500) {
        caps |= JUMBO_MTU;
    }
    if (timestamping & (SOF_TIMESTAMPING_TX_HARDWARE | SOF_TIMESTAMPING_RX_HARDWARE)) {
        caps |= HW_TIMESTAMP;
    }
    if (timestamping & (SOF_TIMESTAMPING_TX_SOFTWARE | SOF_TIMESTAMPING_RX_SOFTWARE)) {
        caps |= SW_TIMESTAMP;
    }
    return caps;
}

} // namespace wirelark
