#!/usr/bin/env python3
"""Map direction of north on orthographic projections, from PROJ's `proj` tool.

For seeded positions within each centre's bounds, `proj` projects the points a little south and a little north
of the position; the direction from the one to the other, in degrees clockwise from the map's y axis, is north.
Writes orthographic_north.csv (centreLon,centreLat,lon,lat,north) into the folder given (default
../data/data_5 beside this script).
"""
import math
import os
import random
import subprocess
import sys

CENTRES = [(-97.278, 35.333), (10.0, 0.0), (0.0, 60.0), (-100.0, -45.0), (150.0, 89.0)]
STEP = 1e-4  # degrees of latitude either side


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data", "data_5")
    rng = random.Random(7)
    rows = []
    for lon0, lat0 in CENTRES:
        positions = [(lon0 + rng.uniform(-45, 45), max(-89.0, min(89.0, lat0 + rng.uniform(-30, 30))))
                     for _ in range(8)]
        lines = "".join("%.9f %.9f\n%.9f %.9f\n" % (lon, lat - STEP, lon, lat + STEP) for lon, lat in positions)
        result = subprocess.run(["proj", "-f", "%.12f", "+proj=ortho", "+lat_0=%r" % lat0, "+lon_0=%r" % lon0,
                                 "+R=6371000", "+units=km"], input=lines, capture_output=True, text=True, check=True)
        xy = [tuple(map(float, line.split())) for line in result.stdout.splitlines()]
        for k, (lon, lat) in enumerate(positions):
            (x0, y0), (x1, y1) = xy[2 * k], xy[2 * k + 1]
            rows.append("%r,%r,%.9f,%.9f,%.9f" % (lon0, lat0, lon, lat, math.degrees(math.atan2(x1 - x0, y1 - y0))))
    with open(os.path.join(out, "orthographic_north.csv"), "w") as f:
        f.write("centreLon,centreLat,lon,lat,north\n" + "\n".join(rows) + "\n")


if __name__ == "__main__":
    main()
