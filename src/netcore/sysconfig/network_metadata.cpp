#include "netcore/sysconfig/network_metadata.h"

#include "netcore/base/hash_combine.h"

#include <nlohmann/json.hpp>

namespace wirelark {

std::optional<NetworkService> NetworkMetadata::service(const std::string& bsdName) const {
    for (const auto& service : services) {
        if (service.bsdName == bsdName) {
            return service;
        }
    }
    return std::nullopt;
}

namespace {

void putOptional(nlohmann::ordered_json& json, const char* key,
                 const std::optional<std::string>& value) {
    if (value) {
        json[key] = *value;
    }
}

} // namespace

nlohmann::ordered_json toJson(const InterfaceMetadata& metadata) {
    nlohmann::ordered_json json = {{"bsdName", metadata.bsdName}};
    putOptional(json, "displayName", metadata.displayName);
    putOptional(json, "interfaceType", metadata.interfaceType);
    putOptional(json, "hardwareAddress", metadata.hardwareAddress);
    return json;
}

nlohmann::ordered_json toJson(const NetworkService& service) {
    nlohmann::ordered_json json = {
        {"id", service.id}, {"name", service.name}, {"enabled", service.enabled}};
    putOptional(json, "bsdName", service.bsdName);
    json["hidden"] = service.hidden;
    return json;
}

nlohmann::ordered_json toJson(const NetworkMetadata& metadata) {
    nlohmann::ordered_json interfaces = nlohmann::ordered_json::object();
    for (const auto& [name, entry] : metadata.interfaces) {
        interfaces[name] = toJson(entry);
    }
    nlohmann::ordered_json services = nlohmann::ordered_json::array();
    for (const auto& service : metadata.services) {
        services.push_back(toJson(service));
    }
    nlohmann::ordered_json json = {{"interfaces", interfaces}, {"services", services}};
    putOptional(json, "primaryIPv4Interface", metadata.primaryIPv4Interface);
    putOptional(json, "primaryIPv6Interface", metadata.primaryIPv6Interface);
    return json;
}

} // namespace wirelark

using wirelark::hashCombine;
using wirelark::hashOf;

std::size_t std::hash<wirelark::InterfaceMetadata>::operator()(
    const wirelark::InterfaceMetadata& m) const noexcept {
    std::size_t seed = hashOf(m.bsdName);
    hashCombine(seed, hashOf(m.displayName));
    hashCombine(seed, hashOf(m.interfaceType));
    hashCombine(seed, hashOf(m.hardwareAddress));
    return seed;
}

std::size_t
std::hash<wirelark::NetworkService>::operator()(const wirelark::NetworkService& s) const noexcept {
    std::size_t seed = hashOf(s.id);
    hashCombine(seed, hashOf(s.name));
    hashCombine(seed, hashOf(s.enabled));
    hashCombine(seed, hashOf(s.bsdName));
    hashCombine(seed, hashOf(s.hidden));
    return seed;
}

std::size_t std::hash<wirelark::NetworkMetadata>::operator()(
    const wirelark::NetworkMetadata& m) const noexcept {
    std::size_t seed = 0;
    for (const auto& [name, metadata] : m.interfaces) {
        hashCombine(seed, hashOf(metadata));
    }
    for (const auto& service : m.services) {
        hashCombine(seed, hashOf(service));
    }
    hashCombine(seed, hashOf(m.primaryIPv4Interface));
    hashCombine(seed, hashOf(m.primaryIPv6Interface));
    return seed;
}
