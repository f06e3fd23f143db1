#!/bin/sh
# make demo: the updater's main job on this machine. Makes a demo signing key, builds the
# updater trusting it, publishes three signed releases of a demo Quillet.exe (1.1.0.0,
# 1.2.0.0, 1.3.0.0) with quillet-publish, serves them with nginx on 127.0.0.1:80 under
# /k9tz/Quillet/ (the updater's built-in base path on its built-in host, localhost), and
# updates a demo installation at 1.1.0.0 with QuilletUpdate.exe under Wine: on your display
# when DISPLAY is set (you press the buttons), otherwise on a virtual display where a driver
# program presses them and screenshots are saved. Then it publishes a fourth release,
# changes one of its files on the server as an attacker would, and shows the updater
# refusing it.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
demo="$root/build/demo"
work="$demo/run"
keys="$demo/keys"
linux="$demo/build-linux"
windows="$demo/build-windows"

step() { printf '\n== %s\n' "$*"; }

step "Installing what is missing; a demo signing key"
cmake/install-deps.sh
mkdir -p "$keys"
if [ ! -f "$keys/demo.pub" ]; then
  cmake --preset linux >/dev/null
  cmake --build --preset linux --target quillet-publish
  "$root/build/linux/tools/quillet-publish" keygen --private "$keys/demo.key" --public "$keys/demo.pub"
fi

step "Building the demo's programs, trusting the demo key"
# Builds of their own, so that the test builds keep trusting no key.
cmake -S "$root" -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_TRUSTED_KEYS="$keys/demo.pub" >/dev/null
cmake --build "$linux" -j 2 --target quillet-publish quillet-update
cmake -S "$root" -B "$windows" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DQUILLET_TRUSTED_KEYS="$keys/demo.pub" >/dev/null
cmake --build "$windows" -j 2 --target QuilletUpdate UpdateDriver demo_programs

# Another server on 127.0.0.1:80, or on port 80 of every address, would keep nginx out.
if ss -ltnH | awk '{print $4}' | grep -Eq '^(127\.0\.0\.1|0\.0\.0\.0|\*|\[::\]):80$'; then
  echo "make demo: TCP port 80 is already taken on this machine; stop what listens there and try again." >&2
  exit 1
fi

step "Preparing four releases and publishing the first three, signed"
rm -rf "$work"
mkdir -p "$work"
for version in 1.1.0.0 1.2.0.0 1.3.0.0 1.4.0.0; do
  release="$work/releases/$version"
  mkdir -p "$release/templates"
  cp "$windows/demo/Quillet-$version.exe" "$release/Quillet.exe"
  printf 'Vantoro Quillet %s\r\n\r\nThank you for using Quillet.\r\n' "$version" >"$release/readme.txt"
  printf 'Dear ...,\r\n' >"$release/templates/letter.txt"
done
printf 'MEMO\r\nTo:\r\nFrom:\r\n' >"$work/releases/1.2.0.0/templates/memo.txt"
cp "$work/releases/1.2.0.0/templates/memo.txt" "$work/releases/1.3.0.0/templates/memo.txt"
mkdir -p "$work/releases/1.3.0.0/plugins" "$work/releases/1.4.0.0/plugins"
printf 'quill\r\nquillet\r\n' >"$work/releases/1.3.0.0/plugins/spelling.dic"
printf 'quill\r\nquillet\r\nquills\r\n' >"$work/releases/1.4.0.0/plugins/spelling.dic"
cp "$work/releases/1.3.0.0/templates/memo.txt" "$work/releases/1.4.0.0/templates/memo.txt"

server="$work/nginx/root/k9tz/Quillet"
for version in 1.1.0.0 1.2.0.0 1.3.0.0; do
  "$linux/tools/quillet-publish" --server "$server" --release "$work/releases/$version" --key "$keys/demo.key"
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

step "An attack: release 1.4.0.0 is published, then one of its files is changed on the server"
"$linux/tools/quillet-publish" --server "$server" --release "$work/releases/1.4.0.0" --key "$keys/demo.key"
printf 'not what the vendor signed\r\n' >>"$server/plugins/spelling.dic.rar"
refused=0
"$linux/tools/quillet-update" --dir "$install" --host 127.0.0.1 update >"$work/attack.out" 2>&1 || refused=$?
sed 's/^/  | /' "$work/attack.out"
still=$("$linux/tools/quillet-update" --dir "$install" --host 127.0.0.1 check 2>/dev/null | sed -n 's/^Installed version: *//p')
echo "The updater refused it (exit $refused); the installation stays at $still."
[ "$refused" = 1 ] && [ "$still" = 1.3.0.0 ] && grep -q 'does not match its signed size or hash' "$work/attack.out"
