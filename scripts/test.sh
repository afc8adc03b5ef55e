#!/usr/bin/env bash
# Configures, builds and runs the test suite. BUILD_DIR and extra cmake arguments may be given:
#   scripts/test.sh                       # build/ , RelWithDebInfo
#   BUILD_DIR=build-asan scripts/test.sh -DWIRELARK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -DWIRELARK_WERROR=ON "$@"
cmake --build "$build_dir" -j2
ctest --test-dir "$build_dir" --output-on-failure -j2
