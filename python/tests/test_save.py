"""Saving spectra through the project's writers, and reading the files back."""

import csv
import json

import numpy as np
import pytest

import zel


@pytest.fixture
def averaged(module):
    return module.scan(config=1, repeats=3)


def read_csv(path):
    lines = path.read_text().splitlines()
    meta = dict(line[2:].split(": ", 1) for line in lines if line.startswith("# "))
    rows = list(csv.reader(line for line in lines if not line.startswith("# ")))
    columns = {name: np.array([float(r[i]) for r in rows[1:]]) for i, name in enumerate(rows[0])}
    return meta, rows[0], columns


def read_jcamp(path):
    """Labels, and the (x, y) pairs of the peak table scaled by the factors."""
    labels, pairs = {}, []
    for line in path.read_text().splitlines():
        if line.startswith("##"):
            label, value = line[2:].split("=", 1)
            labels[label] = value
        else:
            pairs += [tuple(int(v) for v in pair.split(",")) for pair in line.split()]
    x = np.array([p[0] for p in pairs]) * float(labels["XFACTOR"])
    y = np.array([p[1] for p in pairs]) * float(labels["YFACTOR"])
    return labels, x, y


def test_csv_round_trips_every_column(averaged, tmp_path):
    path = tmp_path / "scan.csv"
    averaged.save(path)
    meta, header, columns = read_csv(path)
    assert header == ["wavelength_nm", "intensity", "reference", "reflectance", "intensity_std"]
    for name, values in [("wavelength_nm", averaged.wavelengths),
                         ("intensity", averaged.intensities), ("reference", averaged.reference),
                         ("reflectance", averaged.reflectance), ("intensity_std", averaged.std)]:
        np.testing.assert_array_equal(columns[name], values)
    assert (meta["serial"], meta["configuration_name"], meta["repeats"]) == (
        "ZEL00001", "Hadamard 1", "3")


def test_json_round_trips_with_metadata(averaged, tmp_path):
    path = tmp_path / "scan.json"
    averaged.save(str(path))
    data = json.loads(path.read_text())
    assert data["metadata"] == averaged.metadata
    np.testing.assert_array_equal(data["wavelength_nm"], averaged.wavelengths)
    np.testing.assert_array_equal(data["reflectance"], averaged.reflectance)
    np.testing.assert_array_equal(data["intensity_std"], averaged.std)


def test_one_quantity_and_format_by_name(module, tmp_path):
    s = module.scan(0)
    path = tmp_path / "scan.txt"
    s.save(path, format="csv", quantity="absorbance")
    _, header, columns = read_csv(path)
    assert header == ["wavelength_nm", "absorbance"]
    np.testing.assert_array_equal(columns["absorbance"], s.absorbance)
    s.save(path, format="json")
    assert "intensity_std" not in json.loads(path.read_text())


@pytest.mark.parametrize("suffix", [".jdx", ".dx", ".JCAMP"])
def test_jcamp_carries_reflectance(module, tmp_path, suffix):
    s = module.scan(0)
    path = tmp_path / ("scan" + suffix)
    s.save(path)
    labels, x, y = read_jcamp(path)
    assert labels["JCAMP-DX"] == "5.01" and labels["YUNITS"] == "REFLECTANCE"
    assert labels["$SERIAL"] == "ZEL00001" and int(labels["NPOINTS"]) == len(s)
    np.testing.assert_allclose(x, s.wavelengths, atol=1e-6)
    np.testing.assert_allclose(y, s.reflectance, atol=1e-8)


def test_jcamp_of_absorbance(module, tmp_path):
    s = module.scan(3)
    path = tmp_path / "absorbance.jdx"
    s.save(path, quantity="absorbance")
    labels, x, y = read_jcamp(path)
    assert labels["YUNITS"] == "ABSORBANCE" and len(y) == 350
    np.testing.assert_allclose(y, s.absorbance, atol=1e-8)


def test_save_failures(module, tmp_path):
    s = module.scan(0)
    with pytest.raises(zel.InvalidArgumentError, match="give format="):
        s.save(tmp_path / "scan.txt")
    with pytest.raises(zel.InvalidArgumentError, match="unknown format"):
        s.save(tmp_path / "scan.csv", format="xml")
    with pytest.raises(zel.InvalidArgumentError, match="unknown quantity"):
        s.save(tmp_path / "scan.csv", quantity="colour")
    missing = tmp_path / "no such folder" / "scan.csv"
    with pytest.raises(zel.SaveError) as raised:
        s.save(missing)
    assert raised.value.code == zel.Code.IO and isinstance(raised.value, OSError)
    assert str(missing) in raised.value.message
    assert list(tmp_path.iterdir()) == []
