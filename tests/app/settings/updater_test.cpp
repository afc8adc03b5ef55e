#include "app/settings/updater.h"

#include <gtest/gtest.h>

using namespace wirelark;

TEST(UpdaterTest, OnlyAKeyTurnsUpdatesOn) {
    EXPECT_FALSE(Updater::updatesEnabled(""));
    EXPECT_TRUE(Updater::updatesEnabled("lNzhQ6zk8Hq2WcW5m0T3nHn8D8pWQ3VbJd4Kc5iE9xY="));
}

TEST(UpdaterTest, ABuildWithoutAKeyNeverChecks) {
    if (Updater::updatesEnabled()) {
        GTEST_SKIP() << "this build was configured with an update key";
    }
    int checks = 0;
    const Updater updater([&checks] { ++checks; });
    EXPECT_FALSE(updater.automaticChecks());
    updater.checkNow();
    EXPECT_EQ(checks, 0);
}
