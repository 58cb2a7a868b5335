#!/usr/bin/env python3
"""Times contourpy's serial generator on contour_bench's field and levels, for the ratio against BM_ContourBuild
(contourpy does no map projection)."""
import timeit

import numpy as np
from contourpy import contour_generator

n = 512
i = np.arange(n, dtype=float)
x, y = np.meshgrid(i, i)
z = 1000.0 + 20.0 * np.sin(x / 40.0) * np.cos(y / 55.0) + 0.003 * x
levels = [981.0 + 2.0 * k for k in range(20)]


def build():
    gen = contour_generator(i, i, z, name="serial", corner_mask=False, line_type="Separate")
    return sum(len(gen.lines(level)) for level in levels)


runs = 10
best = min(timeit.repeat(build, number=1, repeat=runs))
print(f"contourpy serial, 512x512, 20 levels: {best * 1e3:.2f} ms (best of {runs})")
