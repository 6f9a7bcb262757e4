"""Blocking calls: the GIL is released, calls can be cancelled from another thread or by
Ctrl-C, and two modules run in parallel."""

import os
import signal
import subprocess
import sys
import textwrap
import threading
import time

import pytest

import zel


def later(seconds, action):
    timer = threading.Timer(seconds, action)
    timer.start()
    return timer


def test_cancel_from_another_thread(paced):
    assert paced.scan_time_s(0) > 1.5
    start = time.monotonic()
    later(0.3, paced.cancel)
    with pytest.raises(zel.CancelledError) as raised:
        paced.scan(0)
    assert time.monotonic() - start < 1.0
    assert raised.value.code == zel.Code.CANCELLED
    paced.averaging = 1
    assert len(paced.scan(0)) == 228


def test_close_from_another_thread_ends_the_scan(paced):
    start = time.monotonic()
    later(0.3, paced.close)
    with pytest.raises(zel.CancelledError):
        paced.scan(0)
    assert time.monotonic() - start < 1.0
    with pytest.raises(zel.InvalidArgumentError, match="closed"):
        paced.gain


def test_gil_is_released_during_a_scan(paced):
    paced.averaging = 1
    ticks = []
    stop = threading.Event()

    def tick():
        while not stop.is_set():
            ticks.append(time.monotonic())
            sum(range(2000))  # Python work that needs the GIL

    thread = threading.Thread(target=tick)
    thread.start()
    try:
        start = time.monotonic()
        paced.scan(0)
        end = time.monotonic()
    finally:
        stop.set()
        thread.join()
    during = [t for t in ticks if start <= t <= end]
    assert end - start > 0.3
    assert len(during) > 100
    # No stretch of the scan without the other thread running.
    gaps = [b - a for a, b in zip([start] + during, during + [end])]
    assert max(gaps) < 0.2


def test_two_modules_from_two_threads():
    modules = [zel.open_virtual(serial=f"PAR{i}", seed=i) for i in range(2)]
    try:
        start = time.monotonic()
        for m in modules:
            m.scan(0)
        alone = time.monotonic() - start

        results = {}
        threads = [threading.Thread(target=lambda m=m: results.update({m.info.serial: m.scan(0)}))
                   for m in modules]
        start = time.monotonic()
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        together = time.monotonic() - start
    finally:
        for m in modules:
            m.close()
    assert sorted(results) == ["PAR0", "PAR1"]
    assert together < 0.75 * alone


CTRL_C_CHILD = textwrap.dedent("""
    import signal, sys, time
    import zel
    signal.signal(signal.SIGINT, signal.default_int_handler)
    with zel.open_virtual() as m:
        m.averaging = 50
        print("scan time", m.scan_time_s(0), flush=True)
        try:
            m.scan(0)
            print("not interrupted", flush=True)
        except KeyboardInterrupt:
            print("interrupted", flush=True)
        m.averaging = 1
        print("next scan", len(m.scan(0)), flush=True)
""")


def test_ctrl_c_cancels_the_scan_and_raises_keyboard_interrupt():
    child = subprocess.Popen([sys.executable, "-c", CTRL_C_CHILD], stdout=subprocess.PIPE,
                             text=True, env=dict(os.environ))
    try:
        scan_time = float(child.stdout.readline().split()[-1])
        assert scan_time > 5
        time.sleep(0.5)
        child.send_signal(signal.SIGINT)
        sent = time.monotonic()
        assert child.stdout.readline() == "interrupted\n"
        assert time.monotonic() - sent < 0.5
        assert child.stdout.readline() == "next scan 228\n"
        assert child.wait(timeout=10) == 0
    finally:
        child.kill()
        child.wait()
