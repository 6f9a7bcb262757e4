"""Spectra: the result of a scan as numpy arrays, with what is known of how it was taken."""

from __future__ import annotations

import os
from typing import TYPE_CHECKING, Any, Dict, Optional, Union

import numpy as np
import numpy.typing as npt

from . import _zel

if TYPE_CHECKING:
    from matplotlib.axes import Axes

FloatArray = npt.NDArray[np.float64]

QUANTITIES = ("intensity", "reference", "reflectance", "absorbance")
"""The names Spectrum.values() and Spectrum.plot() take."""

_AXIS_LABELS = {
    "intensity": "Intensity (counts)",
    "reference": "Reference intensity (counts)",
    "reflectance": "Reflectance",
    "absorbance": "Absorbance",
}


class Spectrum:
    """One spectrum, as Module.scan() returns it.

    Entry k of every array describes the same valid point, in ascending order of acquisition.
    The arrays belong to the spectrum and are read-only (``copy()`` one to change it); they do
    not point into the library's memory.
    """

    __slots__ = ("_native", "_arrays")

    def __init__(self, native: _zel.Spectrum) -> None:
        """Wraps the library's spectrum; Module.scan() makes these."""
        self._native = native
        std = native.intensity_std
        if len(std) == 0:
            std = np.full(len(native), np.nan)
            std.setflags(write=False)
        self._arrays: Dict[str, FloatArray] = {
            "wavelength": native.wavelength_nm,
            "intensity": native.intensity,
            "reference": native.reference,
            "reflectance": native.reflectance,
            "absorbance": native.absorbance,
            "std": std,
        }

    def __len__(self) -> int:
        """The number of valid points."""
        return len(self._native)

    def __repr__(self) -> str:
        m = self._native.metadata
        return (f"<zel.Spectrum {len(self)} points, {m['serial']} configuration "
                f"{m['configuration']} ({m['configuration_name']!r}), repeats {m['repeats']}>")

    @property
    def wavelengths(self) -> FloatArray:
        """Wavelength of each point in nm."""
        return self._arrays["wavelength"]

    @property
    def intensities(self) -> FloatArray:
        """Dark-corrected ADC counts of the sample (the mean over the repeats)."""
        return self._arrays["intensity"]

    @property
    def reference(self) -> FloatArray:
        """The module's factory white reference on the same wavelengths, in counts."""
        return self._arrays["reference"]

    @property
    def reflectance(self) -> FloatArray:
        """intensities / reference; NaN where the reference is not positive."""
        return self._arrays["reflectance"]

    @property
    def absorbance(self) -> FloatArray:
        """-log10(reflectance); NaN where the reflectance is not positive."""
        return self._arrays["absorbance"]

    @property
    def std(self) -> FloatArray:
        """Standard deviation of the intensities over the repeats; NaN for a single scan."""
        return self._arrays["std"]

    @property
    def metadata(self) -> Dict[str, Any]:
        """How the spectrum was taken, as a new dict each time.

        Keys: serial, configuration (index), configuration_name, kind, gain, averaging (scans the
        module averaged into each), repeats (scans the host averaged), temperature_c and
        humidity_pct (stored with the scan), module_time (the module's clock,
        "YYYY-MM-DDTHH:MM:SS"), host_time_utc ("YYYY-MM-DDTHH:MM:SSZ"), software_version.
        """
        return self._native.metadata

    def values(self, quantity: str) -> FloatArray:
        """The array of one of QUANTITIES: "intensity", "reference", "reflectance", "absorbance"."""
        if quantity not in QUANTITIES:
            raise ValueError(f"unknown quantity {quantity!r} (known: {', '.join(QUANTITIES)})")
        return self._arrays[quantity]

    def save(self, path: Union[str, "os.PathLike[str]"], format: Optional[str] = None,
             quantity: Optional[str] = None) -> None:
        """Writes the spectrum to a file, replacing it atomically (readers see the old file or
        the whole new one).

        Args:
            path: the file; its suffix chooses the format unless ``format`` is given: .csv, .json,
                .jdx (also .dx, .jcamp) for JCAMP-DX.
            format: "csv", "json" or "jcamp".
            quantity: one of QUANTITIES. CSV and JSON carry wavelength_nm, intensity, reference,
                reflectance (and intensity_std after repeats) when it is None, else wavelength_nm
                and that quantity. JCAMP-DX carries one quantity, reflectance when None, and
                leaves out points where it is undefined. The metadata goes into every format.

        Raises:
            InvalidArgumentError: an unknown format or quantity, or a suffix that names none.
            SaveError: the file could not be written (an OSError too).
        """
        self._native.save(os.fspath(path), format, quantity)

    def plot(self, ax: Optional["Axes"] = None, quantity: str = "reflectance",
             **line_options: Any) -> "Axes":
        """Draws one quantity over wavelength with matplotlib (imported only now).

        Args:
            ax: the axes to draw on; the current axes of pyplot when None.
            quantity: one of QUANTITIES.
            line_options: passed to ``Axes.plot`` (a ``label`` defaults to the serial number and
                configuration name).

        Returns:
            The axes drawn on.
        """
        values = self.values(quantity)
        if ax is None:
            import matplotlib.pyplot as plt

            ax = plt.gca()
        m = self._native.metadata
        line_options.setdefault("label", f"{m['serial']} {m['configuration_name']}")
        ax.plot(self.wavelengths, values, **line_options)
        ax.set_xlabel("Wavelength (nm)")
        ax.set_ylabel(_AXIS_LABELS[quantity])
        return ax
