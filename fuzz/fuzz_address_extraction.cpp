#include "netcore/publicip/public_ip_address.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// The first line is the key path, the rest the body; whatever is found must be an address.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto newline = input.find('\n');
    const auto keyPath =
        newline == std::string_view::npos ? std::string_view() : input.substr(0, newline);
    const auto body = newline == std::string_view::npos ? input : input.substr(newline + 1);
    const auto address = wirelark::extractPublicIPAddress(
        std::span(reinterpret_cast<const uint8_t*>(body.data()), body.size()), keyPath);
    if (address && !wirelark::isValidIPAddress(*address)) {
        std::abort();
    }
    return 0;
}
