#pragma once

#include "admin/token_digest.h"
#include "netcore/base/expected.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace wirelark {

// The digests of the tokens of every pairing, kept in a file only root may read. Every change
// reaches the file first: when it cannot be written, nothing changes.
class PairedTokens {
public:
    // The digests in `file`; none when it does not exist yet. Fails when it exists but cannot
    // be read.
    static Expected<PairedTokens, std::error_code> load(std::filesystem::path file);

    bool knows(std::string_view token) const;
    // A new pairing: its token, whose digest is now kept.
    Expected<std::string, std::error_code> pair();
    [[nodiscard]] std::error_code forget(std::string_view token);
    [[nodiscard]] std::error_code forgetAll();

private:
    PairedTokens(std::filesystem::path file, std::vector<TokenDigest::Digest> digests)
        : file_(std::move(file)), digests_(std::move(digests)) {}
    [[nodiscard]] std::error_code replace(std::vector<TokenDigest::Digest> digests);

    std::filesystem::path file_;
    std::vector<TokenDigest::Digest> digests_;
};

} // namespace wirelark
