#include "helper/pairing_requests.h"

#include <gtest/gtest.h>

using namespace wirelark;
using namespace std::chrono_literals;

namespace {

const PairingRequests::SteadyTime kStart{1000s};
const PairingRequests::WallTime kWallStart{
    std::chrono::sys_days{std::chrono::year{2026} / 12 / 10}};

} // namespace

TEST(PairingRequests, OneWaitsAtATimeUntilItExpires) {
    PairingRequests requests(10min);
    const auto id = requests.begin(1000, ":1.5", kWallStart, kStart);
    ASSERT_TRUE(id);
    EXPECT_EQ(id->size(), 64u);
    const struct {
        std::chrono::seconds after;
        bool stillWaiting;
    } cases[] = {{0s, true}, {599s, true}, {600s, false}};
    for (const auto& c : cases) {
        PairingRequests copy = requests;
        const auto next = copy.begin(1001, ":1.6", kWallStart, kStart + c.after);
        EXPECT_EQ(!next, c.stillWaiting) << c.after.count() << " s later";
        if (!next) {
            EXPECT_EQ(next.error(), AdminError::alreadyPending);
        }
    }
}

TEST(PairingRequests, FindsOnlyTheLiveRequestOfItsUser) {
    PairingRequests requests(10min);
    const auto id = requests.begin(1000, ":1.5", kWallStart, kStart);
    ASSERT_TRUE(id);
    const struct {
        const char* what;
        std::string id;
        uid_t uid;
        std::chrono::seconds after;
        std::optional<AdminError> error;
    } cases[] = {
        {"its user", *id, 1000, 1s, std::nullopt},
        {"another user", *id, 1001, 1s, AdminError::wrongUser},
        {"another id", "0" + id->substr(1), 1000, 1s, AdminError::unknownRequest},
        {"expired", *id, 1000, 600s, AdminError::unknownRequest},
    };
    for (const auto& c : cases) {
        PairingRequests copy = requests;
        const auto found = copy.find(c.id, c.uid, kStart + c.after);
        EXPECT_EQ(found ? std::nullopt : std::optional(found.error()), c.error) << c.what;
    }
}

TEST(PairingRequests, ListsOnlyUndecidedRequests) {
    PairingRequests requests(10min);
    const auto id = requests.begin(1000, ":1.5", kWallStart + 1500ms, kStart);
    ASSERT_TRUE(id);
    EXPECT_EQ(requests.undecided(kStart),
              (std::vector<PendingPairing>{
                  {.id = *id,
                   .created = std::chrono::floor<std::chrono::seconds>(kWallStart + 1s),
                   .uid = 1000}}));
    requests.find(*id, kStart)->denied = true;
    EXPECT_TRUE(requests.undecided(kStart).empty());
}
