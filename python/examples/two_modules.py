#!/usr/bin/python3
"""Two virtual modules scanning at once from two threads.

Each module runs its calls on its own, with the GIL released while it waits, so two scans take
about as long as one.
"""

import argparse
import threading
import time

import zel


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--scans", type=int, default=3, help="scans per module")
    args = parser.parse_args()

    samples = {"MOD-A": "gray", "MOD-B": "default"}
    results = {}

    def work(serial: str, sample: str) -> None:
        with zel.open_virtual(serial=serial, sample=sample) as module:
            for _ in range(args.scans):
                results.setdefault(serial, []).append(module.scan(config=0))

    start = time.monotonic()
    threads = [threading.Thread(target=work, args=item) for item in samples.items()]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    elapsed = time.monotonic() - start

    for serial, spectra in sorted(results.items()):
        mean = sum(float(s.reflectance.mean()) for s in spectra) / len(spectra)
        print(f"{serial}: {len(spectra)} scans, mean reflectance {mean:.3f}")
    print(f"{2 * args.scans} scans on two modules in {elapsed:.2f} s")


if __name__ == "__main__":
    main()
