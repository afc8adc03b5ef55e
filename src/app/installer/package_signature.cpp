#include "app/installer/package_signature.h"

#include "app/installer/captured_process.h"

#include <algorithm>

namespace wirelark {

bool signaturesTrusted(const std::vector<GpgSignature>& signatures, std::string_view teamID) {
    if (signatures.empty() || teamID.empty()) {
        return false;
    }
    const std::string team = "(" + std::string(teamID) + ")";
    return std::all_of(signatures.begin(), signatures.end(), [&](const GpgSignature& signature) {
        return signature.good && signature.valid && !signature.failed &&
               signature.userID.find(team) != std::string::npos;
    });
}

bool packageSignatureTrusted(const std::filesystem::path& package,
                             const std::filesystem::path& signature, const PackageSigner& signer) {
    // A keyring named without a folder would be looked up in gpg's home instead.
    std::error_code error;
    const std::filesystem::path keyring = std::filesystem::absolute(signer.keyring, error);
    if (error || !std::filesystem::is_regular_file(keyring, error)) {
        return false;
    }
    const auto gpgv = runCapturingOutput("gpgv", {"--status-fd", "1", "--keyring", keyring.string(),
                                                  "--", signature.string(), package.string()});
    return gpgv && gpgv->status == 0 &&
           signaturesTrusted(parseGpgStatus(gpgv->output), signer.teamID);
}

} // namespace wirelark
