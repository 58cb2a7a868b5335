#!/usr/bin/env python3
"""Isoline vertices of a grid by contourpy, as an independent check of the contour product.

Input file: "nx ny", then nx*ny values (row j from the bottom, column i fastest, "nan" for missing), then the
levels on one line. Output: one "level x y" line per vertex, x and y in grid index units.
"""
import sys

import numpy as np
from contourpy import contour_generator


def main(path):
    with open(path) as f:
        nx, ny = (int(t) for t in f.readline().split())
        values = np.array([float(f.readline()) for _ in range(nx * ny)]).reshape(ny, nx)
        levels = [float(t) for t in f.readline().split()]
    z = np.ma.masked_invalid(values)
    gen = contour_generator(np.arange(nx, dtype=float), np.arange(ny, dtype=float), z, name="serial",
                            corner_mask=False, line_type="Separate")
    for level in levels:
        for line in gen.lines(level):
            for x, y in line:
                print(f"{level!r} {x!r} {y!r}")


if __name__ == "__main__":
    main(sys.argv[1])
