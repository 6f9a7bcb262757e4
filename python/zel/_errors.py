"""The exceptions of zel: ZelError, its subclasses, and the status codes they carry."""

from __future__ import annotations

import enum
from typing import Dict, Sequence, Type, Union


class Code(enum.IntEnum):
    """Why a call failed: the status codes of the library's module objects."""

    INVALID_ARGUMENT = -301
    """A value out of range, an unknown name, or a closed module."""
    NO_MODULE = -302
    """No attached module matches (none at all, or the serial or path is unknown)."""
    OPEN = -303
    """The module was found but could not be opened."""
    PERMISSION = -304
    """The module's device node may not be opened by this user (see the udev rule)."""
    DISCONNECTED = -305
    """The module went away while open; close it and open it again."""
    CANCELLED = -306
    """Module.cancel() (or Ctrl-C) ended the call."""
    TIMEOUT = -307
    """The module did not answer in time."""
    LINK = -308
    """A report could not be written to or read from the module."""
    BUSY = -309
    """The module answered that it is busy."""
    REFUSED = -310
    """The module refused the command's argument."""
    BAD_REPLY = -311
    """The module's answer was malformed."""
    CONFIG_INDEX = -312
    """No stored scan configuration has that index."""
    NO_CONFIG = -313
    """The module has no stored scan configuration."""
    SCAN_TIME = -314
    """The module reported no usable scan time."""
    FILE = -315
    """A file stored on the module could not be read whole."""
    DECODE = -316
    """Data from the module (scan, configuration, reference) did not decode."""
    REFERENCE = -317
    """The factory reference could not be put on the scan's wavelengths."""
    STALE_SCAN = -318
    """The module did not deliver a new scan."""
    NO_MEMORY = -319
    """Memory could not be had."""
    INTERNAL = -320
    """An unexpected failure inside the library."""
    IO = -321
    """A file on the host could not be written."""


class ZelError(Exception):
    """A call on a spectrometer module failed.

    Attributes:
        code: why, as a :class:`Code` (a plain int for a code this version does not name).
        message: what was being done and what went wrong.
        diagnostics: the lines the library's decoders wrote during the call, oldest first.
    """

    code: Union[Code, int]
    message: str
    diagnostics: tuple[str, ...]

    def __init__(self, code: int, message: str, diagnostics: Sequence[str] = ()) -> None:
        super().__init__(code, message, tuple(diagnostics))
        try:
            self.code = Code(code)
        except ValueError:
            self.code = code
        self.message = message
        self.diagnostics = tuple(diagnostics)

    def __reduce__(self):  # type: ignore[override]
        return (type(self), (int(self.code), self.message, self.diagnostics))

    def __str__(self) -> str:
        name = self.code.name if isinstance(self.code, Code) else str(self.code)
        return "\n  ".join((f"{self.message} [{name}]",) + self.diagnostics)


class InvalidArgumentError(ZelError, ValueError):
    """A value the library does not accept (codes INVALID_ARGUMENT and CONFIG_INDEX)."""


class NoModuleError(ZelError, LookupError):
    """No attached module matches (code NO_MODULE)."""


class PermissionDeniedError(ZelError, PermissionError):
    """The module's device node may not be opened by this user (code PERMISSION)."""


class ModuleTimeoutError(ZelError, TimeoutError):
    """The module did not answer in time (code TIMEOUT)."""


class DisconnectedError(ZelError, ConnectionError):
    """The module went away while open (code DISCONNECTED)."""


class SaveError(ZelError, OSError):
    """A file on the host could not be written (code IO); the message names the path and the
    system's reason."""


class CancelledError(ZelError):
    """The call was cancelled by Module.cancel() or by closing the module (code CANCELLED)."""


_CLASSES: Dict[int, Type[ZelError]] = {
    Code.INVALID_ARGUMENT: InvalidArgumentError,
    Code.CONFIG_INDEX: InvalidArgumentError,
    Code.NO_MODULE: NoModuleError,
    Code.PERMISSION: PermissionDeniedError,
    Code.TIMEOUT: ModuleTimeoutError,
    Code.DISCONNECTED: DisconnectedError,
    Code.CANCELLED: CancelledError,
    Code.IO: SaveError,
}


def error_for(code: int, message: str, diagnostics: Sequence[str] = ()) -> ZelError:
    """The exception that stands for a failure with ``code`` (the extension raises these)."""
    return _CLASSES.get(code, ZelError)(code, message, diagnostics)
