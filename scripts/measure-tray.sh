#!/usr/bin/env bash
# Runs the tray app and, the same way, a minimal Qt program with one tray icon, each docked into
# trayer under Xvfb for SECONDS (default 60), then prints their resident memory and their CPU
# time: in all, and in the steady state after the first ten seconds, scaled to an hour; the last
# line gives the tray app's CPU per hour and its memory as a multiple of the minimal program's.
#   scripts/measure-tray.sh [--open-panel] [SECONDS] [BUILD_DIR [BEFORE_BUILD_DIR]]
# --open-panel clicks the docked item once and closes the panel with Escape before the memory
# is read, for the memory of an app whose panel has been opened. BEFORE_BUILD_DIR adds a line
# for the tray app of another build, measured in the same run, to compare against.
set -Eeuo pipefail
cd "$(dirname "$0")/.."
open_panel=false
if [ "${1:-}" = --open-panel ]; then
  open_panel=true
  shift
fi
seconds=${1:-60}
build=${2:-build}
before=${3:-}
if [ "$seconds" -le 10 ]; then
  echo "measure-tray: SECONDS must be more than the 10 s of start-up left out" >&2
  exit 2
fi
work=$(mktemp -d)
# Any early end says where, so that a run that stops short is never mistaken for a quiet one.
trap 'echo "measure-tray: stopped at line $LINENO: $BASH_COMMAND" >&2' ERR
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

Xvfb -displayfd 1 -screen 0 800x600x24 -nolisten tcp >"$work/display" 2>/dev/null &
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
DISPLAY=":$(cat "$work/display")"
export DISPLAY
trayer --edge top --align right --widthtype request --height 24 --transparent false >/dev/null 2>&1 &
sleep 1

# A home of its own, rates shown at a one-second interval, no session bus.
mkdir -p "$work/config/Wirelark"
printf '[General]\nsettings="{\\"updateInterval\\": 1, \\"menubarMode\\": \\"rates\\"}"\n' \
  >"$work/config/Wirelark/Wirelark.conf"
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus"

# CPU seconds of the whole process, threads that ended included, to the nanosecond: the clock
# ticks of /proc/PID/stat are too coarse for a program that wakes for a millisecond a second.
cpu_seconds() {
  python3 -c 'import sys, time; print(time.clock_gettime((~int(sys.argv[1]) << 3) | 2))' "$1"
}

# A process that ends between two reads of /proc counts as ended, never as alive.
alive() {
  local state
  state=$(awk '/^State:/ { print $2 }' "/proc/$1/status" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

# Clicks the docked item (the only one in trayer) and closes the panel it opens with Escape.
open_and_close_panel() {
  local item x y X Y WIDTH HEIGHT
  item=$(xdotool search --onlyvisible --name '^Wirelark$' | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$item" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  x=$((X + WIDTH / 2)) y=$((Y + HEIGHT / 2))
  xdotool mousemove "$x" "$y" click 1
  sleep 2
  if [ "$(xdotool search --onlyvisible --name '^Wirelark$' | wc -l)" -lt 2 ]; then
    echo "measure-tray: no panel after a click on the item at $x,$y" >&2
    return 1
  fi
  xdotool key Escape
  sleep 1
}

measure() {
  local name=$1 program=$2 opens_panel=$3
  # A session of its own: nothing the program signals to its group reaches this script.
  setsid "$program" >"$work/$name.log" 2>&1 &
  local pid=$!
  sleep 10
  if ! alive "$pid"; then
    echo "measure-tray: $name ended during start-up; its output:" >&2
    cat "$work/$name.log" >&2
    return 1
  fi
  local startup steady rss
  startup=$(cpu_seconds "$pid")
  sleep "$((seconds - 10))"
  steady=$(cpu_seconds "$pid")
  if $opens_panel; then
    open_and_close_panel
  fi
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
  kill -TERM "$pid"
  for _ in $(seq 100); do alive "$pid" || break; sleep 0.1; done
  if alive "$pid"; then
    echo "measure-tray: $name still running 10 s after SIGTERM; killed" >&2
    kill -KILL "$pid"
  fi
  wait "$pid" || true
  awk -v n="$name" -v t0="$startup" -v t1="$steady" -v r="$rss" -v s="$seconds" \
    'BEGIN { printf "%-18s RSS %.1f MiB   CPU %.3f s in %d s; after the first 10 s %.2f s per hour\n",
             n, r / 1024, t1, s, (t1 - t0) * 3600 / (s - 10) }' >"$work/$name.result"
  cat "$work/$name.result"
}

measure minimal_tray "$build/bench/minimal_tray" false
if [ -n "$before" ]; then
  measure wirelark_before "$before/src/app/wirelark" "$open_panel"
fi
measure wirelark "$build/src/app/wirelark" "$open_panel"
grep -h "first status image" "$work/wirelark.log" || true
# The two figures the goals are about, on one line for scripts to pick up.
awk -v panel="$open_panel" '
  FNR == 1 && FILENAME ~ /minimal_tray/ { minimal = $3 }
  FNR == 1 && FILENAME ~ /\/wirelark\.result$/ { rss = $3; cpu = $(NF - 3) }
  END { printf "wirelark: %.2f s CPU per hour; memory %.2fx the minimal tray program%s\n",
        cpu, rss / minimal, panel == "true" ? " after the panel was opened once" : "" }' \
  "$work/minimal_tray.result" "$work/wirelark.result"
