#pragma once

#include <cstddef>
#include <functional>

namespace wirelark {

// Combines a value's hash into a running seed (boost's mixing constant).
inline void hashCombine(std::size_t& seed, std::size_t value) {
    seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

// The standard hash of a value, its type deduced.
template <typename T>
std::size_t hashOf(const T& value) {
    return std::hash<T>{}(value);
}

} // namespace wirelark
