#pragma once

#include "admin/admin_bus.h"
#include "admin/admin_replies.h"

#include "app/bus/qt_bus_dispatcher.h"

#include "netcore/base/expected.h"
#include "netcore/dbus/dbus_connection.h"

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace wirelark {

// The companion app's side of the helper's control interface, on the Qt loop: every call
// returns at once and completes exactly once, later, on the loop. Calls still open when the
// client goes away never complete.
class AdminControlClient : public QObject {
    Q_OBJECT

public:
    template <typename T>
    using Done = std::function<void(Expected<T, BusError>)>;
    using ActionDone = std::function<void(Expected<void, BusError>)>;

    // Without a bus every call fails as disconnected.
    AdminControlClient(QtBusDispatcher* systemBus, std::string controlBusName,
                       QObject* parent = nullptr);
    ~AdminControlClient() override;

    void status(Done<AdminStatus> done);
    void pendingPairings(Done<std::vector<PendingPairing>> done);
    // The helper asks polkit, which may wait for an administrator's password.
    void approvePairing(const std::string& requestID, ActionDone done);
    void denyPairing(const std::string& requestID, ActionDone done);
    void unpairAll(ActionDone done);

private:
    struct OpenCall;
    using Append = std::function<int(sd_bus_message*)>;

    void call(const AdminBus::Method& method, const Append& append,
              std::chrono::microseconds timeout, std::function<void(BusReply)> done);
    void failSoon(std::function<void(BusReply)> done, BusError error);
    void failOpenCalls();
    static int onReply(sd_bus_message* reply, void* userdata, sd_bus_error*);

    QtBusDispatcher* bus_;
    std::string controlBusName_;
    uint64_t nextCall_ = 0;
    std::map<uint64_t, std::unique_ptr<OpenCall>> openCalls_;
};

} // namespace wirelark
