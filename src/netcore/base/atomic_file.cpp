#include "netcore/base/atomic_file.h"

#include "netcore/base/unique_fd.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace wirelark {

namespace {

std::error_code lastError() {
    return errnoCode(errno);
}

std::error_code writeAll(int fd, std::span<const uint8_t> bytes, const WriteFunction& write) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        if (written == 0) {
            return std::make_error_code(std::errc::no_space_on_device);
        }
        done += static_cast<std::size_t>(written);
    }
    return {};
}

// Writes and renames into place while the folder lock is held; removes the temporary file on
// any failure.
std::error_code replaceLocked(const std::filesystem::path& path, const UniqueFd& folder,
                              std::span<const uint8_t> bytes, const WriteFunction& write) {
    std::string temporary = path.string() + ".XXXXXX";
    UniqueFd file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!file) {
        return lastError();
    }
    std::error_code error = writeAll(file.get(), bytes, write);
    if (!error && ::fsync(file.get()) != 0) {
        error = lastError();
    }
    // Closed here rather than at the end of the scope, so that a failing close is reported.
    if (const std::error_code closed = file.close(); !error && closed) {
        error = closed;
    }
    if (!error && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = lastError();
    }
    if (error) {
        ::unlink(temporary.c_str());
        return error;
    }
    // Makes the rename itself durable.
    ::fsync(folder.get());
    return {};
}

} // namespace

ssize_t posixWrite(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}

std::error_code writeFileAtomically(const std::filesystem::path& path,
                                    std::span<const uint8_t> bytes, const WriteFunction& write) {
    const std::filesystem::path folderPath =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::error_code error;
    std::filesystem::create_directories(folderPath, error);
    if (error) {
        return error;
    }
    UniqueFd folder(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder) {
        return lastError();
    }
    while (::flock(folder.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            return lastError();
        }
    }
    // Closing the folder descriptor releases the lock.
    return replaceLocked(path, folder, bytes, write);
}

Expected<std::vector<uint8_t>, std::error_code> readWholeFile(const std::filesystem::path& path,
                                                              std::size_t maxBytes) {
    // Non-blocking so that a FIFO in the file's place cannot hang the reader; it is no regular
    // file and is refused below.
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status {};
    if (!file || ::fstat(file.get(), &status) != 0) {
        return Unexpected(lastError());
    }
    if (!S_ISREG(status.st_mode)) {
        return Unexpected(std::make_error_code(std::errc::invalid_argument));
    }
    if (static_cast<std::size_t>(status.st_size) > maxBytes) {
        return Unexpected(std::make_error_code(std::errc::file_too_large));
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(status.st_size));
    uint8_t chunk[65536];
    while (true) {
        const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Unexpected(lastError());
        }
        if (got == 0) {
            return bytes;
        }
        // The file may have grown since fstat.
        if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
            return Unexpected(std::make_error_code(std::errc::file_too_large));
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}

} // namespace wirelark
