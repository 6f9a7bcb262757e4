"""The package's surface on a virtual module: identity, sensors, controls, configurations."""

import inspect
import pathlib
import pydoc
import re

import pytest

import zel

SOURCE = pathlib.Path(__file__).resolve().parents[2]


def test_version_is_the_librarys():
    header = (SOURCE / "device" / "version.h").read_text()
    assert zel.__version__ == re.search(r'ZEL_VERSION_STRING "([^"]+)"', header).group(1)


def test_public_names_are_documented():
    for name in zel.__all__:
        value = getattr(zel, name)
        if inspect.isfunction(value) or inspect.isclass(value):
            assert value.__doc__, name
    for cls in (zel.Module, zel.Spectrum, zel.VirtualControls):
        for attr, member in vars(cls).items():
            if not attr.startswith("_"):
                assert member.__doc__, f"{cls.__name__}.{attr}"
    assert zel.Module.__module__ == "zel"
    text = pydoc.render_doc(zel, renderer=pydoc.plaintext)
    for name in ("open_virtual", "list_modules", "ZelError", "Spectrum", "Configuration"):
        assert name in text


def test_list_modules_and_open_without_hardware():
    if zel.list_modules():
        pytest.skip("a module is attached")
    with pytest.raises(zel.NoModuleError) as raised:
        zel.open()
    assert raised.value.code == zel.Code.NO_MODULE == -302
    with pytest.raises(zel.NoModuleError):
        zel.open(serial="NOPE0001")
    with pytest.raises(zel.InvalidArgumentError):
        zel.open(serial="A", path="B")


def test_identity_and_sensors():
    with zel.open_virtual(serial="ABC123", seed=7, realtime=False) as m:
        assert m.info == zel.ModuleInfo("ABC123", 0x0451, 0x4201, "virtual:ABC123")
        assert m.serial == "ABC123"
        assert m.uuid == "0000000000000007"
        s = m.sensors()
        assert isinstance(s, zel.Sensors)
        assert 23.0 < s.temperature_c < 26.5
        assert 40.0 < s.humidity_pct < 42.5
        assert s.battery_v == pytest.approx(4.02, abs=0.05)
        assert 80.0 < s.battery_pct <= 87.0
        assert repr(m) == "<zel.Module ABC123 at 'virtual:ABC123', open>"


def test_controls_read_back(module):
    assert (module.lamp, module.gain, module.averaging) == (False, 4, 1)
    assert (module.bluetooth, module.button_enabled) == (False, False)
    module.lamp = True
    module.gain = 16
    module.averaging = 3
    module.bluetooth = True
    module.button_enabled = True
    assert (module.lamp, module.gain, module.averaging) == (True, 16, 3)
    assert (module.bluetooth, module.button_enabled) == (True, True)
    assert module.status_word & 0b1111 == 0b1111
    module.virtual.press_button(3)
    assert module.button_presses == 3
    assert zel.GAINS == (1, 2, 4, 8, 16, 32, 64)


def test_configurations(module):
    configs = module.configurations
    assert [(c.index, c.name, c.kind, c.points) for c in configs] == [
        (0, "Column 1", "column", 228),
        (1, "Hadamard 1", "hadamard", 228),
        (2, "Sectioned 1", "sectioned", 220),
        (3, "Column fine", "column", 350),
    ]
    sectioned = configs[2]
    assert (sectioned.start_nm, sectioned.end_nm, sectioned.width) == (900.0, 1700.0, 7)
    assert sectioned.sections == (
        zel.Section("column", 900.0, 1295.0, 7, 100),
        zel.Section("hadamard", 1300.0, 1700.0, 9, 120),
    )
    assert configs[0].scan_time_s == pytest.approx(0.401)
    # Scan times follow the averaging.
    module.averaging = 4
    assert module.configurations[0].scan_time_s == pytest.approx(module.scan_time_s(0))
    assert module.scan_time_s(0) == pytest.approx(0.852)


def test_virtual_samples_and_seeds():
    assert zel.virtual_samples() == ["default", "white", "gray", "dark"]
    scans = []
    for seed in (3, 3, 4):
        with zel.open_virtual(seed=seed, sample="gray", realtime=False) as m:
            scans.append(m.scan(0).intensities)
    assert (scans[0] == scans[1]).all()
    assert not (scans[0] == scans[2]).all()


def test_closed_module():
    m = zel.open_virtual(realtime=False)
    with m:
        pass
    assert m.closed
    m.close()
    with pytest.raises(zel.InvalidArgumentError, match="closed"):
        m.scan(0)
    assert repr(m).endswith("closed>")
