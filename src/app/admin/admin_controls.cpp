#include "app/admin/admin_controls.h"

#include "admin/admin_constants.h"

namespace wirelark {

bool AdminControls::helperNeedsUpdate() const {
    const AdminState current = state();
    return current != AdminState::checking && current != AdminState::notInstalled &&
           helperProtocol() < AdminConstants::protocolVersion;
}

} // namespace wirelark
