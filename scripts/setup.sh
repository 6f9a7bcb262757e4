#!/bin/sh
# Installs, with apt-get, every Debian package that building and testing zel needs, when missing.
set -eu
packages="g++ clang libclang-rt-14-dev cmake ninja-build pkg-config libgtest-dev libgmock-dev
  libbenchmark-dev libhidapi-dev valgrind umockdev libumockdev-dev git
  dpkg-dev file lintian udev"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
if [ -n "$missing" ]; then
  [ "$(id -u)" -eq 0 ] || { echo "setup: run as root to install:$missing" >&2; exit 1; }
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
fi
