#!/usr/bin/env python3
"""Reference positions of the default latitude/longitude grid in the Lambert conformal conic projection,
computed by PROJ's `proj` tool.

The grid is the product's default: meridians every 15 degrees from -180 to 0, sampled every 3 degrees of
latitude from 0 to 90; parallels every 15 degrees from 0 to 90, sampled every 3 degrees of longitude from -180
to 0. Values are stepped by repeated addition as the product steps them. The projection is the graphics
tests' "lambertConformal_default" definition.

Output (default ../data/gridlines_lambertConformal.csv beside this script): lon,lat,x,y (degrees, km).

    python3 make_gridline_reference.py [output.csv]
"""
import os
import subprocess
import sys

DEFINITION = "+proj=lcc +lat_1=33 +lat_2=45 +lat_0=90 +lon_0=-98 +R=6367470 +units=km"


def steps(start, end, step):
    v = start
    while v <= end:
        yield v
        v += step


def grid(start_lat=0.0, end_lat=90.0, start_lon=-180.0, end_lon=0.0, lat_interval=15.0, lon_interval=15.0):
    points = []
    for lon in steps(start_lon, end_lon, lon_interval):
        points += [(lon, lat) for lat in steps(start_lat, end_lat + 0.001, lat_interval / 5)]
    for lat in steps(start_lat, end_lat, lat_interval):
        points += [(lon, lat) for lon in steps(start_lon, end_lon + 0.001, lon_interval / 5)]
    return points


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "gridlines_lambertConformal.csv")
    points = grid()
    text = "".join(f"{lon:.17g} {lat:.17g}\n" for lon, lat in points)
    res = subprocess.run(["proj", "-f", "%.10f"] + DEFINITION.split(), input=text, capture_output=True,
                         text=True, check=True)
    rows = res.stdout.splitlines()
    if len(rows) != len(points):
        raise RuntimeError(f"proj gave {len(rows)} lines for {len(points)}")
    with open(out, "w", newline="\n") as f:
        f.write("lon,lat,x,y\n")
        for (lon, lat), row in zip(points, rows):
            x, y = row.split()
            if "*" in x or "*" in y:
                continue
            f.write(f"{lon:.17g},{lat:.17g},{x},{y}\n")


if __name__ == "__main__":
    main()
