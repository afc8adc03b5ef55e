#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <systemd/sd-bus.h>

namespace wirelark {

// A member value of the types the admin replies use: "b", "i", "x" and "s" in a variant.
using BusDictionaryValue = std::variant<bool, int32_t, int64_t, std::string>;
// A dictionary sent as "a{sv}".
using BusDictionary = std::map<std::string, BusDictionaryValue, std::less<>>;

// Append as "a{sv}" and "aa{sv}"; sd-bus results (negative errno on failure).
int appendDictionary(sd_bus_message* message, const BusDictionary& dictionary);
int appendDictionaries(sd_bus_message* message, const std::vector<BusDictionary>& dictionaries);

// The "a{sv}" at the read position, or absent when there is none. The message comes from
// another process: members of any other type are left out, and of two members with one key the
// later counts.
std::optional<BusDictionary> readDictionary(sd_bus_message* message);
// The "aa{sv}" at the read position: every dictionary read before anything that is not one.
std::vector<BusDictionary> readDictionaries(sd_bus_message* message);

// The member `key` when it holds a T.
template <typename T>
std::optional<T> member(const BusDictionary& dictionary, std::string_view key) {
    const auto found = dictionary.find(key);
    if (found == dictionary.end() || !std::holds_alternative<T>(found->second)) {
        return std::nullopt;
    }
    return std::get<T>(found->second);
}

} // namespace wirelark
