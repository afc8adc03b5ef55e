#include "netcore/http/address_resolver.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>

using namespace wirelark;
using namespace std::chrono_literals;

namespace {

const auto kLater = [] { return DeadlineClock::now() + 15s; };

} // namespace

TEST(SystemResolver, ForcesTheFamilyOfAddressLiterals) {
    const SystemResolver resolver;
    const auto v4 = resolver.resolve("127.0.0.1", 8080, IPVersion::v4, kLater(), nullptr);
    ASSERT_TRUE(v4.has_value()) << v4.error().description();
    ASSERT_EQ(v4.value().size(), 1u);
    EXPECT_EQ(v4.value()[0].text(), "127.0.0.1");
    EXPECT_EQ(ntohs(reinterpret_cast<const sockaddr_in*>(v4.value()[0].get())->sin_port), 8080);

    const auto v6 = resolver.resolve("::1", 443, IPVersion::v6, kLater(), nullptr);
    ASSERT_TRUE(v6.has_value()) << v6.error().description();
    EXPECT_EQ(v6.value().at(0).text(), "::1");

    const auto crossed = resolver.resolve("::1", 443, IPVersion::v4, kLater(), nullptr);
    ASSERT_FALSE(crossed.has_value());
    EXPECT_EQ(crossed.error(), HttpError::connection("No IPv4 address is known for ::1"));
}

TEST(SystemResolver, GivesUpAtTheDeadlineOrWhenCancelled) {
    // Each abandoned request is freed by whoever lets go of it last; the sanitizers check that
    // none is freed twice or left behind.
    const SystemResolver resolver;
    Cancellation cancelled;
    cancelled.cancel();
    for (int i = 0; i < 20; ++i) {
        const auto late =
            resolver.resolve("127.0.0.1", 80, IPVersion::v4, DeadlineClock::now() - 1s, nullptr);
        ASSERT_FALSE(late.has_value());
        EXPECT_EQ(late.error(), HttpError::timedOut());

        const auto stopped = resolver.resolve("127.0.0.1", 80, IPVersion::v4, kLater(), &cancelled);
        ASSERT_FALSE(stopped.has_value());
        EXPECT_EQ(stopped.error(), HttpError::cancelled());
    }
    EXPECT_TRUE(resolver.resolve("127.0.0.1", 80, IPVersion::v4, kLater(), nullptr).has_value());
}
