#include "netcore/kernel/wlk_tun_owners.h"
#include "netcore/sysconfig/desktop_entry.h"
#include "netcore/sysconfig/executable_names.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace wirelark;
using wirelark::testing::TempDir;
namespace fs = std::filesystem;

namespace {

// A script at `relative` in the folder that its owner may run; its whole path.
fs::path writeExecutable(const TempDir& folder, const fs::path& relative) {
    const fs::path path = folder.write(relative, "#!/bin/sh\n");
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

} // namespace

TEST(DesktopEntry, ReadsTheMainGroupOnly) {
    const auto entry = parseDesktopEntry("# comment\n"
                                         "[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name = Tunnel\\sTool \r\n"
                                         "Name[de]=Tunnelwerkzeug\n"
                                         "Exec=\"/opt/My App/run\" --tray %U\n"
                                         "Name=Second name ignored\n"
                                         "[Desktop Action New]\n"
                                         "TryExec=/elsewhere\n");
    EXPECT_EQ(entry.name, "Tunnel Tool");
    EXPECT_EQ(entry.exec, "\"/opt/My App/run\" --tray %U");
    EXPECT_EQ(entry.tryExec, std::nullopt);
    EXPECT_FALSE(entry.hidden);
    EXPECT_TRUE(parseDesktopEntry("[Desktop Entry]\nHidden = true\n").hidden);
    EXPECT_FALSE(parseDesktopEntry("[Desktop Entry]\nHidden=false\n").hidden);
    EXPECT_EQ(parseDesktopEntry(""), DesktopEntry{});
    EXPECT_EQ(parseDesktopEntry("Name=outside any group\n"), DesktopEntry{});
    EXPECT_EQ(parseDesktopEntry("[Desktop Entry]\nName"), DesktopEntry{});
}

TEST(DesktopEntry, ExecProgramIsTheFirstWordUnquoted) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"tool --flag %u", "tool"},
        {"  /usr/bin/tool", "/usr/bin/tool"},
        {"\"/opt/My App/run\" %U", "/opt/My App/run"},
        {"\"/opt/quote\\\"d/run\"", "/opt/quote\"d/run"},
        {"\"/opt/never closed", std::nullopt},
        {"\"\"", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
    };
    for (const auto& [exec, program] : cases) {
        SCOPED_TRACE(exec);
        EXPECT_EQ(execProgram(exec), program);
    }
}

TEST(ExecutableNames, FollowsTheDisplayNameRule) {
    const TempDir data;
    const fs::path apps = data.path() / "applications";
    const fs::path later = data.path() / "later-applications";
    const fs::path tool = writeExecutable(data, "My Tool/bin/tool");
    const fs::path helper = writeExecutable(data, "helpers/vpn-helper");
    const fs::path onPath = writeExecutable(data, "bin/pathtool");
    data.write("applications/vendor/tool.desktop",
               "[Desktop Entry]\nName=Tunnel Tool\nExec=\"" + tool.string() + "\" --tray\n");
    data.write("applications/helper.desktop",
               "[Desktop Entry]\nName=VPN Helper\nExec=sh -c x\nTryExec=" + helper.string() + "\n");
    data.write("applications/pathtool.desktop", "[Desktop Entry]\nName=Path Tool\nExec=pathtool\n");
    data.write("applications/nameless.desktop", "[Desktop Entry]\nExec=/srv/nameless\n");
    // The same desktop file id further down the list is hidden by the first one.
    data.write("later-applications/helper.desktop",
               "[Desktop Entry]\nName=Shadowed\nExec=" + helper.string() + "\n");
    data.write("later-applications/other.desktop",
               "[Desktop Entry]\nName=Later\nExec=/srv/later/run\n");
    // A user's Hidden=true copy deletes the system entry of the same id.
    data.write("applications/removed.desktop", "[Desktop Entry]\nHidden=true\n");
    data.write("later-applications/removed.desktop",
               "[Desktop Entry]\nName=Removed\nExec=/srv/removed\n");
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (data.path() / "bin").c_str(), 1);

    ExecutableNames names({apps, later, data.path() / "missing"});
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"/usr/sbin/openvpn", "openvpn"},
        {"/usr/lib/x/My App.app/run", "run"},
        {"/bin/tunnel", "tunnel"},
        {"/sbin/tunnel", "tunnel"},
        {"/lib/systemd/systemd-networkd", "systemd-networkd"},
        {tool.string(), "Tunnel Tool"},
        {helper.string(), "VPN Helper"},
        {onPath.string(), "Path Tool"},
        {"/srv/later/run", "Later"},
        {"/srv/nameless", "nameless"},
        {"/srv/removed", "removed"},
        {"/opt/Acme VPN/bin/acmed", "Acme VPN"},
        {"/opt/acmed", "acmed"},
        {"/home/someone/bin/tunneld", "tunneld"},
        {"relative", "relative"},
    };
    for (const auto& [path, name] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(names.displayName(path), name);
    }
    setenv("PATH", savedPath.c_str(), 1);
}

TEST(ExecutableNames, XdgFoldersComeFromTheEnvironment) {
    setenv("XDG_DATA_HOME", "/data/home", 1);
    setenv("XDG_DATA_DIRS", "/one::/two", 1);
    EXPECT_EQ(ExecutableNames::xdgApplicationDirectories(),
              (std::vector<fs::path>{"/data/home/applications", "/one/applications",
                                     "/two/applications"}));
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_DATA_DIRS");
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(ExecutableNames::xdgApplicationDirectories(),
              (std::vector<fs::path>{"/home/u/.local/share/applications",
                                     "/usr/local/share/applications", "/usr/share/applications"}));
}

TEST(TunFdinfo, FindsTheInterfaceLine) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"pos:\t0\nflags:\t0100002\nmnt_id:\t25\nino:\t1044\niff:\ttun0\n", "tun0"},
        {"iff:\twg-vpn 1 \n", "wg-vpn 1"},
        {"iff:\ttap-no-newline", "tap-no-newline"},
        {"pos:\t0\nflags:\t02\n", std::nullopt},
        {"iff:\t\n", std::nullopt},
        {"iff:\tthis-name-is-far-too-long\n", std::nullopt},
        {"xiff:\ttun0\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        char name[WLK_TUN_NAME_SIZE] = "untouched";
        const int found = wlk_parse_tun_fdinfo(text.data(), text.size(), name);
        EXPECT_EQ(found != 0, expected.has_value());
        if (expected) {
            EXPECT_EQ(std::string(name), *expected);
        }
    }
    EXPECT_EQ(wlk_parse_tun_fdinfo(nullptr, 5, nullptr), 0);
}
