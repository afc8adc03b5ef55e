#include "cli/commands.h"

#include "netcore/sysconfig/network_change_watcher.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace wirelark::cli {

namespace {

void printBatch(const std::vector<std::string>& keys) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
    std::string line;
    for (const auto& key : keys) {
        line += ' ';
        line += key;
    }
    std::printf("%s.%03lld%s\n", stamp, static_cast<long long>(millis), line.c_str());
    std::fflush(stdout);
}

int run(const ParsedCommandLine&) {
    // Ctrl-C and SIGTERM arrive as readable data, so the loop ends between batches.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    const int signals = signalfd(-1, &stop, SFD_CLOEXEC);

    auto bus = DbusConnection::openSystem();
    if (!bus) {
        std::fputs("wirelark-cli watch-config: no system bus; NetworkManager changes are not "
                   "watched\n",
                   stderr);
    }
    NetworkChangeWatcher watcher(printBatch, std::move(bus));
    if (watcher.fd() < 0 || !watcher.watchesKernel()) {
        std::fprintf(stderr,
                     "wirelark-cli watch-config: cannot watch the kernel's network "
                     "changes: %s\n",
                     std::strerror(errno));
        if (watcher.fd() < 0) {
            return 1;
        }
    }
    std::fputs("watching network configuration changes; Ctrl-C ends\n", stderr);
    for (;;) {
        pollfd ready[2] = {{watcher.fd(), POLLIN, 0}, {signals, POLLIN, 0}};
        if (poll(ready, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return 1;
        }
        if (ready[1].revents & POLLIN) {
            return 0;
        }
        if (ready[0].revents & POLLIN) {
            watcher.dispatch();
        }
    }
}

} // namespace

const Command watchConfigCommand{
    .name = "watch-config",
    .summary = "print each batch of changed configuration keys (Ctrl-C ends)",
    .wording = ErrorWording::command,
    .run = run,
};

} // namespace wirelark::cli
