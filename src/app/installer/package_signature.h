#pragma once

#include "app/installer/gpg_status.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace wirelark {

// What a helper package is checked against: the keyring shipped with the app and the team
// whose signing key alone may sign the helper.
struct PackageSigner {
    std::filesystem::path keyring;
    std::string teamID;
};

// Whether gpgv's verdict trusts a package: at least one signature, and every one good and valid
// and made by a key whose user id names the team as "(" + team id + ")".
bool signaturesTrusted(const std::vector<GpgSignature>& signatures, std::string_view teamID);

// Runs gpgv on the package and its detached signature with only the signer's keyring, so a good
// signature is one by a key in that keyring. False when gpgv can't run or fails, or when
// `signaturesTrusted` says no.
bool packageSignatureTrusted(const std::filesystem::path& package,
                             const std::filesystem::path& signature, const PackageSigner& signer);

} // namespace wirelark
