/* Kernel access for the permanent hardware address of an interface. */
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { WLK_PERM_ADDRESS_SIZE = 32 };

/* The permanent (factory) address from ETHTOOL_GPERMADDR on the datagram socket `sock`. Returns
 * non-zero and sets `*length` when the device has one that is not all zero. */
int wlk_get_perm_address(int sock, const char* name, uint8_t out[WLK_PERM_ADDRESS_SIZE],
                         uint8_t* length);

#ifdef __cplusplus
}
#endif
