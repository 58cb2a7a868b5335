#!/usr/bin/env python3
"""Grid-cell ("Sifort") codes of the 0.01 degree lattice over the code's area, in exact decimal arithmetic.

The code of (lon, lat) is the sum of a part that depends on the longitude only and one that depends on the
latitude only; the script checks that on every lattice point and writes the two parts, one line per axis:
"lon,<part for -80.00>,<part for -79.99>,...,<part for -57.00>" and "lat,<part for 44.00>,...,<part for 55.50>".
"""
import os
import sys
from decimal import Decimal, getcontext

getcontext().prec = 50


def code(lon, lat):
    x = int((lon + 80) * 3600)  # int() truncates toward zero, as the formula does
    y = int((lat - 44) * 3600)
    xa, ya = x % 900, y % 900
    xb, yb = xa % 300, ya % 300
    return ((x // 900 + 1) * 10**7 + (y // 900 + 1) * 10**5 + ((ya // 300) * 3 + xa // 300 + 1) * 10**4 +
            ((yb // 75) * 4 + xb // 75 + 1) * 100 + ((yb % 75) // 15 * 5 + (xb % 75) // 15 + 1))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data", "data_5")
    lons = [Decimal(-8000 + i) / 100 for i in range(2301)]
    lats = [Decimal(4400 + j) / 100 for j in range(1151)]
    lon_part = [code(lon, lats[0]) - code(lons[0], lats[0]) for lon in lons]
    lat_part = [code(lons[0], lat) for lat in lats]
    for lon, a in zip(lons, lon_part):
        for lat, b in zip(lats, lat_part):
            assert code(lon, lat) == a + b, (lon, lat)
    with open(os.path.join(out, "cells.csv"), "w") as f:
        f.write("lon," + ",".join(map(str, lon_part)) + "\n")
        f.write("lat," + ",".join(map(str, lat_part)) + "\n")
    print("lattice points %d" % (len(lons) * len(lats)))


if __name__ == "__main__":
    main()
