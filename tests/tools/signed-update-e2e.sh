#!/bin/sh
# Signed updates end to end: releases published and signed with quillet-publish into a
# folder that the nginx fixture serves, installations updated by a quillet-update that
# trusts the test keys, and the attacks it must refuse, each leaving the installation byte
# for byte as it was and saying why. Keys and signatures cross between our tools and the
# openssl command both ways.
#   signed-update-e2e.sh WORK PROGRAMS PUBLISH UPDATE KEYS [EMULATOR HOLDER]
# UPDATE trusts KEYS/trusted.pub and KEYS/rotated.pub (made by openssl), not
# KEYS/stranger.pub. EMULATOR runs Windows tools; HOLDER then holds a file open without
# sharing.
set -u
work=$1 programs=$2 publish=$3 update=$4 keys=$5
emulator=${6:-}
holder=${7:-}

nginx_dir=${QUILLET_NGINX_DIR:?started without the nginx fixture}
address=$(cat "$nginx_dir/address")
server="$nginx_dir/root/signed-e2e"
base_url="http://$address/signed-e2e/"
failures=0

fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
. "$(dirname "$0")/../support/e2e.sh"
run() {
  status=0
  if [ -n "$emulator" ]; then "$emulator" "$@" >"$work/out" 2>"$work/err" || status=$?; else "$@" >"$work/out" 2>"$work/err" || status=$?; fi
}
show() { sed 's/^/    | /' "$work/out" "$work/err"; }
publish_release() { # VERSION KEY...
  version=$1
  shift
  args=
  for key in "$@"; do args="$args --key $(tool_path "$key")"; done
  # shellcheck disable=SC2086
  run "$publish" --server "$(tool_path "$server")" --release "$(tool_path "$work/release-$version")" $args
  [ $status = 0 ] || { fail "publishing $version: exit $status"; show; }
}
update_inst() { run "$update" --dir "$(tool_path "$inst")" --host "$address" --path "$base_url" "${1:-update}"; }
snapshot() { (cd "$inst" && find . -path ./cache -prune -o -type f -print | sort | xargs sha256sum) >"$1"; }
# refused DESCRIPTION REASON: the update failed for REASON and the installation is unchanged.
refused() {
  snapshot "$work/before"
  update_inst update
  if [ $status = 0 ] || ! grep -q "$2" "$work/err"; then
    fail "$1: exit $status, not refused with \"$2\""
    show
  fi
  snapshot "$work/after"
  cmp -s "$work/before" "$work/after" || fail "$1: the installation changed"
}

rm -rf "$work" "$server"
mkdir -p "$work"
for version in 1.1.0.0 1.2.0.0 1.3.0.0; do
  mkdir -p "$work/release-$version/Language"
  cp "$programs/Quillet-$version.exe" "$work/release-$version/Quillet.exe"
done
printf 'chs 1\r\n' >"$work/release-1.1.0.0/Language/chs.ini"
seq 1 40000 >"$work/release-1.1.0.0/data.bin"
printf 'chs 2\r\n' >"$work/release-1.2.0.0/Language/chs.ini"
seq 1 50000 >"$work/release-1.2.0.0/data.bin"
cp "$work/release-1.2.0.0/Language/chs.ini" "$work/release-1.3.0.0/Language/chs.ini"
seq 1 60000 >"$work/release-1.3.0.0/data.bin"

echo "== our key pair, checked by openssl; openssl's key used by our tools"
run "$publish" keygen --private "$(tool_path "$work/ours.key")" --public "$(tool_path "$work/ours.pub")"
[ $status = 0 ] || { fail "keygen: exit $status"; show; }
openssl pkey -in "$work/ours.key" -noout 2>/dev/null || fail "openssl cannot read our private key"
openssl pkey -pubin -in "$work/ours.pub" -noout 2>/dev/null || fail "openssl cannot read our public key"
[ "$(openssl pkey -in "$work/ours.key" -pubout)" = "$(cat "$work/ours.pub")" ] || fail "our public key is not the private key's"

echo "== an honest signed update, signed by openssl's key"
publish_release 1.1.0.0 "$keys/trusted.key"
publish_release 1.2.0.0 "$keys/trusted.key"
# Our signature of the manifest, checked by openssl with the key id it names.
line=$(grep "^$(openssl pkey -pubin -in "$keys/trusted.pub" -outform DER | sha256sum | cut -d' ' -f1) " "$server/update.ini.sig.rar" | tail -1)
[ -n "$line" ] || fail "no signature line names the key's id"
printf '%s' "${line#* }" | openssl base64 -d -A >"$work/sig.der"
openssl pkeyutl -verify -pubin -inkey "$keys/trusted.pub" -rawin -digest sha256 -in "$server/update.ini.rar" \
  -sigfile "$work/sig.der" >/dev/null || fail "openssl does not verify our signature of the manifest"
inst="$work/inst"
cp -R "$work/release-1.1.0.0" "$inst"
update_inst update
[ $status = 0 ] || { fail "the honest update: exit $status"; show; }
rm -rf "$inst/cache/update.ini" "$inst/cache/update.ini.sig"
diff -r -x cache "$work/release-1.2.0.0" "$inst" || fail "the honest update did not install 1.2.0.0"

echo "== attacks on the next release"
cp "$server/update.ini.rar" "$work/manifest-1.2"
cp "$server/update.ini.sig.rar" "$work/signature-1.2"
publish_release 1.3.0.0 "$keys/trusted.key"
cp "$server/update.ini.rar" "$work/good-manifest"
cp "$server/update.ini.sig.rar" "$work/good-signature"
restore() {
  cp "$work/good-manifest" "$server/update.ini.rar"
  cp "$work/good-signature" "$server/update.ini.sig.rar"
}
# signature_by KEY: a signature line over the served manifest, made by openssl.
signature_by() {
  id=$(openssl pkey -pubin -in "$1.pub" -outform DER | sha256sum | cut -d' ' -f1)
  sig=$(openssl pkeyutl -sign -inkey "$1.key" -rawin -digest sha256 -in "$server/update.ini.rar" | openssl base64 -A)
  printf '%s %s\n' "$id" "$sig"
}
sed 's/curr_version=1.3.0.0/curr_version=1.3.0.1/' "$work/good-manifest" >"$server/update.ini.rar"
refused "the manifest changed by one byte" "signature is invalid"
restore
rm "$server/update.ini.sig.rar"
refused "no signature file" "signature is missing"
restore
signature_by "$keys/stranger" >"$server/update.ini.sig.rar"
refused "a signature by an unknown key" "signed by an unknown key"
restore
cp "$server/data.bin.rar" "$work/good-data"
printf 'tampered' >>"$server/data.bin.rar"
refused "a file changed on the server after publication" "file data.bin does not match its signed size or hash"
cp "$work/good-data" "$server/data.bin.rar"
# What the vendor signed long ago, with a serial from the future: expired all the same.
sed 's/^expires=.*/expires=2020-01-01T00:00:00Z/; s/^serial=.*/serial=99/' "$work/good-manifest" >"$server/update.ini.rar"
signature_by "$keys/trusted" >"$server/update.ini.sig.rar"
refused "an expired manifest" "the manifest expired on 2020-01-01T00:00:00Z (this computer's clock says "
restore
# Serial 3 accepted; the older 1.2.0.0 manifest replayed afterwards.
update_inst check
[ $status = 100 ] || { fail "checking 1.3.0.0: exit $status"; show; }
cp "$work/manifest-1.2" "$server/update.ini.rar"
cp "$work/signature-1.2" "$server/update.ini.sig.rar"
refused "an older signed manifest replayed" "serial 2 is older than 3"
# The same replay to a fresh installation of 1.3.0.0 offers nothing.
saved_inst=$inst
inst="$work/fresh-1.3"
cp -R "$work/release-1.3.0.0" "$inst"
refused "an older signed manifest replayed to a newer installation" "no release section for the installed version 1.3.0.0"
inst=$saved_inst
restore

echo "== two signatures, one by a retired key"
signature_by "$keys/stranger" >"$server/update.ini.sig.rar"
cat "$work/good-signature" >>"$server/update.ini.sig.rar"
update_inst update
[ $status = 0 ] || { fail "the update to 1.3.0.0: exit $status"; show; }
diff -r -x cache "$work/release-1.3.0.0" "$inst" || fail "the update did not install 1.3.0.0"
restore

echo "== a refresh; the publisher refuses to sign a served copy that no longer matches"
run "$publish" refresh --server "$(tool_path "$server")" --key "$(tool_path "$keys/trusted.key")" --key "$(tool_path "$keys/rotated.key")"
[ $status = 0 ] || { fail "refresh: exit $status"; show; }
update_inst check
[ $status = 0 ] || { fail "the check after the refresh: exit $status"; show; }
printf 'x' >>"$server/Language/chs.ini.rar"
run "$publish" refresh --server "$(tool_path "$server")" --key "$(tool_path "$keys/trusted.key")"
[ $status = 1 ] && grep -q "no longer matches its signed size and hash" "$work/err" || { fail "refresh over a changed copy: exit $status"; show; }

echo "== a release that replaces the running updater itself"
# The release carries a new build of the tool that runs the update, from the installation.
tool=$(basename "$update")
mkdir -p "$work/release-1.4.0.0"
cp -R "$work/release-1.3.0.0/." "$work/release-1.4.0.0/"
cp "$update" "$work/release-1.4.0.0/$tool"
printf 'new build' >>"$work/release-1.4.0.0/$tool"
cp "$update" "$inst/$tool"
cp "$work/release-1.3.0.0/Language/chs.ini" "$server/Language/chs.ini.rar"
run "$publish" --server "$(tool_path "$server")" --release "$(tool_path "$work/release-1.4.0.0")" --version 1.4.0.0 \
  --key "$(tool_path "$keys/trusted.key")"
[ $status = 0 ] || { fail "publishing 1.4.0.0: exit $status"; show; }
paused() { [ -e "$inst/cache/paused-cleaning" ]; }
held() { grep -q '^held' "$work/held"; }
(
  export QUILLET_TEST_PAUSE_INSTALL=cleaning
  run "$inst/$tool" --dir "$(tool_path "$inst")" --host "$address" --path "$base_url" update
  exit $status
) &
tool_pid=$!
tries=0
until paused || [ $tries -gt 1200 ]; do sleep 0.05; tries=$((tries + 1)); done
paused || fail "the installation never stood at cleaning"
if [ -n "$emulator" ]; then
  # Its kept copy is still held (a running program's is, until it exits).
  rm -f "$work/hold-input"
  mkfifo "$work/hold-input"
  $emulator "$holder" "$(tool_path "$inst/$tool.quillet-old")" <"$work/hold-input" >"$work/held" 2>&1 &
  holder_pid=$!
  exec 3>"$work/hold-input"
  tries=0
  until held || [ $tries -gt 1200 ]; do sleep 0.05; tries=$((tries + 1)); done
fi
rm -f "$inst/cache/paused-cleaning"
wait $tool_pid
status=$?
[ $status = 0 ] || { fail "replacing the running updater: exit $status"; show; }
cmp -s "$inst/$tool" "$work/release-1.4.0.0/$tool" || fail "the updater was not replaced"
if [ -n "$emulator" ]; then
  [ -e "$inst/$tool.quillet-old" ] || fail "the held kept copy is gone"
  grep -q "$tool\$" "$inst/cache/install.journal" || fail "the journal does not remember the kept copy"
  exec 3>&-
  wait "$holder_pid"
fi
update_inst check
[ -e "$inst/$tool.quillet-old" ] && fail "the kept copy of the updater stays after the next run"
[ -e "$inst/cache/install.journal" ] && fail "the journal stays after the next run"

echo "$failures failures"
[ $failures = 0 ]
