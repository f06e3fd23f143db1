# Shell functions shared by the scripts that run Windows programs under Wine with one
# persistent wineserver for a private prefix. Source this file.

# wait_for_wineserver PID: waits until the wineserver PID listens for $WINEPREFIX, so that
# no Wine program starts a server of its own (which would hold its caller's output open).
# The socket's directory is named after the prefix's device and inode, under a per-user
# directory whose name differs between Wine builds. Fails after 30 s or if PID ends.
wait_for_wineserver() {
  _server_dir="server-$(printf '%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))"
  _tries=0
  until [ -S "/tmp/.wine-$(id -u)/$_server_dir/socket" ] || ls /tmp/wine-*/"$_server_dir"/socket >/dev/null 2>&1; do
    _tries=$((_tries + 1))
    if [ $_tries -gt 300 ] || ! kill -0 "$1" 2>/dev/null; then
      echo "wineserver did not start" >&2
      return 1
    fi
    sleep 0.1
  done
}

# start_wine_session PREFIX: starts the persistent wineserver of PREFIX (created if needed)
# and Wine's own services, so that every program run afterwards finds them warm.
# stop_wine_session ends them again; call it on every way out (trap).
start_wine_session() {
  export WINEPREFIX="$1"
  export WINEDEBUG=-all
  # No Mono or Gecko installer prompts in a private prefix.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$WINEPREFIX"
  wineserver -f -p </dev/null >/dev/null 2>&1 &
  _wine_session_server=$!
  wait_for_wineserver "$_wine_session_server" || return 1
  # Wine's services are started now, with their output going nowhere: started by the
  # first program instead, they would hold that program's output open.
  wineboot -i </dev/null >/dev/null 2>&1
}

stop_wine_session() {
  [ -n "${_wine_session_server:-}" ] || return 0
  # Ends the Wine processes of this prefix (its services), then the server itself.
  wineserver -k 2>/dev/null || true
  kill "$_wine_session_server" 2>/dev/null || true
  wait "$_wine_session_server" 2>/dev/null || true
  _wine_session_server=
}
