#!/usr/bin/env python3
"""Reference labels of the real station sets of ../shared/testdata/obs in a Lambert conformal conic over Europe:
each station's point computed by PROJ's `proj` tool, and its value's text at precision 0 and 1 rounded by
Python's Decimal (ROUND_HALF_UP) from the CSV's own text.

The projection definition comes from the graphics tests' make_projection_tables.py, for standard longitude 10
and standard parallels 35 and 65 (GxLambertConformalProjection(10, 35, 65)), in kilometres.

Output (default ../data/obs_lambert.csv beside this script): file,index,lat,lon,x,y,text0,text1.

    python3 make_obs_reference.py [output.csv]
"""
import decimal
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", "..", "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "Frameworks", "GraphicObjects", "Tests", "tools"))
import make_projection_tables  # noqa: E402

OBS = os.path.join(os.path.dirname(ROOT), "shared", "testdata", "obs")
FILES = ["Iceland_PressOFF_constellation.csv", "PressQFF_202007271200_54.csv", "PressQFF_202007271200_218.csv",
         "PressQFF_202007271200_872.csv", "PressQFF_202007271200_3490.csv"]
DEFINITION = make_projection_tables.definition("lambertConformal", [10, 35, 65]) + " +units=km"


def rounded(text, places):
    q = decimal.Decimal(1).scaleb(-places)
    return str(decimal.Decimal(text).quantize(q, rounding=decimal.ROUND_HALF_UP))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "data", "obs_lambert.csv")
    rows = []
    for name in FILES:
        with open(os.path.join(OBS, name)) as f:
            lines = f.read().split("\n")[1:]
        stations = [line.strip().split(",") for line in lines if line.strip()]
        text = "".join(f"{lon} {lat}\n" for lat, lon, _ in stations)
        res = subprocess.run(["proj", "-f", "%.10f"] + DEFINITION.split(), input=text, capture_output=True,
                             text=True, check=True)
        points = res.stdout.splitlines()
        if len(points) != len(stations):
            raise RuntimeError(f"proj gave {len(points)} lines for {len(stations)}")
        for i, ((lat, lon, value), point) in enumerate(zip(stations, points)):
            x, y = point.split()
            if "*" not in x + y:
                rows.append(f"{name},{i},{lat},{lon},{x},{y},{rounded(value, 0)},{rounded(value, 1)}\n")
    with open(out, "w", newline="\n") as f:
        f.write("file,index,lat,lon,x,y,text0,text1\n")
        f.writelines(rows)


if __name__ == "__main__":
    main()
