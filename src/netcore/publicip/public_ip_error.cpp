#include "netcore/publicip/public_ip_error.h"

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

LookupError lookupErrorFrom(const HttpError& error) {
    switch (error.code()) {
    case HttpError::Code::timedOut:
        return NetworkError::timedOut();
    case HttpError::Code::cancelled:
        return NetworkError::cancelled();
    case HttpError::Code::connection:
        return NetworkError::connection(error.detail());
    case HttpError::Code::badURL:
        return PublicIPError::badURL();
    case HttpError::Code::status:
        return PublicIPError::http(error.status());
    case HttpError::Code::malformed:
        return PublicIPError::malformed();
    }
    return NetworkError::connection(error.description());
}

std::string describe(const LookupError& error) {
    if (const auto* own = std::get_if<PublicIPError>(&error)) {
        return own->description();
    }
    return std::get<NetworkError>(error).description;
}

} // namespace wirelark
