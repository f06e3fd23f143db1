#!/bin/sh
# Publishes three releases with quillet-publish into a folder that the nginx fixture
# serves, then brings an installation of each older release up to date with
# quillet-update and compares it byte for byte with the newest release.
#   publish-update-e2e.sh WORK PROGRAMS PUBLISH UPDATE [EMULATOR]
# WORK is a scratch folder, PROGRAMS holds Quillet-1.1.0.0.exe, Quillet-1.2.0.0.exe and
# Quillet-1.3.0.0.exe (each with its version resource), PUBLISH and UPDATE are the two
# tools, EMULATOR runs them when they are Windows programs.
set -eu
work=$1
programs=$2
publish=$3
update=$4
emulator=${5:-}

nginx_dir=${QUILLET_NGINX_DIR:?started without the nginx fixture}
address=$(cat "$nginx_dir/address")
server="$nginx_dir/root/publish-e2e"
base_url="http://$address/publish-e2e/"

. "$(dirname "$0")/../support/e2e.sh"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rm -rf "$work" "$server"
mkdir -p "$work"

# Release 1.2.0.0 changes "Read Me.txt" and adds plugins/extra.dll; 1.3.0.0 changes the
# language file and data.bin. Quillet.exe changes every time (its version resource).
for version in 1.1.0.0 1.2.0.0 1.3.0.0; do
  dir="$work/release-$version"
  mkdir -p "$dir/Language"
  cp "$programs/Quillet-$version.exe" "$dir/Quillet.exe"
done
printf 'chs 1\r\n' >"$work/release-1.1.0.0/Language/chs.ini"
printf 'readme 1\r\n' >"$work/release-1.1.0.0/Read Me.txt"
seq 1 40000 >"$work/release-1.1.0.0/data.bin"
cp "$work/release-1.1.0.0/Language/chs.ini" "$work/release-1.2.0.0/Language/chs.ini"
printf 'readme 2\r\n' >"$work/release-1.2.0.0/Read Me.txt"
cp "$work/release-1.1.0.0/data.bin" "$work/release-1.2.0.0/data.bin"
mkdir -p "$work/release-1.2.0.0/plugins" "$work/release-1.3.0.0/plugins"
seq 100 900 >"$work/release-1.2.0.0/plugins/extra.dll"
printf 'chs 3\r\n' >"$work/release-1.3.0.0/Language/chs.ini"
cp "$work/release-1.2.0.0/Read Me.txt" "$work/release-1.3.0.0/Read Me.txt"
seq 1 50000 >"$work/release-1.3.0.0/data.bin"
cp "$work/release-1.2.0.0/plugins/extra.dll" "$work/release-1.3.0.0/plugins/extra.dll"

# Each version comes from the release's Quillet.exe.
for version in 1.1.0.0 1.2.0.0 1.3.0.0; do
  run_tool "$publish" --server "$(tool_path "$server")" --release "$(tool_path "$work/release-$version")" >"$work/out"
  [ $status = 0 ] || fail "publishing $version: exit $status"
  grep -q "^Published version $version" "$work/out" || fail "publishing $version printed: $(cat "$work/out")"
done
grep -q '^f1=Language/chs.ini' "$server/update.ini.rar" || fail "manifest: $(cat "$server/update.ini.rar")"

# A second publication of the newest release is refused; bad usage is told apart.
run_tool "$publish" --server "$(tool_path "$server")" --release "$(tool_path "$work/release-1.3.0.0")" 2>"$work/err"
[ $status = 1 ] || fail "publishing 1.3.0.0 again: exit $status"
grep -q 'already published' "$work/err" || fail "publishing 1.3.0.0 again said: $(cat "$work/err")"
run_tool "$publish" --server "$(tool_path "$server")" 2>/dev/null
[ $status = 2 ] || fail "bad usage: exit $status"

for version in 1.1.0.0 1.2.0.0; do
  installation="$work/installed-$version"
  cp -R "$work/release-$version" "$installation"
  run_tool "$update" --dir "$(tool_path "$installation")" --host "$address" --path "$base_url" update >"$work/out"
  [ $status = 0 ] || fail "updating $version: exit $status: $(cat "$work/out")"
  rm -rf "$installation/cache"
  diff -r "$work/release-1.3.0.0" "$installation" || fail "installation of $version differs from release 1.3.0.0"
  run_tool "$update" --dir "$(tool_path "$installation")" --host "$address" --path "$base_url" check >"$work/out"
  [ $status = 0 ] || fail "the updated installation of $version is not current: $(cat "$work/out")"
done
echo "published three releases; installations of 1.1.0.0 and 1.2.0.0 now equal 1.3.0.0"
