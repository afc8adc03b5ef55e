#include "netcore/wifi/nl80211_query.h"

#include <linux/nl80211.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <netlink/netlink.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <memory>

namespace wirelark {

namespace {

constexpr int kDumpAttempts = 3;

struct SocketFree {
    void operator()(nl_sock* socket) const { nl_socket_free(socket); }
};
struct MessageFree {
    void operator()(nl_msg* message) const { nlmsg_free(message); }
};
struct CallbackFree {
    void operator()(nl_cb* callbacks) const { nl_cb_put(callbacks); }
};

// Gathers the data messages of one reply; `status` stays positive until the reply ends, then
// holds 0 or a negative error.
struct Collector {
    std::vector<NetlinkMessage>* messages;
    int status = 1;
};

int onValid(nl_msg* message, void* argument) {
    const nlmsghdr* header = nlmsg_hdr(message);
    const auto* bytes = reinterpret_cast<const uint8_t*>(header);
    static_cast<Collector*>(argument)->messages->emplace_back(bytes, bytes + header->nlmsg_len);
    return NL_OK;
}

int onEnd(nl_msg*, void* argument) {
    static_cast<Collector*>(argument)->status = 0;
    return NL_STOP;
}

int onError(sockaddr_nl*, nlmsgerr* error, void* argument) {
    static_cast<Collector*>(argument)->status = error->error < 0 ? error->error : -1;
    return NL_STOP;
}

// Sends one request about `ifindex` and collects its reply; a dump that changed while it was
// read is read again. Returns false, with no messages, when the request failed.
bool request(nl_sock* socket, int family, uint8_t command, bool dump, unsigned ifindex,
             std::vector<NetlinkMessage>& messages) {
    for (int attempt = 0; attempt < kDumpAttempts; ++attempt) {
        messages.clear();
        const std::unique_ptr<nl_msg, MessageFree> message(nlmsg_alloc());
        const std::unique_ptr<nl_cb, CallbackFree> callbacks(nl_cb_alloc(NL_CB_DEFAULT));
        if (!message || !callbacks ||
            !genlmsg_put(message.get(), NL_AUTO_PORT, NL_AUTO_SEQ, family, 0, dump ? NLM_F_DUMP : 0,
                         command, 0) ||
            nla_put_u32(message.get(), NL80211_ATTR_IFINDEX, ifindex) < 0) {
            return false;
        }
        Collector collector{&messages};
        nl_cb_set(callbacks.get(), NL_CB_VALID, NL_CB_CUSTOM, onValid, &collector);
        nl_cb_set(callbacks.get(), NL_CB_FINISH, NL_CB_CUSTOM, onEnd, &collector);
        nl_cb_set(callbacks.get(), NL_CB_ACK, NL_CB_CUSTOM, onEnd, &collector);
        nl_cb_err(callbacks.get(), NL_CB_CUSTOM, onError, &collector);
        if (nl_send_auto(socket, message.get()) < 0) {
            return false;
        }
        int received = 0;
        while (collector.status > 0 && received >= 0) {
            received = nl_recvmsgs(socket, callbacks.get());
        }
        if (received != -NLE_DUMP_INTR) {
            if (collector.status == 0 && received >= 0) {
                return true;
            }
            break;
        }
    }
    messages.clear();
    return false;
}

} // namespace

std::optional<Nl80211Replies> queryNl80211(unsigned ifindex) {
    const std::unique_ptr<nl_sock, SocketFree> socket(nl_socket_alloc());
    if (!socket || genl_connect(socket.get()) < 0) {
        return std::nullopt;
    }
    // A kernel that never answers must not hang the caller for ever.
    timeval timeout{5, 0};
    setsockopt(nl_socket_get_fd(socket.get()), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    // Scan dumps with many networks come in datagrams larger than a page.
    nl_socket_enable_msg_peek(socket.get());
    const int family = genl_ctrl_resolve(socket.get(), "nl80211");
    if (family < 0) {
        return std::nullopt;
    }
    Nl80211Replies replies;
    if (!request(socket.get(), family, NL80211_CMD_GET_INTERFACE, false, ifindex,
                 replies.interface)) {
        return std::nullopt;
    }
    request(socket.get(), family, NL80211_CMD_GET_STATION, true, ifindex, replies.stations);
    request(socket.get(), family, NL80211_CMD_GET_SURVEY, true, ifindex, replies.survey);
    request(socket.get(), family, NL80211_CMD_GET_SCAN, true, ifindex, replies.scan);
    return replies;
}

} // namespace wirelark
