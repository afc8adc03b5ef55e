/* Kernel access for routes: the decoded header and output interface of one route message. */
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct wlk_route {
    uint8_t family; /* AF_INET or AF_INET6 */
    uint8_t dst_len;
    uint8_t type;   /* RTN_ */
    uint32_t table; /* RTA_TABLE, else rtm_table */
    uint32_t flags; /* rtm_flags (RTM_F_CLONED, ...) */
    uint8_t has_oif;
    uint32_t oif; /* RTA_OIF */
};

/* Decodes an RTM_NEWROUTE or RTM_DELROUTE message; non-zero on success. */
int wlk_decode_route(const void* message, size_t length, struct wlk_route* out);

#ifdef __cplusplus
}
#endif
