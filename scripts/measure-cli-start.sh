#!/usr/bin/env bash
# Times wirelark-cli from start to exit: `list --json` beside `ip -j -s addr` (the same facts from
# iproute2), and `settings --json`, which wirelark-cli hands to the full program. The commands
# take turns in ROUNDS rounds (default 6) of hyperfine, so that the load of the machine falls
# on all of them alike; each line gives a command's median over every run, and the last one
# `list --json`'s median as a multiple of ip's.
#   scripts/measure-cli-start.sh [RUNS] [BUILD_DIR [BEFORE_BUILD_DIR]]
# RUNS (default 300) is per command. BEFORE_BUILD_DIR adds the two commands of another build,
# measured in the same run.
set -Eeuo pipefail
cd "$(dirname "$0")/.."
runs=${1:-300}
build=${2:-build}
before=${3:-}
rounds=${ROUNDS:-6}
if ! command -v hyperfine >/dev/null; then
  echo "measure-cli-start: needs hyperfine (apt-get install hyperfine)" >&2
  exit 2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

commands=(-n "ip -j -s addr" "ip -j -s addr")
add_build() { # name suffix, build folder
  commands+=(-n "list --json$1" "$2/src/cli/wirelark-cli list --json")
  commands+=(-n "settings --json$1" "$2/src/cli/wirelark-cli settings --json")
}
if [ -n "$before" ]; then
  add_build " (before)" "$before"
fi
add_build "" "$build"

# settings reads the tray's settings file; an empty folder of its own keeps the user's out of it.
mkdir "$work/config"
for round in $(seq "$rounds"); do
  XDG_CONFIG_HOME="$work/config" hyperfine -N --style none --warmup 20 \
    --runs $(((runs + rounds - 1) / rounds)) --export-json "$work/round$round.json" \
    "${commands[@]}" >/dev/null 2>"$work/hyperfine.log" || { cat "$work/hyperfine.log" >&2; exit 1; }
done

python3 - "$work"/round*.json <<'PY'
import json, statistics, sys
times = {}
for name in sys.argv[1:]:
    for result in json.load(open(name))["results"]:
        times.setdefault(result["command"], []).extend(result["times"])
medians = {command: statistics.median(t) * 1000 for command, t in times.items()}
ip = medians["ip -j -s addr"]
for command, median in medians.items():
    print(f"{command:28} median {median:6.2f} ms  {median / ip:4.2f}x ip  ({len(times[command])} runs)")
print(f"wirelark-cli list --json: {medians['list --json'] / ip:.2f}x ip -j -s addr")
PY
