#include "netcore/kernel/wlk_tun_owners.h"

#include "netcore/base/unique_fd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

// Directory stream closed on scope exit.
struct Directory {
    explicit Directory(const char* path) : dir(opendir(path)) {}
    ~Directory() {
        if (dir != nullptr) {
            closedir(dir);
        }
    }
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;
    DIR* dir;
};

// The value of a /proc entry name made only of digits; -1 for any other name.
int32_t numberIn(const char* text) {
    int64_t value = 0;
    if (*text == '\0') {
        return -1;
    }
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9' || value > INT32_MAX / 10) {
            return -1;
        }
        value = value * 10 + (*text - '0');
    }
    return value > INT32_MAX ? -1 : static_cast<int32_t>(value);
}

bool sameNamespace(int32_t pid, const struct stat& own) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/ns/net", pid);
    struct stat other {};
    return stat(path, &other) == 0 && other.st_dev == own.st_dev && other.st_ino == own.st_ino;
}

bool readSmallFile(const char* path, char* buffer, size_t size, size_t* length) {
    const wirelark::UniqueFd fd(open(path, O_RDONLY | O_CLOEXEC));
    if (!fd) {
        return false;
    }
    size_t total = 0;
    while (total < size) {
        const ssize_t n = read(fd.get(), buffer + total, size - total);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        total += static_cast<size_t>(n);
    }
    *length = total;
    return total > 0;
}

// Scans one process's descriptors; returns the new record count.
size_t scanProcess(int32_t pid, wlk_tun_owner* out, size_t count, size_t capacity) {
    char folder[64];
    std::snprintf(folder, sizeof folder, "/proc/%d/fd", pid);
    Directory fds(folder);
    if (fds.dir == nullptr) {
        return count;
    }
    while (count < capacity) {
        const dirent* entry = readdir(fds.dir);
        if (entry == nullptr) {
            break;
        }
        const int32_t fd = numberIn(entry->d_name);
        if (fd < 0) {
            continue;
        }
        char path[96];
        char target[64];
        std::snprintf(path, sizeof path, "/proc/%d/fd/%d", pid, fd);
        const ssize_t length = readlink(path, target, sizeof target - 1);
        if (length < 0 || std::string_view(target, static_cast<size_t>(length)) != "/dev/net/tun") {
            continue;
        }
        std::snprintf(path, sizeof path, "/proc/%d/fdinfo/%d", pid, fd);
        char info[2048];
        size_t infoLength = 0;
        wlk_tun_owner record{};
        if (readSmallFile(path, info, sizeof info, &infoLength) &&
            wlk_parse_tun_fdinfo(info, infoLength, record.name)) {
            record.pid = pid;
            out[count++] = record;
        }
    }
    return count;
}

} // namespace

extern "C" size_t wlk_tun_owners(wlk_tun_owner* out, size_t capacity) {
    struct stat own {};
    if (out == nullptr || capacity == 0 || stat("/proc/self/ns/net", &own) != 0) {
        return 0;
    }
    Directory proc("/proc");
    if (proc.dir == nullptr) {
        return 0;
    }
    size_t count = 0;
    while (count < capacity) {
        const dirent* entry = readdir(proc.dir);
        if (entry == nullptr) {
            break;
        }
        const int32_t pid = numberIn(entry->d_name);
        if (pid > 0 && sameNamespace(pid, own)) {
            count = scanProcess(pid, out, count, capacity);
        }
    }
    return count;
}

extern "C" int wlk_parse_tun_fdinfo(const char* text, size_t length, char name[WLK_TUN_NAME_SIZE]) {
    if (text == nullptr) {
        return 0;
    }
    std::string_view rest(text, length);
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.starts_with("iff:")) {
            continue;
        }
        line.remove_prefix(4);
        while (!line.empty() && (line.front() == '\t' || line.front() == ' ')) {
            line.remove_prefix(1);
        }
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.remove_suffix(1);
        }
        if (line.empty() || line.size() >= WLK_TUN_NAME_SIZE ||
            line.find('\0') != std::string_view::npos) {
            return 0;
        }
        std::memcpy(name, line.data(), line.size());
        name[line.size()] = '\0';
        return 1;
    }
    return 0;
}
