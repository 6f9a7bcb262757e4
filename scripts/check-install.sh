#!/bin/sh
# Installs the build in BUILD_DIR (default build/default) into a temporary prefix, checks that the
# installed headers are exactly the public ones, builds the example host programs against the
# installed package (CMake and pkg-config) and runs them on the virtual module: scan_csv by putting
# the build's virtual libzel.so.0 first on the library path, spectra_csv through zel_open_virtual.
# Then imports the installed Python package with Debian's interpreter and scans a virtual module.
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/default}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'libzel.so' | head -n 1)")
headers=$(cd "$prefix/include" && find . -type f | sort | tr '\n' ' ')
expected="./zel/device/status.h ./zel/device/version.h ./zel/module.h ./zel/spectrum/zelspec_records.h ./zel/zel.h "
[ "$headers" = "$expected" ] || { echo "check-install: installed headers: $headers" >&2; exit 1; }
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

PKG_CONFIG_PATH="$libdir/pkgconfig" cc -std=c11 -Wall -Wextra -Werror -o "$work/spectra_csv_pc" \
  examples/spectra_csv.c $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs zel)
for program in "$work/example/spectra_csv" "$work/spectra_csv_pc"; do
  LD_LIBRARY_PATH="$libdir" "$program" --virtual >"$work/spectra.csv" 2>"$work/spectra.err"
  head -n 1 "$work/spectra.csv" | grep -qx 'configuration,wavelength_nm,intensity,reference,reflectance'
  rows=$(($(wc -l <"$work/spectra.csv") - 1))
  configs=$(cut -d, -f1 "$work/spectra.csv" | tail -n +2 | sort -u | wc -l)
  [ "$configs" -eq 4 ] && [ "$rows" -gt 800 ] ||
    { echo "check-install: $program: $rows rows over $configs configurations" >&2; exit 1; }
done

# The Python package, where Debian's interpreter looks for this prefix, imported from there.
package=$(find "$prefix" -path '*/dist-packages/zel/__init__.py')
[ -n "$package" ] || { echo "check-install: the Python package zel was not installed" >&2; exit 1; }
pyversion=$(cd "$work" && PYTHONPATH="$(dirname "$(dirname "$package")")" /usr/bin/python3 -c \
  'import zel; m = zel.open_virtual(realtime=False); print(zel.__version__, "scanning", len(m.scan(0)), "points")')

echo "check-install: examples built against $prefix; scan_csv $points points, spectra_csv $rows points of 4 configurations; Python package $pyversion"
