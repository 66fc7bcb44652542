#!/usr/bin/env bash
# Runs every test binary of a build whole, all its tests in one process, and
# again in a shuffled order, as a person running one binary does: ctest runs
# each test in a process of its own, which hides tests that lean on what an
# earlier test left behind. The shuffle's seed is printed so that a failing
# order can be run again (GTEST_SEED=N).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
seed=${GTEST_SEED:-$((RANDOM % 99999 + 1))}
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

binaries=$(find "$(realpath "$build")/bin" -maxdepth 1 -type f -name '*_tests' -perm -u+x | sort)
[ -n "$binaries" ] || { echo "run-test-binaries: no test binaries in $build/bin" >&2; exit 1; }

# One run of a binary, "whole" or "shuffled", in a folder of its own for
# the files tests write where they run; a failed run keeps its log.
run_one() {
  local binary=$1 order=$2
  local log="$logs/$(basename "$binary").$order.log"
  local work="$logs/$(basename "$binary").$order.work"
  local args=(--gtest_brief=1)
  [ "$order" = shuffled ] && args+=(--gtest_shuffle "--gtest_random_seed=$seed")
  mkdir -p "$work"
  if (cd "$work" && timeout 900 "$binary" "${args[@]}") >"$log" 2>&1; then
    echo "passed  $(basename "$binary") ($order)"
    rm -f "$log"
  else
    echo "FAILED  $(basename "$binary") ($order)"
    return 1
  fi
}
export -f run_one
export logs seed

echo "run-test-binaries: every test binary whole and shuffled (seed $seed)"
status=0
for binary in $binaries; do printf '%s whole\n%s shuffled\n' "$binary" "$binary"; done |
  xargs -P "$(nproc)" -L 1 bash -c 'run_one "$0" "$1"' || status=1
for log in "$logs"/*.log; do
  [ -e "$log" ] || continue
  echo "---- $(basename "$log" .log): the tests that failed, and how the run ended"
  grep '^\[  FAILED  \]' "$log" | sort -u || true
  tail -n 3 "$log"
done
[ $status -eq 0 ] || echo "run-test-binaries: failed; GTEST_SEED=$seed $0 runs the same orders again" >&2
exit $status
