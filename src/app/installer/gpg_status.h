#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wirelark {

// One signature as gpgv reported it on its status channel.
struct GpgSignature {
    // GOODSIG: the signature matches a key of the keyring given.
    bool good = false;
    // VALIDSIG: the signature is also valid (not expired, nor by a revoked key).
    bool valid = false;
    // BADSIG, ERRSIG, EXPSIG, EXPKEYSIG or REVKEYSIG: something is wrong with it.
    bool failed = false;
    // The signer's primary user id from GOODSIG, %XX escapes decoded.
    std::string userID = {};
    // From VALIDSIG: the fingerprint of the key that signed and of its primary key.
    std::string fingerprint = {};
    std::string primaryFingerprint = {};

    bool operator==(const GpgSignature&) const = default;
};

// The signatures in gpgv's `--status-fd` output, in order: NEWSIG starts one, and a
// signature keyword before any NEWSIG starts one too. Lines without the "[GNUPG:] " prefix and
// keywords that say nothing of a signature are skipped.
std::vector<GpgSignature> parseGpgStatus(std::string_view output);

} // namespace wirelark
