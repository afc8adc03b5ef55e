// Builds a message from the fuzz bytes (dictionaries, arrays and variants of many types under
// the reply keys and others), reads it with each admin reply reader, and checks that what a
// reader accepts is written and read back unchanged.
#include "admin/admin_replies.h"

#include "netcore/dbus/dbus_connection.h"

#include <sys/socket.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

using namespace wirelark;

// Reads the fuzz bytes in order; zeros once they run out.
class ByteSource {
public:
    ByteSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t next() { return offset_ < size_ ? data_[offset_++] : 0; }
    std::string text() {
        std::string out;
        for (uint8_t length = next() % 8; length > 0; --length) {
            // NUL is the one byte a D-Bus string cannot hold.
            out += static_cast<char>(next() | 1);
        }
        return out;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
};

constexpr std::array<const char*, 10> kKeys = {
    "version", "protocol", "paired", "interface", "name", "pid", "path", "id", "created", "other",
};
constexpr int kDeepest = 3;

int appendDictionary(sd_bus_message* message, ByteSource& in, int depth);

int appendVariant(sd_bus_message* message, ByteSource& in, int depth) {
    const std::string text = in.text();
    switch (in.next() % (depth < kDeepest ? 9 : 7)) {
    case 0:
        return sd_bus_message_append(message, "v", "b", in.next() & 1);
    case 1:
        return sd_bus_message_append(message, "v", "i", static_cast<int32_t>(in.next()) - 128);
    case 2:
        return sd_bus_message_append(message, "v", "x", static_cast<int64_t>(in.next()) << 40);
    case 3:
        return sd_bus_message_append(message, "v", "s", text.c_str());
    case 4:
        return sd_bus_message_append(message, "v", "u", static_cast<uint32_t>(in.next()));
    case 5:
        return sd_bus_message_append(message, "v", "d", in.next() / 3.0);
    case 6:
        return sd_bus_message_append(message, "v", "as", 1, text.c_str());
    case 7: {
        int result = sd_bus_message_open_container(message, SD_BUS_TYPE_VARIANT, "v");
        result = result < 0 ? result : appendVariant(message, in, depth + 1);
        return result < 0 ? result : sd_bus_message_close_container(message);
    }
    default: {
        int result = sd_bus_message_open_container(message, SD_BUS_TYPE_VARIANT, "a{sv}");
        result = result < 0 ? result : appendDictionary(message, in, depth + 1);
        return result < 0 ? result : sd_bus_message_close_container(message);
    }
    }
}

int appendDictionary(sd_bus_message* message, ByteSource& in, int depth) {
    int result = sd_bus_message_open_container(message, SD_BUS_TYPE_ARRAY, "{sv}");
    for (uint8_t count = in.next() % 8; result >= 0 && count > 0; --count) {
        result = sd_bus_message_open_container(message, SD_BUS_TYPE_DICT_ENTRY, "sv");
        result = result < 0 ? result
                            : sd_bus_message_append_basic(message, SD_BUS_TYPE_STRING,
                                                          kKeys[in.next() % kKeys.size()]);
        result = result < 0 ? result : appendVariant(message, in, depth);
        result = result < 0 ? result : sd_bus_message_close_container(message);
    }
    return result < 0 ? result : sd_bus_message_close_container(message);
}

// The reply at the top: a dictionary, an array of them, or something else entirely.
int appendReply(sd_bus_message* message, ByteSource& in) {
    switch (in.next() % 3) {
    case 0:
        return appendDictionary(message, in, 0);
    case 1: {
        int result = sd_bus_message_open_container(message, SD_BUS_TYPE_ARRAY, "a{sv}");
        for (uint8_t count = in.next() % 6; result >= 0 && count > 0; --count) {
            result = appendDictionary(message, in, 0);
        }
        return result < 0 ? result : sd_bus_message_close_container(message);
    }
    default:
        return appendVariant(message, in, 0);
    }
}

// Messages need a bus that has started; one end of a socket pair is enough, with no daemon.
sd_bus* offlineBus() {
    static sd_bus* bus = [] {
        int fds[2] = {-1, -1};
        sd_bus* created = nullptr;
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) < 0 ||
            sd_bus_new(&created) < 0 || sd_bus_set_fd(created, fds[0], fds[0]) < 0 ||
            sd_bus_start(created) < 0) {
            __builtin_trap();
        }
        return created;
    }();
    return bus;
}

BusMessage newMessage() {
    sd_bus_message* message = nullptr;
    if (sd_bus_message_new_signal(offlineBus(), &message, "/fuzz", "fuzz.Admin", "Reply") < 0) {
        __builtin_trap();
    }
    return BusMessage(message);
}

void readFromStart(sd_bus_message* message) {
    if (sd_bus_message_rewind(message, 1) < 0) {
        __builtin_trap();
    }
}

// Writes `value` with `append` and reads it back with `read`: it must come back unchanged.
template <typename T, typename Append, typename Read>
void expectRoundTrip(const T& value, Append append, Read read) {
    auto message = newMessage();
    if (append(message.get(), value) < 0 || sd_bus_message_seal(message.get(), 1, 0) < 0) {
        __builtin_trap();
    }
    readFromStart(message.get());
    if (!(read(message.get()) == value)) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteSource in(data, size);
    auto message = newMessage();
    if (appendReply(message.get(), in) < 0 || sd_bus_message_seal(message.get(), 1, 0) < 0) {
        return 0;
    }
    readFromStart(message.get());
    expectRoundTrip(readStatus(message.get()), appendStatus, readStatus);
    readFromStart(message.get());
    expectRoundTrip(readTunnelOwners(message.get()), appendTunnelOwners, readTunnelOwners);
    readFromStart(message.get());
    expectRoundTrip(readPendingPairings(message.get()), appendPendingPairings, readPendingPairings);
    return 0;
}
