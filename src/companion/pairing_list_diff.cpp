#include "companion/pairing_list_diff.h"

#include <algorithm>
#include <set>

namespace wirelark {

PairingListDiff diffPairings(const std::vector<std::string>& shownIDs,
                             const std::vector<PendingPairing>& latest) {
    PairingListDiff diff;
    std::set<std::string, std::less<>> latestIDs;
    for (const PendingPairing& pairing : latest) {
        latestIDs.insert(pairing.id);
    }
    std::copy_if(shownIDs.begin(), shownIDs.end(), std::back_inserter(diff.removed),
                 [&](const std::string& id) { return !latestIDs.contains(id); });
    // A helper that lists one id twice still gets one row.
    std::set<std::string, std::less<>> rowIDs(shownIDs.begin(), shownIDs.end());
    for (const PendingPairing& pairing : latest) {
        if (rowIDs.insert(pairing.id).second) {
            diff.added.push_back(pairing);
        }
    }
    return diff;
}

} // namespace wirelark
