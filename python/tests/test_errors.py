"""Failures: codes, classes, messages and diagnostics."""

import pickle

import pytest

import zel


@pytest.mark.parametrize("act, cls, code", [
    (lambda m: m.scan(config=9), zel.InvalidArgumentError, -312),
    (lambda m: m.scan(config=0, repeats=0), zel.InvalidArgumentError, -301),
    (lambda m: setattr(m, "gain", 3), zel.InvalidArgumentError, -301),
    (lambda m: setattr(m, "averaging", 0), zel.InvalidArgumentError, -301),
    (lambda m: setattr(m, "averaging", 65536), zel.InvalidArgumentError, -301),
    (lambda m: m.virtual.inject_fault("melt"), zel.InvalidArgumentError, -301),
])
def test_invalid_arguments(module, act, cls, code):
    with pytest.raises(cls) as raised:
        act(module)
    assert raised.value.code == code
    assert isinstance(raised.value, ValueError)
    assert module.gain == 4  # nothing changed, and the module still answers


def test_bad_virtual_module_options():
    with pytest.raises(zel.InvalidArgumentError, match="unknown virtual sample"):
        zel.open_virtual(sample="marble")
    with pytest.raises(zel.InvalidArgumentError, match="1 to 8 characters"):
        zel.open_virtual(serial="NINECHARS")


def test_module_faults(module):
    module.virtual.inject_fault("no_answer")
    with pytest.raises(zel.ModuleTimeoutError) as raised:
        module.gain
    assert raised.value.code == zel.Code.TIMEOUT
    assert isinstance(raised.value, TimeoutError)

    module.virtual.inject_fault("error_field", 3)
    with pytest.raises(zel.ZelError) as raised:
        module.gain
    assert type(raised.value) is zel.ZelError and raised.value.code == zel.Code.BUSY
    assert raised.value.message == "reading the amplifier gain: the module is busy"
    assert str(raised.value) == "reading the amplifier gain: the module is busy [BUSY]"
    assert module.gain == 4


def test_undecodable_scan_carries_diagnostics(module):
    module.scan(0)
    module.virtual.inject_fault("corrupt_image", 40, file="scan_data", times=None)
    with pytest.raises(zel.ZelError) as raised:
        module.scan(0)
    error = raised.value
    assert error.code == zel.Code.DECODE
    assert error.diagnostics and all(isinstance(line, str) for line in error.diagnostics)
    assert str(error).split("\n  ")[1:] == list(error.diagnostics)
    module.virtual.clear_faults()
    assert len(module.scan(0)) == 228


def test_unplugged(module):
    module.virtual.unplug()
    for act in (lambda: module.serial, lambda: module.scan(0)):
        with pytest.raises(zel.DisconnectedError) as raised:
            act()
        assert raised.value.code == -305 and isinstance(raised.value, ConnectionError)


def test_error_values():
    e = zel._errors.error_for(-399, "odd", ["a", "b"])
    assert type(e) is zel.ZelError and e.code == -399
    assert (e.message, e.diagnostics) == ("odd", ("a", "b"))
    assert str(e) == "odd [-399]\n  a\n  b"
    for code in zel.Code:
        copy = pickle.loads(pickle.dumps(zel._errors.error_for(code, "m", ["d"])))
        assert (type(copy).__name__, copy.code, copy.message, copy.diagnostics) == (
            type(zel._errors.error_for(code, "m")).__name__, code, "m", ("d",))
        assert zel.status_text(code) != "unknown status code"
    assert zel.status_text(-312) == "no scan configuration has that index"
