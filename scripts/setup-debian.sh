#!/usr/bin/env bash
# Installs every Debian package that building, testing, benchmarking and fuzzing Wirelark needs.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake pkg-config git clang clang-format libclang-rt-dev
  # libraries
  libplist-dev libnl-3-dev libnl-genl-3-dev libsystemd-dev nlohmann-json3-dev libssl-dev
  qt6-base-dev qt6-base-dev-tools libxcb1-dev
  # the admin pairing token in the user's keyring
  qtkeychain-qt6-dev
  # draws the bundled SVG icons (the Qt SVG image and icon-engine plugins)
  libqt6svg6
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # real components the tests drive
  iproute2 ethtool dbus python3 openssl ca-certificates util-linux
  # a real Secret Service for the token storage tests
  gnome-keyring
  # verifies downloaded admin helper packages; the tests also make and sign with test keys
  gpg gpgv gpg-agent
  # the tray under a virtual X server: a tray host, window tools, a font to draw with, and
  # clicks and keys sent as a user would
  xvfb trayer x11-utils fonts-dejavu-core xdotool
  # checks the Debian packages, their manual pages and their AppStream metadata
  lintian groff-base appstream
)

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${packages[@]}"
