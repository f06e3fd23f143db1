#!/bin/sh
# Runs a Windows program under Wine in the build tree's private prefix. The persistent
# wineserver that tests/run-windows.sh starts keeps each run warm.
: "${WINEPREFIX:=$(cd "$(dirname "$0")/.." && pwd)/build/windows/wineprefix}"
export WINEPREFIX
export WINEDEBUG=-all
exec wine "$@"
