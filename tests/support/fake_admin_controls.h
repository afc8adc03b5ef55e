#pragma once

#include "app/admin/admin_controls.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace wirelark::testing {

// An admin client whose state the test sets; service changes wait until the test answers them.
class FakeAdminControls final : public AdminControls {
public:
    struct ServiceChange {
        std::string serviceID;
        bool enabled = false;
        std::function<void(std::optional<std::string>)> done;
    };

    AdminState adminState = AdminState::paired;
    int protocol = 1;
    std::optional<std::string> update;
    std::vector<ServiceChange> changes;
    int adminAppOpenings = 0;

    void set(AdminState state, int helperProtocol = 1, std::optional<std::string> available = {}) {
        adminState = state;
        protocol = helperProtocol;
        update = std::move(available);
        emit changed();
    }

    AdminState state() const override { return adminState; }
    std::optional<std::string> helperVersion() const override { return "1.0"; }
    int helperProtocol() const override { return protocol; }
    std::optional<std::string> lastError() const override { return std::nullopt; }
    std::optional<std::string> availableUpdate() const override { return update; }
    void refresh() override {}
    void beginPairing() override {}
    void unpair() override {}
    void setServiceEnabled(const std::string& serviceID, bool enabled,
                           std::function<void(std::optional<std::string>)> done) override {
        changes.push_back({serviceID, enabled, std::move(done)});
    }
    void openAdminApp() override { ++adminAppOpenings; }
};

} // namespace wirelark::testing
