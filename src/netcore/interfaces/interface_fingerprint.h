#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace wirelark {

// What is known about an interface besides its key, so that a pin can find it again after the
// key changed.
struct InterfaceFingerprint {
    std::string key;
    std::string name;
    std::optional<std::string> title;
    std::optional<std::string> address;
    // `address` is the permanent hardware address, so `key` alone identifies the interface.
    bool permanentAddress = false;

    bool operator==(const InterfaceFingerprint&) const = default;
};

// The stored form: "key", "name", "title" and "address" only when present, "permanentAddress".
nlohmann::ordered_json toJson(const InterfaceFingerprint& fingerprint);
// Needs string "key" and "name"; "title", "address" and "permanentAddress" may be missing or
// null (false for the flag). Absent when a member has the wrong type.
std::optional<InterfaceFingerprint> fingerprintFromJson(const nlohmann::json& json);

namespace PinMatcher {

// One entry per pin, in pin order: the live interface the pin stands for, or absent. Exact keys
// win first for every pin; then, in pin order, an unclaimed interface without a permanent
// address by hardware address, else by title (the old name breaking a tie), else by name when
// the pin has no title.
std::vector<std::optional<InterfaceFingerprint>>
resolve(const std::vector<InterfaceFingerprint>& pins,
        const std::vector<InterfaceFingerprint>& live);

} // namespace PinMatcher

} // namespace wirelark

template <>
struct std::hash<wirelark::InterfaceFingerprint> {
    std::size_t operator()(const wirelark::InterfaceFingerprint& f) const noexcept;
};
