#include "netcore/interfaces/interface_reader.h"

#include "netcore/kernel/link_counters_dump.h"

#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace wirelark {

namespace {

// The kernel announces no change of a link's IPv6 settings (accept_ra, accept_dad,
// disable_ipv6 set through sysctl): a full reading now and then brings them in.
constexpr int kMostReadingsOfKept = 60;

} // namespace

InterfaceReader::InterfaceReader() : InterfaceReader(NetlinkSocket::open(NETLINK_ROUTE)) {}

InterfaceReader::InterfaceReader(Expected<NetlinkSocket, std::error_code> netlink)
    : netlink_(std::move(netlink)), ioctlSocket_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    // Without a way to hear of changes nothing can be kept between calls.
    if (auto events = NetlinkSocket::open(NETLINK_ROUTE);
        events && !events->joinGroup(RTNLGRP_LINK) && !events->joinGroup(RTNLGRP_IPV4_IFADDR) &&
        !events->joinGroup(RTNLGRP_IPV6_IFADDR)) {
        changeEvents_ = std::move(*events);
    }
}

InterfaceReader::~InterfaceReader() = default;

Expected<SharedSnapshots, std::error_code> InterfaceReader::snapshot() {
    if (!netlink_) {
        return Unexpected(netlink_.error());
    }
    if (takeAnnouncedChanges() || readingsOfKept_ >= kMostReadingsOfKept) {
        kept_.reset();
    }
    if (kept_) {
        const auto refreshed = refreshKeptCounters();
        if (!refreshed && refreshed.error() == errnoCode(EINTR)) {
            return Unexpected(refreshed.error());
        }
        // Any other failure (a kernel without the stats dump) is answered by a full reading.
        if (refreshed && *refreshed) {
            ++readingsOfKept_;
            return kept_;
        }
    }
    auto snapshots = readEverything();
    if (!snapshots) {
        kept_.reset();
        return Unexpected(snapshots.error());
    }
    auto read = std::make_shared<std::vector<InterfaceSnapshot>>(std::move(*snapshots));
    if (changeEvents_) {
        kept_ = read;
        readingsOfKept_ = 0;
        keptPositions_.clear();
        for (size_t i = 0; i < kept_->size(); ++i) {
            keptPositions_.emplace((*kept_)[i].index, i);
        }
    } else {
        kept_.reset();
    }
    return read;
}

Expected<bool, std::error_code> InterfaceReader::refreshKeptCounters() {
    const size_t count = kept_->size();
    size_t matched = 0;
    bool unknownLink = false;
    auto restart = [&] {
        matched = 0;
        unknownLink = false;
        counted_.assign(count, false);
    };
    restart();
    freshCounters_.resize(count);
    const std::error_code error = dumpLinkCounters(
        *netlink_,
        [&](uint32_t index, const wlk_counters& counters) {
            const auto position = keptPositions_.find(index);
            if (position == keptPositions_.end() || counted_[position->second]) {
                unknownLink = true;
                return;
            }
            counted_[position->second] = true;
            freshCounters_[position->second] = countersFrom(counters);
            ++matched;
        },
        restart);
    if (error) {
        return Unexpected(error);
    }
    if (unknownLink || matched != count) {
        return false;
    }
    // The last reading is still held by whoever took it: fill a copy, not the reading it has.
    if (kept_.use_count() > 1) {
        kept_ = std::make_shared<std::vector<InterfaceSnapshot>>(*kept_);
    }
    for (size_t i = 0; i < count; ++i) {
        (*kept_)[i].counters = freshCounters_[i];
    }
    return true;
}

Expected<std::vector<InterfaceSnapshot>, std::error_code> InterfaceReader::readEverything() {
    links_.clear();
    addresses_.clear();
    const std::error_code linkError = netlink_->dump(
        RTM_GETLINK, AF_UNSPEC,
        [&](std::span<const uint8_t> message) {
            wlk_link link;
            if (wlk_decode_link(message.data(), message.size(), &link)) {
                links_.push_back(link);
            }
        },
        [&] { links_.clear(); });
    if (linkError) {
        return Unexpected(linkError);
    }
    // Links without their addresses would read as every address gone: fail the whole reading.
    const std::error_code addressError = netlink_->dump(
        RTM_GETADDR, AF_UNSPEC,
        [&](std::span<const uint8_t> message) {
            wlk_addr address;
            if (wlk_decode_addr(message.data(), message.size(), &address)) {
                addresses_.push_back(address);
            }
        },
        [&] { addresses_.clear(); });
    if (addressError) {
        return Unexpected(addressError);
    }
    auto snapshots = assembleSnapshots(links_, addresses_,
                                       [&](const wlk_link& link) { return extrasFor(link); });
    for (auto& s : snapshots) {
        if (s.mtu == 0) {
            wlk_get_mtu(ioctlSocket_.get(), s.name.c_str(), &s.mtu);
        }
    }
    return snapshots;
}

bool InterfaceReader::takeAnnouncedChanges() {
    if (!changeEvents_) {
        cache_.clear();
        return true;
    }
    bool changed = false;
    const std::error_code error = changeEvents_->drain([&](std::span<const uint8_t> message) {
        changed = true;
        nlmsghdr header;
        std::memcpy(&header, message.data(), sizeof header);
        if ((header.nlmsg_type == RTM_NEWLINK || header.nlmsg_type == RTM_DELLINK) &&
            message.size() >= NLMSG_HDRLEN + sizeof(ifinfomsg)) {
            ifinfomsg info;
            std::memcpy(&info, message.data() + NLMSG_HDRLEN, sizeof info);
            cache_.erase(static_cast<uint32_t>(info.ifi_index));
        }
    });
    if (error) {
        cache_.clear(); // announcements were lost: nothing kept can be trusted
        return true;
    }
    return changed;
}

LinkExtras InterfaceReader::extrasFor(const wlk_link& link) {
    auto cached = cache_.find(link.index);
    if (cached == cache_.end() || cached->second.name != link.name) {
        CachedExtras entry{link.name, {}, std::nullopt};
        entry.extras = queryExtras(link, entry.media);
        cached = cache_.insert_or_assign(link.index, std::move(entry)).first;
    }
    LinkExtras extras = cached->second.extras;
    if (cached->second.media) {
        // The carrier comes with every dump; only the media words are kept.
        wlk_media media = *cached->second.media;
        media.status = wlk_media_status_from_flags(link.flags);
        extras.media = mediaInfoFrom(media);
    }
    if (!changeEvents_) {
        cache_.clear();
    }
    return extras;
}

LinkExtras InterfaceReader::queryExtras(const wlk_link& link, std::optional<wlk_media>& media) {
    LinkExtras extras;
    wlk_media words;
    if (wlk_get_media(ioctlSocket_.get(), link.name, link.flags, &words)) {
        media = words;
        extras.baudrate = words.speed_bps;
    }
    uint32_t capabilities = 0;
    if (wlk_get_curcap(ioctlSocket_.get(), link.name, link.hw_type, link.max_mtu, &capabilities)) {
        extras.capabilities = capabilities;
    }
    uint32_t type = 0;
    if (wlk_get_functional_type(link.name, link.hw_type, link.kind, &type)) {
        extras.functionalType = functionalTypeFromRaw(type).value_or(FunctionalType::unknown);
    }
    return extras;
}

} // namespace wirelark
