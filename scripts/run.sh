#!/usr/bin/env bash
# Builds Wirelark and runs it: the tray app where there is a display, else the terminal front end,
# which shows the live rates of the active interfaces.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DWIRELARK_TESTS=OFF -DWIRELARK_BENCHMARKS=OFF
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  cmake --build build -j2 --target wirelark
  exec build/src/app/wirelark "$@"
fi
cmake --build build -j2 --target wirelark-cli
exec build/src/cli/wirelark-cli watch "$@"
