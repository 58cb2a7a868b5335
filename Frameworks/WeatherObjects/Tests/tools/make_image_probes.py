#!/usr/bin/env python3
"""Pixel probes for real pictures draped over a map, from GDAL's pixels and PROJ's positions.

Each picture (PICTURES below) has a georeference of its own (projection, south-west corner, kilometres a pixel)
and is drawn on a map of another projection through the drawing tests' view: projected kilometres to window
pixels orthographically, the map point of the centre at the middle of the 1024 x 768 window, KM_PER_PIXEL
kilometres to a pixel.

- Source pixels come from `gdal_translate -of ENVI` (band sequential bytes; palettes expanded to RGB).
- Positions go through `cs2cs` with the definitions of make_projection_tables.py (gfx), in kilometres; each
  projection keeps to its own sphere, the longitudes and latitudes carry over.
- In each quadrant of the picture (its middle half) the source pixel with the most uniform 3 x 3 neighbourhood,
  away from the map's white, is carried to the nearest window pixel centre, and that centre back into the
  picture; the probe records the colour range of the 3 x 3 neighbourhood of the source pixel it lands in. A
  drawn pixel passes within that range +-2/255.
- Before writing, each of three faulty drapes must fail at least one probe: rows stored bottom first, a mirrored
  column coordinate, and a mesh laid out in the map without reprojection (the picture's kilometres taken as the
  map's from the map point of its corner).
- The box of the picture's outline, sampled at every pixel edge, in map kilometres from the centre's map point.

Lines: "view,picture,centre lon,centre lat,km a pixel,box left,bottom,right,top", then
"probe,picture,quadrant,x,y,min r,g,b,max r,g,b" (window pixels from the bottom left, colours 0-255).
Usage: make_image_probes.py OUT.csv | --check OUT.csv (exit 77 without gdal_translate, cs2cs or the test data,
unless SKYVANE_REQUIRE_TESTDATA=1).
"""
import math
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "../../../GraphicObjects/Tests/tools"))
from make_projection_tables import definition  # noqa: E402

TESTDATA = os.path.normpath(os.path.join(HERE, "../../../../../shared/testdata"))
WINDOW = (1024, 768)
BACKGROUND = (255, 255, 255)

# name, file, expand palette, size, picture projection and parameters, south-west corner (lon, lat), km a pixel,
# map projection and parameters, view centre (lon, lat), km a window pixel. The tests use the same georeferences.
PICTURES = [
    ("testorig", "png/testorig.png", False, (227, 149), ("lambertConformal", [-98, 33, 45]), (-108, 34), 8.0,
     ("polarStereo", [-80, 60]), (-98, 40), 4.0),
    ("hopper", "gif/hopper.gif", True, (128, 128), ("orthographic", [-80, 40.5]), (-83, 38.2), 4.0,
     ("lambertConformal", [-98, 33, 45]), (-80, 40.5), 1.0),
]


def sphere(defn):
    return " ".join(t for t in defn.split() if t.startswith(("+R=", "+a=", "+b=", "+ellps=")))


def cs2cs(src, dst, points):
    text = "".join(f"{x:.10f} {y:.10f}\n" for x, y in points)
    out = subprocess.run(["cs2cs", "-f", "%.10f"] + src.split() + ["+to"] + dst.split(), input=text,
                         capture_output=True, text=True, check=True).stdout.split("\n")
    result = [tuple(float(v) for v in line.split()[:2]) for line in out if line.strip()]
    if len(result) != len(points):
        raise SystemExit("cs2cs answered %d of %d points" % (len(result), len(points)))
    return result


def forward(defn, lonlat):
    return cs2cs("+proj=longlat " + sphere(defn), defn, lonlat)


def inverse(defn, xy):
    return cs2cs(defn, "+proj=longlat " + sphere(defn), xy)


def read_pixels(path, expand, size, work):
    raw = os.path.join(work, "pixels.raw")
    args = ["gdal_translate", "-q", "-of", "ENVI", "-co", "INTERLEAVE=BSQ"] + (["-expand", "rgb"] if expand else [])
    subprocess.run(args + [path, raw], check=True)
    data = open(raw, "rb").read()
    w, h = size
    bands = len(data) // (w * h)
    if bands * w * h != len(data) or bands not in (1, 3):
        raise SystemExit("%s: %d bytes for %d x %d" % (path, len(data), w, h))
    band = [data[b * w * h:(b + 1) * w * h] for b in range(bands)]
    # Grey answers the same level in the three channels, as the drawing shows it.
    return [[tuple(band[b if bands == 3 else 0][j * w + i] for b in range(3)) for i in range(w)] for j in range(h)]


def neighbourhood(pixels, i, j):
    h, w = len(pixels), len(pixels[0])
    cells = [pixels[y][x] for y in range(max(j - 1, 0), min(j + 2, h)) for x in range(max(i - 1, 0), min(i + 2, w))]
    return tuple(min(c[k] for c in cells) for k in range(3)), tuple(max(c[k] for c in cells) for k in range(3))


def spread(pixels, i, j):
    low, high = neighbourhood(pixels, i, j)
    return max(b - a for a, b in zip(low, high))


def picture(entry, work):
    name, path, expand, (w, h), (pid, pp), corner, km, (mid, mp), centre, scale = entry
    pixels = read_pixels(os.path.join(TESTDATA, "images", path), expand, (w, h), work)
    pdef, mdef = definition(pid, pp) + " +units=km", definition(mid, mp) + " +units=km"
    (ox, oy), = forward(pdef, [corner])
    (cx, cy), = forward(mdef, [centre])

    def to_map(xy):
        return forward(mdef, inverse(pdef, xy))

    def to_window(m):
        return [((x - cx) / scale + WINDOW[0] / 2, (y - cy) / scale + WINDOW[1] / 2) for x, y in m]

    # Column and row from the top of each picture point.
    chosen = []
    for q, (qi, qj) in enumerate([(0, 0), (1, 0), (0, 1), (1, 1)]):
        cols = range(qi * w // 2 + w // 8, qi * w // 2 + 3 * w // 8)
        rows = range(qj * h // 2 + h // 8, qj * h // 2 + 3 * h // 8)
        mi, mj = qi * w // 2 + w // 4, qj * h // 2 + h // 4
        # Not the map's own colour: a probe there could not tell a missing picture.
        found = [(spread(pixels, i, j), abs(i - mi) + abs(j - mj), j, i) for j in rows for i in cols
                 if max(abs(a - b) for a, b in zip(pixels[j][i], BACKGROUND)) > 32]
        chosen.append(min(found)[3:1:-1])
    centres = [(ox + (i + 0.5) * km, oy + (h - j - 0.5) * km) for i, j in chosen]
    probes = [(math.floor(x), math.floor(y)) for x, y in to_window(to_map(centres))]
    back_map = [(cx + (x + 0.5 - WINDOW[0] / 2) * scale, cy + (y + 0.5 - WINDOW[1] / 2) * scale) for x, y in probes]
    back = forward(pdef, inverse(mdef, back_map))
    landed = [(math.floor((x - ox) / km), math.floor(h - (y - oy) / km)) for x, y in back]
    ranges = [neighbourhood(pixels, i, j) for i, j in landed]

    # Each faulty drape shows another colour at one probe at least.
    def colour(i, j):
        return pixels[j][i] if 0 <= i < w and 0 <= j < h else BACKGROUND

    (mox, moy), = forward(mdef, [corner])
    faults = {
        "rows bottom first": [colour(i, h - 1 - j) for i, j in landed],
        "mirrored column coordinate": [colour(w - 1 - i, j) for i, j in landed],
        "unreprojected mesh": [colour(math.floor((x - mox) / km), math.floor(h - (y - moy) / km)) for x, y in back_map],
    }
    for fault, shown in faults.items():
        if all(all(lo[k] - 2 <= c[k] <= hi[k] + 2 for k in range(3)) for c, (lo, hi) in zip(shown, ranges)):
            raise SystemExit(f"{name}: the probes do not catch {fault}")
    for (i, j), (lo, hi) in zip(landed, ranges):
        if max(b - a for a, b in zip(lo, hi)) > 48:
            raise SystemExit(f"{name}: no nearly uniform neighbourhood at {i},{j}")

    outline = ([(ox + k * km, oy) for k in range(w + 1)] + [(ox + k * km, oy + h * km) for k in range(w + 1)] +
               [(ox, oy + k * km) for k in range(h + 1)] + [(ox + w * km, oy + k * km) for k in range(h + 1)])
    mapped = to_map(outline)
    box = (min(x for x, _ in mapped) - cx, min(y for _, y in mapped) - cy, max(x for x, _ in mapped) - cx,
           max(y for _, y in mapped) - cy)
    lines = ["view,%s,%g,%g,%g,%s" % (name, centre[0], centre[1], scale, ",".join("%.3f" % v for v in box))]
    for q, ((x, y), (lo, hi)) in enumerate(zip(probes, ranges)):
        lines.append("probe,%s,%d,%d,%d,%s" % (name, q, x, y, ",".join(str(v) for v in lo + hi)))
    return lines


def make():
    with tempfile.TemporaryDirectory() as work:
        lines = []
        for entry in PICTURES:
            lines += picture(entry, work)
    return "".join(line + "\n" for line in lines)


def main():
    args = sys.argv[1:]
    if len(args) not in (1, 2) or (len(args) == 2 and args[0] != "--check"):
        print(__doc__, file=sys.stderr)
        return 2
    required = os.environ.get("SKYVANE_REQUIRE_TESTDATA") == "1"
    missing = [t for t in ("gdal_translate", "cs2cs") if shutil.which(t) is None]
    if not os.path.isdir(TESTDATA):
        missing.append(TESTDATA)
    if missing:
        print("missing: " + ", ".join(missing), file=sys.stderr)
        return 1 if required and TESTDATA in missing else 77
    text = make()
    if args[0] == "--check":
        with open(args[1], encoding="utf-8") as f:
            same = f.read() == text
        if not same:
            print("the probe table differs from what the pictures and PROJ give today", file=sys.stderr)
        return 0 if same else 1
    with open(args[0], "w", encoding="utf-8") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
