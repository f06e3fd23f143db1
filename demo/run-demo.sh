#!/bin/sh
# make demo: the updater's main job on this machine. Builds what it needs, publishes three
# releases of a demo Quillet.exe (1.1.0.0, 1.2.0.0, 1.3.0.0) with quillet-publish, serves
# them with nginx on 127.0.0.1:80 under /k9tz/Quillet/ (the updater's built-in base path on
# its built-in host, localhost), and updates a demo installation at 1.1.0.0 with
# QuilletUpdate.exe under Wine: on your display when DISPLAY is set (you press the
# buttons), otherwise on a virtual display where a driver program presses them and
# screenshots are saved.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
work="$root/build/demo"
linux="$root/build/linux"
windows="$root/build/windows"

step() { printf '\n== %s\n' "$*"; }

step "Installing what is missing and building"
cmake/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target quillet-publish quillet-update
cmake --preset windows >/dev/null
cmake --build --preset windows --target QuilletUpdate UpdateDriver demo_programs

# Another server on 127.0.0.1:80, or on port 80 of every address, would keep nginx out.
if ss -ltnH | awk '{print $4}' | grep -Eq '^(127\.0\.0\.1|0\.0\.0\.0|\*|\[::\]):80$'; then
  echo "make demo: TCP port 80 is already taken on this machine; stop what listens there and try again." >&2
  exit 1
fi

step "Preparing three releases and publishing them"
rm -rf "$work"
mkdir -p "$work"
for version in 1.1.0.0 1.2.0.0 1.3.0.0; do
  release="$work/releases/$version"
  mkdir -p "$release/templates"
  cp "$windows/demo/Quillet-$version.exe" "$release/Quillet.exe"
  printf 'Vantoro Quillet %s\r\n\r\nThank you for using Quillet.\r\n' "$version" >"$release/readme.txt"
  printf 'Dear ...,\r\n' >"$release/templates/letter.txt"
done
printf 'MEMO\r\nTo:\r\nFrom:\r\n' >"$work/releases/1.2.0.0/templates/memo.txt"
cp "$work/releases/1.2.0.0/templates/memo.txt" "$work/releases/1.3.0.0/templates/memo.txt"
mkdir -p "$work/releases/1.3.0.0/plugins"
printf 'quill\r\nquillet\r\n' >"$work/releases/1.3.0.0/plugins/spelling.dic"

server="$work/nginx/root/k9tz/Quillet"
for version in 1.1.0.0 1.2.0.0 1.3.0.0; do
  "$linux/tools/quillet-publish" --server "$server" --release "$work/releases/$version"
done

step "Serving the releases on http://127.0.0.1/k9tz/Quillet/"
wine_dir="$work/wine"
xvfb=
desktop=
cleanup() {
  [ -n "$desktop" ] && kill "$desktop" 2>/dev/null
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  sh tests/support/nginx-fixture.sh stop 127.0.0.1 "$work/nginx"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
sh tests/support/nginx-fixture.sh start 127.0.0.1 "$work/nginx"

step "Creating the demo installation at 1.1.0.0"
install="$work/install"
mkdir -p "$install"
cp -r "$work/releases/1.1.0.0/." "$install/"
cp "$windows/app/program/QuilletUpdate.exe" "$install/"
cp -r "$windows/app/program/Language" "$install/"
before=$("$linux/tools/quillet-update" --dir "$install" --host 127.0.0.1 check | sed -n 's/^Installed version: *//p')

export WINEPREFIX="$wine_dir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
sh cmake/wine-font-links.sh
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

shots="$work/screenshots"
mkdir -p "$shots"
if [ -n "${DISPLAY:-}" ]; then
  step "Starting QuilletUpdate.exe on your display: press its update button, then OK"
  (cd "$install" && wine QuilletUpdate.exe)
else
  step "Running QuilletUpdate.exe on a virtual display, driven by the test driver"
  . tests/app/e2e/driven-update.sh
  start_virtual_display "$work"
  markers="$work/markers"
  mkdir -p "$markers"
  wine explorer /desktop=QuilletDemo,800x600 "$windows/tests/app/UpdateDriver.exe" "$(windows_path "$install")" \
    eng.ini "$(windows_path "$markers")" \
    Quillet.exe "$(windows_path "$work/releases/1.3.0.0/Quillet.exe")" \
    'plugins\spelling.dic' "$(windows_path "$work/releases/1.3.0.0/plugins/spelling.dic")" &
  desktop=$!
  follow_driver "$desktop" "$markers" "$shots/window"
  desktop=
  echo "Driver: $driver_result"
fi

step "What happened"
after=$("$linux/tools/quillet-update" --dir "$install" --host 127.0.0.1 check | sed -n 's/^Installed version: *//p')
echo "Installed version before: $before"
echo "Installed version after:  $after"
echo "Installed files now identical to release 1.3.0.0:"
(cd "$work/releases/1.3.0.0" && find . -type f | sort | while read -r file; do
  if cmp -s "$file" "$install/$file"; then echo "  ${file#./}"; else echo "  ${file#./} (DIFFERS)"; fi
done)
[ -z "$xvfb" ] || echo "Screenshots: $shots/window-before.png, $shots/window-after.png"
[ "$after" = 1.3.0.0 ]
