#include "netcore/base/cancellation.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <system_error>

namespace wirelark {

Cancellation::Cancellation() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (fd_ < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
}

Cancellation::~Cancellation() {
    close(fd_);
}

void Cancellation::cancel() {
    once_.run([this] {
        const uint64_t one = 1;
        // The counter starts at 0, so this write cannot block or fail.
        [[maybe_unused]] auto written = write(fd_, &one, sizeof one);
    });
}

} // namespace wirelark
