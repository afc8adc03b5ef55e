#include "admin/helper_feed.h"
#include "admin/helper_version.h"

#include <gtest/gtest.h>

using namespace wirelark;

namespace {

TEST(HelperVersionTest, ComparesDottedNumbersPieceByPiece) {
    struct Case {
        const char* candidate;
        const char* installed;
        bool newer;
    };
    const Case cases[] = {
        {"1.10", "1.9", true},   {"1.9", "1.10", false}, {"1.2", "1.2.0", false},
        {"1.2.0", "1.2", false}, {"1.2.1", "1.2", true}, {"2.0b", "2.0", false},
        {"2.1b", "2.0", true},   {"1..3", "1.3", false}, {"", "0", false},
        {"x", "0.0", false},     {"1", "", true},        {"99999999999999999999999", "1", false},
        {"1.2", "1.2", false},   {"2", "10", false},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(isNewerVersion(test.candidate, test.installed), test.newer)
            << test.candidate << " against " << test.installed;
    }
}

TEST(HelperFeedTest, ReadsTheVersionStringOnly) {
    EXPECT_EQ(helperFeedVersion(R"({"version":"1.3","url":"x"})"), "1.3");
    for (const char* feed :
         {"", "[]", "{}", R"({"version":13})", R"({"version":null})", "{", R"("1.3")"}) {
        EXPECT_EQ(helperFeedVersion(feed), std::nullopt) << feed;
    }
}

TEST(HelperFeedTest, AReleaseNeedsItsVersionAndDownload) {
    EXPECT_EQ(
        helperFeedRelease(R"({"version":"1.3","download":"https://h/downloads/a.deb","x":1})"),
        (HelperFeedRelease{"1.3", "https://h/downloads/a.deb"}));
    for (const char* feed :
         {"", "[]", R"({"version":"1.3"})", R"({"download":"https://h/a"})",
          R"({"version":"1.3","download":7})", R"({"version":1,"download":"a"})"}) {
        EXPECT_EQ(helperFeedRelease(feed), std::nullopt) << feed;
    }
}

} // namespace
