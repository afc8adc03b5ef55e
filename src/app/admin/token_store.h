#pragma once

#include <optional>
#include <string>

namespace wirelark {

// Where the pairing token is kept between runs. A read that fails counts as no token, and a
// removal that fails leaves nothing to act on; a write says whether the token is kept, since a
// pairing whose token is lost is no pairing.
class TokenStore {
public:
    virtual ~TokenStore() = default;
    virtual std::optional<std::string> read() = 0;
    virtual bool write(const std::string& token) = 0;
    virtual void remove() = 0;
};

} // namespace wirelark
