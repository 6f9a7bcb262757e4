"""Plain values that modules hand out: what a module is, its configurations and its sensors."""

from __future__ import annotations

from dataclasses import dataclass
from typing import Tuple


@dataclass(frozen=True)
class ModuleInfo:
    """An attached module, found without opening it.

    Attributes:
        serial: the module's serial number.
        vendor_id: the USB vendor id.
        product_id: the USB product id.
        path: the HID path to pass to zel.open(path=...); "virtual:<serial>" for a virtual module.
    """

    serial: str
    vendor_id: int
    product_id: int
    path: str


@dataclass(frozen=True)
class Section:
    """One wavelength range of a configuration.

    Attributes:
        kind: "column" or "hadamard".
        start_nm, end_nm: the range in nm.
        width: columns of the light modulator each pattern switches on.
        patterns: data points the section asks for.
    """

    kind: str
    start_nm: float
    end_nm: float
    width: int
    patterns: int


@dataclass(frozen=True)
class Configuration:
    """A scan configuration stored in the module.

    Attributes:
        index: what to pass to Module.scan(config=...).
        name: the name stored with it.
        kind: "column" (one band of columns per point), "hadamard" (encoded groups of bands,
            decoded on the host) or "sectioned" (several sections, each of one of the two).
        start_nm, end_nm: the lowest start and highest end over its sections, in nm.
        width: the first section's pattern width in modulator columns.
        points: valid points a scan of it yields.
        scan_time_s: what the module expects one scan to take at the current averaging.
        repeats: the configuration's own repeat count.
        sections: its wavelength ranges (one for a column or Hadamard configuration).
    """

    index: int
    name: str
    kind: str
    start_nm: float
    end_nm: float
    width: int
    points: int
    scan_time_s: float
    repeats: int = 0
    sections: Tuple[Section, ...] = ()


@dataclass(frozen=True)
class Sensors:
    """The module's sensor readings.

    Attributes:
        temperature_c: temperature in degrees Celsius.
        humidity_pct: relative humidity in percent.
        battery_v: battery voltage in volts.
        battery_pct: battery charge in percent.
    """

    temperature_c: float
    humidity_pct: float
    battery_v: float
    battery_pct: float
