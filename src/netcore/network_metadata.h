#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace wirelark {

struct InterfaceMetadata {
    std::string bsdName;
    std::optional<std::string> displayName;
    std::optional<std::string> interfaceType;
    std::optional<std::string> hardwareAddress;

    bool operator==(const InterfaceMetadata&) const = default;
};

struct NetworkService {
    std::string id;
    std::string name;
    bool enabled = false;
    std::optional<std::string> bsdName;
    bool hidden = false;

    bool operator==(const NetworkService&) const = default;
};

struct NetworkMetadata {
    std::map<std::string, InterfaceMetadata> interfaces;
    std::vector<NetworkService> services;
    std::optional<std::string> primaryIPv4Interface;
    std::optional<std::string> primaryIPv6Interface;

    // The first service in list order that runs on `bsdName`.
    std::optional<NetworkService> service(const std::string& bsdName) const;

    bool operator==(const NetworkMetadata&) const = default;
};

// JSON objects keyed by the field names; absent optionals are left out.
void to_json(nlohmann::json& json, const InterfaceMetadata& metadata);
void to_json(nlohmann::json& json, const NetworkService& service);
void to_json(nlohmann::json& json, const NetworkMetadata& metadata);

} // namespace wirelark

template <>
struct std::hash<wirelark::InterfaceMetadata> {
    std::size_t operator()(const wirelark::InterfaceMetadata& m) const noexcept;
};
template <>
struct std::hash<wirelark::NetworkService> {
    std::size_t operator()(const wirelark::NetworkService& s) const noexcept;
};
template <>
struct std::hash<wirelark::NetworkMetadata> {
    std::size_t operator()(const wirelark::NetworkMetadata& m) const noexcept;
};
