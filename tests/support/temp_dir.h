#pragma once

#include <filesystem>
#include <string_view>

namespace wirelark::testing {

// A fresh folder of the test's own under the system's temporary folder, removed with all it
// holds when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();

    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes the bytes to the file at `relative` inside the folder, making the folders on the
    // way; returns the file's whole path.
    std::filesystem::path write(const std::filesystem::path& relative,
                                std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

} // namespace wirelark::testing
