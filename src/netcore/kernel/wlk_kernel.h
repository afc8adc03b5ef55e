/* The kernel-access layer: small C-callable functions over fixed-size structures. Each one
 * returns non-zero on success and leaves its outputs untouched on failure. */
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { WLK_NAME_SIZE = 16, WLK_KIND_SIZE = 16, WLK_LLADDR_SIZE = 32 };

struct wlk_counters {
    uint64_t bytes_in, bytes_out, packets_in, packets_out, errors_in, errors_out;
    uint64_t multicast_in, multicast_out, collisions, drops_in;
};

/* One RTM_NEWLINK message, decoded. */
struct wlk_link {
    uint32_t index;
    uint32_t flags;
    uint16_t hw_type; /* ARPHRD_ */
    char name[WLK_NAME_SIZE];
    char kind[WLK_KIND_SIZE]; /* IFLA_INFO_KIND, empty when none */
    uint32_t mtu;
    uint32_t max_mtu;
    uint8_t address[WLK_LLADDR_SIZE];
    uint8_t address_len; /* 0: none, all zero, or longer than the buffer */
    uint8_t has_stats;
    struct wlk_counters stats;
    uint8_t has_inet6_conf;
    int32_t accept_ra, disable_ipv6, accept_dad;
};

/* One RTM_NEWADDR message, decoded. Addresses are in network byte order. */
struct wlk_addr {
    uint8_t family; /* AF_INET or AF_INET6 */
    uint8_t prefix_len;
    uint8_t scope;
    uint32_t index;
    uint32_t flags; /* IFA_FLAGS, else the 8-bit ifa_flags */
    uint8_t has_local, has_address, has_broadcast, has_proto;
    uint8_t proto;
    /* With a peer, IFA_LOCAL is the interface's own address and IFA_ADDRESS the peer, in both
       families; without one the kernel sends IFA_ADDRESS (and for IPv4 an equal IFA_LOCAL). */
    uint8_t local[16];
    uint8_t address[16];
    uint8_t broadcast[4];
};

/* Media words in the encoding of the media-word table: type, subtype and option bits. */
struct wlk_media {
    uint32_t current;
    uint32_t active;
    uint32_t status;
    uint64_t speed_bps; /* 0 when unknown */
};

/* Each also decodes the deletion message (RTM_DELLINK, RTM_DELADDR), which has the same form. */
int wlk_decode_link(const void* message, size_t length, struct wlk_link* out);
int wlk_decode_addr(const void* message, size_t length, struct wlk_addr* out);
/* One RTM_NEWSTATS message carrying IFLA_STATS_LINK_64: the link's index and counters. */
int wlk_decode_stats(const void* message, size_t length, uint32_t* index, struct wlk_counters* out);

/* The link-type code (IFT_ numbering) of an ARPHRD_ type and netlink kind. */
uint8_t wlk_if_type(uint16_t hw_type, const char* kind);
/* Neighbour-discovery flag word (ND6_IFF_ bits) from a link's IPv6 configuration. */
int wlk_get_nd6_flags(const struct wlk_link* link, uint32_t* out);
/* Per-address IPv6 flag word (IN6_IFF_ bits) from an address's kernel flags. */
uint32_t wlk_in6_addr_flags(const struct wlk_addr* address);

/* Media of a device with real hardware or a Wi-Fi radio, from ethtool. */
int wlk_get_media(int sock, const char* name, uint32_t link_flags, struct wlk_media* out);
/* A status word that is valid, and active when the link reports a carrier (IFF_LOWER_UP). */
uint32_t wlk_media_status_from_flags(uint32_t link_flags);
int wlk_media_status_valid(uint32_t status);
int wlk_media_status_active(uint32_t status);
/* The media word of an Ethernet link with this speed (Mb/s), ethtool port and duplex. */
uint32_t wlk_ethernet_media_word(uint32_t speed_mbps, uint8_t port, uint8_t duplex);
void wlk_media_word_string(uint32_t word, char* buffer, size_t size);

/* Active offload features (IFCAP_ bits) from ethtool. */
int wlk_get_curcap(int sock, const char* name, uint16_t hw_type, uint32_t max_mtu, uint32_t* out);
/* Functional-type code from the link type, kind and the device's sysfs entries. */
int wlk_get_functional_type(const char* name, uint16_t hw_type, const char* kind, uint32_t* out);
/* Whether the device is backed by hardware (sysfs "device") or a Wi-Fi radio ("phy80211"). */
int wlk_has_hardware(const char* name);
int wlk_is_wifi(const char* name);
int wlk_get_mtu(int sock, const char* name, uint32_t* out);

#ifdef __cplusplus
}
#endif
