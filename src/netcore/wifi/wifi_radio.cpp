#include "netcore/wifi/wifi_radio.h"

#include <fstream>

namespace wirelark {

namespace {

bool switchSet(const std::filesystem::path& file) {
    std::ifstream in(file);
    char state = '0';
    return in.get(state) && state == '1';
}

} // namespace

bool radioBlocked(const std::filesystem::path& sysClassNet, const std::string& interfaceName) {
    if (interfaceName.empty() || interfaceName == "." || interfaceName == ".." ||
        interfaceName.find('/') != std::string::npos) {
        return false;
    }
    // The wireless device's rfkill switches sit next to it as rfkillN folders.
    std::error_code error;
    std::filesystem::directory_iterator entries(sysClassNet / interfaceName / "phy80211", error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const auto& path = entries->path();
        if (path.filename().string().starts_with("rfkill") &&
            (switchSet(path / "soft") || switchSet(path / "hard"))) {
            return true;
        }
    }
    return false;
}

} // namespace wirelark
