#include "companion/pairing_texts.h"

#include <gtest/gtest.h>

using namespace wirelark;
using namespace std::chrono_literals;

TEST(PairingTextsTest, TheRequestingUserIsNamedWithTheUidBeside) {
    const UserNameLookup lookUp = [](uint32_t uid) -> std::optional<std::string> {
        return uid == 1000 ? std::optional<std::string>("alice") : std::nullopt;
    };
    const struct {
        std::optional<uint32_t> uid;
        std::string text;
    } cases[] = {
        {1000, "alice (uid 1000)"},
        {4242, "uid 4242"},
        {std::nullopt, "Unknown user"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(requestingUserText(c.uid, lookUp), c.text);
    }
}

TEST(PairingTextsTest, TheAgeOfARequestIsCountedInTheLargestWholeUnit) {
    const std::chrono::sys_seconds now(1765360000s);
    const struct {
        std::optional<std::chrono::seconds> age;
        std::string text;
    } cases[] = {
        {std::nullopt, "Unknown"},
        {-30s, "Just now"},
        {0s, "Just now"},
        {59s, "Just now"},
        {60s, "1 minute ago"},
        {4min + 59s, "4 minutes ago"},
        {59min + 59s, "59 minutes ago"},
        {1h, "1 hour ago"},
        {23h + 59min, "23 hours ago"},
        {24h, "1 day ago"},
        {24h * 9, "9 days ago"},
    };
    for (const auto& c : cases) {
        const auto created = c.age ? std::optional(now - *c.age) : std::nullopt;
        EXPECT_EQ(requestedText(created, now), c.text) << (c.age ? c.age->count() : -1);
    }
}
