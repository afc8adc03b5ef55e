#include "app/installer/captured_process.h"

#include "netcore/base/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace wirelark {

namespace {

// Owns the file actions of one spawn.
class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

std::string readAll(int fd) {
    std::string output;
    char buffer[4096];
    for (;;) {
        const ssize_t received = ::read(fd, buffer, sizeof buffer);
        if (received > 0) {
            output.append(buffer, static_cast<size_t>(received));
        } else if (received == 0 || errno != EINTR) {
            return output;
        }
    }
}

int waitForExit(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

std::optional<CapturedProcess> runCapturingOutput(const std::string& program,
                                                  const std::vector<std::string>& arguments) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    UniqueFd readEnd(pipeFds[0]);
    UniqueFd writeEnd(pipeFds[1]);

    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), STDOUT_FILENO);
    posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    pid_t pid = 0;
    if (::posix_spawnp(&pid, program.c_str(), actions.get(), nullptr, argv.data(), environ) != 0) {
        return std::nullopt;
    }
    writeEnd.reset();
    CapturedProcess result;
    result.output = readAll(readEnd.get());
    result.status = waitForExit(pid);
    return result;
}

} // namespace wirelark
