#!/usr/bin/env python3
"""Reference tables for the map projections, computed by PROJ's `proj` tool.

Each case is one projection with one parameter set. For each case the script draws
seeded random positions inside the projection's bounds (clipped to the globe and
shrunk by a small margin), projects them with `proj -f %.10f` (kilometres), and
unprojects a second seeded set of points with `proj -I -f %.10f` (degrees). The
inverse inputs are PROJ's own forward results of in-bounds positions, rounded to
1e-6 km, so every inverse input lies in the image of the bounds.

Output (in --out, default ../data/projections beside this script):
  cases.csv        case,id,params,definition
                   params: the projection's parameters in degrees, space separated,
                   in the order of its XML properties (see PARAMETER_ORDER below)
  <case>.csv       dir,in1,in2,out1,out2
                   fwd: lon,lat (degrees) -> x,y (km)
                   inv: x,y (km) -> lon,lat (degrees)

Exclusions (points never written):
  - any point PROJ rejects (it prints `*`), e.g. the orthographic far side;
  - lambertAzimuthalEqualArea: points within ANTIPODE_MARGIN degrees of arc of the
    antipode of the centre (the formulas lose all precision there);
  - lambertConformal inverse: points whose angle about the apex, n * dlon, lies
    beyond +-180 degrees (the inverse clamps longitudes there);
  - the Albers conics, forward: points more than 180 degrees of longitude from the
    centre meridian (PROJ wraps the difference; ours takes it as it is, so such a
    point lands in the cone's gap, as documented);
  - albersConicEllipse inverse: points poleward of ALBERS_ELLIPSE_INVERSE_LAT degrees
    (the inverse stops iterating once a step is below 1e-4 rad, which leaves up to
    3e-5 degrees of error near the poles and under 1e-6 degrees elsewhere);
  - utm: points farther than 6 degrees of longitude from the central meridian
    (the power series drifts from PROJ's exact algorithm beyond that).

Before writing, four known results pin the definitions down (SELF_CHECKS): the Lambert
default at (-98, 33) is (0, -8470.100852); utm at (-98, 0) is (611.280651, 0), at the south
pole (500, -9997.964943), and with origin latitude 30 at the north pole (500, 6679.179590).

With --check DIR the tables are made in a temporary folder and compared byte for
byte with DIR; exit status 0 when equal, 1 when not, 77 when `proj` is missing.
"""

import argparse
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile
import zlib

KM = " +units=km"
POINTS_PER_DIRECTION = 100
MARGIN = 0.5          # degrees kept clear of the bounds' edges
ANTIPODE_MARGIN = 5.0  # degrees of arc around the antipode left out (Lambert azimuthal)
UTM_HALF_WIDTH = 6.0
ALBERS_ELLIPSE_INVERSE_LAT = 85.0

PARAMETER_ORDER = {
    "flatEarth": ["stdLat"],
    "mercator": ["stdLon", "stdLat"],
    "polarStereo": ["stdLon", "stdLat"],
    "orthographic": ["stdLon", "stdLat"],
    "lambertAzimuthalEqualArea": ["stdLon", "stdLat"],
    "lambertConformal": ["stdLon", "stdLat1", "stdLat2"],
    "albersConicSphere": ["centerLon", "centerLat", "stdLat1", "stdLat2"],
    "albersConicEllipse": ["centerLon", "centerLat", "stdLat1", "stdLat2"],
    "albersEqualArea": ["centerLon", "centerLat", "stdLat1", "stdLat2"],
    "utm": ["originLon", "originLat"],
}


def fmt(v):
    """Shortest decimal text of a parameter (the parameters are given with few decimals)."""
    return f"{float(v):.10g}"


def definition(pid, p):
    if pid == "flatEarth":
        return f"+proj=eqc +lat_ts={fmt(p[0])} +R=6367681.04774543"
    if pid == "mercator":
        # Our Mercator never shifts x by its standard longitude: lon_0 stays 0.
        return f"+proj=merc +lon_0=0 +lat_ts={fmt(p[1])} +R=6371000"
    if pid == "polarStereo":
        return f"+proj=stere +lat_0=90 +lat_ts={fmt(p[1])} +lon_0={fmt(p[0])} +R=6371000"
    if pid == "orthographic":
        return f"+proj=ortho +lat_0={fmt(p[1])} +lon_0={fmt(p[0])} +R=6371000"
    if pid == "lambertAzimuthalEqualArea":
        return f"+proj=laea +lat_0={fmt(p[1])} +lon_0={fmt(p[0])} +R=6370997"
    if pid == "lambertConformal":
        apex = 90 if lcc_cone(p) > 0 else -90
        return (f"+proj=lcc +lat_1={fmt(p[1])} +lat_2={fmt(p[2])} +lat_0={apex} "
                f"+lon_0={fmt(p[0])} +R=6367470")
    if pid.startswith("albers"):
        base = (f"+proj=aea +lat_0={fmt(p[1])} +lon_0={fmt(p[0])} "
                f"+lat_1={fmt(p[2])} +lat_2={fmt(p[3])}")
        earth = {"albersConicSphere": "+R=6371000",
                 "albersConicEllipse": "+a=6378137 +b=6356752.314",
                 "albersEqualArea": "+ellps=GRS80"}[pid]
        return f"{base} {earth}"
    if pid == "utm":
        return (f"+proj=tmerc +lat_0={fmt(p[1])} +lon_0={fmt(p[0])} +k_0=0.9996 "
                f"+x_0=500000 +ellps=GRS80")
    raise ValueError(pid)


def lcc_cone(p):
    """Signed cone constant of the spherical Lambert conformal conic (negative: southern)."""
    f1, f2 = math.radians(p[1]), math.radians(p[2])
    if abs(f1 - f2) < 1e-12:
        return math.sin(f1)
    return (math.log(math.cos(f1) / math.cos(f2))
            / math.log(math.tan(math.pi / 4 + f2 / 2) / math.tan(math.pi / 4 + f1 / 2)))


def bounds(pid, p):
    """The projection's bounds in degrees (west, south, east, north), before clipping to the globe."""
    if pid == "mercator":
        return (-180, -85, 180, 85)
    if pid == "polarStereo":
        return (-180, 0, 180, 90)
    if pid == "orthographic":
        return (p[0] - 45, p[1] - 30, p[0] + 45, p[1] + 30)
    if pid == "lambertAzimuthalEqualArea":
        if p[0] == 0 and p[1] == 0:
            return (-180, -90, 180, 90)  # the default projection keeps the whole globe
        return (p[0] - 90, p[1] - 90, p[0] + 90, p[1] + 90)
    if pid == "lambertConformal":
        return (p[0] - 90, p[1] - 45, p[0] + 90, p[2] + 45)
    if pid == "utm":
        return (p[0] - UTM_HALF_WIDTH, -90, p[0] + UTM_HALF_WIDTH, 90)
    return (-180, -90, 180, 90)


# case name, id, parameters in PARAMETER_ORDER (degrees)
CASES = [
    ("flatEarth_default", "flatEarth", [0]),
    ("flatEarth_40", "flatEarth", [40]),
    ("mercator_default", "mercator", [-98.68, 35.48]),
    ("polarStereo_default", "polarStereo", [-98.68, 35.48]),
    ("orthographic_default", "orthographic", [-97.278, 35.333]),
    ("lambertAzimuthalEqualArea_default", "lambertAzimuthalEqualArea", [0, 0]),
    ("lambertAzimuthalEqualArea_northPole", "lambertAzimuthalEqualArea", [-100, 90]),
    ("lambertConformal_default", "lambertConformal", [-98, 33, 45]),
    ("lambertConformal_tangent", "lambertConformal", [-98, 40, 40]),
    ("lambertConformal_southern", "lambertConformal", [-98, -20, -40]),
    ("albersConicSphere_default", "albersConicSphere", [0, 35.48, 33, 45]),
    ("albersConicEllipse_default", "albersConicEllipse", [0, 35.48, 33, 45]),
    ("albersEqualArea_default", "albersEqualArea", [-98, 33, 34, 36.5]),
    ("utm_default", "utm", [-99, 0]),
    ("utm_originLat30", "utm", [-99, 30]),
]


def arc_degrees(lon1, lat1, lon2, lat2):
    l1, f1, l2, f2 = map(math.radians, (lon1, lat1, lon2, lat2))
    c = (math.sin(f1) * math.sin(f2) + math.cos(f1) * math.cos(f2) * math.cos(l1 - l2))
    return math.degrees(math.acos(max(-1.0, min(1.0, c))))


def wrap180(d):
    while d > 180:
        d -= 360
    while d < -180:
        d += 360
    return d


def keep(pid, p, lon, lat, inverse):
    if pid == "lambertAzimuthalEqualArea":
        anti_lon, anti_lat = p[0] + 180, -p[1]
        if arc_degrees(lon, lat, anti_lon, anti_lat) < ANTIPODE_MARGIN:
            return False
    if pid.startswith("albers") and not inverse and abs(lon - p[0]) > 180:
        return False
    if pid == "albersConicEllipse" and inverse and abs(lat) > ALBERS_ELLIPSE_INVERSE_LAT:
        return False
    if pid == "lambertConformal" and inverse:
        if abs(lcc_cone(p) * wrap180(lon - p[0])) > 180:
            return False
    return True


def positions(name, pid, p, salt):
    w, s, e, n = bounds(pid, p)
    w, s, e, n = max(w, -180), max(s, -90), min(e, 180), min(n, 90)
    w, s, e, n = w + MARGIN, s + MARGIN, e - MARGIN, n - MARGIN
    rng = random.Random(zlib.crc32(f"{name}/{salt}".encode()))
    out = []
    while len(out) < POINTS_PER_DIRECTION:
        lon = round(rng.uniform(w, e), 6)
        lat = round(rng.uniform(s, n), 6)
        if keep(pid, p, lon, lat, salt == "inv"):
            out.append((lon, lat))
    return out


def run_proj(args, lines):
    res = subprocess.run(["proj"] + args, input="".join(l + "\n" for l in lines),
                         capture_output=True, text=True, check=True)
    out = res.stdout.splitlines()
    if len(out) != len(lines):
        raise RuntimeError(f"proj gave {len(out)} lines for {len(lines)}")
    return [l.split() for l in out]


def make_case(name, pid, p):
    proj_def = (definition(pid, p) + KM).split()
    rows = []
    fwd_in = positions(name, pid, p, "fwd")
    fwd_out = run_proj(["-f", "%.10f"] + proj_def, [f"{lon:.6f} {lat:.6f}" for lon, lat in fwd_in])
    for (lon, lat), xy in zip(fwd_in, fwd_out):
        if "*" in xy[0] or "*" in xy[1]:
            continue
        rows.append(f"fwd,{lon:.6f},{lat:.6f},{xy[0]},{xy[1]}")
    inv_src = positions(name, pid, p, "inv")
    inv_xy = run_proj(["-f", "%.6f"] + proj_def, [f"{lon:.6f} {lat:.6f}" for lon, lat in inv_src])
    inv_xy = [xy for xy in inv_xy if "*" not in xy[0] and "*" not in xy[1]]
    inv_out = run_proj(["-I", "-f", "%.10f"] + proj_def, [f"{xy[0]} {xy[1]}" for xy in inv_xy])
    for xy, ll in zip(inv_xy, inv_out):
        if "*" in ll[0] or "*" in ll[1]:
            continue
        rows.append(f"inv,{xy[0]},{xy[1]},{ll[0]},{ll[1]}")
    return " ".join(proj_def), rows


# Known results that pin the definitions down: (case parameters, lon, lat, x, y).
SELF_CHECKS = [
    ("lambertConformal", [-98, 33, 45], -98, 33, 0.0, -8470.100852),
    ("utm", [-99, 0], -98, 0, 611.280651, 0.0),
    ("utm", [-99, 0], 0, -90, 500.0, -9997.964943),
    ("utm", [-99, 30], 0, 90, 500.0, 6679.179590),
]


def self_check():
    for pid, p, lon, lat, x, y in SELF_CHECKS:
        out = run_proj(["-f", "%.6f"] + (definition(pid, p) + KM).split(), [f"{lon} {lat}"])[0]
        if abs(float(out[0]) - x) > 1.5e-6 or abs(float(out[1]) - y) > 1.5e-6:
            raise RuntimeError(f"{pid} {p} at ({lon}, {lat}) gives {out}, expected ({x}, {y})")


def write_tables(out_dir):
    self_check()
    os.makedirs(out_dir, exist_ok=True)
    case_lines = ["case,id,params,definition"]
    for name, pid, p in CASES:
        proj_def, rows = make_case(name, pid, p)
        params = " ".join(fmt(v) for v in p)
        case_lines.append(f"{name},{pid},{params},{proj_def}")
        with open(os.path.join(out_dir, f"{name}.csv"), "w", newline="\n") as f:
            f.write("dir,in1,in2,out1,out2\n")
            f.write("".join(r + "\n" for r in rows))
    with open(os.path.join(out_dir, "cases.csv"), "w", newline="\n") as f:
        f.write("".join(l + "\n" for l in case_lines))


def check(reference_dir):
    if shutil.which("proj") is None:
        print("proj is not installed; nothing checked")
        return 77
    with tempfile.TemporaryDirectory() as tmp:
        write_tables(tmp)
        made = sorted(os.listdir(tmp))
        kept = sorted(f for f in os.listdir(reference_dir) if f.endswith(".csv"))
        status = 0
        if made != kept:
            print(f"file lists differ: made {made}, kept {kept}")
            status = 1
        for f in made:
            ref = os.path.join(reference_dir, f)
            if not os.path.exists(ref):
                continue
            with open(os.path.join(tmp, f)) as a, open(ref) as b:
                la, lb = a.read().splitlines(), b.read().splitlines()
            if la != lb:
                diff = next((i for i, (x, y) in enumerate(zip(la, lb)) if x != y), min(len(la), len(lb)))
                print(f"{f}: differs at line {diff + 1}")
                status = 1
        return status


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default=os.path.join(here, "..", "data", "projections"))
    ap.add_argument("--check", metavar="DIR")
    a = ap.parse_args()
    if a.check:
        return check(a.check)
    if shutil.which("proj") is None:
        print("proj is not installed (Debian package proj-bin)", file=sys.stderr)
        return 1
    write_tables(a.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
