#!/bin/sh
# Starts or stops the nginx that integration tests fetch from:
#   nginx-fixture.sh start|stop ADDRESS DIR
# DIR (in the build tree) receives the generated configuration, the pid file, the error log,
# nginx's temporary directories, the document root DIR/root, which tests fill, and the file
# DIR/address naming ADDRESS for the tests. nginx listens on ADDRESS:80 and is stopped by
# the pid in its own pid file.
set -eu
action=$1
address=$2
dir=$3
pidfile="$dir/nginx.pid"

. "$(dirname "$0")/e2e.sh"

stop() {
  stop_by_pidfile "$pidfile"
  rm -f "$dir/address"
}

case "$action" in
start)
  stop
  mkdir -p "$dir/root" "$dir/temp" "$dir/logs"
  printf '%s' "$address" >"$dir/address"
  # The master runs as root here; its workers must be able to read the build tree.
  if [ "$(id -u)" = 0 ]; then user_line="user root;"; else user_line=""; fi
  cat >"$dir/nginx.conf" <<CONF
$user_line
daemon on;
worker_processes 1;
pid $pidfile;
error_log $dir/logs/error.log warn;
events { worker_connections 64; }
http {
  access_log off;
  default_type application/octet-stream;
  sendfile on;
  client_body_temp_path $dir/temp/body;
  proxy_temp_path $dir/temp/proxy;
  fastcgi_temp_path $dir/temp/fastcgi;
  uwsgi_temp_path $dir/temp/uwsgi;
  scgi_temp_path $dir/temp/scgi;
  server {
    listen $address:80;
    root $dir/root;
  }
}
CONF
  nginx -p "$dir" -c "$dir/nginx.conf" -e "$dir/logs/error.log"
  # The daemon writes its pid file just after the starting command returns.
  tries=0
  until [ -s "$pidfile" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ]; then
      echo "nginx wrote no pid file" >&2
      exit 1
    fi
    sleep 0.1
  done
  ;;
stop)
  stop
  ;;
*)
  echo "usage: $0 start|stop ADDRESS DIR" >&2
  exit 2
  ;;
esac
