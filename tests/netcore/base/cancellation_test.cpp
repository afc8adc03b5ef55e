#include "netcore/base/cancellation.h"

#include <gtest/gtest.h>

#include <poll.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace wirelark;

TEST(Once, RunsTheActionOnlyForTheFirstCallerWhicheverThreadItIs) {
    Once once;
    std::atomic<int> runs{0};
    std::atomic<int> winners{0};
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < 8; ++i) {
            threads.emplace_back([&] {
                if (once.run([&] { ++runs; })) {
                    ++winners;
                }
            });
        }
    }
    EXPECT_EQ(runs.load(), 1);
    EXPECT_EQ(winners.load(), 1);
    EXPECT_TRUE(once.done());
    EXPECT_FALSE(once.run([&] { ++runs; }));
}

TEST(Cancellation, MakesItsDescriptorReadableAndStaysCancelled) {
    Cancellation cancellation;
    pollfd fd{cancellation.fd(), POLLIN, 0};
    EXPECT_EQ(poll(&fd, 1, 0), 0);
    EXPECT_FALSE(cancellation.cancelled());

    cancellation.cancel();
    cancellation.cancel();
    EXPECT_TRUE(cancellation.cancelled());
    // Every waiter sees it, however many look.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(poll(&fd, 1, 0), 1);
    }
}
