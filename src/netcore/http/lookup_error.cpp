#include "netcore/http/lookup_error.h"

namespace wirelark {

std::string PublicIPError::description() const {
    switch (code_) {
    case Code::http:
        return "The server answered HTTP " + std::to_string(status_);
    case Code::badURL:
        return "The lookup URL isn't valid";
    case Code::malformed:
        return "The server's response couldn't be read";
    case Code::noAddress:
        return "The response has no IP address";
    }
    return {};
}

std::string describe(const LookupError& error) {
    if (const auto* own = std::get_if<PublicIPError>(&error)) {
        return own->description();
    }
    return std::get<NetworkError>(error).description;
}

} // namespace wirelark
