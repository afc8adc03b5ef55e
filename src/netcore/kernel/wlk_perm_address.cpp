#include "netcore/kernel/wlk_perm_address.h"

#include <linux/ethtool.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <sys/ioctl.h>

#include <cstring>

extern "C" int wlk_get_perm_address(int sock, const char* name, uint8_t out[WLK_PERM_ADDRESS_SIZE],
                                    uint8_t* length) {
    if (name == nullptr || std::strlen(name) >= IFNAMSIZ) {
        return 0;
    }
    // The request is a header followed by room for the address.
    alignas(ethtool_perm_addr) uint8_t buffer[sizeof(ethtool_perm_addr) + WLK_PERM_ADDRESS_SIZE]{};
    ethtool_perm_addr header{ETHTOOL_GPERMADDR, WLK_PERM_ADDRESS_SIZE};
    std::memcpy(buffer, &header, sizeof header);
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, name, IFNAMSIZ - 1);
    ifr.ifr_data = reinterpret_cast<char*>(buffer);
    if (ioctl(sock, SIOCETHTOOL, &ifr) != 0) {
        return 0;
    }
    std::memcpy(&header, buffer, sizeof header);
    if (header.size == 0 || header.size > WLK_PERM_ADDRESS_SIZE) {
        return 0;
    }
    const uint8_t* bytes = buffer + sizeof header;
    bool allZero = true;
    for (uint32_t i = 0; i < header.size; ++i) {
        allZero = allZero && bytes[i] == 0;
    }
    if (allZero) {
        return 0;
    }
    std::memcpy(out, bytes, header.size);
    *length = static_cast<uint8_t>(header.size);
    return 1;
}
