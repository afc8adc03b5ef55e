#pragma once

#include "app/admin/admin_controls.h"

#include <QString>

#include <optional>
#include <string>

namespace wirelark {

// The admin helper's status line: "Paired (1.2)", with "?" for a version the helper did not say.
QString adminStatusText(AdminState state, const std::optional<std::string>& helperVersion);

} // namespace wirelark
