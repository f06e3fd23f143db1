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
. "$root/cmake/wine-server-wait.sh"
wait_for_wineserver "$server" || exit 1
# Create or update the prefix and start Wine's own services now, with their output going
# nowhere: started by the first test instead, they would hold that test's output open.
wineboot -i </dev/null >/dev/null 2>&1
status=0
ctest --preset "$preset" "$@" || status=$?
exit $status
