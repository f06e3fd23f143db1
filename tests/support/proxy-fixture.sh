#!/bin/sh
# Starts or stops a real HTTP proxy on loopback for the proxy tests:
#   proxy-fixture.sh start tinyproxy|squid ADDRESS PORT DIR [USER PASSWORD]
#   proxy-fixture.sh stop DIR
# DIR receives the configuration, the pid file and the logs. With USER and PASSWORD, squid
# lets only requests with those Basic credentials through. Each is stopped by the pid in
# its own pid file.
set -eu
action=$1
. "$(dirname "$0")/e2e.sh"

stop() {
  stop_by_pidfile "$1/tinyproxy.pid"
  stop_by_pidfile "$1/squid.pid"
}

if [ "$action" = stop ]; then
  stop "$2"
  exit 0
fi
kind=$2 address=$3 port=$4 dir=$5
stop "$dir"
mkdir -p "$dir"
# Both drop their privileges: their logs and pid files are written as another user.
chmod 777 "$dir"
case "$kind" in
tinyproxy)
  cat >"$dir/tinyproxy.conf" <<CONF
User nobody
Group nogroup
Port $port
Listen $address
Timeout 60
Allow 127.0.0.0/8
PidFile "$dir/tinyproxy.pid"
LogFile "$dir/tinyproxy.log"
LogLevel Info
MaxClients 20
CONF
  tinyproxy -c "$dir/tinyproxy.conf"
  ;;
squid)
  access="http_access allow localhost"
  if [ $# -ge 7 ]; then
    printf '%s:%s\n' "$6" "$(openssl passwd -apr1 "$7")" >"$dir/passwd"
    chmod 644 "$dir/passwd"
    access="auth_param basic program /usr/lib/squid/basic_ncsa_auth $dir/passwd
acl authed proxy_auth REQUIRED
http_access allow authed"
  fi
  cat >"$dir/squid.conf" <<CONF
http_port $address:$port
pid_filename $dir/squid.pid
cache_log $dir/cache.log
access_log $dir/access.log
cache deny all
cache_mem 8 MB
shutdown_lifetime 1 seconds
coredump_dir $dir
cache_effective_user proxy
$access
http_access deny all
CONF
  squid -f "$dir/squid.conf"
  ;;
*)
  echo "proxy-fixture.sh: no proxy kind \"$kind\"" >&2
  exit 2
  ;;
esac
# Ready once it takes connections (curl's exit code 7: it could not connect).
tries=0
while :; do
  code=0
  curl -s -o /dev/null -m 1 "http://$address:$port/" || code=$?
  [ $code -ne 7 ] && break
  tries=$((tries + 1))
  [ $tries -lt 100 ] || { echo "proxy-fixture.sh: $kind did not start on $address:$port" >&2; exit 1; }
  sleep 0.1
done
