#!/bin/sh
# Installs the build in BUILD_DIR (default build/default) into a temporary prefix, builds the
# example host program against the installed package (CMake and pkg-config), and runs it on the
# virtual module by putting the build's virtual libzel.so.0 first on the library path.
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/default}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'libzel.so' | head -n 1)")
test -f "$prefix/include/zel/zel.h"
test -f "$prefix/lib/udev/rules.d/70-zel.rules"
test -f "$libdir/pkgconfig/zel.pc"

cmake -S examples -B "$work/example" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/example" >/dev/null
PKG_CONFIG_PATH="$libdir/pkgconfig" cc -std=c11 -Wall -Wextra -Werror -o "$work/scan_csv_pc" \
  examples/scan_csv.c $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs zel)

for program in "$work/example/scan_csv" "$work/scan_csv_pc"; do
  LD_LIBRARY_PATH="$PWD/$build/api/virtual" "$program" >"$work/spectrum.csv"
  head -n 1 "$work/spectrum.csv" | grep -qx 'wavelength,intensity'
  points=$(($(wc -l <"$work/spectrum.csv") - 1))
  [ "$points" -gt 0 ] || { echo "check-install: $program printed no points" >&2; exit 1; }
done
echo "check-install: example built against $prefix, $points points on the virtual module"
