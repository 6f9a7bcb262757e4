"""zel: a near-infrared spectrometer module (USB, HID) from Python, with spectra as numpy arrays.

Open a module, scan, and look at the result::

    import zel

    with zel.open() as m:                  # the first attached module; zel.open_virtual() for none
        print(m.serial, m.sensors())
        for c in m.configurations:
            print(c.index, c.name, c.kind, c.start_nm, c.end_nm, c.points)
        s = m.scan(config=0, repeats=10)
        print(s.wavelengths, s.reflectance, s.std, s.metadata)
        s.plot(quantity="absorbance")

Calls block until the module has answered, with the GIL released, so other threads run; Ctrl-C
cancels a scan and raises KeyboardInterrupt; another thread may use another module meanwhile, or
cancel a call with Module.cancel(). Failures raise ZelError, whose ``code`` is a Code.

The in-process virtual module (zel.open_virtual()) answers as a real one does, paced in real time
unless ``realtime=False``, with the sample given by name or as a Python function.
"""

from __future__ import annotations

from typing import Callable, List, Optional, Union

from . import _zel
from ._errors import (Code, CancelledError, DisconnectedError, InvalidArgumentError,
                      ModuleTimeoutError, NoModuleError, PermissionDeniedError, SaveError,
                      ZelError)
from ._module import Module, ProgressCallback, VirtualControls
from ._spectrum import QUANTITIES, Spectrum
from ._types import Configuration, ModuleInfo, Section, Sensors

__version__: str = _zel.version()
"""The library's version, "MAJOR.MINOR.PATCH"."""

GAINS: tuple[int, ...] = tuple(_zel.GAINS)
"""The amplifier gains Module.gain accepts."""

Sample = Union[str, Callable[[float], float]]
"""A virtual module's sample: a name from virtual_samples(), or reflectance (0 to 1) as a
function of wavelength in nm."""


def list_modules() -> List[ModuleInfo]:
    """Every attached module (HID interfaces of the module's vendor), without opening them."""
    return [ModuleInfo(*info) for info in _zel.list_modules()]


def open(*, serial: Optional[str] = None, path: Optional[str] = None) -> Module:  # noqa: A001
    """Opens the first attached module, the one with ``serial``, or the one at HID ``path``.

    Raises:
        NoModuleError: nothing attached matches.
        PermissionDeniedError: the device node may not be opened (install the udev rule).
        ZelError: the module could not be opened (code OPEN) or did not answer.
    """
    if serial is not None and path is not None:
        raise InvalidArgumentError(Code.INVALID_ARGUMENT, "give a serial or a path, not both")
    if serial is not None:
        return Module(_zel.Module.open_serial(serial))
    if path is not None:
        return Module(_zel.Module.open_path(path))
    return Module(_zel.Module.open())


def open_virtual(*, seed: int = 1, serial: str = "ZEL00001", sample: Sample = "default",
                 realtime: bool = True) -> Module:
    """Opens an in-process virtual module: it speaks the module's protocol and produces scans of
    a simulated sample by physics, with deterministic noise.

    Args:
        seed: seeds the noise and the sensors' drift; two modules with one seed answer alike.
        serial: its serial number, 1 to 8 characters.
        sample: a name from virtual_samples(), or a function giving the sample's reflectance
            (0 to 1) at a wavelength in nm. The function is called at open, once for each of the
            wavelengths the module's optics look at.
        realtime: True, a scan takes the time the module reports (as a real one does); False,
            time passes only on the module's own clock (fast, for tests and batch work).

    Raises:
        InvalidArgumentError: an unknown sample name, a bad serial, or a sample value that is
            not finite.
    """
    if isinstance(sample, str):
        return Module(_zel.Module.open_virtual(serial, sample, seed, realtime))
    if not callable(sample):
        raise TypeError("sample must be a name or a function of wavelength in nm")
    return Module(_zel.Module.open_virtual_with(serial, sample, seed, realtime))


def virtual_samples() -> List[str]:
    """The sample names open_virtual() accepts: "default" (a few absorption bands), "white"
    (the factory white tile), "gray" (0.5) and "dark" (0.05)."""
    return list(_zel.virtual_samples())


def status_text(code: int) -> str:
    """The library's text for a status code."""
    return _zel.status_text(code)


__all__ = [
    "__version__", "GAINS", "QUANTITIES", "Sample", "ProgressCallback",
    "list_modules", "open", "open_virtual", "virtual_samples", "status_text",
    "Module", "VirtualControls", "Spectrum", "ModuleInfo", "Configuration", "Section", "Sensors",
    "Code", "ZelError", "InvalidArgumentError", "NoModuleError", "PermissionDeniedError",
    "ModuleTimeoutError", "DisconnectedError", "CancelledError", "SaveError",
]

# The public classes print as zel.X, where users find them.
for _name in __all__:
    _value = globals()[_name]
    if isinstance(_value, type):
        _value.__module__ = __name__
del _name, _value
