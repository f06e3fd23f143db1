# Shell functions shared by the window's end-to-end test and make demo, which both let
# UpdateDriver.exe drive QuilletUpdate.exe on a virtual display. Source this file.

# start_virtual_display WORK_DIR: starts Xvfb on a free display number (it reports the
# number itself), exports DISPLAY and leaves the server's pid in $xvfb.
start_virtual_display() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1/display" 2>/dev/null &
  xvfb=$!
  _tries=0
  until [ -s "$1/display" ]; do
    _tries=$((_tries + 1))
    [ $_tries -le 300 ] && kill -0 "$xvfb" 2>/dev/null || { echo "Xvfb did not start" >&2; return 1; }
    sleep 0.1
  done
  DISPLAY=":$(cat "$1/display")"
  export DISPLAY
}

# follow_driver DESKTOP_PID MARKER_DIR SCREENSHOT_PREFIX: takes a screenshot of the display
# each time the driver (running on the Wine desktop DESKTOP_PID) asks for one, as
# SCREENSHOT_PREFIX-before.png and -after.png, waits for the driver's result and for the
# desktop to go (ending it if it lingers), and leaves the result in $driver_result.
follow_driver() {
  _desktop=$1 _markers=$2 _prefix=$3
  for _shot in before after; do
    _tries=0
    until [ -e "$_markers/$_shot.ready" ] || [ -e "$_markers/result" ]; do
      _tries=$((_tries + 1))
      [ $_tries -le 1200 ] && kill -0 "$_desktop" 2>/dev/null || break
      sleep 0.1
    done
    [ -e "$_markers/$_shot.ready" ] || break
    import -display "$DISPLAY" -window root "$_prefix-$_shot.png"
    : >"$_markers/$_shot.done"
  done
  _tries=0
  until [ -e "$_markers/result" ]; do
    _tries=$((_tries + 1))
    [ $_tries -le 1200 ] && kill -0 "$_desktop" 2>/dev/null || break
    sleep 0.1
  done
  # The desktop goes once its last window has; it is ours to end if it lingers.
  _tries=0
  while kill -0 "$_desktop" 2>/dev/null && [ $_tries -lt 100 ]; do
    _tries=$((_tries + 1))
    sleep 0.1
  done
  kill "$_desktop" 2>/dev/null || true
  wait "$_desktop" 2>/dev/null || true
  driver_result=$(cat "$_markers/result" 2>/dev/null || echo "no result")
}
