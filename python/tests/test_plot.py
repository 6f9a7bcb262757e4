"""Plotting with matplotlib's Agg backend."""

import matplotlib

matplotlib.use("Agg")

import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import zel  # noqa: E402


def test_plot_writes_a_png(module, tmp_path):
    s = module.scan(0)
    figure, ax = plt.subplots()
    assert s.plot(ax=ax, quantity="absorbance", color="red") is ax
    line = ax.lines[0]
    np.testing.assert_array_equal(line.get_xdata(), s.wavelengths)
    np.testing.assert_array_equal(line.get_ydata(), s.absorbance)
    assert (line.get_label(), line.get_color()) == ("ZEL00001 Column 1", "red")
    assert (ax.get_xlabel(), ax.get_ylabel()) == ("Wavelength (nm)", "Absorbance")
    path = tmp_path / "absorbance.png"
    figure.savefig(path)
    plt.close(figure)
    assert path.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    assert path.stat().st_size > 5000


def test_plot_on_the_current_axes(module):
    s = module.scan(0)
    figure = plt.figure()
    ax = s.plot()
    assert ax is figure.gca() and ax.get_ylabel() == "Reflectance"
    np.testing.assert_array_equal(ax.lines[0].get_ydata(), s.reflectance)
    plt.close(figure)
