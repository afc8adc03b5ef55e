#include "netcore/base/unique_fd.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/eventfd.h>

using namespace wirelark;

namespace {

bool isOpen(int fd) {
    return fcntl(fd, F_GETFD) != -1;
}

int newDescriptor() {
    return eventfd(0, EFD_CLOEXEC);
}

} // namespace

TEST(UniqueFd, ClosesWhatItOwnsExactlyOnce) {
    int number = -1;
    {
        UniqueFd fd(newDescriptor());
        ASSERT_TRUE(fd);
        number = fd.get();
        EXPECT_TRUE(isOpen(number));
    }
    EXPECT_FALSE(isOpen(number));

    EXPECT_FALSE(UniqueFd());
    EXPECT_FALSE(UniqueFd(-1));
    EXPECT_EQ(UniqueFd(-5).get(), -1);
}

TEST(UniqueFd, MovesOwnership) {
    UniqueFd first(newDescriptor());
    const int number = first.get();
    UniqueFd second(std::move(first));
    EXPECT_FALSE(first); // NOLINT(bugprone-use-after-move): a moved-from one holds none
    EXPECT_EQ(second.get(), number);

    UniqueFd third(newDescriptor());
    const int replaced = third.get();
    third = std::move(second);
    EXPECT_EQ(third.get(), number);
    EXPECT_FALSE(isOpen(replaced));
    EXPECT_TRUE(isOpen(number));

    auto& self = third;
    third = std::move(self);
    EXPECT_TRUE(isOpen(number));
}

TEST(UniqueFd, ReleasesResetsAndClosesOnRequest) {
    UniqueFd fd(newDescriptor());
    const int released = fd.release();
    EXPECT_FALSE(fd);
    EXPECT_TRUE(isOpen(released));

    fd.reset(released);
    EXPECT_EQ(fd.get(), released);
    fd.reset(released); // the same number again: kept, not closed
    EXPECT_TRUE(isOpen(released));
    fd.reset();
    EXPECT_FALSE(isOpen(released));

    UniqueFd closing(newDescriptor());
    const int number = closing.get();
    EXPECT_EQ(closing.close(), std::error_code());
    EXPECT_FALSE(closing);
    EXPECT_FALSE(isOpen(number));
    EXPECT_EQ(closing.close(), std::error_code()) << "closing nothing is no error";
}
