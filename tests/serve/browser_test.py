#!/usr/bin/python3
"""End to end: the viewer in headless Chromium against a server on the virtual module.

Usage: browser_test.py --zel PATH --artifacts DIR [--measure SECONDS]

It starts `zel --virtual serve` on a free port and compares saved files with `zel --virtual scan`. The test drives the page as a person would (clicks, selects) and reads what the page
shows back from the plot's own data. A screenshot of the page is kept in DIR. With --measure
it also prints the speed figures of continuous mode.
"""
import argparse
import json
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait

ARGS = None
TIMEOUT_S = 30


def start_server(command):
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    line = process.stdout.readline()
    match = re.search(r"zel serve: open (http://\S+)", line)
    if not match:
        process.kill()
        raise RuntimeError(f"the server did not print its address: {line!r}")
    return process, match.group(1)


def make_browser(download_dir):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--disable-dev-shm-usage", "--window-size=1280,900",
                 f"--user-data-dir={tempfile.mkdtemp(prefix='zel-chromium-')}"):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    options.add_experimental_option("prefs", {
        "download.default_directory": download_dir,
        "download.prompt_for_download": False,
    })
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def api(base, path, token, method="GET", body=None, headers=None):
    """The server's answer to one request: (status, parsed JSON or text)."""
    request = urllib.request.Request(base + path, method=method,
                                     data=None if body is None else json.dumps(body).encode())
    if token is not None:
        request.add_header("Authorization", f"Bearer {token}")
    if body is not None:
        request.add_header("Content-Type", "application/json")
    for name, value in (headers or {}).items():
        request.add_header(name, value)
    try:
        with urllib.request.urlopen(request, timeout=TIMEOUT_S) as response:
            status, text = response.status, response.read().decode()
    except urllib.error.HTTPError as e:
        status, text = e.code, e.read().decode()
    try:
        return status, json.loads(text)
    except ValueError:
        return status, text


class Viewer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server, cls.url = start_server([ARGS.zel, "--virtual", "serve"])
        cls.base = re.match(r"(http://[^/]+)", cls.url).group(1)
        cls.token = re.search(r"token=([0-9a-f]+)", cls.url).group(1)
        cls.downloads = tempfile.mkdtemp(prefix="zel-downloads-")
        cls.browser = make_browser(cls.downloads)
        cls.browser.get(cls.url)
        cls.wait_for(lambda: cls.js("return document.getElementById('status').className") == "ok")
        cls.serial = cls.js("return window.zelViewer.state.serial")
        cls.configurations = api(cls.base, f"/api/modules/{cls.serial}/configurations",
                                 cls.token)[1]["configurations"]

    @classmethod
    def tearDownClass(cls):
        os.makedirs(ARGS.artifacts, exist_ok=True)
        cls.js("window.scrollTo(0, 0)")
        cls.browser.save_screenshot(os.path.join(ARGS.artifacts, "zel-serve.png"))
        cls.browser.quit()
        cls.server.terminate()
        cls.server.wait(timeout=TIMEOUT_S)
        shutil.rmtree(cls.downloads, ignore_errors=True)

    # ---- helpers ----
    @classmethod
    def js(cls, script, *args):
        return cls.browser.execute_script(script, *args)

    @classmethod
    def wait_for(cls, condition, timeout=TIMEOUT_S):
        return WebDriverWait(cls.browser, timeout, poll_frequency=0.05).until(lambda _: condition())

    def click(self, element_id):
        self.wait_for(lambda: self.browser.find_element(By.ID, element_id).is_enabled())
        self.browser.find_element(By.ID, element_id).click()

    def select(self, element_id, value):
        Select(self.browser.find_element(By.ID, element_id)).select_by_value(value)

    def shown(self):
        """The current spectrum's points in the plot's data (overlays join other wavelengths in)."""
        return self.js("""const d = window.zelViewer.plot().data;
            const mine = d[0].map((_, k) => d[1][k] !== undefined);
            return [d[0].filter((_, k) => mine[k]), d[1].filter((_, k) => mine[k])];""")

    def spectrum_id(self):
        return self.js("const s = window.zelViewer.state.spectrum; return s ? s.id : null;")

    def scan_once(self):
        before = self.spectrum_id()
        self.click("scan")
        self.wait_for(lambda: self.spectrum_id() != before)
        self.wait_for(lambda: self.browser.find_element(By.ID, "scan").is_enabled())
        return self.shown()

    def status(self):
        return self.browser.find_element(By.ID, "status").text

    def set_input(self, element_id, value):
        element = self.browser.find_element(By.ID, element_id)
        element.clear()
        element.send_keys(str(value))
        self.js(f"document.getElementById('{element_id}').dispatchEvent(new Event('change'))")

    # ---- checks, in the order a person would go ----
    def test_1_page_loads_without_console_errors(self):
        errors = [entry for entry in self.browser.get_log("browser") if entry["level"] == "SEVERE"]
        self.assertEqual(errors, [])
        self.assertIn("ready", self.status())
        sensors = self.browser.find_element(By.ID, "temperature").text
        self.assertRegex(sensors, r"^-?\d+\.\d\d °C$")

    def test_2_saving_yields_the_file_of_zel_scan(self):
        # The first scan of a fresh virtual module is the one `zel scan` takes of a fresh one:
        # the files agree but for the clocks and the sensor readings.
        self.select("configuration", str(self.configurations[0]["index"]))
        self.scan_once()
        for fmt in ("csv", "json", "jcamp"):
            before = set(os.listdir(self.downloads))
            self.select("format", fmt)
            self.click("save")
            name = self.wait_for(lambda: downloaded(self.downloads, before))
            with open(os.path.join(self.downloads, name), encoding="utf-8") as f:
                saved = f.read()
            reference = subprocess.run(
                [ARGS.zel, "--virtual", "scan", "-c", str(self.configurations[0]["index"]), "-f", fmt]
                + (["-q", "intensity"] if fmt == "jcamp" else []),
                check=True, capture_output=True, text=True).stdout
            self.assertEqual(without_readings(saved), without_readings(reference), fmt)
            if fmt == "csv":
                self.assertEqual(len(saved.splitlines()), 13 + self.configurations[0]["points"])

    def test_3_scan_draws_every_point_at_its_wavelength(self):
        configuration = self.configurations[0]
        self.select("configuration", str(configuration["index"]))
        wavelengths, values = self.scan_once()
        self.assertEqual(len(wavelengths), configuration["points"])
        self.assertEqual(len(values), configuration["points"])
        spectrum = self.js("return window.zelViewer.state.spectrum")
        self.assertEqual(wavelengths, spectrum["wavelength_nm"])
        self.assertTrue(all(a < b for a, b in zip(wavelengths, wavelengths[1:])))
        self.assertGreaterEqual(wavelengths[0], configuration["start_nm"] - 1)
        self.assertLessEqual(wavelengths[-1], configuration["end_nm"] + 1)
        # The same spectrum in the server's JSON file, point by point.
        status, saved = api(self.base, f"/api/spectra/{spectrum['id']}?format=json", self.token)
        self.assertEqual(status, 200, saved)
        self.assertEqual(saved["wavelength_nm"], wavelengths)
        self.assertEqual(saved["intensity"], values)

    def test_4_configuration_quantity_averaging_and_lamp_change_the_view(self):
        if len(self.configurations) > 1:
            other = self.configurations[1]
            self.select("configuration", str(other["index"]))
            wavelengths, _ = self.scan_once()
            self.assertEqual(len(wavelengths), other["points"])
            self.select("configuration", str(self.configurations[0]["index"]))
        wavelengths, intensity = self.scan_once()
        spectrum = self.js("return window.zelViewer.state.spectrum")
        self.select("quantity", "reflectance")
        _, reflectance = self.shown()
        for k in range(0, len(wavelengths), 17):
            if spectrum["reference"][k] and spectrum["reference"][k] > 0:
                self.assertAlmostEqual(reflectance[k], intensity[k] / spectrum["reference"][k], places=9)
        self.select("quantity", "absorbance")
        _, absorbance = self.shown()
        k = max(range(len(reflectance)), key=lambda i: reflectance[i] or 0)
        self.assertAlmostEqual(absorbance[k], -math.log10(reflectance[k]), places=9)
        self.select("quantity", "reference")
        _, reference = self.shown()
        self.assertEqual(reference, spectrum["reference"])
        self.select("quantity", "intensity")

        self.set_input("averaging", 3)
        self.wait_for(lambda: "scan time" in self.browser.find_element(By.ID, "configuration-info").text)
        self.scan_once()
        self.assertEqual(self.js("return window.zelViewer.state.spectrum.metadata.averaging"), 3)
        self.assertIn("averaging 3", self.browser.find_element(By.ID, "spectrum-info").text)
        self.set_input("averaging", 1)

        # At open the lamp is not lit, yet the module lights it for each scan unless it is held
        # off: switch it on first, so that "off" is a change the view must show.
        lamp = self.browser.find_element(By.ID, "lamp")
        settings = f"/api/modules/{self.serial}/settings"
        if not lamp.is_selected():
            lamp.click()
        self.wait_for(lambda: api(self.base, settings, self.token)[1]["lamp"] is True)
        _, lit = self.scan_once()
        lamp.click()
        self.wait_for(lambda: api(self.base, settings, self.token)[1]["lamp"] is False)
        _, dark = self.scan_once()
        self.assertLess(max(v for v in dark if v is not None), 0.01 * max(v for v in lit if v is not None))
        lamp.click()
        self.wait_for(lambda: api(self.base, settings, self.token)[1]["lamp"] is True)

    def test_5_continuous_mode_delivers_spectra_and_stops(self):
        received = self.js("return window.zelViewer.stats.received")
        self.click("continuous")
        self.wait_for(lambda: self.js("return window.zelViewer.stats.received") >= received + 3)
        self.click("stop")
        self.wait_for(lambda: not self.js(
            "return window.zelViewer.state.modules.get(window.zelViewer.state.serial).scanning"))
        self.wait_for(lambda: self.browser.find_element(By.ID, "continuous").is_enabled())
        stopped_at = self.js("return window.zelViewer.stats.received")
        time.sleep(2)
        self.assertEqual(self.js("return window.zelViewer.stats.received"), stopped_at)

    def test_6_unplugged_module_shows_disconnected_and_recovers(self):
        self.click("continuous")
        self.wait_for(lambda: "scanning" in self.status())
        self.click("unplug")
        self.wait_for(lambda: "disconnected" in self.status())
        self.assertIn("disconnected", Select(self.browser.find_element(By.ID, "module")).first_selected_option.text)
        self.assertFalse(self.browser.find_element(By.ID, "scan").is_enabled())
        self.click("replug")
        self.wait_for(lambda: "ready" in self.status())
        wavelengths, _ = self.scan_once()
        self.assertGreater(len(wavelengths), 0)

    def test_7_wrong_token_gets_nothing(self):
        status, body = api(self.base, "/api/modules", "0" * 32)
        self.assertEqual(status, 403)
        self.assertNotIn("serial", json.dumps(body))
        status, body = api(self.base, "/?token=" + "0" * 32, None)
        self.assertEqual(status, 403)
        self.assertNotIn("<script", body)
        other = make_browser(self.downloads)
        try:
            other.get(self.base + "/?token=" + "f" * 32)
            self.assertNotIn("zel viewer", other.page_source)
            self.assertEqual(other.find_elements(By.ID, "plot"), [])
        finally:
            other.quit()

    def test_8_speed(self):
        if not ARGS.measure:
            self.skipTest("figures only with --measure")
        measure(self)


def measure(test):
    """Continuous mode on the largest configuration: spectra drawn per second against the
    module-limited rate, and arrival-to-draw time in the page."""
    largest = max(test.configurations, key=lambda c: c["points"])
    test.select("configuration", str(largest["index"]))
    # The module-limited rate: back-to-back scans through the API, with nothing else drawing.
    count = 8
    started = time.monotonic()
    for _ in range(count):
        status, _ = api(test.base, f"/api/modules/{test.serial}/scan", test.token, "POST",
                        {"configuration": largest["index"]})
        assert status == 200
    module_rate = count / (time.monotonic() - started)
    test.js("window.zelViewer.stats.arrivalToDrawMs.length = 0")
    test.click("continuous")
    test.wait_for(lambda: test.js("return window.zelViewer.stats.received") > 0 and
                  test.js("return window.zelViewer.stats.arrivalToDrawMs.length") > 0)
    first = test.js("return [performance.now(), window.zelViewer.stats.received]")
    time.sleep(ARGS.measure)
    last = test.js("return [performance.now(), window.zelViewer.stats.received]")
    test.click("stop")
    shown_rate = (last[1] - first[1]) / ((last[0] - first[0]) / 1000)
    draws = sorted(test.js("return window.zelViewer.stats.arrivalToDrawMs"))
    print(f"\npoints per spectrum: {largest['points']}")
    print(f"module-limited rate: {module_rate:.3f} spectra/s; shown: {shown_rate:.3f} spectra/s; "
          f"ratio {shown_rate / module_rate:.3f}")
    print(f"arrival to draw over {len(draws)} spectra: median {draws[len(draws) // 2]:.2f} ms, "
          f"max {draws[-1]:.2f} ms")


def downloaded(folder, before):
    """The name of a finished new download in `folder`, or None."""
    names = set(os.listdir(folder)) - before
    if not names or any(n.endswith(".crdownload") for n in names):
        return None
    name = names.pop()
    return name if os.path.getsize(os.path.join(folder, name)) > 0 else None


def without_readings(text):
    """The lines of a spectrum file less the clocks and the sensors: the page reads the sensors
    every few seconds, and the readings move with the module's count of messages."""
    return [line for line in text.splitlines() if not re.search(
        r"host_time_utc|module_time|temperature_c|humidity_pct|"
        r"HOST TIME UTC|MODULE TIME|TEMPERATURE|HUMIDITY", line)]


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--artifacts", required=True)
    parser.add_argument("--measure", type=float, default=0, help="seconds of continuous mode to time")
    parser.add_argument("--zel", required=True, help="the zel tool")
    ARGS = parser.parse_args()
    runner = unittest.TextTestRunner(verbosity=2)
    result = runner.run(unittest.defaultTestLoader.loadTestsFromTestCase(Viewer))
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
