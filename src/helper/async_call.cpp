#include "helper/async_call.h"

#include <memory>

namespace wirelark {

namespace {

using ReplyHandler = std::function<void(sd_bus_message*)>;

int onReply(sd_bus_message* reply, void* userdata, sd_bus_error*) {
    (*static_cast<ReplyHandler*>(userdata))(reply);
    return 0;
}

void freeHandler(void* userdata) {
    delete static_cast<ReplyHandler*>(userdata);
}

} // namespace

int callAsync(sd_bus_message* call, uint64_t timeout, ReplyHandler onReplyRun) {
    auto handler = std::make_unique<ReplyHandler>(std::move(onReplyRun));
    sd_bus_slot* slot = nullptr;
    const int r = sd_bus_call_async(sd_bus_message_get_bus(call), &slot, call, onReply,
                                    handler.get(), timeout);
    if (r < 0) {
        return r;
    }
    // The slot lives until the reply has run, and takes the handler with it.
    sd_bus_slot_set_destroy_callback(slot, freeHandler);
    sd_bus_slot_set_floating(slot, 1);
    sd_bus_slot_unref(slot);
    handler.release();
    return 0;
}

} // namespace wirelark
