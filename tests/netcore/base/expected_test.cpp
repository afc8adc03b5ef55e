#include "netcore/base/expected.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

using namespace wirelark;

namespace {

using IntResult = Expected<int, std::error_code>;
// An own enumeration of failures, as a subsystem has with its texts.
enum class Refusal { busy, gone };
using VoidResult = Expected<void, Refusal>;

IntResult half(int number) {
    if (number % 2 != 0) {
        return Unexpected(errnoCode(EINVAL));
    }
    return number / 2;
}

} // namespace

TEST(Expected, HoldsAValueOrAnError) {
    struct Case {
        const char* name;
        IntResult result;
        bool hasValue;
        int value;             // when hasValue
        std::error_code error; // otherwise
    };
    const Case cases[] = {
        {"value", 7, true, 7, {}},
        {"zero is a value", 0, true, 0, {}},
        {"default", IntResult(), true, 0, {}},
        {"error", Unexpected(errnoCode(ENOENT)), false, 0, errnoCode(ENOENT)},
        {"built by a function", half(8), true, 4, {}},
        {"failed in a function", half(7), false, 0, errnoCode(EINVAL)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.result.has_value(), c.hasValue);
        EXPECT_EQ(static_cast<bool>(c.result), c.hasValue);
        if (c.hasValue) {
            EXPECT_EQ(c.result.value(), c.value);
            EXPECT_EQ(*c.result, c.value);
            EXPECT_THROW((void)c.result.error(), BadExpectedAccess);
        } else {
            EXPECT_EQ(c.result.error(), c.error);
            EXPECT_EQ(c.result.error().category(), std::generic_category());
            EXPECT_THROW((void)c.result.value(), BadExpectedAccess);
        }
        EXPECT_EQ(c.result.value_or(-1), c.hasValue ? c.value : -1);
    }
}

TEST(Expected, WithoutAValueSaysOnlyWhetherItWorkedOrWhyNot) {
    struct Case {
        const char* name;
        VoidResult result;
        bool hasValue;
    };
    const Case cases[] = {
        {"success", VoidResult(), true},
        {"braces", {}, true},
        {"error", Unexpected(Refusal::busy), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.result.has_value(), c.hasValue);
        EXPECT_EQ(static_cast<bool>(c.result), c.hasValue);
        if (c.hasValue) {
            EXPECT_NO_THROW(c.result.value());
            EXPECT_THROW((void)c.result.error(), BadExpectedAccess);
        } else {
            EXPECT_THROW(c.result.value(), BadExpectedAccess);
            EXPECT_EQ(c.result.error(), Refusal::busy);
        }
    }
}

TEST(Expected, ConvertsErrorsAndValuesThatFit) {
    // The error's type is built from the Unexpected's: a literal becomes a std::string.
    const Expected<std::string, std::string> failed = Unexpected("no route");
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error(), "no route");
    // The same type on both sides stays apart.
    const Expected<int, int> value = 3;
    const Expected<int, int> error = Unexpected(3);
    EXPECT_TRUE(value);
    EXPECT_FALSE(error);
    EXPECT_NE(value, error);
    EXPECT_EQ(value, (Expected<int, int>(3)));
    EXPECT_EQ(error, (Expected<int, int>(Unexpected(3))));

    const Expected<std::vector<int>, std::error_code> list = std::vector<int>{1, 2, 3};
    EXPECT_EQ(list->size(), 3u);
    EXPECT_EQ(list.value_or({}), (std::vector<int>{1, 2, 3}));
    const Expected<std::vector<int>, std::error_code> none = Unexpected(errnoCode(EIO));
    EXPECT_TRUE(none.value_or({}).empty());
}

TEST(Expected, MovesWhatCannotBeCopied) {
    Expected<std::unique_ptr<int>, std::error_code> owned = std::make_unique<int>(5);
    ASSERT_TRUE(owned);
    EXPECT_EQ(**owned, 5);
    std::unique_ptr<int> taken = std::move(owned).value();
    EXPECT_EQ(*taken, 5);

    Expected<int, std::unique_ptr<std::string>> reason =
        Unexpected(std::make_unique<std::string>("gone"));
    ASSERT_FALSE(reason);
    const auto text = std::move(reason).error();
    EXPECT_EQ(*text, "gone");
}

TEST(Expected, MakesSystemErrorsInTheGenericCategory) {
    const auto error = errnoCode(ENOENT);
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);
    EXPECT_EQ(error.category(), std::generic_category());
    EXPECT_FALSE(errnoCode(0));
}
