#include "netcore/kernel/link_facts.h"

#include "netcore/kernel/wlk_kernel.h"

#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace wirelark {

std::optional<LinkFacts> linkFactsFrom(std::span<const uint8_t> message) {
    wlk_link link;
    if (!wlk_decode_link(message.data(), message.size(), &link)) {
        return std::nullopt;
    }
    return LinkFacts{link.name,
                     link.index,
                     link.hw_type,
                     link.kind,
                     link.flags,
                     link.mtu,
                     {link.address, link.address + link.address_len}};
}

Expected<std::vector<LinkFacts>, std::error_code> dumpLinkFacts(NetlinkSocket& socket) {
    std::vector<LinkFacts> links;
    const std::error_code error = socket.dump(
        RTM_GETLINK, AF_UNSPEC,
        [&](std::span<const uint8_t> message) {
            if (auto link = linkFactsFrom(message)) {
                links.push_back(std::move(*link));
            }
        },
        [&] { links.clear(); });
    if (error) {
        return Unexpected(error);
    }
    return links;
}

} // namespace wirelark
