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

# The tests reach their servers on loopback directly: a proxy of whoever runs them (which
# the updater, curl and Wine would all take) stays out, and the proxy tests set their own.
unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY no_proxy NO_PROXY

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"

if [ "$preset" != windows ]; then
  exec ctest --preset "$preset" "$@"
fi

. "$root/cmake/wine-session.sh"
trap stop_wine_session EXIT INT TERM
start_wine_session "$root/build/windows/wineprefix" || exit 1
status=0
ctest --preset "$preset" "$@" || status=$?
exit $status
