#include "app/bus/qt_bus_dispatcher.h"

#include "private_bus_fixture.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

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

// A reply handler that waits in a nested event loop (as a keyring prompt does) must not see the
// connection dispatched again underneath it, nor taken for lost.
TEST_F(QtBusDispatcherTest, AHandlerWaitingInANestedLoopKeepsTheConnection) {
    const auto echo = [](sd_bus_message* call, void*, sd_bus_error*) {
        uint64_t value = 0;
        const int r = sd_bus_message_read_basic(call, 't', &value);
        return r < 0 ? r : sd_bus_reply_method_return(call, "t", value);
    };
    sd_bus_slot* object = nullptr;
    ASSERT_GE(sd_bus_add_object(bus(), &object, "/echo", echo, nullptr), 0);
    const BusSlot objectSlot(object);
    const char* self = nullptr;
    ASSERT_GE(sd_bus_get_unique_name(bus(), &self), 0);
    QSignalSpy disconnected(dispatcher_.get(), &QtBusDispatcher::disconnected);

    struct Exchange {
        QtBusDispatcher* dispatcher;
        const char* self;
        std::optional<Answer> second;
        BusSlot secondSlot;
    } exchange{dispatcher_.get(), self, std::nullopt, nullptr};
    const auto firstAnswered = [](sd_bus_message*, void* userdata, sd_bus_error*) {
        auto& exchange = *static_cast<Exchange*>(userdata);
        // Sent from inside the handler, so its traffic and the queued flush come while we wait.
        sd_bus_slot* slot = nullptr;
        sd_bus_call_method_async(exchange.dispatcher->bus().get(), &slot, exchange.self, "/echo",
                                 "org.example.Echo", "Echo", storeAnswer, &exchange.second, "t",
                                 uint64_t{2});
        exchange.secondSlot.reset(slot);
        exchange.dispatcher->flushSoon();
        QEventLoop nested;
        QTimer::singleShot(200, &nested, &QEventLoop::quit);
        nested.exec();
        return 1;
    };
    sd_bus_slot* first = nullptr;
    ASSERT_GE(sd_bus_call_method_async(bus(), &first, self, "/echo", "org.example.Echo", "Echo",
                                       firstAnswered, &exchange, "t", uint64_t{1}),
              0);
    const BusSlot firstSlot(first);
    dispatcher_->flushSoon();

    ASSERT_TRUE(QTest::qWaitFor([&] { return exchange.second.has_value(); }));
    EXPECT_EQ(exchange.second->value, 2u);
    EXPECT_EQ(disconnected.count(), 0);
    EXPECT_TRUE(dispatcher_->isConnected());
}
