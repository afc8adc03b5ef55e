// Reads the fuzz bytes as gpgv's status output: never a fault, and a signature the verdict
// trusts is always one gpgv called good and valid, with no failure, naming the team.
#include "app/installer/gpg_status.h"
#include "app/installer/package_signature.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto signatures =
        wirelark::parseGpgStatus(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!wirelark::signaturesTrusted(signatures, "T")) {
        return 0;
    }
    for (const wirelark::GpgSignature& signature : signatures) {
        if (!signature.good || !signature.valid || signature.failed ||
            signature.userID.find("(T)") == std::string::npos) {
            std::abort();
        }
    }
    return 0;
}
