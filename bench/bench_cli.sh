#!/usr/bin/env bash
# Whole-process wall time of `litharvest-cli download` against curl for one
# document of 10 MB and one of 1 GB from the sample portal over loopback,
# both download methods: start-up, the scheduler's first round, the transfer,
# noticing the end and exit, all included. Medians of ROUNDS runs, interleaved;
# the page cache is synced before each run. Files go to a tmpfs (/dev/shm)
# unless BENCH_OUT names another folder.
#
#   bench/bench_cli.sh [BUILD_DIR] [ROUNDS]     # defaults: build, 3
set -euo pipefail
BUILD=${1:-build}
ROUNDS=${2:-3}
PORTAL="$BUILD/portal/litharvest-portal"
CLI="$BUILD/app/litharvest-cli"
[ -x "$PORTAL" ] && [ -x "$CLI" ] || { echo "build litharvest-portal and litharvest-cli first" >&2; exit 2; }
# shellcheck source=bench/bench_portal.sh
source "$(dirname "$0")/bench_portal.sh"
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f\n", b - a }'; }

curl_run() { # size -> seconds
    sync
    local start end
    start=$(now)
    curl -s -o "$OUT/curl.pdf" "${BASE}file?kind=pdf&size=$1"
    end=$(now)
    rm -f "$OUT/curl.pdf"
    elapsed "$start" "$end"
}
cli_run() { # method size -> seconds
    sync
    local start end
    mkdir -p "$OUT/cli"
    start=$(now)
    printf '%s\tdoc\tpdf\n' "${BASE}file?kind=pdf&size=$2" \
        | "$CLI" download --folder "$OUT/cli" --method "$1" --max-size 100000 >/dev/null 2>&1 \
        || { echo "litharvest-cli failed (method $1, $2 bytes)" >&2; exit 1; }
    end=$(now)
    rm -rf "$OUT/cli"
    elapsed "$start" "$end"
}

for size in $((10 * MB)) $((1024 * MB)); do
    : >"$OUT/c"; : >"$OUT/m1"; : >"$OUT/m2"
    for _ in $(seq "$ROUNDS"); do
        curl_run "$size" >>"$OUT/c"
        cli_run 1 "$size" >>"$OUT/m1"
        cli_run 2 "$size" >>"$OUT/m2"
    done
    C=$(median <"$OUT/c"); M1=$(median <"$OUT/m1"); M2=$(median <"$OUT/m2")
    echo "one $((size / MB)) MB document (seconds, whole process, median of $ROUNDS)"
    echo "  curl      $C"
    echo "  method 1  $M1   ratio $(ratio "$M1" "$C")"
    echo "  method 2  $M2   ratio $(ratio "$M2" "$C")"
done
