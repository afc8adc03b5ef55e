#include "netcore/history/history_codec.h"

#include <cstddef>
#include <cstdint>

// Arbitrary bytes as a history file: decoding must neither crash nor allocate without bound, and
// whatever decodes must encode again.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto histories = wirelark::decodeHistories({data, size});
    if (histories && !wirelark::encodeHistories(*histories)) {
        __builtin_trap();
    }
    return 0;
}
