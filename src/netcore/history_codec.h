#pragma once

#include "netcore/rate_history.h"

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace wirelark {

// Rate histories by interface key.
using HistoryMap = std::map<std::string, RateHistory>;

// Files larger than this are not histories this program wrote; refusing them bounds memory.
inline constexpr std::size_t kMaxHistoryFileBytes = 256u << 20;

// 64 bytes per bucket: start, seconds, bytesIn, bytesOut, minIn, maxIn, minOut, maxOut as
// little-endian binary64 numbers.
std::vector<uint8_t> encodeBuckets(const std::vector<Bucket>& buckets);
// One bucket per whole group of eight numbers; a shorter tail is ignored. Nothing when a number
// could not have been written by encodeBuckets (a start, duration or rate that is not finite, a
// byte count that is negative, not finite or not below 2^64).
std::optional<std::vector<Bucket>> decodeBuckets(std::span<const uint8_t> blob);

// The histories as a binary property list; nothing when the library cannot serialise them.
std::optional<std::vector<uint8_t>> encodeHistories(const HistoryMap& histories);
// The histories of a binary or XML property list; nothing when any part of it does not decode.
std::optional<HistoryMap> decodeHistories(std::span<const uint8_t> bytes);

} // namespace wirelark
