#include "netcore/http/http_message.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Any bytes a server could send: the parser must neither crash nor grow the body beyond them.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto result = wirelark::parseHttpResponse(std::span(data, size));
    if (result && result->size() > size) {
        std::abort();
    }
    return 0;
}
