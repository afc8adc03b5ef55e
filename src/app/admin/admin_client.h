#pragma once

#include "admin/admin_app_calls.h"
#include "app/admin/admin_controls.h"
#include "app/admin/admin_service.h"
#include "app/admin/token_store.h"
#include "app/bus/qt_bus_dispatcher.h"
#include "app/core/clock.h"
#include "netcore/base/cancellation.h"
#include "netcore/http/http_client.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace wirelark {

struct AdminClientOptions {
    // Connects to the bus the helper sits on; absent when there is none. Asked again for the
    // next call once a connection is lost.
    std::function<std::optional<DbusConnection>()> openBus = &DbusConnection::openSystem;
    AdminAppCalls::Options calls = {};
    // The published helper description; empty: never checked.
    std::string feedURL = {};
    // Brings Wirelark Admin forward; none: nothing to bring.
    std::function<void()> openAdminApp = nullptr;
};

// The app's client of the admin helper on the system bus: what the helper says of itself and
// of this app's pairing, the pairing, and the requests only the helper may carry out. Lives on
// the main thread; calls' replies come back on its Qt loop. A helper that is missing, lost or
// silent leaves the state notInstalled and the app running.
class AdminClient final : public AdminControls, public AdminService {
    Q_OBJECT

public:
    AdminClient(std::unique_ptr<TokenStore> tokens, const Clock& clock, AdminClientOptions options,
                QObject* parent = nullptr);
    ~AdminClient() override;

    AdminState state() const override { return state_; }
    std::optional<std::string> helperVersion() const override { return helperVersion_; }
    int helperProtocol() const override { return helperProtocol_; }
    std::optional<std::string> lastError() const override { return lastError_; }
    std::optional<std::string> availableUpdate() const override { return availableUpdate_; }

    void refresh() override;
    void beginPairing() override;
    void unpair() override;
    void setServiceEnabled(const std::string& serviceID, bool enabled,
                           std::function<void(std::optional<std::string> error)> done) override;
    void openAdminApp() override;

    bool isPaired() const override { return state_ == AdminState::paired; }
    // Runs `done` on the main thread; empty unless the helper answers.
    void tunnelOwners(std::function<void(TunnelOwnerMap)> done) override;

private:
    // The calls on a live connection, connecting first when needed; null without a bus.
    AdminAppCalls* calls();
    void connectionLost();
    void applyStatus(const AdminStatus& status, const std::optional<std::string>& sent);
    void becomeNotInstalled();
    void failPairing(const std::string& text);
    void checkForUpdate();
    void feedFetched(const std::optional<std::string>& body);
    template <typename T>
    void set(T& field, T value);

    std::unique_ptr<TokenStore> tokens_;
    const Clock& clock_;
    AdminClientOptions options_;

    AdminState state_ = AdminState::checking;
    std::optional<std::string> helperVersion_;
    int helperProtocol_ = 0;
    std::optional<std::string> lastError_;
    std::optional<std::string> availableUpdate_;
    std::optional<double> lastUpdateCheck_;

    std::unique_ptr<QtBusDispatcher> bus_;
    std::unique_ptr<AdminAppCalls> calls_;

    HttpClient http_;
    Cancellation feedCancellation_;
    // Last: its thread uses the members above.
    std::jthread feedFetch_;
};

} // namespace wirelark
