#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (optimised, so that a short run covers many inputs)
# and runs each one briefly on an empty corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-20}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWIRELARK_FUZZERS=ON \
  -DWIRELARK_TESTS=OFF -DWIRELARK_BENCHMARKS=OFF
cmake --build build-fuzz -j2
shopt -s nullglob
status=0
for fuzzer in build-fuzz/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  corpus=$(mktemp -d)
  log=$(mktemp)
  echo "== $(basename "$fuzzer") for ${seconds}s"
  if "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=0 "$corpus" \
    >"$log" 2>&1; then
    tail -n 3 "$log"
  else
    # A finding: show all of it (the report and the crashing input's name), and fail at the end.
    cat "$log"
    echo "== $(basename "$fuzzer") FAILED"
    status=1
  fi
  rm -rf "$corpus" "$log"
done
exit "$status"
