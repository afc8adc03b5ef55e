#include "app/model/public_address_lookup.h"

namespace wirelark {

NetworkPublicAddressLookup::~NetworkPublicAddressLookup() {
    cancel();
}

void NetworkPublicAddressLookup::cancel() {
    if (job_.running()) {
        cancellation_->cancel();
        job_.wait();
    }
}

void NetworkPublicAddressLookup::lookup(std::string url, std::string jsonKeyPath,
                                        std::function<void(PublicIPResult)> done) {
    // The previous lookup has answered already (one runs at a time); this only reaps its thread.
    cancel();
    cancellation_ = std::make_unique<Cancellation>();
    job_.start([this, url = std::move(url), jsonKeyPath = std::move(jsonKeyPath),
                done = std::move(done), cancellation = cancellation_.get()] {
        done(PublicIPService(client_).lookup(url, jsonKeyPath, cancellation));
    });
}

} // namespace wirelark
