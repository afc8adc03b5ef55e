#include "app/core/settings_data.h"

#include "temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

struct Output {
    int status = -1;
    std::string text;
};

class SettingsCommandTest : public ::testing::Test {
protected:
    Output run(const std::string& arguments) const {
        const std::string command = "XDG_CONFIG_HOME='" + folder_.path().string() + "' '" +
                                    std::string(WIRELARK_CLI) + "' settings " + arguments +
                                    " 2>/dev/null";
        Output output;
        FILE* pipe = popen(command.c_str(), "r");
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            output.text.append(buffer, n);
        }
        const int status = pclose(pipe);
        output.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return output;
    }
    wirelark::testing::TempDir folder_;
};

} // namespace

TEST_F(SettingsCommandTest, DefaultsImportExportAndLenientLoading) {
    EXPECT_EQ(run("--export").status, 1) << "nothing stored yet";
    const Output defaults = run("--json");
    ASSERT_EQ(defaults.status, 0);
    EXPECT_EQ(wirelark::decodeSettings(defaults.text), wirelark::SettingsData{});
    const Output text = run("");
    EXPECT_NE(text.text.find("updateInterval: 5"), std::string::npos) << text.text;
    EXPECT_NE(text.text.find((folder_.path() / "Wirelark" / "Wirelark.conf").string()),
              std::string::npos);

    // Bytes are stored exactly, even ones that do not decode; loading then falls back per member.
    const std::string odd = "{\"useBits\":true,\"menubarMode\":\"bars\",\"periods\":[60]}\n\x01";
    ASSERT_EQ(run("--import '" + folder_.write("odd.json", odd).string() + "'").status, 0);
    EXPECT_EQ(run("--export").text, odd);
    const std::string valid = R"({"useBits":true,"menubarMode":"graph","periods":[60,3600]})";
    ASSERT_EQ(run("--import '" + folder_.write("valid.json", valid).string() + "'").status, 0);
    EXPECT_EQ(run("--export").text, valid);
    const auto effective = wirelark::decodeSettings(run("--json").text);
    EXPECT_TRUE(effective.useBits);
    EXPECT_EQ(effective.menubarMode, wirelark::MenubarMode::graph);
    EXPECT_EQ(effective.periods, (std::vector<double>{60, 3600}));
    EXPECT_EQ(effective.updateInterval, 5.0);

    EXPECT_EQ(run("--import /nonexistent/file").status, 1);
    EXPECT_EQ(run("--bogus").status, 2);
}
