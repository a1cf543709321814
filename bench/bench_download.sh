#!/usr/bin/env bash
# Both download engines against curl on the sample portal over loopback:
#   1. one 512 MB document: method 1, method 2 and curl, throughput ratios to curl;
#   2. peak resident memory downloading 1 GB versus 10 MB (maximum size raised);
#   3. six parallel 64 MB downloads: method 2 (six slots) versus six parallel curls.
# Every figure is the median of ROUNDS runs; the page cache is synced before
# each run, so that one run's write-back does not slow the next.
#
# Files go to a tmpfs (/dev/shm) unless BENCH_OUT names another folder: on a
# disk the kernel's write-back makes single runs vary by a factor of two.
#
#   bench/bench_download.sh [BUILD_DIR] [ROUNDS]     # defaults: build, 3
#   BENCH_OUT=/var/tmp bench/bench_download.sh build 5   # the same on disk
set -euo pipefail
BUILD=${1:-build}
ROUNDS=${2:-3}
PORTAL="$BUILD/portal/litharvest-portal"
BENCH="$BUILD/bench/bench_download"
[ -x "$PORTAL" ] && [ -x "$BENCH" ] || { echo "build litharvest-portal and bench_download first" >&2; exit 2; }
# shellcheck source=bench/bench_portal.sh
source "$(dirname "$0")/bench_portal.sh"
field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p"; }
engine() { # method parallel max-mb url -> "mbps rss_kb"
    local line
    sync
    line=$("$BENCH" --method "$1" --parallel "$2" --max-mb "$3" --out "$OUT/engine" "$4")
    [ "$(echo "$line" | field ok)" = 1 ] || { echo "engine run failed: $line" >&2; exit 1; }
    echo "$(echo "$line" | field mbps) $(echo "$line" | field peak_rss_kb)"
}
curls() ( # count size -> MB/s of all of them together (a subshell: its wait sees only the curls)
    sync
    start=$(now)
    for i in $(seq "$1"); do curl -s -o "$OUT/curl-$i" "${BASE}file?kind=pdf&size=$2" & done
    wait
    end=$(now)
    rm -f "$OUT"/curl-*
    awk -v n="$1" -v s="$2" -v a="$start" -v b="$end" 'BEGIN { printf "%.1f\n", n * s / 1048576 / (b - a) }'
)

BIG="${BASE}file?kind=pdf&size=$((512 * MB))"
: >"$OUT/c1"; : >"$OUT/m1"; : >"$OUT/m2"
for _ in $(seq "$ROUNDS"); do
    curls 1 $((512 * MB)) >>"$OUT/c1"
    engine 1 1 100000 "$BIG" | cut -d' ' -f1 >>"$OUT/m1"
    engine 2 1 100000 "$BIG" | cut -d' ' -f1 >>"$OUT/m2"
done
C1=$(median <"$OUT/c1"); M1=$(median <"$OUT/m1"); M2=$(median <"$OUT/m2")

: >"$OUT/r"
for m in 1 2; do
    for size in $((10 * MB)) $((1024 * MB)); do
        : >"$OUT/rss"
        for _ in $(seq "$ROUNDS"); do engine "$m" 1 100000 "${BASE}file?kind=pdf&size=$size" | cut -d' ' -f2 >>"$OUT/rss"; done
        echo "$m $size $(median <"$OUT/rss")" >>"$OUT/r"
    done
done

SIX="${BASE}file?kind=pdf&size=$((64 * MB))"
: >"$OUT/c6"; : >"$OUT/m6"
for _ in $(seq "$ROUNDS"); do
    curls 6 $((64 * MB)) >>"$OUT/c6"
    engine 2 6 100000 "$SIX" | cut -d' ' -f1 >>"$OUT/m6"
done
C6=$(median <"$OUT/c6"); M6=$(median <"$OUT/m6")

rss() { awk -v m="$1" -v s="$2" '$1 == m && $2 == s { print $3 }' "$OUT/r"; }
echo "one 512 MB document (MB/s, median of $ROUNDS)"
echo "  curl      $C1"
echo "  method 1  $M1   ratio $(ratio "$M1" "$C1")"
echo "  method 2  $M2   ratio $(ratio "$M2" "$C1")"
echo "peak resident memory (KB, median of $ROUNDS)"
for m in 1 2; do
    small=$(rss "$m" $((10 * MB))); large=$(rss "$m" $((1024 * MB)))
    echo "  method $m  10 MB: $small  1 GB: $large  difference: $(awk -v a="$large" -v b="$small" 'BEGIN { printf "%.1f MB", (a - b) / 1024 }')"
done
echo "six parallel 64 MB documents (MB/s in total, median of $ROUNDS)"
echo "  six curls          $C6"
echo "  method 2, 6 slots  $M6   ratio $(ratio "$M6" "$C6")"
