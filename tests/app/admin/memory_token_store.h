#pragma once

#include "app/admin/token_store.h"

#include <memory>
#include <optional>
#include <string>

namespace wirelark::testing {

// A token kept in memory, shared with the test, which also counts the reads and removals.
struct MemoryTokens {
    std::optional<std::string> token;
    int reads = 0;
    int removals = 0;
    // Writes fail, as in a keyring whose prompt the user cancelled.
    bool refuseWrites = false;
};

class MemoryTokenStore final : public TokenStore {
public:
    explicit MemoryTokenStore(std::shared_ptr<MemoryTokens> tokens) : tokens_(std::move(tokens)) {}

    std::optional<std::string> read() override {
        ++tokens_->reads;
        return tokens_->token;
    }
    bool write(const std::string& token) override {
        if (tokens_->refuseWrites) {
            return false;
        }
        tokens_->token = token;
        return true;
    }
    void remove() override {
        tokens_->token.reset();
        ++tokens_->removals;
    }

private:
    std::shared_ptr<MemoryTokens> tokens_;
};

} // namespace wirelark::testing
