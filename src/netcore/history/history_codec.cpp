#include "netcore/history/history_codec.h"

#include "netcore/history/binary_plist.h"
#include "netcore/history/history_key_escape.h"

#include <plist/plist.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <string_view>

namespace wirelark {

namespace {

constexpr std::size_t kNumberBytes = 8;
constexpr std::size_t kBucketBytes = 8 * kNumberBytes;
constexpr double kTwoToThe64 = 18446744073709551616.0;

struct PlistDeleter {
    void operator()(void* node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

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
    for (const Tier& tier : history.tiers()) {
        plist_array_append_item(tiers, tierNode(tier, blob));
    }
    plist_t node = plist_new_dict();
    plist_dict_set_item(node, "tiers", tiers);
    return node;
}

// Reads histories from a binary property list. Objects may be shared by reference, so the work
// is bounded by a budget proportional to the file rather than by what the file claims.
class HistoryReader {
public:
    HistoryReader(const BinaryPlist& plist, std::size_t fileBytes)
        : plist_(plist), budget_(8 * fileBytes + (std::size_t{1} << 20)) {}

    std::optional<HistoryMap> histories() {
        const auto entries = dictionary(plist_.root());
        if (!entries) {
            return std::nullopt;
        }
        HistoryMap result;
        for (const auto& [keyObject, valueObject] : *entries) {
            auto key = string(keyObject);
            auto history = key ? this->history(valueObject) : std::nullopt;
            if (!history) {
                return std::nullopt;
            }
            result.insert_or_assign(unescapedHistoryKey(*key), std::move(*history));
        }
        return result;
    }

private:
    static constexpr std::size_t kObjectCost = 64;

    bool spend(std::size_t cost) {
        if (cost > budget_) {
            return false;
        }
        budget_ -= cost;
        return true;
    }

    std::optional<std::string> string(uint64_t object) {
        auto text = plist_.string(object);
        return text && spend(kObjectCost + text->size()) ? text : std::nullopt;
    }

    std::optional<std::vector<std::pair<uint64_t, uint64_t>>> dictionary(uint64_t object) {
        auto entries = plist_.entries(object);
        return entries && spend(kObjectCost * (1 + entries->size())) ? entries : std::nullopt;
    }

    // The values of the wanted keys, each nothing when its key is absent; nothing at all when
    // the object is not a dictionary or a key is not text.
    template <std::size_t N>
    std::optional<std::array<std::optional<uint64_t>, N>>
    fields(uint64_t object, const std::array<const char*, N>& names) {
        const auto entries = dictionary(object);
        if (!entries) {
            return std::nullopt;
        }
        std::array<std::optional<uint64_t>, N> found;
        for (const auto& [keyObject, valueObject] : *entries) {
            const auto key = string(keyObject);
            if (!key) {
                return std::nullopt;
            }
            for (std::size_t i = 0; i < N; ++i) {
                if (*key == names[i]) {
                    found[i] = valueObject;
                }
            }
        }
        return found;
    }

    std::optional<Tier> tier(uint64_t object) {
        const auto found = fields<3>(object, {"granularity", "retention", "buckets"});
        if (!found || !(*found)[0] || !(*found)[1] || !(*found)[2]) {
            return std::nullopt;
        }
        const auto granularity = plist_.real(*(*found)[0]);
        const auto retention = plist_.real(*(*found)[1]);
        const auto blob = plist_.data(*(*found)[2]);
        if (!granularity || !retention || !blob || !spend(blob->size())) {
            return std::nullopt;
        }
        auto buckets = decodeBuckets(*blob);
        if (!buckets) {
            return std::nullopt;
        }
        return Tier{*granularity, *retention, std::move(*buckets)};
    }

    std::optional<RateHistory> history(uint64_t object) {
        const auto found = fields<1>(object, {"tiers"});
        const auto tierObjects = found && (*found)[0] ? plist_.items(*(*found)[0]) : std::nullopt;
        if (!tierObjects || !spend(kObjectCost * (1 + tierObjects->size()))) {
            return std::nullopt;
        }
        std::vector<Tier> tiers;
        for (uint64_t tierObject : *tierObjects) {
            auto decoded = tier(tierObject);
            if (!decoded) {
                return std::nullopt;
            }
            tiers.push_back(std::move(*decoded));
        }
        return RateHistory(std::move(tiers));
    }

    const BinaryPlist& plist_;
    std::size_t budget_;
};

// The property-list library parses XML recursively, so deep nesting would overflow the stack.
// Histories nest five elements deep; this counts array and dict elements, skipping comments,
// CDATA sections and declarations, and says whether they stay within the limit.
bool xmlNestingWithin(std::string_view text, int limit) {
    int depth = 0;
    for (std::size_t at = text.find('<'); at != std::string_view::npos;
         at = text.find('<', at + 1)) {
        const std::string_view rest = text.substr(at + 1);
        const auto skipTo = [&](std::string_view end) {
            const std::size_t found = text.find(end, at + 1);
            at = found == std::string_view::npos ? text.size() : found;
        };
        if (rest.starts_with("!--")) {
            skipTo("-->");
        } else if (rest.starts_with("![CDATA[")) {
            skipTo("]]>");
        } else if (rest.starts_with("!") || rest.starts_with("?")) {
            skipTo(">");
        } else {
            const bool closing = rest.starts_with("/");
            const std::string_view name = rest.substr(closing ? 1 : 0);
            const std::size_t nameEnd = name.find_first_of(" \t\r\n/>");
            const std::string_view tag = name.substr(0, nameEnd);
            if (tag != "array" && tag != "dict") {
                continue;
            }
            const std::size_t close = text.find('>', at + 1);
            const bool empty = close != std::string_view::npos && text[close - 1] == '/';
            if (closing) {
                depth = std::max(0, depth - 1);
            } else if (!empty && ++depth > limit) {
                return false;
            }
        }
        if (at >= text.size()) {
            break;
        }
    }
    return true;
}

std::optional<HistoryMap> decodeBinary(std::span<const uint8_t> bytes) {
    const auto plist = BinaryPlist::open(bytes);
    return plist ? HistoryReader(*plist, bytes.size()).histories() : std::nullopt;
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
        plist_dict_set_item(root.get(), escapedHistoryKey(key).c_str(), historyNode(history, blob));
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
    if (bytes.size() >= 6 && std::memcmp(bytes.data(), "bplist", 6) == 0) {
        return decodeBinary(bytes);
    }
    // XML has no shared objects, so the library's tree is as large as the text at most; it is
    // turned into the binary form so that one reader checks every file.
    if (!xmlNestingWithin({reinterpret_cast<const char*>(bytes.data()), bytes.size()}, 16)) {
        return std::nullopt;
    }
    plist_t parsed = nullptr;
    plist_from_xml(reinterpret_cast<const char*>(bytes.data()), static_cast<uint32_t>(bytes.size()),
                   &parsed);
    const PlistPtr root(parsed);
    if (root == nullptr) {
        return std::nullopt;
    }
    char* binary = nullptr;
    uint32_t length = 0;
    plist_to_bin(root.get(), &binary, &length);
    const EncodedPlist encoded(binary, length);
    return binary != nullptr ? decodeBinary(encoded.bytes()) : std::nullopt;
}

} // namespace wirelark
