#pragma once

#include "admin/token_digest.h"

#include <string>
#include <string_view>
#include <vector>

// The helper's state file: one SHA-256 digest a line, as 64 lowercase hexadecimal digits.
namespace wirelark::PairingStateText {

std::string encode(const std::vector<TokenDigest::Digest>& digests);
// Lines that are no digest are skipped: a damaged line costs one pairing, not all of them.
std::vector<TokenDigest::Digest> decode(std::string_view text);

} // namespace wirelark::PairingStateText
