#pragma once

#include <array>
#include <string_view>

namespace wirelark {

// A graphical program that installs a local Debian package: the program and what goes before
// the package's path.
struct PackageInstallerCommand {
    std::string_view program;
    std::string_view option;
};

// The desktops' package installers, tried in this order; the first on PATH gets the package.
// xdg-open, last, hands it to whatever the desktop opens packages with.
inline constexpr std::array<PackageInstallerCommand, 5> kDesktopPackageInstallers = {{
    {"gnome-software", "--local-filename"},
    {"plasma-discover", ""},
    {"gdebi-gtk", ""},
    {"qapt-deb-installer", ""},
    {"xdg-open", ""},
}};

} // namespace wirelark
