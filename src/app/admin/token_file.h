#pragma once

#include "app/admin/token_store.h"

#include <filesystem>
#include <optional>

namespace wirelark {

// The token in a file that only its user may read, for a desktop without a keyring. Written
// through a fresh file created exclusively with mode 0600 and renamed into place, so that
// nobody ever sees a partial or wider-readable token.
class TokenFile final : public TokenStore {
public:
    explicit TokenFile(std::filesystem::path path) : path_(std::move(path)) {}

    // Wirelark/admin-token next to the history file; absent without a data folder.
    static std::optional<std::filesystem::path> defaultPath();

    std::optional<std::string> read() override;
    bool write(const std::string& token) override;
    void remove() override;

private:
    std::filesystem::path path_;
};

} // namespace wirelark
