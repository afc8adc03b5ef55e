#include "companion/user_names.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace wirelark {

std::optional<std::string> systemUserName(uint32_t uid) {
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 1024);
    passwd entry{};
    passwd* found = nullptr;
    // A database entry longer than the suggested size asks for a larger buffer.
    while (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1u << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (found == nullptr || found->pw_name == nullptr) {
        return std::nullopt;
    }
    return std::string(found->pw_name);
}

} // namespace wirelark
