#!/usr/bin/env python3
"""Point-in-polygon reference in exact rational arithmetic, for GxPolygon::Contains.

Writes two tables into the folder given (default: ../data/data_5 beside this script):

polygon_grid.csv -- every ring of the Natural Earth country outlines (../shared/testdata/shapefile/
    naturalearth_lowres.shp) against the points of a global lattice, lon = -180 + 0.09 i, lat = -90 + 0.09 j
    (about 10 km), that lie in the ring's bounding box (edges included). Per ring: the number of lattice points
    inside and the sum (mod 2^64) of splitmix64((i << 32) | j) over them. Then, in "p" rows, every lattice
    point that lies on the ring's outline and a seeded sample of the others, with the answer.
stars.csv -- seeded star polygons and points within 1e-7 of a vertex's x (some exactly on it), with the answer.

Answers: a point on the outline gets the containment rule evaluated literally in fractions (the ray of slope
1 + the steepest slope to any vertex, up to 1 + the highest vertex, crossings by intercepts and bounding boxes).
Off the outline every ray that passes through no vertex and ends outside crosses the outline an odd number of
times exactly when the point is inside, so the other lattice points are classified row by row with a horizontal
scan line whose crossings are exact fractions; the literal rule is checked against that on the sample.
"""
import bisect
import math
import os
import random
import struct
import sys
from fractions import Fraction

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", "..", "..", ".."))
SHAPEFILE = os.path.join(ROOT, "..", "shared", "testdata", "shapefile", "naturalearth_lowres.shp")
STEP = 0.09
MASK = (1 << 64) - 1


def splitmix64(x):
    x = (x + 0x9E3779B97F4A7C15) & MASK
    x = ((x ^ (x >> 30)) * 0xBF58476D1CE4E5B9) & MASK
    x = ((x ^ (x >> 27)) * 0x94D049BB133111EB) & MASK
    return x ^ (x >> 31)


def read_rings(path):
    """The parts of every polygon record, in file order, as lists of (x, y) floats."""
    with open(path, "rb") as f:
        data = f.read()
    rings = []
    pos = 100
    record = 0
    while pos + 8 <= len(data):
        length = struct.unpack(">i", data[pos + 4:pos + 8])[0] * 2
        body = data[pos + 8:pos + 8 + length]
        pos += 8 + length
        if struct.unpack("<i", body[:4])[0] == 5:
            parts, points = struct.unpack("<ii", body[36:44])
            starts = list(struct.unpack("<%di" % parts, body[44:44 + 4 * parts])) + [points]
            xy = struct.unpack("<%dd" % (2 * points), body[44 + 4 * parts:44 + 4 * parts + 16 * points])
            for p in range(parts):
                rings.append((record, p, [(xy[2 * k], xy[2 * k + 1]) for k in range(starts[p], starts[p + 1])]))
        record += 1
    return rings


def literal_contains(ring, px, py):
    """The containment rule as written, in fractions (ring of float pairs, point of floats)."""
    pts = [(Fraction(x), Fraction(y)) for x, y in ring]
    if not pts or pts[0] != pts[-1]:
        return False
    px, py = Fraction(px), Fraction(py)
    if not (min(p[0] for p in pts) <= px <= max(p[0] for p in pts)
            and min(p[1] for p in pts) <= py <= max(p[1] for p in pts)):
        return False
    steepest = Fraction(0)
    highest = Fraction(0)
    for vx, vy in pts:
        if vx != px:
            steepest = max(steepest, (vy - py) / (vx - px))
        highest = max(highest, vy)
    m = 1 + steepest
    top = 1 + highest
    b = py - m * px
    qx = (top - b) / m
    rx0, rx1, ry0, ry1 = min(px, qx), max(px, qx), min(py, top), max(py, top)
    count = 0
    for (ax, ay), (cx, cy) in zip(pts, pts[1:]):
        if ax == cx:
            x, y = ax, m * ax + b
        elif ay == cy:
            x, y = (ay - b) / m, ay
        else:
            em = (cy - ay) / (cx - ax)
            if em == m:
                continue
            eb = ay - em * ax
            x = (eb - b) / (m - em)
            y = m * x + b
        if (rx0 <= x <= rx1 and ry0 <= y <= ry1 and min(ax, cx) <= x <= max(ax, cx)
                and min(ay, cy) <= y <= max(ay, cy)):
            count += 1
    return count % 2 == 1


def lattice():
    lons = [-180.0 + STEP * i for i in range(int(round(360 / STEP)) + 1)]
    lats = [-90.0 + STEP * j for j in range(int(round(180 / STEP)) + 1)]
    return lons, lats


def index_range(values, fractions, low, high):
    """Indices of the sorted lattice values within [low, high] (floats)."""
    return bisect.bisect_left(values, low), bisect.bisect_right(values, high)


def classify_ring(ring, lons, lon_fr, lats, rng, sample_rate):
    xs = [p[0] for p in ring]
    ys = [p[1] for p in ring]
    i0, i1 = index_range(lons, lon_fr, min(xs), max(xs))
    j0, j1 = index_range(lats, None, min(ys), max(ys))
    vertices = set(ring)
    edges = [((Fraction(a[0]), Fraction(a[1])), (Fraction(c[0]), Fraction(c[1]))) for a, c in zip(ring, ring[1:])]
    total = 0
    inside = 0
    digest = 0
    listed = []
    for j in range(j0, j1):
        y = lats[j]
        yf = Fraction(y)
        crossings = []
        flats = []
        for (ax, ay), (cx, cy) in edges:
            if (ay > yf) != (cy > yf):
                crossings.append(ax + (yf - ay) * (cx - ax) / (cy - ay))
            elif ay == yf and cy == yf:
                flats.append((min(ax, cx), max(ax, cx)))
        crossings.sort()
        for i in range(i0, i1):
            total += 1
            x = lons[i]
            xf = lon_fr[i]
            k = bisect.bisect_left(crossings, xf)
            on_outline = ((k < len(crossings) and crossings[k] == xf) or (x, y) in vertices
                          or any(lo <= xf <= hi for lo, hi in flats))
            if on_outline:
                answer = literal_contains(ring, x, y)
            else:
                answer = (len(crossings) - k) % 2 == 1
                if rng.random() < sample_rate:
                    if literal_contains(ring, x, y) != answer:
                        sys.exit("literal rule and scan line disagree at %r, %r" % (x, y))
                    listed.append((i, j, answer, False))
            if on_outline:
                listed.append((i, j, answer, True))
            if answer:
                inside += 1
                digest = (digest + splitmix64((i << 32) | j)) & MASK
    return total, inside, digest, listed


def make_stars(rng):
    stars = []
    for s in range(6):
        n = 12
        cx, cy = rng.uniform(-150, 150), rng.uniform(-60, 60)
        ring = []
        for k in range(n):
            angle = 2 * math.pi * k / n + rng.uniform(-0.2, 0.2)
            radius = rng.uniform(20, 40) if k % 2 == 0 else rng.uniform(2, 15)
            ring.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
        ring.append(ring[0])
        ys = [p[1] for p in ring]
        points = []
        for vx, vy in ring[:-1]:
            for dx in (0.0, 1e-7 * rng.random(), -1e-7 * rng.random(), math.ulp(vx), -math.ulp(vx)):
                points.append((vx + dx, rng.uniform(min(ys), max(ys))))
            points.append((vx, vy))
        stars.append((ring, [(x, y, literal_contains(ring, x, y)) for x, y in points]))
    return stars


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "data", "data_5")
    rng = random.Random(20261207)
    lons, lats = lattice()
    lon_fr = [Fraction(x) for x in lons]
    rings = read_rings(SHAPEFILE)
    checked = 0
    with open(os.path.join(out, "polygon_grid.csv"), "w") as f:
        f.write("# ring,record,part,points,inside,digest | p,ring,i,j,inside,onOutline\n")
        all_listed = []
        for r, (record, part, ring) in enumerate(rings):
            total, inside, digest, listed = classify_ring(ring, lons, lon_fr, lats, rng, 0.0001)
            checked += total
            f.write("ring,%d,%d,%d,%d,%d\n" % (record, part, total, inside, digest))
            all_listed += [(r,) + item for item in listed]
        for r, i, j, answer, edge in all_listed:
            f.write("p,%d,%d,%d,%d,%d\n" % (r, i, j, int(answer), int(edge)))
    with open(os.path.join(out, "stars.csv"), "w") as f:
        f.write("# star,x,y (vertices, closed) | point,x,y,inside\n")
        for ring, points in make_stars(rng):
            f.write("star," + ",".join("%r,%r" % p for p in ring) + "\n")
            for x, y, answer in points:
                f.write("point,%r,%r,%d\n" % (x, y, int(answer)))
    print("rings %d, lattice points %d, listed %d" % (len(rings), checked, len(all_listed)))


if __name__ == "__main__":
    main()
