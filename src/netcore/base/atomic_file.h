#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <system_error>
#include <vector>

namespace wirelark {

// Writes up to size bytes to a descriptor, like ::write; tests pass one that fails part-way.
using WriteFunction = std::function<ssize_t(int fd, const void* data, std::size_t size)>;

ssize_t posixWrite(int fd, const void* data, std::size_t size);

// Replaces the file at path with bytes so that readers and crashes see either the old or the
// new content: a temporary file in the same folder, fsync, rename. Creates missing folders, and
// holds an exclusive lock on the folder while writing so that two writers never interleave.
std::error_code writeFileAtomically(const std::filesystem::path& path,
                                    std::span<const uint8_t> bytes,
                                    const WriteFunction& write = posixWrite);

// The whole file, or nothing when it cannot be read or is larger than maxBytes.
std::optional<std::vector<uint8_t>> readWholeFile(const std::filesystem::path& path,
                                                  std::size_t maxBytes);

} // namespace wirelark
