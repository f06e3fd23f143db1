#!/bin/sh
# Updates through real proxies on loopback: tinyproxy, and squid asking for Basic
# credentials, each carrying a whole update that must arrive byte for byte; the system's
# setting (the environment on POSIX, the Internet Options in the registry under Wine) and
# its bypass list.
#   proxy-update-e2e.sh WORK PROGRAMS PUBLISH UPDATE FIXTURE [EMULATOR]
# WORK is a scratch folder, PROGRAMS holds Quillet-1.1.0.0.exe and Quillet-1.3.0.0.exe,
# PUBLISH and UPDATE are the two tools, FIXTURE is proxy-fixture.sh, EMULATOR runs the
# tools when they are Windows programs.
set -eu
work=$1 programs=$2 publish=$3 update=$4 fixture=$5
emulator=${6:-}

nginx_dir=${QUILLET_NGINX_DIR:?started without the nginx fixture}
address=$(cat "$nginx_dir/address")
server="$nginx_dir/root/proxy-e2e"
base_url="http://$address/proxy-e2e/"
tiny=127.0.0.94 squid=127.0.0.95 dead=127.0.0.96

. "$(dirname "$0")/../support/e2e.sh"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# The system's setting: the environment natively; under Wine what Internet Options writes
# in the test prefix: the switch and texts, and the binary value that WinHTTP reads (a
# version, a counter, the flags 1 direct | 2 fixed proxy, the proxy, the bypass list and
# the PAC URL each with its length, then 32 zero bytes). set_system_proxy "" "" clears it.
if [ -z "$emulator" ]; then
  set_system_proxy() {
    if [ -n "$1" ]; then export http_proxy="$1" no_proxy="$2"; else unset http_proxy no_proxy; fi
  }
else
  # le32 N: N as the 8 hex digits of a little-endian 32-bit number.
  le32() { printf '%08x' "$1" | sed 's/\(..\)\(..\)\(..\)\(..\)/\4\3\2\1/'; }
  hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
  settings='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings'
  set_system_proxy() {
    if [ -z "$1" ]; then
      "$emulator" reg add "$settings" /v ProxyEnable /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
      "$emulator" reg delete "$settings\\Connections" /v DefaultConnectionSettings /f >/dev/null 2>&1 || true
      return 0
    fi
    "$emulator" reg add "$settings" /v ProxyEnable /t REG_DWORD /d 1 /f >/dev/null
    "$emulator" reg add "$settings" /v ProxyServer /t REG_SZ /d "$1" /f >/dev/null
    "$emulator" reg add "$settings" /v ProxyOverride /t REG_SZ /d "$2" /f >/dev/null
    value="$(le32 70)$(le32 1)$(le32 3)$(le32 ${#1})$(hex "$1")$(le32 ${#2})$(hex "$2")$(le32 0)$(printf '%064d' 0)"
    "$emulator" reg add "$settings\\Connections" /v DefaultConnectionSettings /t REG_BINARY /d "$value" /f >/dev/null
  }
fi
# Leaves no proxy running and no system setting behind, also after a killed run.
cleanup() {
  sh "$fixture" stop "$work/tinyproxy"
  sh "$fixture" stop "$work/squid"
  set_system_proxy "" ""
}
trap cleanup EXIT
trap 'exit 1' INT TERM
# Neither the tools nor Wine may take a proxy from the environment of whoever runs this.
unset http_proxy HTTP_PROXY no_proxy NO_PROXY
cleanup

rm -rf "$work" "$server"
mkdir -p "$work"
lines=20000
for version in 1.1.0.0 1.3.0.0; do
  mkdir -p "$work/release-$version/plugins"
  cp "$programs/Quillet-$version.exe" "$work/release-$version/Quillet.exe"
  seq 1 $lines >"$work/release-$version/plugins/data.bin"
  lines=30000
  run_tool "$publish" --server "$(tool_path "$server")" --release "$(tool_path "$work/release-$version")" >"$work/out"
  [ $status = 0 ] || fail "publishing $version: exit $status: $(cat "$work/out")"
done
sh "$fixture" start tinyproxy "$tiny" 8888 "$work/tinyproxy"
sh "$fixture" start squid "$squid" 3128 "$work/squid" ann 'secret:pw'

# update_through DESCRIPTION EXPECTED [ARGS...]: updates a fresh installation of 1.1.0.0
# with ARGS; EXPECTED "ok" wants it wholly 1.3.0.0 afterwards, anything else a failure
# saying EXPECTED with the installation unchanged.
update_through() {
  what=$1 expected=$2
  shift 2
  installation="$work/installed"
  rm -rf "$installation"
  cp -R "$work/release-1.1.0.0" "$installation"
  run_tool "$update" --dir "$(tool_path "$installation")" --host "$address" --path "$base_url" "$@" update \
    >"$work/out" 2>"$work/err"
  rm -rf "$installation/cache"
  if [ "$expected" = ok ]; then
    [ $status = 0 ] || fail "$what: exit $status: $(cat "$work/err")"
    diff -r "$work/release-1.3.0.0" "$installation" >/dev/null || fail "$what: the installation is not 1.3.0.0"
  else
    [ $status = 1 ] || fail "$what: exit $status, not a failure"
    grep -q "$expected" "$work/err" || fail "$what: not failing with \"$expected\": $(cat "$work/err")"
    diff -r "$work/release-1.1.0.0" "$installation" >/dev/null || fail "$what: the installation changed"
  fi
  ! grep -q 'secret' "$work/out" "$work/err" || fail "$what: the proxy's password was printed"
}
# requests LOG: how many of the update's requests LOG shows, as the proxy received them.
requests() { grep -c "GET $base_url" "$1" || true; }

update_through "tinyproxy" ok --proxy "http://$tiny:8888"
[ "$(requests "$work/tinyproxy/tinyproxy.log")" -ge 3 ] || fail "tinyproxy carried no requests"
update_through "squid with credentials" ok --proxy "http://ann:secret%3Apw@$squid:3128"
[ "$(requests "$work/squid/access.log")" -ge 3 ] || fail "squid carried no requests"
update_through "squid without credentials" "the proxy requires authentication ($squid:3128)" --proxy "http://$squid:3128"
update_through "squid with a wrong password" "the proxy requires authentication" --proxy "http://ann:secrets@$squid:3128"
update_through "a proxy that is not there" "cannot connect to the proxy $dead:8888" --proxy "http://$dead:8888"

# The system's setting, its bypass list, and the option that overrides it.
before=$(requests "$work/tinyproxy/tinyproxy.log")
if [ -z "$emulator" ]; then set_system_proxy "http://$tiny:8888" "example.com"; else set_system_proxy "$tiny:8888" "*.example.com"; fi
update_through "the system's proxy" ok
[ "$(requests "$work/tinyproxy/tinyproxy.log")" -gt "$before" ] || fail "the system's proxy carried no requests"
set_system_proxy "$dead:8888" "$address"
update_through "a host on the bypass list" ok
set_system_proxy "$dead:8888" "other.example"
update_through "the system's proxy, not there" "cannot connect to the proxy $dead:8888"
update_through "--proxy none over the system's" ok --proxy none
before=$(requests "$work/tinyproxy/tinyproxy.log")
update_through "--proxy over the system's" ok --proxy "http://$tiny:8888"
[ "$(requests "$work/tinyproxy/tinyproxy.log")" -gt "$before" ] || fail "--proxy did not take the given proxy"
set_system_proxy "" ""
echo "updates went through tinyproxy and squid byte for byte; credentials, bypass and failures as expected"
