#!/usr/bin/python3
"""Averages 20 scans of the sample and saves the result as JCAMP-DX."""

import argparse

import numpy as np

import zel


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("output", nargs="?", default="average.jdx", help="JCAMP-DX file to write")
    parser.add_argument("--config", type=int, default=0, help="scan configuration index")
    parser.add_argument("--virtual", action="store_true",
                        help="use an in-process virtual module instead of the attached one")
    args = parser.parse_args()

    def progress(done: int, total: int) -> None:
        print(f"\rscan {done} of {total}", end="", flush=True)

    with (zel.open_virtual() if args.virtual else zel.open()) as module:
        spectrum = module.scan(config=args.config, repeats=20, progress=progress)
    print()

    spectrum.save(args.output)
    noise = np.nanmedian(spectrum.std / spectrum.intensities)
    print(f"{len(spectrum)} points averaged over 20 scans (median relative deviation "
          f"{noise:.2%} per scan), written to {args.output}")


if __name__ == "__main__":
    main()
