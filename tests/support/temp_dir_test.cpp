#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace wirelark::testing {
namespace {

namespace fs = std::filesystem;

std::string fileContents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(TempDir, IsAFreshFolderOfItsOwnRemovedWithAllItHolds) {
    fs::path removed;
    {
        const TempDir folder;
        const TempDir other;
        EXPECT_TRUE(fs::is_directory(folder.path()));
        EXPECT_TRUE(fs::is_empty(folder.path()));
        EXPECT_NE(folder.path(), other.path());
        folder.write("deep/down/file", "bytes");
        removed = folder.path();
    }
    EXPECT_FALSE(fs::exists(removed));
}

TEST(TempDir, WriteMakesTheFoldersOnTheWayAndKeepsTheBytes) {
    const TempDir folder;
    const struct {
        const char* relative;
        std::string bytes;
    } cases[] = {
        {"top.txt", "text\n"},
        {"a/b/c/nested", "nested"},
        {"empty", ""},
        {"binary", std::string("\0\xff\r\n", 4)},
        {"top.txt", "rewritten"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.relative);
        const fs::path written = folder.write(c.relative, c.bytes);
        EXPECT_EQ(written, folder.path() / c.relative);
        EXPECT_EQ(fileContents(written), c.bytes);
    }
}

} // namespace
} // namespace wirelark::testing
