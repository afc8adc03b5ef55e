#include "app/settings/desktop_entry_text.h"
#include "app/settings/launch_at_login.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace wirelark;
using wirelark::testing::TempDir;

namespace {

std::string contents(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

TEST(LaunchAtLoginTest, OnWritesTheEntryAndOffRemovesIt) {
    const TempDir config;
    const auto entry = config.path() / "autostart" / "wirelark.desktop";
    const LaunchAtLogin launch(entry, "/usr/bin/wirelark");
    EXPECT_FALSE(launch.isEnabled());

    ASSERT_FALSE(launch.setEnabled(true));
    EXPECT_TRUE(launch.isEnabled());
    const std::string text = contents(entry);
    EXPECT_TRUE(text.starts_with("[Desktop Entry]\n")) << text;
    EXPECT_NE(text.find("\nType=Application\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nExec=\"/usr/bin/wirelark\"\n"), std::string::npos) << text;

    ASSERT_FALSE(launch.setEnabled(false));
    EXPECT_FALSE(launch.isEnabled());
    EXPECT_FALSE(std::filesystem::exists(entry));
    // Turning off what is already off is no failure.
    EXPECT_FALSE(launch.setEnabled(false));
}

TEST(LaunchAtLoginTest, AHiddenEntryCountsAsOffAndTurningOnReplacesIt) {
    const TempDir config;
    const auto entry =
        config.write("autostart/wirelark.desktop",
                     "[Desktop Entry]\nType=Application\nExec=wirelark\nHidden=true\n");
    const LaunchAtLogin launch(entry, "/usr/bin/wirelark");
    EXPECT_FALSE(launch.isEnabled());
    ASSERT_FALSE(launch.setEnabled(true));
    EXPECT_TRUE(launch.isEnabled());
}

TEST(LaunchAtLoginTest, AFolderThatCannotHoldTheEntryFails) {
    // A file where the autostart folder belongs stops root as well as anyone else.
    const TempDir config;
    config.write("autostart", "not a folder");
    const LaunchAtLogin launch(config.path() / "autostart" / "wirelark.desktop",
                               "/usr/bin/wirelark");
    EXPECT_TRUE(launch.setEnabled(true));
    EXPECT_FALSE(launch.isEnabled());
}

TEST(DesktopEntryTextTest, HiddenIsReadFromTheMainGroupOnly) {
    struct Case {
        const char* text;
        bool hidden;
    };
    const Case cases[] = {
        {"", false},
        {"[Desktop Entry]\nHidden=true\n", true},
        {"[Desktop Entry]\r\nHidden = true \r\n", true},
        {"[Desktop Entry]\nHidden=false\n", false},
        {"[Desktop Entry]\nHidden=True\n", false},
        {"[Desktop Entry]\nNoDisplay=true\n", false},
        {"Hidden=true\n[Desktop Entry]\nName=x\n", false},
        {"[Desktop Entry]\nName=x\n[Desktop Action quit]\nHidden=true\n", false},
        {"[Desktop Entry]\n# Hidden=true\n", false},
        {"[Desktop Entry]\nHidden=true", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isHiddenDesktopEntry(c.text), c.hidden) << c.text;
    }
}

TEST(DesktopEntryTextTest, ExecQuotesAndEscapesTheProgram) {
    struct Case {
        const char* program;
        const char* exec;
    };
    const Case cases[] = {
        {"/usr/bin/wirelark", R"("/usr/bin/wirelark")"},
        {"/opt/my apps/wirelark", R"("/opt/my apps/wirelark")"},
        {"/opt/a\"b", R"("/opt/a\\"b")"},
        {"/opt/$HOME/`x`", R"("/opt/\\$HOME/\\`x\\`")"},
        {"/opt/a\\b", R"("/opt/a\\\\b")"},
        {"/opt/100%/w", R"("/opt/100%%/w")"},
        {"/opt/a\nb", R"("/opt/a\nb")"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(desktopEntryExec(c.program), c.exec) << c.program;
    }
}
