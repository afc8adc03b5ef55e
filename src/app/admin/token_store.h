#pragma once

#include <optional>
#include <string>

namespace wirelark {

// Where the pairing token is kept between runs. Failures are silent: a read that fails counts
// as no token, and writes and removals that fail leave nothing to act on.
class TokenStore {
public:
    virtual ~TokenStore() = default;
    virtual std::optional<std::string> read() = 0;
    virtual void write(const std::string& token) = 0;
    virtual void remove() = 0;
};

} // namespace wirelark
