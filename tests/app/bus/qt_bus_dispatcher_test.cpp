#include "app/bus/qt_bus_dispatcher.h"

#include "private_bus_fixture.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <poll.h>

#include <memory>
#include <optional>
#include <vector>

using namespace wirelark;

namespace {

class QtBusDispatcherTest : public wirelark::testing::PrivateBusTest {
protected:
    void SetUpOnBus() override { dispatcher_ = std::make_unique<QtBusDispatcher>(takeClient()); }
    void TearDownOnBus() override { dispatcher_.reset(); }

    sd_bus* bus() const { return dispatcher_->bus().get(); }

    std::unique_ptr<QtBusDispatcher> dispatcher_;
};

// What an async call's reply said: the error name, or empty and the first "t" it carried.
struct Answer {
    std::string error;
    uint64_t value = 0;
};

int storeAnswer(sd_bus_message* reply, void* userdata, sd_bus_error*) {
    auto& answer = *static_cast<std::optional<Answer>*>(userdata);
    answer = Answer{};
    if (const sd_bus_error* error = sd_bus_message_get_error(reply)) {
        answer->error = error->name;
    } else {
        sd_bus_message_read_basic(reply, 't', &answer->value);
    }
    return 1;
}

} // namespace

TEST_F(QtBusDispatcherTest, AMessageLargerThanTheSocketTakesGoesOutAndItsReplyComesBack) {
    // An object of our own that answers with the size of the bytes it got.
    const auto countBytes = [](sd_bus_message* call, void*, sd_bus_error*) {
        const void* data = nullptr;
        size_t size = 0;
        const int r = sd_bus_message_read_array(call, 'y', &data, &size);
        return r < 0 ? r : sd_bus_reply_method_return(call, "t", static_cast<uint64_t>(size));
    };
    sd_bus_slot* object = nullptr;
    ASSERT_GE(sd_bus_add_object(bus(), &object, "/count", countBytes, nullptr), 0);
    const BusSlot objectSlot(object);
    const char* self = nullptr;
    ASSERT_GE(sd_bus_get_unique_name(bus(), &self), 0);

    auto call = dispatcher_->bus().newMethodCall(self, "/count", "org.example.Count", "Bytes");
    ASSERT_TRUE(call);
    // sd-bus asks for an 8 MiB send buffer; twice that cannot go out in one write.
    const std::vector<uint8_t> payload(16 << 20, 0x5a);
    ASSERT_GE(sd_bus_message_append_array(call.get(), 'y', payload.data(), payload.size()), 0);
    std::optional<Answer> answer;
    sd_bus_slot* pending = nullptr;
    // With the daemon stopped the call sticks in our socket; only the socket turning writable
    // can tell us when to go on once the daemon runs again.
    daemon().freeze();
    ASSERT_GE(sd_bus_call_async(bus(), &pending, call.get(), storeAnswer, &answer, 0), 0);
    const BusSlot pendingSlot(pending);
    dispatcher_->flushSoon();
    ASSERT_TRUE(QTest::qWaitFor([&] { return (dispatcher_->bus().pollEvents() & POLLOUT) != 0; }));
    QCoreApplication::processEvents();
    daemon().thaw();

    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 20000));
    EXPECT_EQ(answer->error, "");
    EXPECT_EQ(answer->value, payload.size());
}

TEST_F(QtBusDispatcherTest, AReplyDeadlinePassesWithoutAnyTraffic) {
    // A peer that never reads its messages, so no reply and no other traffic ever comes.
    const auto silent = DbusConnection::openAddress(address());
    ASSERT_TRUE(silent);
    const char* silentName = nullptr;
    ASSERT_GE(sd_bus_get_unique_name(silent->get(), &silentName), 0);

    auto call = dispatcher_->bus().newMethodCall(silentName, "/", "org.example.Silent", "Wait");
    ASSERT_TRUE(call);
    std::optional<Answer> answer;
    sd_bus_slot* pending = nullptr;
    ASSERT_GE(sd_bus_call_async(bus(), &pending, call.get(), storeAnswer, &answer, 50'000), 0);
    const BusSlot pendingSlot(pending);
    dispatcher_->flushSoon();

    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }));
    EXPECT_EQ(answer->error, "org.freedesktop.DBus.Error.NoReply");
}

TEST_F(QtBusDispatcherTest, ReportsTheBusGoingAway) {
    QSignalSpy disconnected(dispatcher_.get(), &QtBusDispatcher::disconnected);
    EXPECT_TRUE(dispatcher_->isConnected());
    stopDaemon();
    ASSERT_TRUE(QTest::qWaitFor([&] { return disconnected.count() == 1; }));
    EXPECT_FALSE(dispatcher_->isConnected());
    dispatcher_->flushSoon();
    QCoreApplication::processEvents();
    EXPECT_EQ(disconnected.count(), 1) << "announced once";
}
