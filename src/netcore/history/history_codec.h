#pragma once

#include "netcore/history/rate_history.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace wirelark {

// Rate histories by interface key.
using HistoryMap = std::map<std::string, RateHistory>;

// Files larger than this are not histories this program wrote; refusing them bounds memory.
inline constexpr std::size_t kMaxHistoryFileBytes = 256u << 20;

// Encoded property-list bytes, kept in the buffer the property-list library made (history files
// run to tens of megabytes, so they are not copied).
class EncodedPlist {
public:
    EncodedPlist(char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    std::span<const uint8_t> bytes() const {
        return {reinterpret_cast<const uint8_t*>(bytes_.get()), size_};
    }

private:
    struct Free {
        void operator()(char* bytes) const;
    };
    std::unique_ptr<char, Free> bytes_;
    std::size_t size_;
};

// 64 bytes per bucket: start, seconds, bytesIn, bytesOut, minIn, maxIn, minOut, maxOut as
// little-endian binary64 numbers.
std::vector<uint8_t> encodeBuckets(const std::vector<Bucket>& buckets);
// The same into blob, reusing its storage.
void encodeBuckets(const std::vector<Bucket>& buckets, std::vector<uint8_t>& blob);
// One bucket per whole group of eight numbers; a shorter tail is ignored. Nothing when a number
// could not have been written by encodeBuckets (a start, duration or rate that is not finite, a
// byte count that is negative, not finite or not below 2^64).
std::optional<std::vector<Bucket>> decodeBuckets(std::span<const uint8_t> blob);

// The histories as a binary property list; nothing when the library cannot serialise them.
std::optional<EncodedPlist> encodeHistories(const HistoryMap& histories);
// The histories of a binary or XML property list; nothing when any part of it does not decode.
std::optional<HistoryMap> decodeHistories(std::span<const uint8_t> bytes);

} // namespace wirelark
