#include "companion/user_names.h"

#include <gtest/gtest.h>

using namespace wirelark;

TEST(UserNamesTest, RootIsNamedAndAUidOfNoOneIsNot) {
    EXPECT_EQ(systemUserName(0), "root");
    // Far above any range that distributions or systemd hand out.
    EXPECT_EQ(systemUserName(4000000000u), std::nullopt);
}
