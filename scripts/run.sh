#!/usr/bin/env bash
# Builds Wirelark and runs it: the terminal front end shows the live rates of the active interfaces.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DWIRELARK_TESTS=OFF -DWIRELARK_BENCHMARKS=OFF
cmake --build build -j2 --target wirelark-cli
exec build/src/cli/wirelark-cli watch "$@"
