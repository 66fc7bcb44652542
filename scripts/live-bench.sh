#!/usr/bin/env bash
# Measures the CPU time of `koru` with the lozenge on a live desktop (an Xvfb
# of its own), per second of wall-clock time: stopped (idle) and playing with
# the lozenge's spectrum pane; then the time from a posted spectrum
# notification to the X screen showing the new pixels (lozenge_live_bench).
# Builds nothing: run it after ./run.sh.
#
#   scripts/live-bench.sh [SECONDS]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
bin=${BUILD_DIR:-$root/build}/bin
koru=$bin/koru
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
# A copy of the plug-in with settings of its own: it starts centred on the
# 1280 by 800 screen, its skin at (512, 375).
mkdir -p "$work/plugin"
cp "$bin/LozgPlus.so" "$work/plugin/"

# Runs koru with a scenario that first does `$1` and then waits, and prints
# the share of one core it used while waiting.
measure() {
  local what=$1
  printf 'choose スペアナ\nrclick 512 375\n%s\nwait %d\nquit\n' "$what" $(((seconds + 3) * 1000)) >"$work/bench.scn"
  "$koru" --live --fresh --plugin "$work/plugin/LozgPlus.so" --scenario "$work/bench.scn" \
    "$root/player/demo/demo.kpl" >/dev/null 2>&1 &
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
"$bin/lozenge_live_bench"
