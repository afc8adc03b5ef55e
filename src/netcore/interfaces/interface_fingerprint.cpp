#include "netcore/interfaces/interface_fingerprint.h"

#include "netcore/base/hash_combine.h"

#include <algorithm>
#include <set>

#include <nlohmann/json.hpp>

namespace wirelark {

namespace {

const InterfaceFingerprint* firstWhere(const std::vector<const InterfaceFingerprint*>& candidates,
                                       auto&& predicate) {
    for (const auto* candidate : candidates) {
        if (predicate(*candidate)) {
            return candidate;
        }
    }
    return nullptr;
}

const InterfaceFingerprint* fuzzyMatch(const InterfaceFingerprint& pin,
                                       const std::vector<const InterfaceFingerprint*>& candidates) {
    if (pin.address) {
        if (const auto* byAddress = firstWhere(
                candidates, [&](const auto& live) { return live.address == pin.address; })) {
            return byAddress;
        }
    }
    const auto sameName = [&](const InterfaceFingerprint& live) { return live.name == pin.name; };
    if (!pin.title) {
        return firstWhere(candidates, sameName);
    }
    std::vector<const InterfaceFingerprint*> titled;
    for (const auto* candidate : candidates) {
        if (candidate->title == pin.title) {
            titled.push_back(candidate);
        }
    }
    if (titled.size() == 1) {
        return titled.front();
    }
    return firstWhere(titled, sameName);
}

// Reads an optional string member; false when it is there with another type.
bool readOptionalString(const nlohmann::json& json, const char* key,
                        std::optional<std::string>& into) {
    const auto it = json.find(key);
    if (it == json.end() || it->is_null()) {
        return true;
    }
    if (!it->is_string()) {
        return false;
    }
    into = it->get<std::string>();
    return true;
}

} // namespace

nlohmann::ordered_json toJson(const InterfaceFingerprint& fingerprint) {
    nlohmann::ordered_json json = {{"key", fingerprint.key}, {"name", fingerprint.name}};
    if (fingerprint.title) {
        json["title"] = *fingerprint.title;
    }
    if (fingerprint.address) {
        json["address"] = *fingerprint.address;
    }
    json["permanentAddress"] = fingerprint.permanentAddress;
    return json;
}

std::optional<InterfaceFingerprint> fingerprintFromJson(const nlohmann::json& json) {
    if (!json.is_object()) {
        return std::nullopt;
    }
    const auto key = json.find("key");
    const auto name = json.find("name");
    if (key == json.end() || name == json.end() || !key->is_string() || !name->is_string()) {
        return std::nullopt;
    }
    InterfaceFingerprint fingerprint;
    fingerprint.key = key->get<std::string>();
    fingerprint.name = name->get<std::string>();
    if (!readOptionalString(json, "title", fingerprint.title) ||
        !readOptionalString(json, "address", fingerprint.address)) {
        return std::nullopt;
    }
    if (const auto permanent = json.find("permanentAddress");
        permanent != json.end() && !permanent->is_null()) {
        if (!permanent->is_boolean()) {
            return std::nullopt;
        }
        fingerprint.permanentAddress = permanent->get<bool>();
    }
    return fingerprint;
}

std::vector<std::optional<InterfaceFingerprint>>
PinMatcher::resolve(const std::vector<InterfaceFingerprint>& pins,
                    const std::vector<InterfaceFingerprint>& live) {
    // Every live key that some pin names exactly is taken before any fuzzy matching begins.
    std::set<std::string> pinKeys;
    for (const auto& pin : pins) {
        pinKeys.insert(pin.key);
    }
    std::set<std::string> claimed;
    for (const auto& current : live) {
        if (pinKeys.contains(current.key)) {
            claimed.insert(current.key);
        }
    }
    std::vector<std::optional<InterfaceFingerprint>> results;
    results.reserve(pins.size());
    for (const auto& pin : pins) {
        const auto exact = std::find_if(
            live.begin(), live.end(), [&](const auto& current) { return current.key == pin.key; });
        if (exact != live.end()) {
            results.emplace_back(*exact);
            continue;
        }
        if (pin.permanentAddress) {
            results.emplace_back(std::nullopt);
            continue;
        }
        std::vector<const InterfaceFingerprint*> candidates;
        for (const auto& current : live) {
            if (!claimed.contains(current.key) && !current.permanentAddress) {
                candidates.push_back(&current);
            }
        }
        if (const auto* match = fuzzyMatch(pin, candidates)) {
            claimed.insert(match->key);
            results.emplace_back(*match);
        } else {
            results.emplace_back(std::nullopt);
        }
    }
    return results;
}

} // namespace wirelark

std::size_t std::hash<wirelark::InterfaceFingerprint>::operator()(
    const wirelark::InterfaceFingerprint& f) const noexcept {
    std::size_t seed = std::hash<std::string>{}(f.key);
    wirelark::hashCombine(seed, std::hash<std::string>{}(f.name));
    wirelark::hashCombine(seed, std::hash<std::optional<std::string>>{}(f.title));
    wirelark::hashCombine(seed, std::hash<std::optional<std::string>>{}(f.address));
    wirelark::hashCombine(seed, std::hash<bool>{}(f.permanentAddress));
    return seed;
}
