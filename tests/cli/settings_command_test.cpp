#include "app/core/settings_data.h"

#include "command_output.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <filesystem>
#include <string>

namespace {

using wirelark::testing::CommandOutput;
using wirelark::testing::runCapturing;

class SettingsCommandTest : public ::testing::Test {
protected:
    CommandOutput run(const std::string& arguments) const {
        const std::string command = "XDG_CONFIG_HOME='" + folder_.path().string() + "' '" +
                                    std::string(WIRELARK_CLI) + "' settings " + arguments +
                                    " 2>/dev/null";
        return runCapturing(command);
    }
    wirelark::testing::TempDir folder_;
};

} // namespace

TEST_F(SettingsCommandTest, DefaultsImportExportAndLenientLoading) {
    EXPECT_EQ(run("--export").status, 1) << "nothing stored yet";
    const CommandOutput defaults = run("--json");
    ASSERT_EQ(defaults.status, 0);
    EXPECT_EQ(wirelark::decodeSettings(defaults.output), wirelark::SettingsData{});
    const CommandOutput text = run("");
    EXPECT_NE(text.output.find("updateInterval: 5"), std::string::npos) << text.output;
    EXPECT_NE(text.output.find((folder_.path() / "Wirelark" / "Wirelark.conf").string()),
              std::string::npos);

    // An object's bytes are stored exactly, even members that do not decode; loading then falls
    // back per member.
    const std::string odd = "{\"useBits\":true,\"menubarMode\":\"bars\",\"periods\":\"x\"}\n";
    ASSERT_EQ(run("--import '" + folder_.write("odd.json", odd).string() + "'").status, 0);
    EXPECT_EQ(run("--export").output, odd);
    const std::string valid = R"({"useBits":true,"menubarMode":"graph","periods":[60,3600]})";
    ASSERT_EQ(run("--import '" + folder_.write("valid.json", valid).string() + "'").status, 0);
    EXPECT_EQ(run("--export").output, valid);
    const auto effective = wirelark::decodeSettings(run("--json").output);
    EXPECT_TRUE(effective.useBits);
    EXPECT_EQ(effective.menubarMode, wirelark::MenubarMode::graph);
    EXPECT_EQ(effective.periods, (std::vector<double>{60, 3600}));
    EXPECT_EQ(effective.updateInterval, 5.0);

    // Anything but a JSON object would load as no settings at all: refused, the stored kept.
    for (const std::string& refused : {std::string("{\"useBits\":false}\n\x01"), std::string("[1]"),
                                       std::string("not json"), std::string()}) {
        SCOPED_TRACE(refused);
        EXPECT_EQ(run("--import '" + folder_.write("refused.json", refused).string() + "'").status,
                  1);
        EXPECT_EQ(run("--export").output, valid);
    }
    // Read no further than settings can be: an endless file ends in a refusal, not in memory.
    for (const char* endless : {"/dev/zero", "/dev/urandom"}) {
        EXPECT_EQ(run(std::string("--import ") + endless).status, 1) << endless;
        EXPECT_EQ(run("--export").output, valid);
    }
    EXPECT_EQ(run("--import /nonexistent/file").status, 1);
    EXPECT_EQ(run("--bogus").status, 2);
}
