#pragma once

#include "app/admin/token_store.h"

#include <memory>
#include <optional>
#include <string>

namespace wirelark {

// The token in the user's keyring (Secret Service or KWallet, through QtKeychain) under the
// service "com.quillfern.Wirelark.admin-token" and the account "pairing"; in `fallback` where no
// keyring answers. Each operation waits for the keyring in a local event loop.
class KeyringTokenStore final : public TokenStore {
public:
    static constexpr const char* kService = "com.quillfern.Wirelark.admin-token";
    static constexpr const char* kAccount = "pairing";

    // Null fallback: without a keyring there is no token.
    explicit KeyringTokenStore(std::unique_ptr<TokenStore> fallback)
        : fallback_(std::move(fallback)) {}

    std::optional<std::string> read() override;
    bool write(const std::string& token) override;
    void remove() override;

private:
    std::unique_ptr<TokenStore> fallback_;
};

} // namespace wirelark
