#!/bin/sh
# Installs, with apt-get, every Debian package that building and testing zel needs, when missing.
set -eu
packages="g++ clang libclang-rt-14-dev cmake ninja-build pkg-config libgtest-dev libgmock-dev
  libbenchmark-dev libhidapi-dev valgrind umockdev libumockdev-dev git
  libcli11-dev nlohmann-json3-dev libfmt-dev nodejs dpkg-dev file lintian udev"
# The viewer (serve/): its server's libraries, the browser test's Chromium and Selenium, and npm
# for the plotting library it vendors (a nodejs from elsewhere may bring its own npm).
packages="$packages libcpp-httplib-dev nlohmann-json3-dev chromium chromium-driver python3-selenium"
command -v npm >/dev/null || packages="$packages nodejs npm"
# The Python package: its binding and Debian's Python with what the package and its tests use.
packages="$packages pybind11-dev python3-dev python3-numpy python3-pytest python3-matplotlib"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
if [ -n "$missing" ]; then
  [ "$(id -u)" -eq 0 ] || { echo "setup: run as root to install:$missing" >&2; exit 1; }
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
fi
# The viewer's plotting library, and the JCAMP-DX reader the format tests load files with, at the
# versions their package-lock.json files pin.
for dir in serve/web tests; do
  at="$(dirname "$0")/../$dir"
  [ -d "$at/node_modules" ] && [ "$at/node_modules" -nt "$at/package-lock.json" ] ||
    (cd "$at" && npm ci --no-audit --no-fund)
done
