#include "app/tray/tray_host.h"

#include <gtest/gtest.h>

namespace wirelark {
namespace {

TEST(TrayHostTest, ShowsTheLabelEverywhereButOnPlasma) {
    struct Case {
        const char* watcherProcess;
        const char* currentDesktop;
        bool showsLabel;
    };
    const Case cases[] = {
        {"plasmashell", "", false},   {"kded6", "GNOME", false},
        {"gnome-shell", "KDE", true}, {"", "KDE", false},
        {"", "ubuntu:KDE", false},    {"", "ubuntu:GNOME", true},
        {"", "XFCE", true},           {"", "", true},
        {"", "KDEish", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hostShowsLabel(c.watcherProcess, c.currentDesktop), c.showsLabel)
            << "'" << c.watcherProcess << "', '" << c.currentDesktop << "'";
    }
}

} // namespace
} // namespace wirelark
