#!/bin/sh
# Configures, builds and tests one CMake preset; further arguments go to ctest (-R engine).
# The Windows preset's tests run under Wine in a private prefix inside the build tree, with
# one persistent wineserver that is started here before the tests and stopped after them by
# its own process id.
set -eu
preset=$1
shift  # anything after the preset goes to ctest, e.g. -R engine
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"

if [ "$preset" != windows ]; then
  exec ctest --preset "$preset" "$@"
fi

export WINEPREFIX="$root/build/windows/wineprefix"
export WINEDEBUG=-all
# No Mono or Gecko installer prompts in a test prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wineserver -f -p </dev/null >/dev/null 2>&1 &
server=$!
stop_wine() {
  # Ends the Wine processes of this prefix (its services), then the server itself.
  wineserver -k 2>/dev/null || true
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
}
trap stop_wine EXIT INT TERM
# Wait until the server listens, so that no test's Wine starts a server of its own (which
# would hold the test's output open after it ends). The socket's directory is named after
# the prefix's device and inode, under a per-user directory whose name differs between
# Wine builds.
server_dir="server-$(printf '%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))"
server_ready() {
  for socket in /tmp/.wine-"$(id -u)"/"$server_dir"/socket /tmp/wine-*/"$server_dir"/socket; do
    [ -S "$socket" ] && return 0
  done
  return 1
}
tries=0
until server_ready; do
  tries=$((tries + 1))
  if [ $tries -gt 300 ] || ! kill -0 "$server" 2>/dev/null; then
    echo "wineserver did not start" >&2
    exit 1
  fi
  sleep 0.1
done
# Create or update the prefix and start Wine's own services now, with their output going
# nowhere: started by the first test instead, they would hold that test's output open.
wineboot -i </dev/null >/dev/null 2>&1
status=0
ctest --preset "$preset" "$@" || status=$?
exit $status
