#pragma once

#include "admin/admin_replies.h"

#include <string>
#include <vector>

namespace wirelark {

// How the shown requests become the helper's latest list without touching the rows that stay,
// so that their selection survives a refresh.
struct PairingListDiff {
    // Ids of shown rows the helper no longer lists (decided or expired).
    std::vector<std::string> removed;
    // Requests to append, in the helper's order.
    std::vector<PendingPairing> added;

    bool operator==(const PairingListDiff&) const = default;
};

PairingListDiff diffPairings(const std::vector<std::string>& shownIDs,
                             const std::vector<PendingPairing>& latest);

} // namespace wirelark
