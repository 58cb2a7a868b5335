#!/usr/bin/env python3
"""Fill probes for the shape layer tests, from OGR (python3-gdal).

Each view is a shapefile of ../shared/testdata/shapefile (all of its rings, or some), a map projection, a window
centre and a scale, as the shape tests draw it in their 1024 x 768 window. The rings are OGR's, in reading order
(record by record, part by part: the order the program's shapefile reader keeps) and are taken into window pixels
through the projection, so that distances and containment are those of the drawn picture. The probes are pixel
centres: a lattice every STEP pixels over the drawn area, plus, for every ring the lattice misses, the pixel
centre deepest inside it. A probe is kept when it lies at least MARGIN pixels off every ring of the view; it is
written with the number of the view's rings that OGR says contain it.

Lines:
  view,name,file,projection,projection lon,projection lat,centre lon,centre lat,km per pixel,rings
      projection: "flatEarth" (standard latitude 0, the projection's lon and lat unused) or "mercator" (true at
      the projection's latitude); rings: ring indices in reading order, space separated, empty for all of them
  probe,view,lon,lat,rings containing it

Usage: make_shape_probes.py OUT.csv | --check OUT.csv (exit 1 when OUT.csv is not what the script makes).
Exit 77 without OGR's Python bindings or without the shapefiles.
"""
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", "..", "..", ".."))
DATA = os.path.join(ROOT, "..", "shared", "testdata", "shapefile")

WIDTH, HEIGHT = 1024, 768
MARGIN = 3.0
FLAT_KM_PER_RADIAN = 6367.68104774543
MERCATOR_RADIUS = 6371.0
SAN_FRANCISCO = (-122.42, 37.76)
SOUTH_AFRICA = (24.6, -28.45)

# name, file, projection, projection centre, window centre, km per pixel, rings (None: all), lattice step, area
# (window rows drawn on). The world fills 1024 x 512 pixels; South Africa's rings are its outline and its Lesotho
# hole, block group 612's (record 612) its outline and its hole.
VIEWS = [
    ("world", "naturalearth_lowres", "flatEarth", (0.0, 0.0), (0.0, 0.0), 2 * math.pi * FLAT_KM_PER_RADIAN / WIDTH,
     None, 16, (128, 640)),
    ("southern_africa", "naturalearth_lowres", "flatEarth", (0.0, 0.0), SOUTH_AFRICA, 2.0, None, 48, (0, HEIGHT)),
    ("south_africa", "naturalearth_lowres", "flatEarth", (0.0, 0.0), SOUTH_AFRICA, 2.0, (99, 100), 48,
     (0, HEIGHT)),
    ("san_francisco", "blockgroups", "mercator", SAN_FRANCISCO, SAN_FRANCISCO, 0.032, None, 32, (0, HEIGHT)),
    ("blockgroup_612", "blockgroups", "mercator", SAN_FRANCISCO, (-122.418, 37.686), 0.008, (626, 627), 48,
     (0, HEIGHT)),
]


def project(kind, origin, lon, lat):
    if kind == "flatEarth":
        return FLAT_KM_PER_RADIAN * math.radians(lon), FLAT_KM_PER_RADIAN * math.radians(lat)
    k = math.cos(math.radians(origin[1])) * MERCATOR_RADIUS
    return k * math.radians(lon), k * math.asinh(math.tan(math.radians(lat)))


def unproject(kind, origin, x, y):
    if kind == "flatEarth":
        return math.degrees(x / FLAT_KM_PER_RADIAN), math.degrees(y / FLAT_KM_PER_RADIAN)
    k = math.cos(math.radians(origin[1])) * MERCATOR_RADIUS
    return math.degrees(x / k), math.degrees(math.atan(math.sinh(y / k)))


def read_rings(ogr, path):
    """Every ring of the file in reading order, as lists of (lon, lat)."""
    source = ogr.Open(path)
    rings = []
    for feature in source.GetLayer():
        geometry = feature.GetGeometryRef()
        polygons = [geometry] if geometry.GetGeometryType() == ogr.wkbPolygon else [
            geometry.GetGeometryRef(i) for i in range(geometry.GetGeometryCount())]
        for polygon in polygons:
            for i in range(polygon.GetGeometryCount()):
                rings.append([p[:2] for p in polygon.GetGeometryRef(i).GetPoints()])
    return rings


class View:
    def __init__(self, ogr, view_def, all_rings):
        self.name, self.file, self.kind, self.origin, self.centre, self.scale, self.indices, self.step, \
            self.rows = view_def
        self.ogr = ogr
        self.cx, self.cy = project(self.kind, self.origin, *self.centre)
        chosen = all_rings if self.indices is None else [all_rings[i] for i in self.indices]
        self.polygons, self.outlines = [], []
        for ring in chosen:
            line = ogr.Geometry(ogr.wkbLinearRing)
            for lon, lat in ring:
                line.AddPoint_2D(*self.to_window(lon, lat))
            polygon = ogr.Geometry(ogr.wkbPolygon)
            polygon.AddGeometry(line)
            outline = ogr.Geometry(ogr.wkbLineString)
            for i in range(line.GetPointCount()):
                outline.AddPoint_2D(*line.GetPoint_2D(i))
            self.polygons.append((polygon, polygon.GetEnvelope()))
            self.outlines.append((outline, outline.GetEnvelope()))

    def to_window(self, lon, lat):
        x, y = project(self.kind, self.origin, lon, lat)
        return (x - self.cx) / self.scale + WIDTH / 2, (y - self.cy) / self.scale + HEIGHT / 2

    def to_map(self, px, py):
        return unproject(self.kind, self.origin, (px - WIDTH / 2) * self.scale + self.cx,
                         (py - HEIGHT / 2) * self.scale + self.cy)

    def point(self, px, py):
        p = self.ogr.Geometry(self.ogr.wkbPoint)
        p.AddPoint_2D(px, py)
        return p

    def clearance(self, px, py):
        """Pixels to the nearest ring, up to MARGIN (then MARGIN)."""
        p = self.point(px, py)
        nearest = MARGIN
        for outline, (x0, x1, y0, y1) in self.outlines:
            if x0 - MARGIN <= px <= x1 + MARGIN and y0 - MARGIN <= py <= y1 + MARGIN:
                nearest = min(nearest, outline.Distance(p))
        return nearest

    def count(self, px, py):
        p = self.point(px, py)
        return sum(1 for polygon, (x0, x1, y0, y1) in self.polygons
                   if x0 <= px <= x1 and y0 <= py <= y1 and polygon.Contains(p))

    def probes(self):
        found = {}
        for j in range(self.rows[0] + self.step // 2, self.rows[1], self.step):
            for i in range(self.step // 2, WIDTH, self.step):
                if self.clearance(i + 0.5, j + 0.5) >= MARGIN:
                    found[(i, j)] = self.count(i + 0.5, j + 0.5)
        for polygon, (x0, x1, y0, y1) in self.polygons:
            if any(x0 <= i + 0.5 <= x1 and y0 <= j + 0.5 <= y1 and polygon.Contains(self.point(i + 0.5, j + 0.5))
                   for i, j in found):
                continue
            best, deepest = None, MARGIN
            for j in range(max(self.rows[0], math.floor(y0)), min(self.rows[1], math.ceil(y1))):
                for i in range(max(0, math.floor(x0)), min(WIDTH, math.ceil(x1))):
                    if polygon.Contains(self.point(i + 0.5, j + 0.5)):
                        depth = self.clearance(i + 0.5, j + 0.5)
                        if depth >= deepest:
                            best, deepest = (i, j), depth
            if best is not None:
                found[best] = self.count(best[0] + 0.5, best[1] + 0.5)
        return [(i, j, found[(i, j)]) for i, j in sorted(found, key=lambda p: (p[1], p[0]))]


def make(ogr):
    lines = []
    rings = {}
    for view_def in VIEWS:
        name, file = view_def[0], view_def[1]
        if file not in rings:
            rings[file] = read_rings(ogr, os.path.join(DATA, file + ".shp"))
        view = View(ogr, view_def, rings[file])
        indices = "" if view.indices is None else " ".join(str(i) for i in view.indices)
        lines.append("view,%s,%s,%s,%.6f,%.6f,%.6f,%.6f,%.12g,%s" % (
            name, file, view.kind, *view.origin, *view.centre, view.scale, indices))
        for i, j, count in view.probes():
            lon, lat = view.to_map(i + 0.5, j + 0.5)
            lines.append("probe,%s,%.7f,%.7f,%d" % (name, lon, lat, count))
    return "\n".join(lines) + "\n"


def main():
    args = sys.argv[1:]
    check = len(args) == 2 and args[0] == "--check"
    if len(args) != 1 and not check:
        sys.exit(__doc__)
    try:
        from osgeo import gdal, ogr
    except ImportError:
        print("no OGR Python bindings (python3-gdal)")
        sys.exit(77)
    if not all(os.path.exists(os.path.join(DATA, v[1] + ".shp")) for v in VIEWS):
        print("no shapefiles in " + DATA)
        sys.exit(77)
    gdal.UseExceptions()
    gdal.PushErrorHandler("CPLQuietErrorHandler")  # multi-part records read as multipolygons, as they should
    text = make(ogr)
    if check:
        with open(args[1]) as f:
            if f.read() != text:
                print("%s is not what the script makes" % args[1])
                sys.exit(1)
        return
    with open(args[0], "w") as f:
        f.write(text)


if __name__ == "__main__":
    main()
