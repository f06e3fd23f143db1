#!/bin/sh
# quillet-update end to end against the nginx of the "nginx" fixture: checks and updates an
# installation at 1.1.0.0 to 1.3.0.0, and checks the exit codes of the other outcomes.
#   quillet-update-e2e.sh TOOL PROGRAMS_DIR [EMULATOR]
# PROGRAMS_DIR holds Quillet-<version>.exe; EMULATOR runs a Windows TOOL (Wine).
set -u
tool=$1
programs=$2
emulator=${3:-}
: "${QUILLET_NGINX_DIR:?run through CTest with the nginx fixture}"
address=$(cat "$QUILLET_NGINX_DIR/address")
work=$(mktemp -d)
server="$QUILLET_NGINX_DIR/root/e2e-$$"
trap 'rm -rf "$work" "$server"' EXIT
failures=0

fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# A local path as the tool sees it (Z:\... for a Windows tool under Wine).
tool_path() {
  if [ -n "$emulator" ]; then winepath -w "$1" 2>/dev/null; else echo "$1"; fi
}

run() {
  # shellcheck disable=SC2086
  $emulator "$tool" "$@" >"$work/out" 2>"$work/err"
  code=$?
  cat "$work/out" "$work/err"
  return $code
}

expect_exit() {
  want=$1
  shift
  run "$@"
  got=$?
  [ "$got" -eq "$want" ] || fail "quillet-update $* exited $got, not $want"
}

install_at_1_1() {
  rm -rf "$1"
  mkdir -p "$1"
  cp "$programs/Quillet-1.1.0.0.exe" "$1/Quillet.exe"
}

mkdir -p "$server/Language"
cat >"$server/update.ini.rar" <<'INI'
[conf]
curr_version=1.3.0.0

[files_ver_1.3.0.0]
f1=Quillet.exe
f2=Language/eng.ini

[files_ver_1.2.0.0]
f1=Quillet.exe
f2=readme.txt

[files_ver_1.1.0.0]
f1=Quillet.exe
INI
cp "$programs/Quillet-1.3.0.0.exe" "$server/Quillet.exe.rar"
printf '[Message]\r\nMsg200=Quillet Update\r\n' >"$server/Language/eng.ini.rar"
printf 'Quillet 1.3\r\n' >"$server/readme.txt.rar"
path="http://$address/e2e-$$/"
inst="$work/inst"
install_at_1_1 "$inst"
dir=$(tool_path "$inst")

echo "== check: a newer release exists"
expect_exit 100 --dir "$dir" --host "$address" --path "$path" check
grep -q "1.3.0.0" "$work/out" || fail "check does not name the newest version"
grep -q "readme.txt" "$work/out" || fail "check does not list the files to fetch"

echo "== update from 1.1.0.0"
expect_exit 0 --dir "$dir" --host "$address" --path "$path" update
cmp -s "$inst/Quillet.exe" "$server/Quillet.exe.rar" || fail "Quillet.exe is not the new one"
cmp -s "$inst/Language/eng.ini" "$server/Language/eng.ini.rar" || fail "Language/eng.ini differs"
cmp -s "$inst/readme.txt" "$server/readme.txt.rar" || fail "readme.txt differs"
grep -q "^Downloaded 3 files" "$work/out" || fail "no summary line"

echo "== check: now current"
expect_exit 0 --dir "$dir" --host "$address" --path "$path" check

echo "== update with a file missing on the server"
install_at_1_1 "$inst"
rm "$server/readme.txt.rar"
expect_exit 1 --dir "$dir" --host "$address" --path "$path" update
cmp -s "$inst/Quillet.exe" "$programs/Quillet-1.1.0.0.exe" || fail "a failed update changed Quillet.exe"
[ ! -e "$inst/Language/eng.ini" ] || fail "a failed update installed Language/eng.ini"

echo "== no manifest at the path"
expect_exit 1 --dir "$dir" --host "$address" --path "http://$address/no-such-dir/" check

echo "== bad usage"
expect_exit 2 --dir "$dir" frobnicate
expect_exit 2

[ $failures -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $failures
