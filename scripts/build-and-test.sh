#!/usr/bin/env bash
# Installs the dependencies, builds everything, runs every test headless, then
# builds the Debian package and checks it (scripts/check-package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLITHARVEST_WERROR=ON >/dev/null
cmake --build build -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)"
bash scripts/check-package.sh build
