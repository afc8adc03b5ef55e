#pragma once

#include <functional>
#include <string_view>

namespace wirelark {

// Self-update for builds that carry an update key. Linux distributions update the packages
// themselves, so a build without a key never checks.
class Updater {
public:
    // `check` runs one check the user can follow.
    explicit Updater(std::function<void()> check);

    // Whether this build was configured with an update key.
    static bool updatesEnabled();
    static bool updatesEnabled(std::string_view key);

    bool automaticChecks() const { return automaticChecks_; }
    void setAutomaticChecks(bool automatic) { automaticChecks_ = automatic; }
    // Does nothing in a build without updates.
    void checkNow() const;

private:
    std::function<void()> check_;
    bool automaticChecks_;
};

} // namespace wirelark
