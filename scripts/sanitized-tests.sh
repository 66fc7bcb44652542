#!/usr/bin/env bash
# Builds everything with the address and undefined-behaviour sanitizers in a
# build folder of its own (BUILD_DIR, default build-asan) and runs every test
# there. Any sanitizer report fails its test, and so the run. Extra
# arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-asan}
# Also for the build: listing a binary's tests runs it.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
cmake -S . -B "$build" -G Ninja -DLOZG_SANITIZE_ADDRESS=ON >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
