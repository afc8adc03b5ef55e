#include "helper_process.h"

#include "admin/admin_constants.h"
#include "admin_test_client.h"
#include "netcore/dbus/dbus_connection.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

namespace wirelark::testing {

HelperProcess::HelperProcess(const std::string& busAddress,
                             const std::filesystem::path& stateDirectory,
                             std::chrono::milliseconds pairingLifetime) {
    const std::string lifetime = "--pairing-lifetime-ms=" + std::to_string(pairingLifetime.count());
    pid_ = fork();
    if (pid_ == 0) {
        setenv("DBUS_SYSTEM_BUS_ADDRESS", busAddress.c_str(), 1);
        setenv("STATE_DIRECTORY", stateDirectory.c_str(), 1);
        execl(WIRELARK_ADMIN_HELPER, WIRELARK_ADMIN_HELPER, lifetime.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    auto bus = DbusConnection::openAddress(busAddress);
    if (!bus || pid_ < 0) {
        return;
    }
    const AdminTestClient client(std::move(*bus));
    const auto& names = AdminTeamNames::configured();
    // Start-up takes milliseconds; the bound only keeps a broken helper from hanging the test.
    for (int attempt = 0; attempt < 1000 && !ready_; ++attempt) {
        ready_ = client.nameHasOwner(names.busName) && client.nameHasOwner(names.controlBusName);
        if (!ready_ && waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        if (!ready_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

HelperProcess::~HelperProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

} // namespace wirelark::testing
