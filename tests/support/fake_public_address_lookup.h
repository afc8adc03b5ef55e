#pragma once

#include "app/model/public_address_lookup.h"

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace wirelark::testing {

// Keeps each lookup's callback until the test answers it.
struct FakePublicAddressLookup final : PublicAddressLookup {
    std::vector<std::string> urls;
    std::function<void(PublicIPResult)> pending;

    void lookup(std::string url, std::string, std::function<void(PublicIPResult)> done) override {
        urls.push_back(std::move(url));
        pending = std::move(done);
    }
    // Answers from another thread, as the network lookup does.
    void answer(PublicIPResult result) {
        std::thread([done = std::move(pending), result = std::move(result)] {
            done(result);
        }).join();
    }
};

} // namespace wirelark::testing
