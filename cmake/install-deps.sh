#!/bin/sh
# Installs the Debian packages that the builds and tests need, when any is missing.
# Runs as root on a fresh machine; does nothing when everything is there. With the
# argument "fuzz" it also installs clang and its libFuzzer runtime, for make fuzz.
set -eu
packages="cmake ninja-build g++ googletest libgtest-dev mingw-w64 g++-mingw-w64-x86-64-posix
  wine wine64 libgnutls30 nginx-light curl xvfb imagemagick xdotool fonts-wqy-microhei fonts-wine iproute2
  procps time libssl-dev openssl squid tinyproxy"
if [ "${1:-}" = fuzz ]; then
  packages="$packages clang libclang-rt-dev"
fi
missing=
for p in $packages; do
  dpkg-query -W -f '${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# Servers among them (nginx, the proxies) are installed, not started: the tests start their
# own on loopback.
policy=/usr/sbin/policy-rc.d
own_policy=
if [ ! -e $policy ]; then
  printf '#!/bin/sh\nexit 101\n' >$policy
  chmod +x $policy
  own_policy=1
  trap 'rm -f $policy' EXIT
fi
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $missing
