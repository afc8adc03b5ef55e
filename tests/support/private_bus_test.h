#pragma once

#include "private_bus.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace wirelark::testing {

// A test with a private dbus-daemon of its own; it skips, saying why, where none can start.
// Fixtures that extend SetUp() return early when IsSkipped().
class PrivateBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        daemon_ = PrivateBus::start(why);
        if (!daemon_) {
            GTEST_SKIP() << why;
        }
    }

    const std::string& busAddress() const { return daemon_->address(); }

private:
    std::unique_ptr<PrivateBus> daemon_;
};

} // namespace wirelark::testing
