#!/usr/bin/env bash
# Builds the project and runs its main job: the stand-in player `koru` plays
# the demo play list with the lozenge plug-in LozgPlus.so, following the demo
# scenario on the simulated clock; it prints every step and leaves PNG
# snapshots of the screen at the key moments.
#
#   ./run.sh            the demo, headless
#   ./run.sh --live     the player with the lozenge on your X display, until
#                       you close the player (further koru options may follow)
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build"
if [ "${1:-}" = "--live" ]; then
  exec "$build/bin/koru" "$@" --plugin "$build/bin/LozgPlus.so" player/demo/demo.kpl
fi
# The demo runs a copy of the plug-in with settings of its own, so that it
# starts the same way every time and leaves the plug-in's own settings alone.
demo="$build/demo"
rm -rf "$demo"
mkdir -p "$demo"
cp "$build"/bin/LozgPlus.so "$build"/bin/KORULozg.htm "$build"/bin/*.korud "$demo"/
status=0
"$build/bin/koru" --manual-clock --fresh --plugin "$demo/LozgPlus.so" \
  --scenario player/demo/lozenge.scn --snapshots "$demo/snapshots" player/demo/demo.kpl "$@" || status=$?
echo "The demo's snapshots are in $demo/snapshots/"
exit $status
