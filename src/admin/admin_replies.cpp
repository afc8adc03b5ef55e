#include "admin/admin_replies.h"

#include "admin/admin_keys.h"
#include "admin/bus_dictionary.h"

#include <limits>

namespace wirelark {

namespace {

// Members whose value is absent are not sent at all.
template <typename T>
void putIfPresent(BusDictionary& dictionary, std::string_view key, const std::optional<T>& value) {
    if (value) {
        dictionary.emplace(key, *value);
    }
}

} // namespace

int appendStatus(sd_bus_message* message, const AdminStatus& status) {
    BusDictionary dictionary{{std::string(AdminStatusKey::protocol), status.protocol}};
    putIfPresent(dictionary, AdminStatusKey::version, status.version);
    putIfPresent(dictionary, AdminStatusKey::paired, status.paired);
    return appendDictionary(message, dictionary);
}

AdminStatus readStatus(sd_bus_message* message) {
    const BusDictionary dictionary = readDictionary(message).value_or(BusDictionary{});
    return {
        .version = member<std::string>(dictionary, AdminStatusKey::version),
        .protocol = member<int32_t>(dictionary, AdminStatusKey::protocol).value_or(0),
        .paired = member<bool>(dictionary, AdminStatusKey::paired),
    };
}

int appendTunnelOwners(sd_bus_message* message, const std::map<std::string, TunnelOwner>& owners) {
    std::vector<BusDictionary> dictionaries;
    for (const auto& [interface, owner] : owners) {
        dictionaries.push_back({
            {std::string(TunnelOwnerKey::interface), interface},
            {std::string(TunnelOwnerKey::name), owner.name},
            {std::string(TunnelOwnerKey::pid), owner.pid},
            {std::string(TunnelOwnerKey::path), owner.path},
        });
    }
    return appendDictionaries(message, dictionaries);
}

std::map<std::string, TunnelOwner> readTunnelOwners(sd_bus_message* message) {
    std::map<std::string, TunnelOwner> owners;
    for (const BusDictionary& dictionary : readDictionaries(message)) {
        auto interface = member<std::string>(dictionary, TunnelOwnerKey::interface);
        auto name = member<std::string>(dictionary, TunnelOwnerKey::name);
        const auto pid = member<int32_t>(dictionary, TunnelOwnerKey::pid);
        if (!interface || !name || !pid) {
            continue;
        }
        owners.insert_or_assign(
            std::move(*interface),
            TunnelOwner{
                .pid = *pid,
                .name = std::move(*name),
                .path = member<std::string>(dictionary, TunnelOwnerKey::path).value_or(""),
            });
    }
    return owners;
}

int appendPendingPairings(sd_bus_message* message, const std::vector<PendingPairing>& pairings) {
    std::vector<BusDictionary> dictionaries;
    for (const PendingPairing& pairing : pairings) {
        BusDictionary dictionary{{std::string(PendingPairingKey::id), pairing.id}};
        if (pairing.created) {
            dictionary.emplace(PendingPairingKey::created,
                               static_cast<int64_t>(pairing.created->time_since_epoch().count()));
        }
        if (pairing.uid) {
            dictionary.emplace(PendingPairingKey::uid, static_cast<int64_t>(*pairing.uid));
        }
        dictionaries.push_back(std::move(dictionary));
    }
    return appendDictionaries(message, dictionaries);
}

std::vector<PendingPairing> readPendingPairings(sd_bus_message* message) {
    std::vector<PendingPairing> pairings;
    for (const BusDictionary& dictionary : readDictionaries(message)) {
        auto id = member<std::string>(dictionary, PendingPairingKey::id);
        if (!id) {
            continue;
        }
        const auto created = member<int64_t>(dictionary, PendingPairingKey::created);
        const auto uid = member<int64_t>(dictionary, PendingPairingKey::uid);
        // (uid_t)-1 means "no user" to the kernel, so it is no one's uid either.
        const bool uidInRange = uid && *uid >= 0 && *uid < std::numeric_limits<uint32_t>::max();
        pairings.push_back({
            .id = std::move(*id),
            .created = created
                           ? std::optional(std::chrono::sys_seconds(std::chrono::seconds(*created)))
                           : std::nullopt,
            .uid = uidInRange ? std::optional(static_cast<uint32_t>(*uid)) : std::nullopt,
        });
    }
    return pairings;
}

} // namespace wirelark
