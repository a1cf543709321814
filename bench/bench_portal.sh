# Sourced by the benchmark scripts: a scratch folder OUT (a tmpfs, /dev/shm,
# unless BENCH_OUT names another folder) removed on exit, the sample portal
# started on a free port with its address in BASE, and the shared helpers.
# Expects PORTAL (the portal program) to be set.
if [ -n "${BENCH_OUT:-}" ]; then OUT=$(mktemp -d -p "$BENCH_OUT"); elif [ -d /dev/shm ]; then OUT=$(mktemp -d -p /dev/shm); else OUT=$(mktemp -d); fi
PORTAL_PID=
cleanup() { [ -n "$PORTAL_PID" ] && kill "$PORTAL_PID" 2>/dev/null; wait 2>/dev/null; rm -rf "$OUT"; }
trap cleanup EXIT
"$PORTAL" --port 0 >"$OUT/portal.out" 2>/dev/null &
PORTAL_PID=$!
for _ in $(seq 50); do [ -s "$OUT/portal.out" ] && break; sleep 0.1; done
BASE=$(head -1 "$OUT/portal.out")
[ -n "$BASE" ] || { echo "portal did not start" >&2; exit 1; }

MB=$((1024 * 1024))
now() { date +%s.%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
