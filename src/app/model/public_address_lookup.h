#pragma once

#include "app/model/background_job.h"
#include "netcore/base/cancellation.h"
#include "netcore/http/http_client.h"
#include "netcore/publicip/public_ip_service.h"

#include <functional>
#include <memory>
#include <string>

namespace wirelark {

// Looks up the public address away from the caller's thread; `done` may run on any thread.
class PublicAddressLookup {
public:
    virtual ~PublicAddressLookup() = default;
    virtual void lookup(std::string url, std::string jsonKeyPath,
                        std::function<void(PublicIPResult)> done) = 0;
};

// Each lookup over the network on a thread of its own. The caller starts one at a time;
// destroying the lookup cancels the running one and waits for its thread.
class NetworkPublicAddressLookup final : public PublicAddressLookup {
public:
    ~NetworkPublicAddressLookup() override;

    void lookup(std::string url, std::string jsonKeyPath,
                std::function<void(PublicIPResult)> done) override;

private:
    void cancel();

    HttpClient client_;
    std::unique_ptr<Cancellation> cancellation_;
    // Last: its thread uses the members above.
    BackgroundJob job_;
};

} // namespace wirelark
