#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

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

// JSON objects with the field names as members, in field order; absent optionals are left out.
nlohmann::ordered_json toJson(const InterfaceMetadata& metadata);
nlohmann::ordered_json toJson(const NetworkService& service);
nlohmann::ordered_json toJson(const NetworkMetadata& metadata);

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
