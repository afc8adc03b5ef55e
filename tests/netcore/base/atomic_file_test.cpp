#include "netcore/base/atomic_file.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <string>

using namespace wirelark;

namespace {

namespace fs = std::filesystem;

} // namespace

TEST(ReadWholeFile, ReturnsTheBytesOrSaysWhyNot) {
    const wirelark::testing::TempDir folder;
    const auto path = [&](const char* name) { return folder.path() / name; };
    std::ofstream(path("small"), std::ios::binary) << "12345";
    std::ofstream(path("empty"), std::ios::binary);
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);

    struct Case {
        const char* name;
        std::size_t limit;
        std::string bytes;     // when it works
        std::error_code error; // otherwise
    };
    const Case cases[] = {
        {"small", 5, "12345", {}},
        {"empty", 5, "", {}},
        {"small", 4, "", std::make_error_code(std::errc::file_too_large)},
        {"missing", 5, "", errnoCode(ENOENT)},
        {"fifo", 5, "", std::make_error_code(std::errc::invalid_argument)},
        {".", 5, "", std::make_error_code(std::errc::invalid_argument)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto read = readWholeFile(path(c.name), c.limit);
        if (!c.error) {
            ASSERT_TRUE(read) << read.error().message();
            EXPECT_EQ(std::string(read->begin(), read->end()), c.bytes);
        } else {
            ASSERT_FALSE(read);
            EXPECT_EQ(read.error(), c.error) << read.error().message();
        }
    }
}

TEST(WriteFileAtomically, ReplacesTheFileAndSaysWhyNot) {
    const wirelark::testing::TempDir folder;
    const auto file = folder.path() / "sub" / "data.bin";
    const uint8_t bytes[] = {1, 2, 3};
    EXPECT_EQ(writeFileAtomically(file, bytes), std::error_code());
    const auto read = readWholeFile(file, 16);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, (std::vector<uint8_t>{1, 2, 3}));

    const auto failing = [](int, const void*, std::size_t) -> ssize_t {
        errno = EIO;
        return -1;
    };
    EXPECT_EQ(writeFileAtomically(file, bytes, failing), errnoCode(EIO));
    EXPECT_EQ(readWholeFile(file, 16).value_or({}), (std::vector<uint8_t>{1, 2, 3}))
        << "a failed write leaves the file as it was";
}
