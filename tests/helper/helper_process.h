#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace wirelark::testing {

// The real wirelark-admin-helper, run on a private bus with its state in `stateDirectory`, until
// destroyed.
class HelperProcess {
public:
    HelperProcess(const std::string& busAddress, const std::filesystem::path& stateDirectory,
                  std::chrono::milliseconds pairingLifetime = std::chrono::minutes(10));
    ~HelperProcess();

    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    // True once the helper owns both names.
    bool ready() const { return ready_; }

private:
    pid_t pid_ = -1;
    bool ready_ = false;
};

} // namespace wirelark::testing
