# Shell function shared by the scripts that start a persistent wineserver. Source this file.

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
