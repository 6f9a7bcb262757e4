#!/usr/bin/python3
"""Scans the sample once and plots its reflectance to a PNG file."""

import argparse

import matplotlib

matplotlib.use("Agg")  # a file, no window

import matplotlib.pyplot as plt  # noqa: E402

import zel  # noqa: E402


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("output", nargs="?", default="reflectance.png", help="PNG file to write")
    parser.add_argument("--config", type=int, default=0, help="scan configuration index")
    parser.add_argument("--virtual", action="store_true",
                        help="use an in-process virtual module instead of the attached one")
    args = parser.parse_args()

    with (zel.open_virtual() if args.virtual else zel.open()) as module:
        spectrum = module.scan(config=args.config)

    figure, ax = plt.subplots(figsize=(8, 4.5))
    spectrum.plot(ax=ax, quantity="reflectance")
    ax.set_title(f"{spectrum.metadata['serial']}, {spectrum.metadata['host_time_utc']}")
    ax.grid(True, alpha=0.3)
    figure.savefig(args.output, dpi=120, bbox_inches="tight")
    print(f"{len(spectrum)} points, {spectrum.wavelengths[0]:.1f} to "
          f"{spectrum.wavelengths[-1]:.1f} nm, written to {args.output}")


if __name__ == "__main__":
    main()
