#!/bin/sh
# Builds the Debian packages (one build, Debian's hardening flags, cpack), checks them with lintian
# (errors fail, warnings are listed), installs them with apt-get, runs what they installed from the
# installed files only (a clean environment in an empty folder), then purges them and checks that
# nothing of them is left. Run as root: scripts/check-packages.sh [BUILD_DIR]
# The packages land in BUILD_DIR/debs (default build/packages/debs).
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/packages}
debs="$build/debs"
work=$(mktemp -d)
# For the unprivileged user: TMPDIR may be a folder only root can enter.
nobody_dir=$(mktemp -d /tmp/zel-check-packages.XXXXXX)
trap 'rm -rf "$work" "$nobody_dir"' EXIT
all_packages="libzel0 libzel-dev zel-tools python3-zel"

say() { echo "check-packages: $*"; }
fail() { echo "check-packages: FAILED: $*" >&2; exit 1; }
installed_packages() {
    for p in $all_packages; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed' &&
            echo "$p"
    done
    return 0
}
purge() {
    leftover=$(installed_packages)
    [ -z "$leftover" ] || DEBIAN_FRONTEND=noninteractive apt-get purge -y -q $leftover >/dev/null
}
[ "$(id -u)" -eq 0 ] || fail "run as root (apt-get install)"

# A package left installed by an earlier run would not be reinstalled from the new files.
purge

# --- Build ---------------------------------------------------------------------------------------
# The changelog's date is the last commit's, so that two builds of one commit give the same files.
if git rev-parse --git-dir >/dev/null 2>&1; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
    export SOURCE_DATE_EPOCH
fi
# Debian's build flags (hardening included), given explicitly so that a rerun applies them too.
flag() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
ldflags=$(flag LDFLAGS)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_C_FLAGS="$(flag CFLAGS) $(flag CPPFLAGS)" \
    -DCMAKE_CXX_FLAGS="$(flag CXXFLAGS) $(flag CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
    -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" \
    -DZEL_WERROR=ON -DZEL_TESTS=OFF -DZEL_BENCH=OFF >/dev/null
cmake --build "$build" -j2
rm -rf "$debs"
cpack --config "$build/CPackConfig.cmake" -B "$debs" >/dev/null
rm -rf "$debs/_CPack_Packages"
for p in $all_packages; do
    ls "$debs/${p}_"*.deb >/dev/null 2>&1 || fail "no package $p"
done
for deb in "$debs"/*.deb; do
    say "built $(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
done

# --- lintian -------------------------------------------------------------------------------------
lintian --fail-on error --tag-display-limit 0 "$debs"/*.deb >"$work/lintian.txt" 2>&1 ||
    { cat "$work/lintian.txt" >&2; fail "lintian found errors"; }
if grep -q '^W: ' "$work/lintian.txt"; then
    say "lintian warnings:"
    grep '^W: ' "$work/lintian.txt"
else
    say "lintian: no errors, no warnings"
fi

# --- The shlibs file: a program built against libzel depends on this version or later ------------
version=$(dpkg-deb -f "$debs"/libzel0_*.deb Version)
dpkg-deb --ctrl-tarfile "$debs"/libzel0_*.deb | tar -xO ./shlibs >"$work/shlibs"
grep -qx "libzel 0 libzel0 (>= $version)" "$work/shlibs" || fail "shlibs: $(cat "$work/shlibs")"

# --- Install -------------------------------------------------------------------------------------
DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$PWD/$debs"/*.deb >/dev/null
installed=$(installed_packages)
for p in $installed; do
    dpkg -L "$p" >"$work/$p.list"
done
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
lib="/usr/lib/$multiarch"
has() { # $1: package, then the paths it must hold
    p=$1
    shift
    for f in "$@"; do
        grep -qx "$f" "$work/$p.list" || fail "$p lacks $f"
    done
}
has libzel0 "$lib/libzel.so.0" /usr/lib/udev/rules.d/70-zel.rules \
    /usr/lib/udev/rules.d/70-zel-plugdev.rules
has libzel-dev /usr/include/zel/zel.h /usr/include/zel/module.h "$lib/pkgconfig/zel.pc" \
    "$lib/cmake/zel/zelConfig.cmake" "$lib/zel/virtual/libzel.so.0"
has zel-tools /usr/bin/zel /usr/bin/zel-console /usr/share/man/man1/zel.1.gz
grep -q '^/usr/lib/python3/dist-packages/zel/_zel\.cpython-.*\.so$' "$work/python3-zel.list" ||
    fail "python3-zel lacks the extension in /usr/lib/python3/dist-packages/zel"
# Nothing installed may look for libraries in the build tree.
for p in $installed; do
    while read -r f; do
        [ -f "$f" ] && [ ! -L "$f" ] && head -c 4 "$f" | grep -q 'ELF' || continue
        if readelf -d "$f" | grep -q 'R.*PATH'; then fail "$f has a run path"; fi
    done <"$work/$p.list"
done

# --- Emulated hidraw nodes (umockdev) ------------------------------------------------------------
# The udev description of a hidraw node and the HID and USB devices above it.
# $1: the HID device's kernel name, bus:vendor:product.instance (0003:0451:4201.0001).
hid_path() { echo "/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/$1"; }
describe_node() {
    bus=${1%%:*}
    ids=${1#*:}
    vendor=${ids%%:*}
    product=${ids#*:}
    product=${product%%.*}
    cat <<EOF
P: $(hid_path "$1")/hidraw/hidraw0
N: hidraw0
E: DEVNAME=/dev/hidraw0
E: SUBSYSTEM=hidraw
L: device=../../../$1

P: $(hid_path "$1")
E: SUBSYSTEM=hid
E: DRIVER=hid-generic
E: HID_ID=$bus:0000$vendor:0000$product
E: HID_NAME=NIR spectrometer module
E: HID_UNIQ=ZEL00001

P: /devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0
E: SUBSYSTEM=usb
E: DEVTYPE=usb_interface

P: /devices/pci0000:00/0000:00:14.0/usb1/1-1
E: SUBSYSTEM=usb
E: DEVTYPE=usb_device
A: idVendor=$(echo "$vendor" | tr A-F a-f)
A: idProduct=$(echo "$product" | tr A-F a-f)
EOF
}

# --- The installed udev rules match the module's hidraw nodes and nothing else -------------------
# udevadm test runs the installed rules on an emulated node, in a mount namespace of its own so
# that the udev database it writes never touches the machine's. $1: as for describe_node. Prints
# the node's tags.
udev_tags() {
    describe_node "$1" >"$work/node.umockdev"
    unshare -m sh -c 'mount -t tmpfs tmpfs /run/udev &&
        umockdev-run -d "$1" -- udevadm test --action=add "/sys$2/hidraw/hidraw0"' \
        sh "$work/node.umockdev" "$(hid_path "$1")" 2>/dev/null | sed -n 's/^TAGS=//p'
}
if command -v udevadm >/dev/null && unshare -m true 2>/dev/null; then
    for hid in 0003:0451:4201.0001 0003:0451:00A1.0002 0003:046D:C52B.0003 0005:0451:4201.0004; do
        case "$hid:$(udev_tags "$hid")" in
        0003:0451:*:uaccess:*) ;; # USB, vendor 0451, any product: the module
        0003:0451:*) fail "70-zel.rules does not tag the module's node $hid" ;;
        *:*:uaccess:*) fail "70-zel.rules tags $hid, not the module's" ;;
        esac
    done
    # The plugdev rule matches the same nodes by the same keys.
    match='SUBSYSTEM=="hidraw", KERNELS=="0003:0451:\*"'
    grep -q "^$match, TAG+=\"uaccess\"$" /usr/lib/udev/rules.d/70-zel.rules &&
        grep -q "^$match, GROUP=\"plugdev\", MODE=\"0660\"$" \
            /usr/lib/udev/rules.d/70-zel-plugdev.rules ||
        fail "the two udev rules do not match the same nodes"
    say "udev rules: the module's hidraw nodes are tagged uaccess, not other vendors' or Bluetooth"
else
    say "skipped the udev rule check: needs udevadm (package udev) and mount namespaces"
fi

# --- Run, from the installed files only ----------------------------------------------------------
mkdir -p "$work/run" "$work/home" "$work/tmp"
clean() {
    (cd "$work/run" &&
        env -i PATH=/usr/bin:/bin HOME="$work/home" TMPDIR="$work/tmp" LANG=C.UTF-8 "$@")
}

clean zel --version | grep -qx "zel $version" || fail "zel --version does not say zel $version"
clean zel scan --virtual -o "$work/x.csv"
grep -v '^#' "$work/x.csv" >"$work/x.rows"
head -n 1 "$work/x.rows" | grep -qx 'wavelength_nm,intensity,reference,reflectance' ||
    fail "zel scan --virtual wrote no CSV header"
points=$(($(wc -l <"$work/x.rows") - 1))
[ "$points" -gt 100 ] || fail "zel scan --virtual wrote $points points"
say "zel: --version, and a scan on the virtual module of $points points"

# Debian's python3 imports the installed package and scans on its virtual module.
clean /usr/bin/python3 -c '
import zel
print(zel.__file__)
with zel.open_virtual(realtime=False) as m:
    print(len(m.scan(config=0).wavelengths))' >"$work/python.txt"
grep -qx '/usr/lib/python3/dist-packages/zel/__init__.py' "$work/python.txt" ||
    fail "import zel found $(head -n 1 "$work/python.txt")"
points=$(sed -n 2p "$work/python.txt")
[ "$points" -gt 100 ] || fail "the Python scan gave $points points"
say "python3: import zel from /usr/lib/python3/dist-packages, $points points on the virtual module"

# A user who may not open the module's device node: the tool and the Python package find the
# module and say that permission was denied and how to get it.
describe_node 0003:0451:4201.0001 >"$nobody_dir/module.umockdev"
chown -R nobody "$nobody_dir"
# $1: a command that nobody runs while the emulated node has mode 000 (the node is a
# pseudo-terminal that umockdev opened for nobody).
as_nobody_without_access() {
    (cd "$nobody_dir" && setpriv --reuid=nobody --regid=nogroup --clear-groups \
        env -i PATH=/usr/bin:/bin HOME="$nobody_dir" TMPDIR="$nobody_dir" LANG=C.UTF-8 \
        umockdev-run -d module.umockdev -- sh -c 'chmod 000 "$UMOCKDEV_DIR/dev/hidraw0" && '"$1")
}
denied="opening /dev/hidraw0: permission denied on the module's device node: add the user to \
group plugdev (udev rule 70-zel-plugdev.rules) or log in at the seat (rule 70-zel.rules), then \
replug the module"
as_nobody_without_access 'zel list; zel info; echo "exit $?"' >"$work/denied.txt" 2>&1
grep -q '^ZEL00001  0451    4201     /dev/hidraw0$' "$work/denied.txt" ||
    fail "zel list does not show the emulated module: $(cat "$work/denied.txt")"
grep -qxF "zel: $denied" "$work/denied.txt" && grep -qx 'exit 1' "$work/denied.txt" ||
    fail "zel info without access: $(cat "$work/denied.txt")"
as_nobody_without_access "/usr/bin/python3 -c '
import zel
try:
    zel.open()
except zel.PermissionDeniedError as error:
    print(error)'" >"$work/denied.txt" 2>&1
grep -qxF "$denied [PERMISSION]" "$work/denied.txt" ||
    fail "zel.open() without access: $(cat "$work/denied.txt")"
say "without access to the node: zel and zel.open() say permission denied and name the fix"

# The examples, built with pkg-config and with the CMake package, run on the virtual module:
# scan_csv on the virtual-module library, spectra_csv through zel_open_virtual.
cp -r /usr/share/doc/libzel-dev/examples "$work/run/example"
for example in scan_csv spectra_csv; do
    clean sh -c "cc -std=c11 -Wall -Wextra -Werror -o $example example/$example.c \
        \$(pkg-config --cflags --libs zel)"
done
clean cmake -S example -B example-build -G Ninja >/dev/null
clean cmake --build example-build >/dev/null
for program in scan_csv example-build/scan_csv; do
    clean env LD_LIBRARY_PATH="$lib/zel/virtual" "./$program" >"$work/spectrum.csv"
    head -n 1 "$work/spectrum.csv" | grep -qx 'wavelength,intensity' ||
        fail "$program: no CSV header"
    points=$(($(wc -l <"$work/spectrum.csv") - 1))
    [ "$points" -gt 0 ] || fail "$program printed no points"
done
for program in spectra_csv example-build/spectra_csv; do
    clean "./$program" --virtual >"$work/spectra.csv" 2>/dev/null
    head -n 1 "$work/spectra.csv" |
        grep -qx 'configuration,wavelength_nm,intensity,reference,reflectance' ||
        fail "$program: no CSV header"
    rows=$(($(wc -l <"$work/spectra.csv") - 1))
    [ "$rows" -gt 0 ] || fail "$program printed no points"
done
# Without the virtual folder scan_csv loads the installed library.
clean ldd ./scan_csv | grep -q "libzel.so.0 => \(/usr\)\?/lib/$multiarch/libzel.so.0 " ||
    fail "scan_csv does not load the installed libzel.so.0"
say "examples: built with pkg-config and CMake; on the virtual module scan_csv $points points," \
    "spectra_csv $rows"

# A program built against libzel depends on libzel0 of this version or later.
mkdir -p "$work/run/debian" && : >"$work/run/debian/control"
clean dpkg-shlibdeps -O scan_csv 2>/dev/null | grep -q "libzel0 (>= $version)" ||
    fail "dpkg-shlibdeps does not derive libzel0 (>= $version) for a program built against it"

# --- Purge, then nothing of the packages is left -------------------------------------------------
purge
[ -z "$(installed_packages)" ] || fail "still installed: $(installed_packages)"
for p in $installed; do
    while read -r f; do
        if [ -d "$f" ] && [ ! -L "$f" ]; then
            # A folder other packages own stays; one of ours only if something was left in it.
            dpkg-query -S "$f" >/dev/null 2>&1 || fail "$p left the folder $f: $(ls -A "$f")"
        elif [ -e "$f" ] || [ -L "$f" ]; then
            fail "$p left $f"
        fi
    done <"$work/$p.list"
done
say "purged $(echo $installed): nothing left"
