#!/usr/bin/env bash
# Builds the project and runs its main job: the stand-in player `koru` plays
# the demo play list, with a small plug-in linked to it, following the demo
# scenario on the simulated clock, and prints what happens.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build"
exec "$build/bin/koru" --manual-clock --fresh \
  --plugin "$build/bin/libkoru_test_plugin.so" \
  --scenario player/demo/demo.scn player/demo/demo.kpl "$@"
