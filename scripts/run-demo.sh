#!/usr/bin/env bash
# Installs the dependencies, builds the program, starts the sample portal on
# its default port (8642, or LITHARVEST_PORTAL_PORT) in the background and
# the program pointed at it. The portal stops when the program exits.
# Further arguments are passed to litharvest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

port="${LITHARVEST_PORTAL_PORT:-8642}"
log="$(mktemp)"
build/portal/litharvest-portal --port "$port" --exit-with-parent >"$log" 2>&1 &
portal_pid=$!
stop_portal() {
  kill "$portal_pid" 2>/dev/null || true
  wait "$portal_pid" 2>/dev/null || true
  rm -f "$log"
}
trap stop_portal EXIT

# The portal prints its address once it listens.
base=""
for _ in $(seq 100); do
  base="$(head -n 1 "$log")"
  [ -n "$base" ] && break
  if ! kill -0 "$portal_pid" 2>/dev/null; then
    cat "$log" >&2
    echo "run-demo: the sample portal did not start (is port $port in use?)" >&2
    exit 1
  fi
  sleep 0.1
done
if [ -z "$base" ]; then
  echo "run-demo: the sample portal did not answer" >&2
  exit 1
fi
echo "run-demo: sample portal at $base"
build/app/litharvest --portal "$base" "$@"
