#!/bin/sh
# quillet-update brings an installation of release 1.1.0.0 up to 1.3.0.0 while a fault is
# injected: a faulty server, a broken manifest, a full disk, a destination that cannot be
# replaced, a kill of the updater. Afterwards the installation must be wholly the old
# release or wholly the new one, byte for byte, a failed update must not exit with 0, and a
# later run against a healthy server must complete the update.
#   quillet-update-faults.sh FAMILY WORK TOOL PROGRAMS SERVER ADDRESS [EMULATOR HOLDER]
# FAMILY is server, manifest, disk, kill or recovery. WORK is a scratch folder, PROGRAMS holds
# Quillet-<version>.exe, SERVER is the fault server (tests/support/FaultServer_posix.cpp),
# listening on ADDRESS:80. EMULATOR runs a Windows TOOL (Wine); HOLDER is then the Windows
# helper that holds a file open without sharing.
set -u
family=$1
work=$2
tool=$3
programs=$4
server_program=$5
address=$6
emulator=${7:-}
holder=${8:-}

root="$work/root"
log="$work/server.log"
inst="$work/inst"
old="$work/release-old"
new="$work/release-new"
# Short limits for the time-out cases: connect, send, receive, whole header phase (ms).
short_limits="QUILLET_TEST_TIME_LIMITS=1000,1000,700,1200"
# Every wait for a condition gives up after this many seconds and fails the case.
patience=60
failures=0
cases=0
server_pid=
tool_pid=

fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

. "$(dirname "$0")/../support/e2e.sh"

# wait_for DESCRIPTION COMMAND...: polls COMMAND until it succeeds; fails after $patience s.
wait_for() {
  what=$1
  shift
  tries=0
  until "$@"; do
    tries=$((tries + 1))
    if [ $tries -gt $((patience * 20)) ]; then
      fail "waited $patience s for $what"
      return 1
    fi
    sleep 0.05
  done
}

# ---- releases, server and tool -------------------------------------------------------

# The old release has three files; the new one changes all three and adds data/big.bin,
# large enough for the disk-full cases. The manifest lists big.bin last.
make_releases() {
  rm -rf "$work"
  mkdir -p "$old/Language" "$new/Language" "$new/data"
  cp "$programs/Quillet-1.1.0.0.exe" "$old/Quillet.exe"
  printf '[Message]\r\nMsg200=Quillet Update 1.1\r\n' >"$old/Language/eng.ini"
  printf 'Quillet 1.1\r\n' >"$old/readme.txt"
  cp "$programs/Quillet-1.3.0.0.exe" "$new/Quillet.exe"
  printf '[Message]\r\nMsg200=Quillet Update 1.3\r\n' >"$new/Language/eng.ini"
  printf 'Quillet 1.3\r\n' >"$new/readme.txt"
  seq 1 40000 >"$new/data/big.bin"
}

# The healthy server root: the manifest and every file of the new release as "<name>.rar".
fill_server_root() {
  rm -rf "$root"
  mkdir -p "$root/Language" "$root/data"
  cat >"$root/update.ini.rar" <<'INI'
[conf]
curr_version=1.3.0.0

[files_ver_1.3.0.0]
f1=Quillet.exe
f2=Language/eng.ini
f3=readme.txt
f4=data/big.bin

[files_ver_1.1.0.0]
f1=Quillet.exe
INI
  for name in Quillet.exe Language/eng.ini readme.txt data/big.bin; do
    cp "$new/$name" "$root/$name.rar"
  done
}

stop_server() {
  [ -n "$server_pid" ] || return 0
  kill "$server_pid" 2>/dev/null
  wait "$server_pid" 2>/dev/null
  server_pid=
}

server_ready() { grep -q '^ready$' "$log" 2>/dev/null; }

# start_server [FAULT FILE [ARG]]: the fault server on the current root.
start_server() {
  stop_server
  : >"$log"
  "$server_program" "$address" "$root" "$log" "$@" &
  server_pid=$!
  wait_for "the fault server" server_ready
}

stop_tool() {
  [ -n "$tool_pid" ] || return 0
  kill -KILL "$tool_pid" 2>/dev/null
  wait "$tool_pid" 2>/dev/null
  tool_pid=
}

cleanup() {
  stop_tool
  stop_server
}
trap cleanup EXIT

# exec_tool COMMAND [NAME=VALUE ...]: replaces the (sub)shell with the tool run on the
# installation against the server, the settings in its environment and $launcher (such as
# prlimit) in front of it. SIGXFSZ is ignored, so that a write past a file size limit (the
# disk-full cases) fails with EFBIG instead of killing the tool; without a limit it never
# comes.
launcher=
exec_tool() {
  command=$1
  shift
  for setting in "$@"; do export "$setting"; done
  trap '' XFSZ
  # shellcheck disable=SC2086
  exec $launcher $emulator "$tool" --dir "$(tool_path "$inst")" --host "$address" --path "http://$address/" \
    "$command" >"$work/out" 2>"$work/err"
}

# run_tool COMMAND [NAME=VALUE ...]: runs the tool to its end; its exit code goes to $status.
run_tool() {
  (exec_tool "$@")
  status=$?
}

# start_tool COMMAND [NAME=VALUE ...]: the tool in the background; its pid goes to $tool_pid.
start_tool() {
  (exec_tool "$@") &
  tool_pid=$!
}

show_tool_output() { sed 's/^/    | /' "$work/out" "$work/err"; }

# ---- checks --------------------------------------------------------------------------

install_old() {
  rm -rf "$inst"
  cp -R "$old" "$inst"
}

# The files of a tree, one relative path a line, without the cache and the updater's
# temporaries and kept files.
release_files() {
  (cd "$1" && find . -path ./cache -prune -o -type f ! -name '*.quillet-new' ! -name '*.quillet-old' -print | sort)
}

# same_tree RELEASE [lenient]: the installation (its cache aside) is RELEASE byte for byte.
# Lenient allows the updater's temporaries and kept files, which a killed run may leave.
same_tree() {
  [ "${2:-}" = lenient ] || {
    diff -r -x cache "$1" "$inst"
    return
  }
  [ "$(release_files "$1")" = "$(release_files "$inst")" ] || {
    echo "the installation holds other files than $1"
    return 1
  }
  release_files "$1" | while read -r name; do cmp "$1/$name" "$inst/$name" || exit 1; done
}

# What the tool says when the check failed, when a download failed, when the
# installation failed and when an installation is left unfinished.
check_failed="cannot fetch\|names no newest version"
download_failed="not every file arrived whole"
install_failed="the update was not installed: cannot"
unfinished="unfinished"

# expect_failed_update DESCRIPTION REASON: the update did not exit with 0, for REASON, and
# the installation is wholly the old release, with nothing of the attempt left beside it.
expect_failed_update() {
  if [ "$status" -eq 0 ] || ! grep -q "$2" "$work/err"; then
    fail "$1: the update exited $status, not failing with \"$2\""
    show_tool_output
  fi
  same_tree "$old" || fail "$1: the installation is not wholly the old release"
  [ ! -e "$inst/cache/install.journal" ] || fail "$1: an installation journal was left"
}

# healthy_run DESCRIPTION [COMMAND]: against the healthy server, COMMAND (update by default)
# exits with 0 and leaves the installation wholly new.
healthy_run() {
  fill_server_root
  start_server
  run_tool "${2:-update}"
  if [ "$status" -ne 0 ]; then
    fail "$1: the healthy ${2:-update} exited $status"
    show_tool_output
  fi
  same_tree "$new" || fail "$1: after the healthy run the installation is not wholly the new release"
  [ ! -e "$inst/cache/install.journal" ] || fail "$1: the healthy run left its journal"
}

begin_case() {
  cases=$((cases + 1))
  echo "== $1"
  install_old
  fill_server_root
}

# ---- server faults -------------------------------------------------------------------

# server_fault DESCRIPTION FAULT FILE ARG WHY: the fault hits the GET of FILE; the short
# limits end the stalls. The tool says which step failed (WHY), beside its usual words.
server_fault() {
  begin_case "$1"
  start_server "$2" "$3" "$4"
  run_tool update "$short_limits"
  grep -q "^fault $2 /$3" "$log" || fail "$1: the fault was not injected"
  if [ "$3" = update.ini.rar ]; then reason=$check_failed; else reason=$download_failed; fi
  expect_failed_update "$1" "$reason.*$5"
  healthy_run "$1"
}

family_server() {
  server_fault "the server closes mid-body" close data/big.bin.rar 100000 "after 100000 of"
  server_fault "the server resets the connection mid-body" reset data/big.bin.rar 100000 "broke off: "
  server_fault "the server stalls mid-body" stall data/big.bin.rar 100000 "broke off: "
  server_fault "the server drips its header lines" drip Quillet.exe.rar 100 "no usable answer from"
  # The manifest cut after its second file name: nothing of it may be taken for the list.
  fill_server_root
  cut=$(sed -n '1,/^f2=/p' "$root/update.ini.rar" | wc -c)
  server_fault "the server closes mid-manifest" close update.ini.rar "$cut" "after [0-9]* of"
  server_fault "the server stalls mid-manifest" stall update.ini.rar "$cut" "broke off: "
}

# ---- manifest and listed files -------------------------------------------------------

# listing_fault REASON [FAULT FILE]: the server root as the case left it.
listing_fault() {
  reason=$1
  shift
  start_server "$@"
  run_tool update
  expect_failed_update "$description" "$reason"
  healthy_run "$description"
}

family_manifest() {
  description="the manifest is missing"
  begin_case "$description"
  rm "$root/update.ini.rar"
  listing_fault "$check_failed"

  description="the manifest is empty"
  begin_case "$description"
  : >"$root/update.ini.rar"
  listing_fault "$check_failed"

  description="the manifest is binary garbage"
  begin_case "$description"
  cp "$programs/Quillet-1.3.0.0.exe" "$root/update.ini.rar"
  listing_fault "$check_failed"

  description="the manifest is one 10 MB line"
  begin_case "$description"
  head -c 10485760 /dev/zero | tr '\0' 'v' >"$root/update.ini.rar"
  listing_fault "$check_failed"

  description="a listed file is missing on the server"
  begin_case "$description"
  rm "$root/readme.txt.rar"
  listing_fault "$download_failed"

  description="a listed file is served without a range"
  begin_case "$description"
  listing_fault "$download_failed" norange readme.txt.rar
}

# ---- disk and destination ------------------------------------------------------------

# Less than data/big.bin, more than every other file and the manifest.
file_size_limit=65536

# The tool with a limit on the size of the files it writes, as if the disk filled there.
disk_full_while_staging() {
  begin_case "the disk fills while a large file is staged"
  start_server
  launcher="prlimit --fsize=$file_size_limit --"
  run_tool update
  launcher=
  # The disk's own reason, not a network's.
  expect_failed_update "staging on a full disk" "$download_failed.*cannot store .*data.big\.bin: "
  healthy_run "staging on a full disk"
}

paused_at() { [ -e "$inst/cache/paused-$1" ]; }

# pause_tool POINT: starts the update and waits until its installation stands at POINT.
pause_tool() {
  point=$1
  start_tool update "QUILLET_TEST_PAUSE_INSTALL=$point"
  wait_for "the installation to reach $point" paused_at "$point"
}

resume_tool() {
  rm -f "$inst/cache/paused-$point"
  wait "$tool_pid"
  status=$?
  tool_pid=
}

# Staging fits, but the disk fills before the installation copies the staged files beside
# their destinations: the limit is lowered on the running tool once it stands at "copying".
disk_full_while_installing() {
  begin_case "the disk fills while the installation copies"
  start_server
  pause_tool copying
  prlimit --pid "$tool_pid" --fsize=$file_size_limit || fail "prlimit refused"
  resume_tool
  grep -q "Downloaded 4 files" "$work/out" || fail "installing on a full disk: not every file was staged"
  expect_failed_update "installing on a full disk" "$install_failed"
  healthy_run "installing on a full disk"
}

# A directory stands where the file the release adds belongs.
directory_in_the_way() {
  begin_case "a directory stands where a new file belongs"
  start_server
  mkdir -p "$inst/data/big.bin/inside"
  run_tool update
  [ -d "$inst/data/big.bin/inside" ] || fail "the directory in the way was removed"
  rm -rf "$inst/data"
  expect_failed_update "a directory in the way" "$install_failed"
  healthy_run "a directory in the way"
}

# The directory appears once every temporary is in place: the files already replaced must
# be put back.
directory_appears_while_replacing() {
  begin_case "a directory appears where a new file belongs while files are replaced"
  start_server
  pause_tool replacing
  mkdir -p "$inst/data/big.bin/inside"
  resume_tool
  [ -d "$inst/data/big.bin/inside" ] || fail "the directory in the way was removed"
  rm -rf "$inst/data"
  expect_failed_update "a directory appearing while replacing" "$install_failed"
  healthy_run "a directory appearing while replacing"
}

held() { grep -q '^held' "$work/held"; }

# Another Windows process holds readme.txt open without sharing: it cannot be replaced.
file_held_open() {
  begin_case "another program holds a file of the installation open"
  start_server
  rm -f "$work/hold-input"
  mkfifo "$work/hold-input"
  $emulator "$holder" "$(tool_path "$inst/readme.txt")" <"$work/hold-input" >"$work/held" 2>&1 &
  holder_pid=$!
  exec 3>"$work/hold-input"
  if wait_for "the holder to open readme.txt" held; then
    run_tool update
    expect_failed_update "a file held open" "$install_failed"
  fi
  exec 3>&-
  wait "$holder_pid"
  healthy_run "a file held open"
}

family_disk() {
  disk_full_while_staging
  disk_full_while_installing
  directory_in_the_way
  directory_appears_while_replacing
  # Only Windows refuses to replace a file that another program holds open.
  [ -z "$emulator" ] || file_held_open
}

# ---- kills ---------------------------------------------------------------------------

kill_tool() {
  kill -KILL "$tool_pid"
  wait "$tool_pid" 2>/dev/null
  tool_pid=
}

stalled() { grep -q "^fault stall" "$log"; }

kill_during_download() {
  begin_case "the updater is killed during a download"
  start_server stall data/big.bin.rar 100000
  start_tool update
  wait_for "the download to stall" stalled
  kill_tool
  same_tree "$old" || fail "killed while downloading: the installation is not wholly the old release"
  healthy_run "killed while downloading"
}

# kill_while_installing POINT STATE: kills the updater when its installation stands at
# POINT, where the installation holds STATE (old, new or mixed: the first file replaced).
# A check against the healthy server must then find it wholly new or, when nothing was
# replaced yet and no journal promised it, leave it to the next update.
kill_while_installing() {
  begin_case "the updater is killed at installation point $1"
  start_server
  pause_tool "$1"
  kill_tool
  case $2 in
  old) same_tree "$old" lenient || fail "killed at $1: the installation is not the old release" ;;
  new) same_tree "$new" lenient || fail "killed at $1: the installation is not the new release" ;;
  mixed)
    cmp -s "$inst/Quillet.exe" "$new/Quillet.exe" && cmp -s "$inst/readme.txt" "$old/readme.txt" ||
      fail "killed at $1: the installation is not half replaced"
    ;;
  esac
  if [ "$1" = copied ]; then
    healthy_run "killed at $1" update
  else
    # The journal promises the new release: the check completes it before it reads the
    # installed version, and finds it current.
    healthy_run "killed at $1" check
  fi
}

family_kill() {
  kill_during_download
  kill_while_installing copied old
  kill_while_installing replacing old
  kill_while_installing replaced mixed
  kill_while_installing cleaning new
}

# ---- recoveries that cannot finish at once -------------------------------------------

# block FILE / unblock FILE: FILE of the installation cannot be replaced until unblocked.
# Natively a directory takes its place (the file itself waits beside the installation);
# under Wine another program holds it open without sharing, as Windows programs may.
block() {
  if [ -z "$emulator" ]; then
    mv "$inst/$1" "$work/blocked"
    mkdir -p "$inst/$1/inside"
    return
  fi
  rm -f "$work/hold-input"
  mkfifo "$work/hold-input"
  $emulator "$holder" "$(tool_path "$inst/$1")" <"$work/hold-input" >"$work/held" 2>&1 &
  holder_pid=$!
  exec 3>"$work/hold-input"
  wait_for "the holder to open $1" held
}

unblock() {
  if [ -z "$emulator" ]; then
    rm -rf "$inst/$1"
    mv "$work/blocked" "$inst/$1"
    return
  fi
  exec 3>&-
  wait "$holder_pid"
}

# expect_unfinished DESCRIPTION: the last run failed because an installation is
# unfinished, and nothing of it is lost: the journal and the old copy of Quillet.exe stay.
expect_unfinished() {
  if [ "$status" -eq 0 ] || ! grep -q "$unfinished" "$work/err"; then
    fail "$1: exited $status, not failing with an unfinished installation"
    show_tool_output
  fi
  [ -e "$inst/cache/install.journal" ] || fail "$1: the journal is gone"
  cmp -s "$inst/Quillet.exe.quillet-old" "$old/Quillet.exe" || fail "$1: the old Quillet.exe is gone"
}

# Killed with Quillet.exe replaced and readme.txt not yet; the check must complete the
# installation, but readme.txt cannot be replaced just now.
forward_recovery_blocked() {
  begin_case "completing an interrupted installation meets a file that cannot be replaced"
  start_server
  pause_tool replaced
  kill_tool
  block readme.txt
  run_tool check
  expect_unfinished "completing while blocked"
  grep -q '^replacing$' "$inst/cache/install.journal" || fail "completing while blocked: the journal moved on"
  unblock readme.txt
  healthy_run "completing once unblocked" check
}

# Replacing the new data/big.bin fails after Quillet.exe was replaced, and putting the old
# Quillet.exe back fails too: the roll-back stays unfinished until the file is free.
rollback_blocked() {
  begin_case "putting back the old files meets a file that cannot be replaced"
  start_server
  pause_tool replaced
  mkdir -p "$inst/data/big.bin/inside"
  block Quillet.exe
  resume_tool
  expect_unfinished "putting back while blocked"
  grep -q '^rolling-back$' "$inst/cache/install.journal" || fail "putting back while blocked: the journal moved on"
  run_tool check
  expect_unfinished "checking while still blocked"
  unblock Quillet.exe
  rm -rf "$inst/data"
  run_tool check
  [ "$status" -eq 100 ] || { fail "putting back once unblocked: the check exited $status"; show_tool_output; }
  same_tree "$old" || fail "putting back once unblocked: the installation is not wholly the old release"
  healthy_run "putting back once unblocked"
}

family_recovery() {
  forward_recovery_blocked
  rollback_blocked
}

make_releases
case $family in
server | manifest | disk | kill | recovery) "family_$family" ;;
*)
  echo "unknown family $family" >&2
  exit 2
  ;;
esac
echo "$cases cases, $failures failures"
[ $failures -eq 0 ]
