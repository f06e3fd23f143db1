# Shell functions shared by the end-to-end scripts and the server fixtures. Source it.
# tool_path and run_tool read $emulator: empty for native tools, the Wine runner for
# Windows ones.

# tool_path PATH: PATH as the tools see it: unchanged natively, on Wine's Z: drive for
# Windows tools.
tool_path() {
  if [ -n "$emulator" ]; then printf 'Z:%s' "$1" | tr / '\\'; else printf '%s' "$1"; fi
}

# run_tool TOOL ARGS...: runs a tool; its exit code is left in $status.
run_tool() {
  status=0
  if [ -n "$emulator" ]; then "$emulator" "$@" || status=$?; else "$@" || status=$?; fi
}

# stop_by_pidfile FILE: ends the process that FILE names, by its id, waits up to 10 s for
# it to go, and removes FILE. Nothing when there is no FILE.
stop_by_pidfile() {
  [ -f "$1" ] || return 0
  _pid=$(cat "$1")
  if kill "$_pid" 2>/dev/null; then
    _tries=0
    while kill -0 "$_pid" 2>/dev/null && [ $_tries -lt 100 ]; do
      _tries=$((_tries + 1))
      sleep 0.1
    done
  fi
  rm -f "$1"
}
