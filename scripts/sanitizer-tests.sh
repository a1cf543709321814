#!/usr/bin/env bash
# Builds a second, Debug copy with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/) and runs every test that does not need the web engine under it;
# any sanitizer report fails the run. The web-engine tests (label "webengine")
# are left out: QtWebEngine's Chromium does not run under AddressSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build-asan}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug -DLITHARVEST_SANITIZE=ON -DLITHARVEST_BENCH=OFF \
  -DLITHARVEST_WERROR=ON >/dev/null
# Only the tests are built (the programs they run come with them).
targets=$(ctest --test-dir "$BUILD" -N -LE webengine 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: *//p')
if [ -z "$targets" ]; then
  cmake --build "$BUILD" -j"$(nproc)"
  targets=$(ctest --test-dir "$BUILD" -N -LE webengine | sed -n 's/^ *Test *#[0-9]*: *//p')
fi
cmake --build "$BUILD" -j"$(nproc)" --target $targets
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)" -LE webengine --repeat until-pass:2
