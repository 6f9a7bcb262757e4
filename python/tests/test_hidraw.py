"""Modules found and opened through the system's HID library: virtual modules behind emulated
/dev/hidraw nodes (zel_hidraw_run, built where umockdev is installed)."""

import os
import subprocess
import sys
import textwrap

import pytest

HARNESS = os.environ.get("ZEL_HIDRAW_RUN")

CHILD = textwrap.dedent("""
    import zel
    found = zel.list_modules()
    print([(m.serial, hex(m.vendor_id), m.path.startswith("/dev/hidraw")) for m in found])
    with zel.open() as m:
        print("first", m.serial, m.info == found[0])
    with zel.open(serial="ZELB0002") as m:
        print("by serial", m.serial, len(m.scan(config=2)))
    with zel.open(path=found[0].path) as m:
        print("by path", m.serial, m.sensors().battery_v)
    try:
        zel.open(serial="ZELC0003")
    except zel.NoModuleError as e:
        print("missing", e.code.name)
""")


@pytest.mark.skipif(not HARNESS, reason="zel_hidraw_run was not built (no umockdev)")
def test_attached_modules():
    out = subprocess.run([HARNESS, "ZELA0001", "ZELB0002", "--", sys.executable, "-c", CHILD],
                         capture_output=True, text=True, timeout=120)
    assert out.returncode == 0, out.stderr
    assert out.stdout.splitlines() == [
        "[('ZELA0001', '0x451', True), ('ZELB0002', '0x451', True)]",
        "first ZELA0001 True",
        "by serial ZELB0002 220",
        "by path ZELA0001 4.02",
        "missing NO_MODULE",
    ]
