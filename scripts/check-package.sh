#!/usr/bin/env bash
# Builds the Debian package in a configured build folder (default build/) and
# checks it without installing anything from it: its file list, the desktop
# entry, the metainfo, lintian, and the programs run from the package's files
# unpacked into a temporary root. Called by scripts/build-and-test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"

fail() {
  echo "check-package: $*" >&2
  exit 1
}

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt (configure first)"
deb="$build/litharvest_${version}_amd64.deb"
rm -f "$build"/litharvest_*.deb
(cd "$build" && cpack -G DEB >/dev/null) || fail "cpack failed"
[ -f "$deb" ] || fail "cpack made no $deb"
echo "check-package: $deb"

work="$(mktemp -d)"
portal_pid=""
cleanup() {
  if [ -n "$portal_pid" ]; then kill "$portal_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The files a user gets.
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/files"
app_id=org.litharvest.litharvest
expected=(
  /usr/bin/litharvest /usr/bin/litharvest-cli /usr/bin/litharvest-portal
  "/usr/share/applications/$app_id.desktop"
  "/usr/share/metainfo/$app_id.metainfo.xml"
  /usr/share/icons/hicolor/scalable/apps/litharvest.svg
  /usr/share/man/man1/litharvest.1.gz /usr/share/man/man1/litharvest-cli.1.gz
  /usr/share/man/man1/litharvest-portal.1.gz
  /usr/share/doc/litharvest/copyright /usr/share/doc/litharvest/changelog.gz
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/litharvest.png")
done
for file in "${expected[@]}"; do
  grep -qxF "$file" "$work/files" || fail "the package lacks $file"
done
# Nothing outside /usr (no build paths, no /usr/local).
if grep -v '^/usr\(/\|$\)' "$work/files" | grep -v '^/$'; then
  fail "files outside /usr in the package"
fi
for field in Depends Recommends; do
  echo "check-package: $field: $(dpkg-deb -f "$deb" "$field")"
done

root="$work/root"
dpkg -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" || fail "appstreamcli validate"
lintian --fail-on error "$deb" || fail "lintian reports errors"

# The programs from the unpacked files.
for program in litharvest litharvest-cli litharvest-portal; do
  answer="$("$root/usr/bin/$program" --version)" || fail "$program --version failed"
  [ "$answer" = "$program $version" ] || fail "$program --version says \"$answer\""
done

"$root/usr/bin/litharvest-portal" --port 0 >"$work/portal" &
portal_pid=$!
base=""
for _ in $(seq 100); do
  base="$(head -n 1 "$work/portal")"
  [ -n "$base" ] && break
  kill -0 "$portal_pid" 2>/dev/null || fail "the packaged portal did not start"
  sleep 0.1
done
[ -n "$base" ] || fail "the packaged portal printed no address"
curl -fsS "$base" | grep -q 'action="search"' || fail "the packaged portal's home page has no search form"
# A harvest and its downloads through the packaged command-line tool.
"$root/usr/bin/litharvest-cli" harvest "${base}search?q=survey&page=1" >"$work/items" \
  || fail "litharvest-cli harvest from the packaged files failed"
head -n 3 "$work/items" | "$root/usr/bin/litharvest-cli" download --folder "$work/documents" >/dev/null 2>&1 \
  || fail "litharvest-cli download from the packaged files failed"
[ "$(find "$work/documents" -type f | wc -l)" -eq 3 ] || fail "litharvest-cli download saved no three documents"
kill -TERM "$portal_pid"
status=0
wait "$portal_pid" || status=$?
portal_pid=""
[ "$status" -eq 0 ] || fail "the packaged portal ended with status $status on SIGTERM"
echo "check-package: $deb passes"
