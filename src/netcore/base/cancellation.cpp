#include "netcore/base/cancellation.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <system_error>

namespace wirelark {

Cancellation::Cancellation() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!fd_) {
        throw std::system_error(errnoCode(errno), "eventfd");
    }
}

void Cancellation::cancel() {
    once_.run([this] {
        const uint64_t one = 1;
        // The counter starts at 0, so this write cannot block or fail.
        [[maybe_unused]] auto written = write(fd_.get(), &one, sizeof one);
    });
}

} // namespace wirelark
