import math

import pytest

import zel


def smooth_sample(nm):
    """A smooth reflectance over the module's range, for checking scans against."""
    return 0.55 + 0.25 * math.sin((nm - 900.0) / 250.0)


@pytest.fixture
def module():
    """A virtual module on its own clock: scans return at once."""
    with zel.open_virtual(realtime=False, sample=smooth_sample) as m:
        yield m


@pytest.fixture
def paced():
    """A virtual module that takes real time, with scans of about 4 s."""
    with zel.open_virtual(realtime=True) as m:
        m.averaging = 10
        yield m
