"""Module: one opened spectrometer module."""

from __future__ import annotations

from types import TracebackType
from typing import Callable, List, Optional, Type

from . import _zel
from ._spectrum import Spectrum
from ._types import Configuration, ModuleInfo, Section, Sensors

ProgressCallback = Callable[[int, int], object]
"""progress(done, total): called after each scan of a Module.scan() with repeats."""


class Module:
    """One opened spectrometer module (real or virtual); open it with zel.open() or
    zel.open_virtual(), preferably in a ``with`` block, which closes it.

    Calls block until the module has answered; the GIL is released meanwhile, so other Python
    threads run. Ctrl-C during a call cancels it and raises KeyboardInterrupt. Calls on one
    module from several threads take turns; calls on two modules run in parallel. A failed call
    raises zel.ZelError (a subclass for some codes).
    """

    __slots__ = ("_native", "_info")

    def __init__(self, native: _zel.Module) -> None:
        """Wraps an opened module; zel.open() and zel.open_virtual() make these."""
        self._native = native
        self._info = ModuleInfo(*native.info())

    def __enter__(self) -> "Module":
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 traceback: Optional[TracebackType]) -> None:
        self.close()

    def __repr__(self) -> str:
        state = "closed" if self.closed else "open"
        return f"<zel.Module {self._info.serial} at {self._info.path!r}, {state}>"

    def close(self) -> None:
        """Cancels a call in progress (from another thread) and lets the module go; later calls
        raise InvalidArgumentError. Closing twice does nothing."""
        self._native.close()

    @property
    def closed(self) -> bool:
        """True once close() has been called."""
        return self._native.closed

    def cancel(self) -> None:
        """Ends the call blocked on this module now (call it from another thread): that call
        raises CancelledError. A cancel with no call in progress is forgotten."""
        self._native.cancel()

    # ---- identity and sensors ----

    @property
    def info(self) -> ModuleInfo:
        """How the module was found: serial, USB ids and path (asks the module nothing)."""
        return self._info

    @property
    def serial(self) -> str:
        """The serial number, as the module reports it."""
        return self._native.serial()

    @property
    def uuid(self) -> str:
        """The module's unique identifier: 16 lower-case hex digits."""
        return self._native.uuid()

    def sensors(self) -> Sensors:
        """Reads temperature, humidity and battery."""
        return Sensors(**self._native.sensors())

    @property
    def status_word(self) -> int:
        """The module's device status word (bit 0 lamp lit, bit 2 Bluetooth on, bit 3
        push-button enabled, bit 4 scan data stored, bit 5 battery low)."""
        return self._native.status_word()

    # ---- controls ----

    @property
    def lamp(self) -> bool:
        """Whether the lamp is lit outside scans; set True to light it, False to keep it off
        (scans then see only the dark level)."""
        return self._native.lamp()

    @lamp.setter
    def lamp(self, on: bool) -> None:
        self._native.set_lamp(bool(on))

    @property
    def gain(self) -> int:
        """The detector amplifier's gain: one of zel.GAINS (1, 2, 4, ... 64)."""
        return self._native.gain()

    @gain.setter
    def gain(self, gain: int) -> None:
        self._native.set_gain(gain)

    @property
    def averaging(self) -> int:
        """Scans the module averages into each scan, 1 to 65535. The module cannot be asked, so
        this is what was last set through this object (1 at open)."""
        return self._native.averaging()

    @averaging.setter
    def averaging(self, scans: int) -> None:
        self._native.set_averaging(scans)

    @property
    def bluetooth(self) -> bool:
        """Whether the Bluetooth radio is on; setting it takes about 2 s."""
        return self._native.bluetooth()

    @bluetooth.setter
    def bluetooth(self, on: bool) -> None:
        self._native.set_bluetooth(bool(on))

    @property
    def button_enabled(self) -> bool:
        """Whether the push-button counts presses."""
        return self._native.button_enabled()

    @button_enabled.setter
    def button_enabled(self, enabled: bool) -> None:
        self._native.set_button_enabled(bool(enabled))

    @property
    def button_presses(self) -> int:
        """Presses counted while the push-button was enabled (saturates at 255)."""
        return self._native.button_presses()

    # ---- configurations and scans ----

    @property
    def configurations(self) -> List[Configuration]:
        """The scan configurations stored in the module (read once, scan times kept current
        with the averaging)."""
        return [Configuration(**{**c, "sections": tuple(Section(**s) for s in c["sections"])})
                for c in self._native.configurations()]

    def scan_time_s(self, config: int) -> float:
        """The time the module expects one scan of configuration ``config`` to take now, in s."""
        return self._native.scan_time_s(config)

    def scan(self, config: int = 0, repeats: int = 1,
             progress: Optional[ProgressCallback] = None) -> Spectrum:
        """Scans the sample with configuration ``config`` and returns the spectrum.

        Args:
            config: index of one of ``configurations``.
            repeats: scans averaged on the host (mean and standard deviation per point).
            progress: called as progress(done, total) after each scan, on this thread; an
                exception it raises cancels the scan and propagates.

        Raises:
            InvalidArgumentError: repeats below 1, or no configuration ``config``.
            CancelledError: cancel() or close() from another thread ended the scan.
            ZelError: the module failed (see its code and diagnostics).
            KeyboardInterrupt: Ctrl-C; the scan was cancelled first.
        """
        if progress is not None and not callable(progress):
            raise TypeError("progress must be callable as progress(done, total)")
        return Spectrum(self._native.scan(config, repeats, progress))

    @property
    def stale_scan_retries(self) -> int:
        """Fetches of old data a scan retries before failing with STALE_SCAN (default 8)."""
        return self._native.stale_scan_retries()

    @stale_scan_retries.setter
    def stale_scan_retries(self, retries: int) -> None:
        self._native.set_stale_scan_retries(retries)

    @property
    def virtual(self) -> Optional["VirtualControls"]:
        """The controls of the virtual module behind this object; None for a real module."""
        if not self._info.path.startswith("virtual:"):
            return None
        return VirtualControls(self._native)


class VirtualControls:
    """What a test or a demo can do to a virtual module that a real one does by itself."""

    FAULTS = ("no_answer", "error_field", "stall_reply", "stray_reports", "size_skew",
              "chunk_beyond_size", "corrupt_image")
    """The kinds inject_fault() takes."""

    FILES = ("scan_data", "reference_scan", "reference_matrix")
    """The stored files inject_fault() can be limited to."""

    __slots__ = ("_native",)

    def __init__(self, native: _zel.Module) -> None:
        """Module.virtual makes these."""
        self._native = native

    def unplug(self) -> None:
        """Unplugs the module: the call in progress and every later one raise
        DisconnectedError."""
        self._native.virtual_unplug()

    def inject_fault(self, kind: str, value: int = 0, *, command: Optional[int] = None,
                     file: Optional[str] = None, times: Optional[int] = 1) -> None:
        """Makes the module misbehave on the next ``times`` commands that match (None: on every
        one, until clear_faults()).

        Args:
            kind: one of FAULTS. "no_answer": the message is lost; "error_field": answered with
                error field ``value`` (1 malformed, 2 refused, 3 busy); "stall_reply": the answer
                stops after ``value`` reports; "stray_reports": ``value`` extra reports follow;
                "size_skew": a file size is announced ``value`` bytes off; "chunk_beyond_size":
                file chunks claim ``value`` bytes more than remain; "corrupt_image": the byte at
                offset ``value`` of the served file is inverted.
            value: the kind's parameter.
            command: only commands with this code.
            file: only this one of FILES (for the file faults).
            times: how many matching commands, or None for all.
        """
        if times is not None and times < 1:
            raise ValueError("times must be 1 or more, or None for every matching command")
        self._native.virtual_fault(kind, value, command, file, -1 if times is None else times)

    def clear_faults(self) -> None:
        """Removes every injected fault."""
        self._native.virtual_clear_faults()

    def press_button(self, times: int = 1) -> None:
        """Presses the push-button ``times`` times."""
        self._native.virtual_press_button(times)

    @property
    def scan_count(self) -> int:
        """Scans the module has run since it was opened."""
        return self._native.virtual_scan_count()
