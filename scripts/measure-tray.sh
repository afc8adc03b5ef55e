#!/usr/bin/env bash
# Runs the tray app and, the same way, a minimal Qt program with one tray icon, each docked into
# trayer under Xvfb for SECONDS (default 60), then prints their resident memory and their CPU
# time: in all, and in the steady state after the first ten seconds, scaled to an hour; the last
# line gives the tray app's CPU per hour and its memory as a multiple of the minimal program's.
#   scripts/measure-tray.sh [SECONDS] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${2:-build}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

Xvfb -displayfd 1 -screen 0 800x120x24 -nolisten tcp >"$work/display" 2>/dev/null &
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
trayer --edge top --align right --widthtype request --height 24 --transparent false >/dev/null 2>&1 &
sleep 1

# A home of its own, rates shown at a one-second interval, no session bus.
mkdir -p "$work/config/Wirelark"
printf '[General]\nsettings="{\\"updateInterval\\": 1, \\"menubarMode\\": \\"rates\\"}"\n' \
  >"$work/config/Wirelark/Wirelark.conf"
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus"

measure() {
  local name=$1 program=$2
  "$program" >"$work/$name.log" 2>&1 &
  local pid=$!
  sleep 10
  local startup ticks rss
  startup=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  sleep "$((seconds - 10))"
  ticks=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
  kill -TERM "$pid"
  wait "$pid" || true
  awk -v n="$name" -v t="$ticks" -v t0="$startup" -v r="$rss" -v s="$seconds" \
    -v hz="$(getconf CLK_TCK)" \
    'BEGIN { printf "%-14s RSS %.1f MiB   CPU %.2f s in %d s; after the first 10 s %.2f s per hour\n",
             n, r / 1024, t / hz, s, (t - t0) / hz * 3600 / (s - 10) }' | tee "$work/$name.result"
}

measure minimal_tray "$build/bench/minimal_tray"
measure wirelark "$build/src/app/wirelark"
grep -h "first status image" "$work/wirelark.log" || true
# The two figures the goals are about, on one line for scripts to pick up.
awk '/^minimal_tray/ { minimal = $3 } /^wirelark/ { rss = $3; cpu = $(NF - 3) }
     END { printf "wirelark: %.2f s CPU per hour; memory %.2fx the minimal tray program\n",
           cpu, rss / minimal }' "$work/minimal_tray.result" "$work/wirelark.result"
