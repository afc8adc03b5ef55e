#include "private_bus.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <utility>

namespace wirelark::testing {

namespace {

// The policies go where @POLICIES@ stands.
constexpr const char* kConfig = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>custom</type>
  <listen>unix:path=@SOCKET@</listen>
  <auth>EXTERNAL</auth>
@POLICIES@
</busconfig>
)";

constexpr const char* kOpenPolicy = R"(  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
  </policy>
)";

// Root may do anything, everyone else only talk to the bus itself and answer; included policy
// files add to that.
constexpr const char* kSystemLikePolicy = R"(  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Introspectable"/>
  </policy>
  <policy user="root">
    <allow own="*"/>
    <allow send_type="method_call"/>
  </policy>
)";

} // namespace

std::unique_ptr<PrivateBus> PrivateBus::start(std::string& why) {
    return launch(why, kOpenPolicy);
}

std::unique_ptr<PrivateBus>
PrivateBus::startSystemLike(std::string& why, const std::vector<std::filesystem::path>& policies) {
    std::string policy = kSystemLikePolicy;
    for (const auto& file : policies) {
        policy += "  <include>" + file.string() + "</include>\n";
    }
    return launch(why, policy);
}

std::unique_ptr<PrivateBus> PrivateBus::launch(std::string& why, const std::string& policy) {
    std::string config = kConfig;
    config.replace(config.find("@POLICIES@"), 10, policy);
    std::unique_ptr<TempDir> folder;
    try {
        folder = std::make_unique<TempDir>();
    } catch (const std::filesystem::filesystem_error&) {
        why = "cannot create a folder for the bus";
        return nullptr;
    }
    config.replace(config.find("@SOCKET@"), 8, (folder->path() / "bus").string());
    const std::filesystem::path configFile = folder->write("bus.conf", config);

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        why = "pipe failed";
        return nullptr;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 3);
        // Its complaint about the fd limit it may not raise is noise in test logs.
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) {
            dup2(quiet, 2);
        }
        const std::string configArg = "--config-file=" + configFile.string();
        execlp("dbus-daemon", "dbus-daemon", configArg.c_str(), "--nofork", "--nopidfile",
               "--print-address=3", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    std::string address;
    pollfd readable{pipeFds[0], POLLIN, 0};
    char buffer[512];
    while (address.find('\n') == std::string::npos && poll(&readable, 1, 10000) > 0) {
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        address.append(buffer, static_cast<size_t>(n));
    }
    close(pipeFds[0]);
    if (pid < 0 || address.find('\n') == std::string::npos) {
        why = "dbus-daemon did not start (is the dbus package installed?)";
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        return nullptr;
    }
    address.resize(address.find('\n'));
    return std::unique_ptr<PrivateBus>(new PrivateBus(std::move(folder), pid, address));
}

PrivateBus::~PrivateBus() {
    kill(pid_, SIGTERM);
    // A frozen daemon would hold its SIGTERM until it runs again.
    kill(pid_, SIGCONT);
    waitpid(pid_, nullptr, 0);
}

void PrivateBus::becomeSystemBus() const {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
}

void PrivateBus::freeze() const {
    kill(pid_, SIGSTOP);
}

void PrivateBus::thaw() const {
    kill(pid_, SIGCONT);
}

void PrivateBus::becomeSessionBus() const {
    setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
}

void PrivateBus::openToAllUsers() const {
    std::filesystem::permissions(
        folder_->path(), std::filesystem::perms::others_exec | std::filesystem::perms::group_exec,
        std::filesystem::perm_options::add);
}

} // namespace wirelark::testing
