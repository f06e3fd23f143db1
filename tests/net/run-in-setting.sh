#!/bin/sh
# Runs probe test cases in the network setting they need, and removes that setting
# afterwards. Usage: run-in-setting.sh SETTING native|wine PROGRAM [ARGS...]
#   silent-loopback  a private network namespace with only a loopback that ignores echo
#                    requests; no name server is reachable from it
#   datagram-only    a private network namespace that lets every group ping; the program
#                    runs as an unprivileged user (POSIX only)
#   no-icmp          POSIX: like datagram-only, but nobody may ping; Windows: the ICMP
#                    library disabled
# Exits 77 (skipped) where network namespaces are not available. The cases skip themselves
# outside their setting, so a run in which any case skipped counts as failed here.
# Under Wine the echo is sent by Wine's own service processes, so the program runs on a copy
# of the test prefix with a wineserver started inside the namespace; every process started
# here is ended before the script ends.
set -u
setting=$1 runner=$2
shift 2
export QUILLET_PROBE_SETTING="$setting"
export WINEDEBUG=-all

work=$(mktemp -d)
ns=
server=
cleanup() {
  if [ -n "$server" ]; then
    # Ends the service processes of the private prefix, then its server, by its id.
    WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
  fi
  rm -rf "$work"
  [ -n "$ns" ] && ip netns delete "$ns"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Runs the cases, shows their output, and fails when one of them skipped.
run_cases() {
  "$@" >"$work/output" 2>&1
  status=$?
  cat "$work/output"
  if [ $status -eq 0 ] && grep -q '^\[  SKIPPED \]' "$work/output"; then
    echo "FAILED: a case skipped in the \"$setting\" setting prepared for it"
    status=1
  fi
  return $status
}

if [ "$runner" = wine ] && [ "$setting" = no-icmp ]; then
  WINEDLLOVERRIDES="icmp=" run_cases "$(dirname "$0")/../../cmake/wine-run.sh" "$@"
  exit $?
fi

ns="quillet-probe-$$-$(date +%s%N)"
if ! ip netns add "$ns" 2>/dev/null; then
  ns=
  echo "SKIPPED: network namespaces are not available here (ip netns add failed)"
  exit 77
fi
in_ns() { ip netns exec "$ns" "$@"; }
in_ns ip link set lo up || exit 1
case $setting in
  silent-loopback) in_ns sysctl -qw net.ipv4.icmp_echo_ignore_all=1 || exit 1 ;;
  datagram-only) in_ns sysctl -qw net.ipv4.ping_group_range="0 2147483647" || exit 1 ;;
  no-icmp) in_ns sysctl -qw net.ipv4.ping_group_range="1 0" || exit 1 ;;
esac

if [ "$runner" = native ]; then
  case $setting in
    datagram-only | no-icmp) run_cases in_ns setpriv --reuid=65534 --regid=65534 --clear-groups "$@" ;;
    *) run_cases in_ns "$@" ;;
  esac
  exit $?
fi

cp -a "${WINEPREFIX:?the test prefix is set by tests/run-preset.sh}" "$work/prefix" || exit 1
export WINEPREFIX="$work/prefix"
in_ns wineserver -f -p </dev/null >/dev/null 2>&1 &
server=$!
. "$(dirname "$0")/../../cmake/wine-session.sh"
wait_for_wineserver "$server" || exit 1
run_cases in_ns wine "$@"
