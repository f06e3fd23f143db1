#!/bin/sh
# A whole update through the window, under Wine on a virtual X display: for each system
# language (English, then Wine's 0x0804 and 0x0404 through LANG), a demo installation at
# 1.1.0.0 is updated to 1.3.0.0 from the nginx fixture by UpdateDriver, which presses the
# buttons and checks the texts and files; screenshots of the display before and after go
# to the output directory as window-<language>-before.png and window-<language>-after.png.
#
# run-window-e2e.sh <QuilletUpdate.exe> <Language dir> <main program fixtures dir>
#                   <UpdateDriver.exe> <output dir> <default Wine prefix>
set -eu
updater=$1 languages=$2 fixtures=$3 driver=$4 out=$5
: "${WINEPREFIX:=$6}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
nginx_dir=${QUILLET_NGINX_DIR:?needs the nginx fixture}

# A host path as Wine's programs see it, on drive Z:.
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

# The release, where the updater's built-in path points on the fixture's server.
release="$nginx_dir/root/k9tz/Quillet"
rm -rf "$release"
mkdir -p "$release/docs" "$out"
printf '[conf]\r\ncurr_version=1.3.0.0\r\n\r\n[files_ver_1.3.0.0]\r\nf1=Quillet.exe\r\n\r\n[files_ver_1.2.0.0]\r\nf1=docs/notes.txt\r\n\r\n[files_ver_1.1.0.0]\r\nf1=Quillet.exe\r\n' \
  >"$release/update.ini.rar"
cp "$fixtures/Quillet-1.3.0.0.exe" "$release/Quillet.exe.rar"
printf 'Quillet 1.3.0.0 release notes\r\n' >"$release/docs/notes.txt.rar"
work=$(mktemp -d "$out/e2e-work.XXXXXX")
expected_notes="$work/notes.txt"
cp "$release/docs/notes.txt.rar" "$expected_notes"
xvfb=
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work" "$release"
}
trap cleanup EXIT INT TERM

. "$(dirname "$0")/driven-update.sh"
start_virtual_display "$work"

# Chinese text in the dialog fonts through font linking, as Windows does it.
sh "$(dirname "$0")/../../../cmake/wine-font-links.sh"

status=0
# run_language TAG LOCALE LANGUAGE_FILE
run_language() {
  tag=$1 locale=$2 file=$3
  demo="$work/demo-$tag"
  markers="$work/markers-$tag"
  mkdir -p "$demo" "$markers"
  cp "$updater" "$demo/QuilletUpdate.exe"
  cp -r "$languages" "$demo/Language"
  cp "$fixtures/Quillet-1.1.0.0.exe" "$demo/Quillet.exe"

  LANG=$locale LC_ALL=$locale wine explorer "/desktop=Quillet-$tag,800x600" "$driver" \
    "$(windows_path "$demo")" "$file" "$(windows_path "$markers")" \
    Quillet.exe "$(windows_path "$fixtures/Quillet-1.3.0.0.exe")" \
    'docs\notes.txt' "$(windows_path "$expected_notes")" &
  follow_driver $! "$markers" "$out/window-$tag"
  result=$driver_result
  echo "$tag ($locale, $file): $result"
  [ "$result" = passed ] || status=1
}

run_language en en_US.UTF-8 eng.ini
run_language chs zh_CN.UTF-8 chs.ini
run_language cht zh_TW.UTF-8 cht.ini
exit $status
