#include "netcore/http/http_error.h"

namespace wirelark {

std::string HttpError::description() const {
    switch (code_) {
    case Code::timedOut:
        return "timed out";
    case Code::cancelled:
        return "cancelled";
    case Code::connection:
        return detail_;
    case Code::badURL:
        return "not an http or https URL";
    case Code::status:
        return "HTTP status " + std::to_string(status_);
    case Code::malformed:
        return "malformed response";
    }
    return {};
}

} // namespace wirelark
