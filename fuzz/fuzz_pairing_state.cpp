// Decodes the fuzz bytes as the helper's state file and checks that what it keeps encodes and
// decodes back unchanged.
#include "helper/pairing_state_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace wirelark;
    const auto digests =
        PairingStateText::decode(std::string_view(reinterpret_cast<const char*>(data), size));
    if (PairingStateText::decode(PairingStateText::encode(digests)) != digests) {
        std::abort();
    }
    return 0;
}
