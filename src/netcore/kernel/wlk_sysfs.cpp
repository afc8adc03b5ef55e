#include "netcore/kernel/wlk_kernel.h"

#include <linux/if_arp.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// A sysfs path under /sys/class/net/NAME, or empty for a name that could escape the folder.
std::string netPath(const char* name, const char* entry) {
    if (name == nullptr || name[0] == '\0' || std::strchr(name, '/') != nullptr ||
        std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0 ||
        strnlen(name, WLK_NAME_SIZE) >= WLK_NAME_SIZE) {
        return {};
    }
    return std::string("/sys/class/net/") + name + "/" + entry;
}

bool exists(const std::string& path) {
    struct stat info;
    return !path.empty() && lstat(path.c_str(), &info) == 0;
}

// The DEVTYPE= value of the device's uevent file, or empty.
std::string devType(const char* name) {
    const std::string path = netPath(name, "uevent");
    if (path.empty()) {
        return {};
    }
    std::FILE* file = std::fopen(path.c_str(), "re");
    if (file == nullptr) {
        return {};
    }
    std::string type;
    char line[256];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        if (std::strncmp(line, "DEVTYPE=", 8) == 0) {
            type = line + 8;
            while (!type.empty() && (type.back() == '\n' || type.back() == '\r')) {
                type.pop_back();
            }
            break;
        }
    }
    std::fclose(file);
    return type;
}

} // namespace

extern "C" {

int wlk_is_wifi(const char* name) {
    return exists(netPath(name, "phy80211")) || devType(name) == "wlan";
}

int wlk_has_hardware(const char* name) {
    return exists(netPath(name, "device")) || exists(netPath(name, "phy80211"));
}

int wlk_get_functional_type(const char* name, uint16_t hw_type, const char* kind, uint32_t* out) {
    enum : uint32_t { unknown = 0, loopback = 1, wired = 2, wifiInfra = 3, cellular = 5 };
    if (out == nullptr || netPath(name, "").empty()) {
        return 0;
    }
    uint32_t result = unknown;
    if (hw_type == ARPHRD_LOOPBACK) {
        result = loopback;
    } else if (wlk_is_wifi(name)) {
        result = wifiInfra;
    } else if (hw_type == ARPHRD_RAWIP || devType(name) == "wwan") {
        result = cellular;
    } else if ((kind == nullptr || kind[0] == '\0') && exists(netPath(name, "device")) &&
               hw_type == ARPHRD_ETHER) {
        result = wired;
    }
    *out = result;
    return 1;
}

} // extern "C"
