#include "app/installer/helper_download_url.h"

#include <gtest/gtest.h>

namespace wirelark {
namespace {

TEST(HelperDownloadURLTest, OnlyTheMakersDownloadsFolderIsAccepted) {
    constexpr std::string_view site = "https://wirelark.quillfern.com";
    struct Case {
        std::string url;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"https://wirelark.quillfern.com/downloads/WirelarkAdmin-1.3.deb", true},
        {"https://WIRELARK.quillfern.com:443/downloads/a/b.deb?x=1", true},
        {"https://wirelark.quillfern.com/downloads/", false},
        {"https://wirelark.quillfern.com/other/a.deb", false},
        {"https://wirelark.quillfern.com/downloadsa.deb", false},
        {"http://wirelark.quillfern.com/downloads/a.deb", false},
        {"https://wirelark.quillfern.com:8443/downloads/a.deb", false},
        {"https://wirelark.quillfern.com.example.org/downloads/a.deb", false},
        {"https://example.org/downloads/a.deb", false},
        {"https://wirelark.quillfern.com/downloads/../secret.deb", false},
        {"https://wirelark.quillfern.com/downloads/%2E%2E/secret.deb", false},
        {"/downloads/a.deb", false},
        {"", false},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(isMakerDownloadURL(site, test.url), test.accepted) << test.url;
    }
}

TEST(HelperDownloadURLTest, TheFileNameKeepsOnlyHarmlessVersions) {
    EXPECT_EQ(helperPackageFileName("1.10"), "WirelarkAdmin-1.10.deb");
    EXPECT_EQ(helperPackageFileName("2.0~rc1+deb12-1"), "WirelarkAdmin-2.0~rc1+deb12-1.deb");
    for (const std::string& version :
         {std::string(), std::string("../../x"), std::string("1/2"), std::string("1 2"),
          std::string(65, '1'), std::string("1\n")}) {
        EXPECT_EQ(helperPackageFileName(version), std::nullopt) << version;
    }
}

} // namespace
} // namespace wirelark
