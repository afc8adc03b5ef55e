#include "app/model/public_address_lookup.h"

namespace wirelark {

NetworkPublicAddressLookup::~NetworkPublicAddressLookup() {
    finish();
}

void NetworkPublicAddressLookup::finish() {
    if (thread_.joinable()) {
        cancellation_->cancel();
        thread_.join();
    }
}

void NetworkPublicAddressLookup::lookup(std::string url, std::string jsonKeyPath,
                                        std::function<void(PublicIPResult)> done) {
    // The previous lookup has answered already (one runs at a time); this only reaps its thread.
    finish();
    cancellation_ = std::make_unique<Cancellation>();
    thread_ = std::thread([this, url = std::move(url), jsonKeyPath = std::move(jsonKeyPath),
                           done = std::move(done), cancellation = cancellation_.get()] {
        done(PublicIPService(client_).lookup(url, jsonKeyPath, cancellation));
    });
}

} // namespace wirelark
