#!/usr/bin/env bash
# Fails when a C or C++ source file differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.c' '*.h' '*.cpp' '*.hpp')
else
  mapfile -t files < <(find src tests bench fuzz -name '*.c' -o -name '*.h' -o -name '*.cpp' -o -name '*.hpp')
fi
existing=()
for f in "${files[@]}"; do [ -f "$f" ] && existing+=("$f"); done
[ ${#existing[@]} -eq 0 ] && exit 0
clang-format --dry-run --Werror "${existing[@]}"
