#!/usr/bin/env python3
"""Writes the demo page script's pixel expectations for the radar map: N0Q bins of the bundled Level III product,
decoded here, placed where PROJ's geod (range and azimuth from the radar) and cs2cs (the document's projection)
put them, and seen through the map view's camera (view_reference.py beside this file) at the start-up view, after
each zoom about the bin nearest Birmingham and after a drag.

    demo_expectations.py [--demo DIR] [--document NAME] [--embed ID] [--size WxH] [--drag DX,DY,MOVES]
                         [--check SCRIPT]

Prints script lines: the expectations, and the zoom and drag lines they follow, with comments. With --check, says
whether the script's lines between "# generated" and "# end of generated" are those (exit status 1 when not).
Standard library only, with geod and cs2cs (proj-bin) on the path.
"""

import argparse
import bz2
import math
import os
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import view_reference  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.normpath(os.path.join(HERE, "..", "..", "Demo"))
SPHERE = "+R=6367470"
LEGEND_WIDTH = 175.0
BIRMINGHAM = (-86.8025, 33.5207)  # longitude, latitude
TOLERANCE = 4


def fail(text):
    print("demo_expectations: " + text, file=sys.stderr)
    sys.exit(1)


def radials(path):
    """The radials of a Level III product's digital radial packet (16): (start angle, width, levels), by angle."""
    data = open(path, "rb").read()
    at = data.find(b"\x00\x5e")  # the message code of product 94 after the WMO heading
    while at >= 0 and struct.unpack(">h", data[at + 18:at + 20])[0] != -1:
        at = data.find(b"\x00\x5e", at + 1)
    if at < 0:
        fail(path + ": no product 94 message")
    body = data[at + 18 + 102:]
    if body[:3] == b"BZh":
        body = bz2.decompress(body)
    if struct.unpack(">hh", body[:4]) != (-1, 1):
        fail(path + ": no symbology block")
    at = 10 + 6  # block heading, then the first layer's divider and length
    code, first, count, _i, _j, _scale, number = struct.unpack(">hhhhhhh", body[at:at + 14])
    if code != 16:
        fail(path + ": packet %d, not a digital radial packet" % code)
    at += 14
    result = []
    for _ in range(number):
        size, start, width = struct.unpack(">hhh", body[at:at + 6])
        levels = body[at + 6:at + 6 + count]
        result.append((start / 10.0, width / 10.0, bytes(levels)))
        at += 6 + size
    result.sort(key=lambda radial: radial[0])
    return first, result


def colour_table(prodinfo):
    """The colours of the radial product's levels as #RRGGBB, None where transparent."""
    root = ElementTree.parse(prodinfo).getroot()
    table = root.find("radial/colorTable")
    if table is None:
        fail(prodinfo + ": no radial colour table")
    colours = []
    for word in table.text.split():
        colours.append(word[:7].upper() if word[7:9].upper() == "FF" else None)
    return colours


def run_tool(command, lines):
    done = subprocess.run(command, input="".join(line + "\n" for line in lines), capture_output=True, text=True)
    if done.returncode != 0:
        fail(" ".join(command) + " failed: " + done.stderr.strip())
    return [line.split() for line in done.stdout.splitlines() if line.strip()]


def geod(site, targets):
    """Longitude and latitude of each (range km, azimuth degrees) from the site (longitude, latitude)."""
    rows = run_tool(
        ["geod", SPHERE, "-f", "%.9f"],
        ["%.9f %.9f %.9f %.3f" % (site[1], site[0], azimuth, km * 1000.0) for km, azimuth in targets],
    )
    return [(float(row[1]), float(row[0])) for row in rows]


def cs2cs(projection, places):
    """Projected kilometres of each (longitude, latitude)."""
    rows = run_tool(
        ["cs2cs", "-f", "%.9f", "+proj=longlat", SPHERE, "+to"] + projection.split(),
        ["%.9f %.9f" % place for place in places],
    )
    return [(float(row[0]) / 1000.0, float(row[1]) / 1000.0) for row in rows]


class View:
    """The map instance's camera: angle, focus point and size, moved as its zooms and drags move it."""

    def __init__(self, angle, width, height, focus):
        self.angle, self.width, self.height = angle, width, height
        self.focus = focus

    def window(self, point):
        x, y, _ = view_reference.window(self.angle, self.width, self.height, self.focus[0], self.focus[1],
                                        point[0], point[1], 0.0)
        return x, y

    def world(self, x, y):
        p = view_reference.world(self.angle, self.width, self.height, self.focus[0], self.focus[1], x, y, 1.0)
        return p[0], p[1]

    def scroll_by(self, dx, dy):
        cx, cy = self.width / 2.0, self.height / 2.0
        w1, w2 = self.world(cx, cy), self.world(cx + dx, cy + dy)
        self.focus = (self.focus[0] + w1[0] - w2[0], self.focus[1] + w1[1] - w2[1])

    def zoom_in_about(self, x, y):
        """Centres on the point, zooms in one fine step and scrolls back: the map point under it stays."""
        cx, cy = self.width / 2.0, self.height / 2.0
        self.focus = self.world(x, y)
        step = 0.1 * (180.0 - self.angle) if self.angle > 90.0 else 0.1 * self.angle
        self.angle = min(179.5, max(0.1, self.angle - step))
        self.scroll_by(x - cx, y - cy)

    def drag(self, dx, dy):
        """The map follows the mouse."""
        x, y = self.width / 2.0, self.height / 2.0
        a, b = self.world(x, y), self.world(x + dx, y + dy)
        self.focus = (self.focus[0] + a[0] - b[0], self.focus[1] + a[1] - b[1])


def start_view(document, width, height, projection):
    """The start-up view: the document's field of view about its centre, or a fit of its MapView."""
    text = open(document, encoding="utf-8").read()
    root = ElementTree.fromstring(text.encode("utf-8"))
    view = root.find("map")
    if view is None:
        fail(document + ": no map")
    centre = (float(view.get("mapLon")), float(view.get("mapLat")))
    focus = cs2cs(projection, [centre])[0]
    legend = LEGEND_WIDTH if view.get("legendVisible", "").lower() == "true" else 0.0
    camera = View(float(view.get("fieldOfView") or 160.0), width, height, focus)
    mapview = re.search(r"<\?MapView\s+([^?]*)\?>", text)
    bounds = re.search(r'bounds="([^"]*)"', mapview.group(1)) if mapview else None
    if bounds and bounds.group(1).strip():
        _left, _top, w, h = [float(v) for v in re.split(r"[ ,]+", bounds.group(1).strip())]
        scale = float(view.get("scale") or 0.0)
        if scale <= 0.0:
            fail(document + ": a MapView without the map's scale")
        camera.angle = view_reference.fit(w / scale, h / scale, width, height, legend)
        if legend:
            sign = -1.0 if view.get("legendAlign") == "right" else 1.0
            camera.scroll_by(sign * legend / 2.0, 0.0)
    return camera, legend


def projection_of(document):
    root = ElementTree.parse(document).getroot()
    element = root.find("map/projection")
    properties = {p.get("id"): p.get("value") for p in element.findall("property")}
    if element.get("id") != "lambertConformal":
        fail(document + ": only the Lambert conformal projection is known here")
    return "+proj=lcc +lat_1=%s +lat_2=%s +lat_0=90 +lon_0=%s %s" % (
        properties["stdLat1"], properties["stdLat2"], properties["stdLon"], SPHERE)


def site_of(demo):
    text = open(os.path.join(demo, "kbmx-nexrad3", "info", "siteinfo.xml"), encoding="utf-8").read()
    found = re.search(r'<record>"KBMX",\s*"[^"]*",\s*([-0-9.]+),\s*([-0-9.]+)', text)
    if not found:
        fail("no KBMX in the site list")
    return float(found.group(2)), float(found.group(1))


class Bins:
    """Candidate bins: a colour level whose neighbourhood (2 px of the start-up view around it) is all that level."""

    def __init__(self, first, rows, colours, km_per_pixel):
        self.first, self.rows, self.colours = first, rows, colours
        self.radius = 2.0 * km_per_pixel

    def level(self, azimuth, km):
        angle = azimuth % 360.0
        for start, width, levels in self.rows:
            if start <= angle < start + width or start <= angle + 360.0 < start + width:
                b = int(km) - self.first
                return levels[b] if 0 <= b < len(levels) else 0
        return 0

    def candidates(self, low, high):
        found = []
        for start, width, levels in self.rows:
            azimuth = start + width / 2.0
            for b in range(max(low, self.first), min(high, self.first + len(levels))):
                km = b + 0.5
                colour = self.colours[levels[b - self.first]]
                if colour is None:
                    continue
                steps = int(math.ceil(self.radius)) + 1
                around = [(azimuth + math.degrees(dy / km), km + dx) for dx in range(-steps, steps + 1)
                          for dy in range(-steps, steps + 1) if math.hypot(dx, dy) <= self.radius + 0.5]
                if all(self.colours[self.level(a, r)] == colour for a, r in around):
                    found.append((km, azimuth, colour))
        return found


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--demo", default=DEMO)
    parser.add_argument("--document", default="alabama-radar-loop.vanedoc")
    parser.add_argument("--embed", default="radar")
    parser.add_argument("--size", default="640x480")
    parser.add_argument("--drag", default="60,-40,6", help="DX,DY,MOVES of an option-drag from the zoom point")
    parser.add_argument("--check", metavar="SCRIPT", help="compare with the script's generated lines")
    options = parser.parse_args(argv)
    width, height = [int(v) for v in options.size.split("x")]
    dx, dy, moves = [int(v) for v in options.drag.split(",")]
    document = os.path.join(options.demo, options.document)
    projection = projection_of(document)
    site = site_of(options.demo)
    camera, legend = start_view(document, width, height, projection)

    first, rows = radials(os.path.join(options.demo, "kbmx-nexrad3", "data", "BMX", "N0Q", "201501020205.nids"))
    colours = colour_table(os.path.join(options.demo, "kbmx-nexrad3", "info", "prodinfo.xml"))
    a, b = camera.world(0.0, 0.0), camera.world(1.0, 0.0)
    km_per_pixel = math.hypot(b[0] - a[0], b[1] - a[1])
    bins = Bins(first, rows, colours, km_per_pixel).candidates(10, 230)
    if not bins:
        fail("no bin of one colour level with neighbours to match")
    places = geod(site, [(km, azimuth) for km, azimuth, _ in bins])
    points = cs2cs(projection, places)
    birmingham = cs2cs(projection, [BIRMINGHAM])[0]

    def seen(point, view):
        """The pixel of the point, when the legend, the caption band and the 2-degree gridlines leave it free."""
        x, y = view.window(point)
        return (x, y) if legend + 6 <= x < width - 6 and 6 <= y < height - 30 else None

    def off_grid(place):
        lon, lat = place
        return all(abs(math.remainder(d, 2.0)) * k / km_per_pixel > 4.0
                   for d, k in ((lat, 111.2), (lon, 111.2 * math.cos(math.radians(lat)))))

    usable = [i for i in range(len(bins)) if off_grid(places[i]) and seen(points[i], camera)]
    if len(usable) < 3:
        fail("fewer than three bins in view")
    aim = min(usable, key=lambda i: math.hypot(points[i][0] - birmingham[0], points[i][1] - birmingham[1]))
    # Two more, spread apart: the farthest from the aim, then the farthest from both.
    second = max(usable, key=lambda i: math.dist(points[i], points[aim]))
    third = max(usable, key=lambda i: min(math.dist(points[i], points[aim]), math.dist(points[i], points[second])))
    chosen = [aim, second, third]

    def expect(view, note):
        out = []
        for i in chosen:
            pixel = seen(points[i], view)
            if pixel:
                out.append("expect-pixel %s %d %d %s %d" % (options.embed, int(pixel[0]), int(pixel[1]), bins[i][2],
                                                            TOLERANCE))
        comment = "# %s: N0Q bins at %s" % (note, ", ".join(
            "%.1f km %.1f deg" % (bins[i][0], bins[i][1]) for i in chosen))
        return [comment] + out

    lines = ["# Made by Products/Skyvane/Tests/tools/demo_expectations.py: bins of the decoded N0Q product placed",
             "# by geod and cs2cs, seen through the camera of view_reference.py (angle %.6g, focus %.3f %.3f km)."
             % (camera.angle, camera.focus[0], camera.focus[1])]
    lines += expect(camera, "start-up view")
    qx, qy = [int(v) for v in camera.window(points[aim])]
    for how in ("wheel", "wheel", "click"):
        camera.zoom_in_about(qx, qy)
        lines.append("# zoom in with the %s at the echo near Birmingham: its bin stays under the mouse" % how)
        if how == "wheel":
            lines.append("scroll %s %d %d 1" % (options.embed, qx, qy))
        else:
            lines += ["mouse %s down %d %d" % (options.embed, qx, qy), "mouse %s up %d %d" % (options.embed, qx, qy)]
        lines += expect(camera, "after the zoom")
    # An option-drag in even moves, each past the instances' move throttle.
    lines.append("# drag the map with the option key by %d, %d px in %d moves" % (dx, dy, moves))
    lines.append("mouse %s down %d %d mods=opt" % (options.embed, qx, qy))
    for k in range(1, moves + 1):
        lines += ["mouse %s drag %d %d" % (options.embed, qx + dx * k // moves, qy + dy * k // moves), "run 40"]
    lines.append("mouse %s up %d %d" % (options.embed, qx + dx, qy + dy))
    camera.drag(dx, dy)
    lines += expect(camera, "after the drag")
    if options.check:
        text = open(options.check, encoding="utf-8").read().split("\n")
        try:
            kept = text[text.index("# generated") + 1:text.index("# end of generated")]
        except ValueError:
            fail(options.check + ": no \"# generated\" ... \"# end of generated\" block")
        if kept != lines:
            for i, (a, b) in enumerate(zip(kept + [""] * len(lines), lines + [""] * len(kept))):
                if a != b:
                    fail("%s: generated line %d is \"%s\", the generator writes \"%s\"" % (options.check, i + 1, a, b))
        print("demo_expectations: %s holds the %d generated lines" % (options.check, len(lines)))
        return 0
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
