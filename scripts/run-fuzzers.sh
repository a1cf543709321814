#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) for N seconds each, one after
# the other:  scripts/run-fuzzers.sh [seconds] [target...]
# Builds build-fuzz/ with clang and LITHARVEST_FUZZ when needed. Each target
# works on a copy of its seed corpus (fuzz/corpus/<target>/) under
# build-fuzz/fuzz-runs/<target>/, so the repository stays as it is; its log,
# the grown corpus and any crashing input stay there. Prints per target: the
# seconds run, executions, coverage (cov/ft), corpus entries and crashes.
# Exits 1 when a target found a crash. LITHARVEST_FUZZ_SKIP_BUILD=1 runs the
# targets as they are built (while another build of the folder is going on).
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-60}
shift || true
BUILD=${LITHARVEST_FUZZ_BUILD:-build-fuzz}
if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for source in fuzz/fuzz_*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

if [ ! -f "$BUILD/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLITHARVEST_FUZZ=ON \
    -DLITHARVEST_GUI=OFF -DLITHARVEST_TESTS=OFF -DLITHARVEST_BENCH=OFF -DLITHARVEST_WERROR=ON >/dev/null
fi
if [ "${LITHARVEST_FUZZ_SKIP_BUILD:-0}" != 1 ]; then
  cmake --build "$BUILD" -j"$(nproc)" --target "${targets[@]}"
fi

found=0
printf '%-26s %8s %12s %8s %8s %8s %8s\n' target seconds executions cov ft corpus crashes
for target in "${targets[@]}"; do
  run="$BUILD/fuzz-runs/$target"
  rm -rf "$run"
  mkdir -p "$run/corpus" "$run/tmp" "$run/findings"
  if [ -d "fuzz/corpus/$target" ]; then cp -r "fuzz/corpus/$target/." "$run/corpus/"; fi
  started=$(date +%s)
  # A crash or a sanitizer report ends the target's run; the input is kept
  # in findings/.
  TMPDIR="$run/tmp" "$BUILD/fuzz/$target" -max_total_time="$SECONDS_EACH" -timeout=30 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$run/findings/" "$run/corpus" >"$run/log" 2>&1 || true
  seconds=$(($(date +%s) - started))
  rm -rf "$run/tmp"
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$run/log" | grep ' cov: ' | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  entries=$(find "$run/corpus" -type f | wc -l)
  # Slow units are kept too but are no crash: on a busy machine any input
  # can take seconds.
  crashes=$(find "$run/findings" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) \
    | wc -l)
  [ "$crashes" -eq 0 ] || found=1
  printf '%-26s %8s %12s %8s %8s %8s %8s\n' "$target" "$seconds" "${executions:-?}" "${cov:-?}" "${ft:-?}" \
    "$entries" "$crashes"
done
exit "$found"
