#include "companion/pairing_list_diff.h"

#include <gtest/gtest.h>

using namespace wirelark;

namespace {

std::vector<PendingPairing> requests(std::initializer_list<const char*> ids) {
    std::vector<PendingPairing> out;
    for (const char* id : ids) {
        out.push_back({.id = id});
    }
    return out;
}

} // namespace

TEST(PairingListDiffTest, RowsThatStayAreLeftAloneAndOnlyTheChangeIsReported) {
    const struct {
        const char* what;
        std::vector<std::string> shown;
        std::vector<PendingPairing> latest;
        PairingListDiff diff;
    } cases[] = {
        {"nothing either side", {}, {}, {}},
        {"first list", {}, requests({"a", "b"}), {.removed = {}, .added = requests({"a", "b"})}},
        {"unchanged", {"a", "b"}, requests({"a", "b"}), {}},
        {"one decided", {"a", "b"}, requests({"b"}), {.removed = {"a"}, .added = {}}},
        {"all gone", {"a", "b"}, {}, {.removed = {"a", "b"}, .added = {}}},
        {"one new after the kept",
         {"a"},
         requests({"b", "a"}),
         {.removed = {}, .added = requests({"b"})}},
        {"replaced", {"a"}, requests({"c"}), {.removed = {"a"}, .added = requests({"c"})}},
        {"an id listed twice", {}, requests({"a", "a"}), {.removed = {}, .added = requests({"a"})}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(diffPairings(c.shown, c.latest), c.diff) << c.what;
    }
}
