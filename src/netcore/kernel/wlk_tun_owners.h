/* Kernel access for tunnel owners: which processes hold tun and tap devices. */
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { WLK_TUN_NAME_SIZE = 16 };

struct wlk_tun_owner {
    int32_t pid;
    char name[WLK_TUN_NAME_SIZE]; /* the tun or tap interface, NUL-terminated */
};

/* Records (pid, interface) for every descriptor on /dev/net/tun held by a process in this
 * process's network namespace, at most `capacity` of them, in /proc order. Processes that
 * cannot be inspected or exit meanwhile are skipped. Returns the number written. */
size_t wlk_tun_owners(struct wlk_tun_owner* out, size_t capacity);

/* The interface name of a /proc/PID/fdinfo/FD text of a tun descriptor (its "iff:" line).
 * Returns non-zero and fills `name` when there is one that fits. */
int wlk_parse_tun_fdinfo(const char* text, size_t length, char name[WLK_TUN_NAME_SIZE]);

#ifdef __cplusplus
}
#endif
