#include "app/installer/helper_install_phase.h"

#include <gtest/gtest.h>

namespace wirelark {
namespace {

TEST(HelperInstallPhaseTest, EachPhaseHasItsText) {
    using Kind = HelperInstallPhase::Kind;
    EXPECT_EQ(statusText({Kind::idle, {}}), std::nullopt);
    EXPECT_EQ(statusText({Kind::checking, {}}), "Checking for a newer helper…");
    EXPECT_EQ(statusText(HelperInstallPhase::downloading("1.3")), "Downloading helper 1.3…");
    EXPECT_EQ(statusText({Kind::waitingForInstaller, {}}),
              "Finish the installation in Installer, then come back here.");
    EXPECT_EQ(statusText(HelperInstallPhase::failed("No way")), "No way");
}

} // namespace
} // namespace wirelark
