#include "helper/paired_tokens.h"

#include "helper/pairing_state_text.h"
#include "netcore/base/atomic_file.h"

#include <algorithm>

namespace wirelark {

namespace {

// Far more than any number of pairings a machine will see.
constexpr size_t kMaxStateBytes = 4 * 1024 * 1024;

} // namespace

Expected<PairedTokens, std::error_code> PairedTokens::load(std::filesystem::path file) {
    auto bytes = readWholeFile(file, kMaxStateBytes);
    if (!bytes) {
        if (bytes.error() == std::errc::no_such_file_or_directory) {
            return PairedTokens(std::move(file), {});
        }
        return Unexpected(bytes.error());
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    return PairedTokens(std::move(file), PairingStateText::decode(text));
}

bool PairedTokens::knows(std::string_view token) const {
    const auto digest = TokenDigest::digest(token);
    // Every stored digest is compared, so the time taken does not tell which one matched.
    bool found = false;
    for (const auto& stored : digests_) {
        found = (digest && TokenDigest::equal(stored, *digest)) || found;
    }
    return found;
}

Expected<std::string, std::error_code> PairedTokens::pair() {
    auto token = TokenDigest::generateToken();
    const auto digest = token ? TokenDigest::digest(*token) : std::nullopt;
    if (!digest) {
        return Unexpected(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
    auto digests = digests_;
    digests.push_back(*digest);
    if (const auto error = replace(std::move(digests))) {
        return Unexpected(error);
    }
    return std::move(*token);
}

std::error_code PairedTokens::forget(std::string_view token) {
    const auto digest = TokenDigest::digest(token);
    if (!digest) {
        return {};
    }
    auto digests = digests_;
    std::erase_if(digests, [&](const auto& stored) { return TokenDigest::equal(stored, *digest); });
    return digests.size() == digests_.size() ? std::error_code() : replace(std::move(digests));
}

std::error_code PairedTokens::forgetAll() {
    return replace({});
}

std::error_code PairedTokens::replace(std::vector<TokenDigest::Digest> digests) {
    const std::string text = PairingStateText::encode(digests);
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (const auto error = writeFileAtomically(file_, bytes)) {
        return error;
    }
    digests_ = std::move(digests);
    return {};
}

} // namespace wirelark
