#include "private_bus_fixture.h"

#include <utility>

namespace wirelark::testing {

void PrivateBusTest::SetUp() {
    std::string why;
    daemon_ = PrivateBus::start(why);
    if (!daemon_) {
        GTEST_SKIP() << why;
    }
    client_ = DbusConnection::openAddress(daemon_->address());
    ASSERT_TRUE(client_) << "cannot connect to the private bus";
    SetUpOnBus();
}

void PrivateBusTest::TearDown() {
    TearDownOnBus();
    client_.reset();
    daemon_.reset();
}

DbusConnection PrivateBusTest::takeClient() {
    DbusConnection taken = std::move(*client_);
    client_.reset();
    return taken;
}

} // namespace wirelark::testing
