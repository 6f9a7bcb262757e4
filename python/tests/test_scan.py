"""Scans: the values of every configuration kind, the arrays, repeats and progress."""

import math

import numpy as np
import pytest

import zel
from conftest import smooth_sample


@pytest.mark.parametrize("config", [0, 1, 2, 3])
def test_reflectance_of_a_known_sample(module, config):
    s = module.scan(config=config)
    kind = module.configurations[config].kind
    expected = np.array([smooth_sample(nm) for nm in s.wavelengths])
    rms = math.sqrt(np.mean((s.reflectance - expected) ** 2))
    assert rms < 0.01, (kind, rms)
    assert len(s) == module.configurations[config].points
    assert np.all(np.diff(s.wavelengths[:100]) > 0)


@pytest.mark.parametrize("sample, level", [("white", 1.0), ("gray", 0.5), ("dark", 0.05)])
def test_named_samples(sample, level):
    with zel.open_virtual(sample=sample, realtime=False) as m:
        r = m.scan(0).reflectance
    assert np.median(r) == pytest.approx(level, abs=0.01)


def test_arrays_belong_to_the_spectrum_and_are_read_only(module):
    s = module.scan(0)
    arrays = [s.wavelengths, s.intensities, s.reference, s.reflectance, s.absorbance, s.std]
    for a in arrays:
        assert a.dtype == np.float64 and a.shape == (len(s),)
        assert a.flags.owndata and not a.flags.writeable
        with pytest.raises(ValueError):
            a[0] = 0
    assert s.wavelengths is s.wavelengths
    np.testing.assert_allclose(s.reflectance, s.intensities / s.reference)
    np.testing.assert_allclose(s.absorbance, -np.log10(s.reflectance))
    assert np.isnan(s.std).all()
    assert s.values("absorbance") is s.absorbance
    with pytest.raises(ValueError, match="unknown quantity"):
        s.values("colour")
    # Arrays outlive the module and the spectrum.
    wavelengths = s.wavelengths
    del s
    module.close()
    assert 895 < wavelengths[0] < 905


def test_repeats_average_with_progress(module):
    seen = []
    s = module.scan(config=1, repeats=10, progress=lambda done, total: seen.append((done, total)))
    assert seen == [(d, 10) for d in range(1, 11)]
    assert module.virtual.scan_count == 10
    assert np.all(s.std > 0) and np.all(np.isfinite(s.std))
    # Noise of a single scan is a fraction of a percent of the signal.
    assert np.median(s.std / s.intensities) < 0.01
    m = s.metadata
    assert (m["serial"], m["configuration"], m["configuration_name"]) == ("ZEL00001", 1, "Hadamard 1")
    assert (m["kind"], m["gain"], m["averaging"], m["repeats"]) == ("hadamard", 4, 1, 10)
    assert m["software_version"] == zel.__version__
    assert m["host_time_utc"].endswith("Z") and len(m["module_time"]) == 19
    m["serial"] = "changed"
    assert s.metadata["serial"] == "ZEL00001"


def test_progress_exception_stops_the_scan(module):
    def progress(done, total):
        if done == 2:
            raise RuntimeError("enough")

    with pytest.raises(RuntimeError, match="enough"):
        module.scan(0, repeats=50, progress=progress)
    assert module.virtual.scan_count < 50
    assert len(module.scan(0)) == 228
    with pytest.raises(TypeError):
        module.scan(0, progress=3)


def test_sample_given_as_function():
    with zel.open_virtual(sample=lambda nm: 0.2 if nm < 1300 else 0.7, realtime=False) as m:
        s = m.scan(0)
    low = s.reflectance[s.wavelengths < 1250]
    high = s.reflectance[s.wavelengths > 1350]
    assert np.median(low) == pytest.approx(0.2, abs=0.01)
    assert np.median(high) == pytest.approx(0.7, abs=0.01)
    with pytest.raises(ZeroDivisionError):
        zel.open_virtual(sample=lambda nm: 1 / 0)
    with pytest.raises(zel.InvalidArgumentError, match="not finite"):
        zel.open_virtual(sample=lambda nm: math.nan)
    with pytest.raises(TypeError):
        zel.open_virtual(sample=42)
