#!/usr/bin/env bash
# Installs the dependencies, builds everything, runs every test headless, then
# builds the Debian package and checks it (scripts/check-package.sh), and runs
# the tests again in a sanitizer build (scripts/sanitizer-tests.sh).
# A test that fails is run once more before the run counts as failed; both
# results stay in the output.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLITHARVEST_WERROR=ON >/dev/null
cmake --build build -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)" --repeat until-pass:2
bash scripts/check-package.sh build
bash scripts/sanitizer-tests.sh build-asan
