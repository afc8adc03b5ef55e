#include "as_other_user.h"

#include <sys/wait.h>
#include <unistd.h>

namespace wirelark::testing {

int runAsNobody(const std::string& address, const std::function<bool(AdminTestClient&)>& calls) {
    const pid_t child = fork();
    if (child == 0) {
        if (setresgid(kNobody, kNobody, kNobody) != 0 ||
            setresuid(kNobody, kNobody, kNobody) != 0) {
            _exit(3);
        }
        auto bus = DbusConnection::openAddress(address);
        if (!bus) {
            _exit(4);
        }
        AdminTestClient client(std::move(*bus));
        _exit(calls(client) ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace wirelark::testing
