#pragma once

#include "admin_test_client.h"

#include <sys/types.h>

#include <functional>
#include <string>

namespace wirelark::testing {

// The uid and gid of the user "nobody", a second user that every system has.
inline constexpr uid_t kNobody = 65534;

// Runs `calls` in a child process under uid and gid `kNobody`, on a connection of its own to the
// bus at `address`: 0 when they returned true, else the child's failure.
int runAsNobody(const std::string& address, const std::function<bool(AdminTestClient&)>& calls);

} // namespace wirelark::testing
