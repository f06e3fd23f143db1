#!/bin/sh
# Builds the fuzz programs (CMake preset "fuzz", clang) and runs each for a bounded time:
#   fuzz/run-fuzzers.sh [SECONDS] [TARGET ...]
# The repository corpus is read only; what a run adds goes to build/fuzz/corpus/<target>,
# kept for the next run, and a crashing input to build/fuzz/crashes/<target>/. The exit
# status is non-zero when any target found something.
set -eu
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-"profile version_resource http_answer manifest signing proxy_settings"}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

build=$root/build/fuzz
# The targets that write scratch files write them to memory when the machine allows.
scratch=$(mktemp -d "$( [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/quillet-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT INT TERM
status=0
for target in $targets; do
  mkdir -p "$build/corpus/$target" "$build/crashes/$target"
  # Long enough inputs to reach the bounds: 64 KiB of headers, values past 2047 bytes.
  case $target in
    http_answer) max_len=70000 ;;
    *) max_len=16384 ;;
  esac
  dict=
  [ -f "fuzz/dict/$target.dict" ] && dict="-dict=fuzz/dict/$target.dict"
  echo "==== $target: $seconds s ===="
  # shellcheck disable=SC2086
  TMPDIR=$scratch "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -max_len=$max_len \
    -print_final_stats=1 -artifact_prefix="$build/crashes/$target/" $dict "$build/corpus/$target" "fuzz/corpus/$target" || {
    status=1
    echo "==== $target found a fault: see $build/crashes/$target/"
  }
done
exit $status
