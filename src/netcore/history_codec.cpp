#include "netcore/history_codec.h"

#include <plist/plist.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace wirelark {

namespace {

constexpr std::size_t kNumberBytes = 8;
constexpr std::size_t kBucketBytes = 8 * kNumberBytes;
constexpr double kTwoToThe64 = 18446744073709551616.0;

struct PlistDeleter {
    void operator()(void* node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

struct FreeDeleter {
    void operator()(void* memory) const { std::free(memory); }
};
template <typename T>
using MallocPtr = std::unique_ptr<T, FreeDeleter>;

void putNumber(uint8_t* out, double value) {
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    for (std::size_t i = 0; i < kNumberBytes; ++i) {
        out[i] = static_cast<uint8_t>(bits >> (8 * i));
    }
}

double getNumber(const uint8_t* in) {
    uint64_t bits = 0;
    for (std::size_t i = 0; i < kNumberBytes; ++i) {
        bits |= static_cast<uint64_t>(in[i]) << (8 * i);
    }
    return std::bit_cast<double>(bits);
}

// Counts near 2^64 round up to 2^64 as doubles, which no reader accepts; write the largest
// double below it instead.
double byteCountNumber(uint64_t count) {
    const auto number = static_cast<double>(count);
    return number < kTwoToThe64 ? number : std::nextafter(kTwoToThe64, 0.0);
}

std::optional<uint64_t> byteCountFrom(double number) {
    if (!(number >= 0 && number < kTwoToThe64)) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(number);
}

plist_t tierNode(const Tier& tier, std::vector<uint8_t>& blob) {
    plist_t node = plist_new_dict();
    plist_dict_set_item(node, "granularity", plist_new_real(tier.granularity));
    plist_dict_set_item(node, "retention", plist_new_real(tier.retention));
    encodeBuckets(tier.buckets, blob);
    plist_dict_set_item(node, "buckets",
                        plist_new_data(reinterpret_cast<const char*>(blob.data()), blob.size()));
    return node;
}

plist_t historyNode(const RateHistory& history, std::vector<uint8_t>& blob) {
    plist_t tiers = plist_new_array();
    for (const Tier& tier : history.tiers) {
        plist_array_append_item(tiers, tierNode(tier, blob));
    }
    plist_t node = plist_new_dict();
    plist_dict_set_item(node, "tiers", tiers);
    return node;
}

// The value under key when it exists and has the given type.
plist_t typedItem(plist_t dict, const char* key, plist_type type) {
    plist_t item = plist_dict_get_item(dict, key);
    return item != nullptr && plist_get_node_type(item) == type ? item : nullptr;
}

std::optional<Tier> tierFrom(plist_t node) {
    if (plist_get_node_type(node) != PLIST_DICT) {
        return std::nullopt;
    }
    plist_t granularity = typedItem(node, "granularity", PLIST_REAL);
    plist_t retention = typedItem(node, "retention", PLIST_REAL);
    plist_t buckets = typedItem(node, "buckets", PLIST_DATA);
    if (granularity == nullptr || retention == nullptr || buckets == nullptr) {
        return std::nullopt;
    }
    Tier tier;
    plist_get_real_val(granularity, &tier.granularity);
    plist_get_real_val(retention, &tier.retention);
    uint64_t length = 0;
    const char* data = plist_get_data_ptr(buckets, &length);
    if (length > 0 && data == nullptr) {
        return std::nullopt;
    }
    auto decoded = decodeBuckets({reinterpret_cast<const uint8_t*>(data), length});
    if (!decoded) {
        return std::nullopt;
    }
    tier.buckets = std::move(*decoded);
    return tier;
}

std::optional<RateHistory> historyFrom(plist_t node) {
    if (plist_get_node_type(node) != PLIST_DICT) {
        return std::nullopt;
    }
    plist_t tiers = typedItem(node, "tiers", PLIST_ARRAY);
    if (tiers == nullptr) {
        return std::nullopt;
    }
    RateHistory history;
    const uint32_t count = plist_array_get_size(tiers);
    for (uint32_t i = 0; i < count; ++i) {
        auto tier = tierFrom(plist_array_get_item(tiers, i));
        if (!tier) {
            return std::nullopt;
        }
        history.tiers.push_back(std::move(*tier));
    }
    return history;
}

} // namespace

void EncodedPlist::Free::operator()(char* bytes) const {
    plist_to_bin_free(bytes);
}

std::vector<uint8_t> encodeBuckets(const std::vector<Bucket>& buckets) {
    std::vector<uint8_t> blob;
    encodeBuckets(buckets, blob);
    return blob;
}

void encodeBuckets(const std::vector<Bucket>& buckets, std::vector<uint8_t>& blob) {
    blob.resize(buckets.size() * kBucketBytes);
    uint8_t* out = blob.data();
    for (const Bucket& bucket : buckets) {
        for (double number : {bucket.start, bucket.seconds, byteCountNumber(bucket.bytesIn),
                              byteCountNumber(bucket.bytesOut), bucket.minIn, bucket.maxIn,
                              bucket.minOut, bucket.maxOut}) {
            putNumber(out, number);
            out += kNumberBytes;
        }
    }
}

std::optional<std::vector<Bucket>> decodeBuckets(std::span<const uint8_t> blob) {
    std::vector<Bucket> buckets;
    buckets.reserve(blob.size() / kBucketBytes);
    for (std::size_t offset = 0; offset + kBucketBytes <= blob.size(); offset += kBucketBytes) {
        double numbers[8];
        for (std::size_t i = 0; i < 8; ++i) {
            numbers[i] = getNumber(blob.data() + offset + i * kNumberBytes);
        }
        const auto bytesIn = byteCountFrom(numbers[2]);
        const auto bytesOut = byteCountFrom(numbers[3]);
        if (!bytesIn || !bytesOut) {
            return std::nullopt;
        }
        for (std::size_t i : {0, 1, 4, 5, 6, 7}) {
            if (!std::isfinite(numbers[i])) {
                return std::nullopt;
            }
        }
        buckets.push_back(Bucket{numbers[0], numbers[1], *bytesIn, *bytesOut, numbers[4],
                                 numbers[5], numbers[6], numbers[7]});
    }
    return buckets;
}

std::optional<EncodedPlist> encodeHistories(const HistoryMap& histories) {
    PlistPtr root(plist_new_dict());
    std::vector<uint8_t> blob;
    for (const auto& [key, history] : histories) {
        plist_dict_set_item(root.get(), key.c_str(), historyNode(history, blob));
    }
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root.get(), &bytes, &length);
    EncodedPlist encoded(bytes, length);
    if (bytes == nullptr || length == 0) {
        return std::nullopt;
    }
    return encoded;
}

std::optional<HistoryMap> decodeHistories(std::span<const uint8_t> bytes) {
    if (bytes.empty() || bytes.size() > kMaxHistoryFileBytes) {
        return std::nullopt;
    }
    plist_t parsed = nullptr;
    plist_from_memory(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<uint32_t>(bytes.size()), &parsed);
    const PlistPtr root(parsed);
    if (root == nullptr || plist_get_node_type(root.get()) != PLIST_DICT) {
        return std::nullopt;
    }
    HistoryMap histories;
    plist_dict_iter rawIterator = nullptr;
    plist_dict_new_iter(root.get(), &rawIterator);
    const MallocPtr<void> iterator(rawIterator);
    while (true) {
        char* rawKey = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(root.get(), iterator.get(), &rawKey, &value);
        const MallocPtr<char> key(rawKey);
        if (key == nullptr) {
            return histories;
        }
        auto history = historyFrom(value);
        if (!history) {
            return std::nullopt;
        }
        histories.insert_or_assign(key.get(), std::move(*history));
    }
}

} // namespace wirelark
