#pragma once

#include "netcore/base/expected.h"

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
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
[[nodiscard]] std::error_code writeFileAtomically(const std::filesystem::path& path,
                                                  std::span<const uint8_t> bytes,
                                                  const WriteFunction& write = posixWrite);

// The whole file, or why not: the system's error, EFBIG when it is larger than maxBytes, or
// EINVAL when it is no regular file.
Expected<std::vector<uint8_t>, std::error_code> readWholeFile(const std::filesystem::path& path,
                                                              std::size_t maxBytes);

} // namespace wirelark
