#!/usr/bin/env bash
# Measures the CPU time of `koru` on a live desktop (an Xvfb of its own),
# per second of wall-clock time: stopped (idle) and playing. Builds nothing:
# run it after ./run.sh or a build of `koru`.
#
#   scripts/live-bench.sh [SECONDS]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
koru=${BUILD_DIR:-$root/build}/bin/koru
seconds=${1:-10}
work=$(mktemp -d)
xvfb=
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$work/display")"
export LOZG_PREFIX="$work/prefix"
ticks=$(getconf CLK_TCK)

# Runs koru with a scenario that first does `$1` and then waits, and prints
# the share of one core it used while waiting.
measure() {
  local what=$1
  printf '%s\nwait %d\nquit\n' "$what" $(((seconds + 3) * 1000)) >"$work/bench.scn"
  "$koru" --live --fresh --scenario "$work/bench.scn" "$root/player/demo/demo.kpl" >/dev/null 2>&1 &
  local pid=$!
  sleep 2
  local before after
  before=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  sleep "$seconds"
  after=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  wait "$pid" || true
  awk -v t=$((after - before)) -v hz="$ticks" -v s="$seconds" \
    'BEGIN { printf "%.2f%% of one core\n", 100 * t / hz / s }'
}

echo "koru on a live desktop, $seconds s each:"
printf '  stopped: '
measure stop
printf '  playing: '
measure play
