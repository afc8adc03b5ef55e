#pragma once

#include "netcore/sysconfig/tunnel_owners.h"

#include <functional>
#include <map>
#include <string>

namespace wirelark {

using TunnelOwnerMap = std::map<std::string, TunnelOwner>;

// What the model asks of the admin helper's client: whether it is paired with the helper, and
// the owners of the tunnel interfaces as the helper, running as root, sees them.
class AdminService {
public:
    virtual ~AdminService() = default;
    virtual bool isPaired() const = 0;
    // Asks the helper again what it knows of this app; the model does when it starts.
    virtual void refresh() {}
    // Interface name -> owner, empty while the helper cannot answer; `done` may run on any
    // thread.
    virtual void tunnelOwners(std::function<void(TunnelOwnerMap)> done) = 0;
};

// The client before any pairing: never paired, and the helper knows no owners.
class UnpairedAdmin final : public AdminService {
public:
    bool isPaired() const override { return false; }
    void tunnelOwners(std::function<void(TunnelOwnerMap)> done) override { done({}); }
};

} // namespace wirelark
