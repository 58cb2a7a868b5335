#!/usr/bin/env python3
"""Draws the bundle's images (the symbol strip, the rounded-rectangle corners, the playheads, the legend's
product and state icons, the inspector panel's close mark, the heads-up buttons' slices, the map's animation
buttons and tracking cursor) and writes them as 8-bit RGBA PNGs into Products/Skyvane/Resources. Pure Python,
deterministic: run it again after changing a shape and commit the output.

    python3 scripts/make_bundle_images.py [output-folder]
"""
import math
import os
import struct
import sys
import zlib

SAMPLES = 4  # supersamples per pixel along each axis


def write_png(path, width, height, rgba_rows):
    """rgba_rows: top row first, each a bytes object of width * 4."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + row for row in rgba_rows)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def render(width, height, shade):
    """shade(x, y) -> (r, g, b, a) in 0..1 or None, for a sample point in pixel units (y down). Colours are
    averaged over the covered samples; alpha is the covered fraction times the shade's alpha."""
    rows = []
    n = SAMPLES * SAMPLES
    for py in range(height):
        row = bytearray()
        for px in range(width):
            r = g = b = a = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = shade(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
                    if c is not None:
                        r += c[0] * c[3]
                        g += c[1] * c[3]
                        b += c[2] * c[3]
                        a += c[3]
            if a > 0:
                row += bytes([round(255 * r / a), round(255 * g / a), round(255 * b / a), round(255 * a / n)])
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


# Shapes in a cell's own frame: x right, y up, the cell spanning -1..1.

def inside_polygon(x, y, poly):
    inside = False
    j = len(poly) - 1
    for i in range(len(poly)):
        xi, yi = poly[i]
        xj, yj = poly[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def segment_distance(x, y, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def edge_distance(x, y, poly):
    return min(segment_distance(x, y, poly[i - 1], poly[i]) for i in range(len(poly)))


def outline(poly, width):
    return lambda x, y: inside_polygon(x, y, poly) and edge_distance(x, y, poly) <= width


def solid(poly):
    return lambda x, y: inside_polygon(x, y, poly)


def strokes(segments, half_width):
    return lambda x, y: any(segment_distance(x, y, a, b) <= half_width for a, b in segments)


def ring(inner, outer):
    return lambda x, y: inner <= math.hypot(x, y) <= outer


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def star_points(outer, inner, count=5):
    pts = []
    for k in range(2 * count):
        radius = outer if k % 2 == 0 else inner
        angle = math.pi / 2 + k * math.pi / count
        pts.append((radius * math.cos(angle), radius * math.sin(angle)))
    return pts


LINE = 0.17
SQUARE = [(-0.7, -0.7), (0.7, -0.7), (0.7, 0.7), (-0.7, 0.7)]
TRIANGLE_UP = [(0.0, 0.82), (0.85, -0.65), (-0.85, -0.65)]
TRIANGLE_DOWN = [(x, -y) for x, y in TRIANGLE_UP]
DIAMOND = [(0.0, 0.88), (0.88, 0.0), (0.0, -0.88), (-0.88, 0.0)]
BOLT = [(0.3, 0.9), (-0.45, -0.05), (-0.05, -0.05), (-0.3, -0.9), (0.5, 0.15), (0.08, 0.15)]


def scaled(poly, s, dx, dy):
    return [(x * s + dx, y * s + dy) for x, y in poly]


# The strip's cells in order; the names are those of the symbol table.
SYMBOLS = [
    ("solidCircle", lambda x, y: math.hypot(x, y) <= 0.8),
    ("circle", ring(0.8 - LINE, 0.8)),
    ("solidSquare", solid(SQUARE)),
    ("square", outline(SQUARE, LINE)),
    ("solidTriangleUp", solid(TRIANGLE_UP)),
    ("triangleUp", outline(TRIANGLE_UP, LINE)),
    ("solidTriangleDown", solid(TRIANGLE_DOWN)),
    ("triangleDown", outline(TRIANGLE_DOWN, LINE)),
    ("solidDiamond", solid(DIAMOND)),
    ("diamond", outline(DIAMOND, LINE)),
    ("cross", strokes([((0.0, -0.8), (0.0, 0.8)), ((-0.8, 0.0), (0.8, 0.0))], 0.11)),
    ("x", strokes([((-0.62, -0.62), (0.62, 0.62)), ((-0.62, 0.62), (0.62, -0.62))], 0.11)),
    ("star", solid(star_points(0.9, 0.37))),
    # A ring around a letter K.
    ("korvel", union(ring(0.72, 0.88),
                     strokes([((-0.28, -0.48), (-0.28, 0.48)), ((-0.22, 0.0), (0.3, 0.46)),
                              ((-0.12, 0.08), (0.32, -0.46))], 0.085))),
    ("bolt1", solid(BOLT)),
    ("bolt2", union(solid(scaled(BOLT, 0.7, -0.38, 0.05)), solid(scaled(BOLT, 0.7, 0.38, -0.05)))),
]


def symbol_strip(cell):
    def shade(px, py):
        index = int(px // cell)
        x = (px - index * cell) / cell * 2 - 1
        y = 1 - py / cell * 2
        return (1.0, 1.0, 1.0, 1.0) if SYMBOLS[index][1](x, y) else None
    return render(cell * len(SYMBOLS), cell, shade)


def circle(size, plain):
    radius = size / 2

    def shade(px, py):
        r = math.hypot(px - radius, py - radius)
        if r > radius or (not plain and r < radius - size / 16):
            return None
        return (1.0, 1.0, 1.0, 1.0)
    return render(size, size, shade)


# The playhead: a tab with a pointed foot, in pixels of a 16 x 16 image (y down).
PLAYHEAD = [(3.0, 1.0), (13.0, 1.0), (13.0, 9.5), (8.0, 15.0), (3.0, 9.5)]
THEMES = {"Blue": (0.22, 0.47, 0.93), "Graphite": (0.52, 0.56, 0.62)}


def playhead(rgb, default):
    # The default playhead is lighter and flatter; the other has a top-lit gradient.
    border = tuple(c * 0.55 for c in rgb)

    def shade(px, py):
        if not inside_polygon(px, py, PLAYHEAD):
            return None
        if edge_distance(px, py, PLAYHEAD) <= 1.0:
            return border + (1.0,)
        if default:
            return tuple(c + (1 - c) * 0.45 for c in rgb) + (1.0,)
        lift = 0.35 * (1 - py / 16)
        return tuple(c + (1 - c) * lift for c in rgb) + (1.0,)
    return render(16, 16, shade)


# Legend pictures: white on transparent, tinted by the current colour when drawn. Each shape works in the
# image's own frame, x right and y up over -1..1.
def icon(size, shape, alpha=lambda x, y: 1.0):
    def shade(px, py):
        x = px / size * 2 - 1
        y = 1 - py / size * 2
        return (1.0, 1.0, 1.0, alpha(x, y)) if shape(x, y) else None
    return render(size, size, shade)


def glass_alpha(x, y):
    # A sheen across the upper half of the icon, strongest at the top.
    return max(0.0, min(1.0, 0.55 * y + 0.05)) if y > -0.1 else 0.0


def shadow_alpha(x, y):
    # Soft: fades out over the last quarter of each side.
    edge = min(1 - abs(x), 1 - abs(y))
    return max(0.0, min(1.0, edge / 0.25)) * 0.6


LOCK = union(solid([(-0.6, -0.85), (0.6, -0.85), (0.6, 0.15), (-0.6, 0.15)]),
             strokes([((-0.38, 0.15), (-0.38, 0.45)), ((0.38, 0.15), (0.38, 0.45))], 0.12),
             lambda x, y: y >= 0.45 and 0.26 <= math.hypot(x, y - 0.45) <= 0.5)
NO_DATA = union(ring(0.68, 0.9), strokes([((-0.6, -0.6), (0.6, 0.6))], 0.13))
FOLDER = union(outline([(-0.9, -0.75), (0.9, -0.75), (0.9, 0.45), (-0.9, 0.45)], 0.16),
               solid([(-0.9, 0.45), (-0.9, 0.75), (-0.2, 0.75), (0.0, 0.45)]))
LOOP = union(lambda x, y: 0.5 <= math.hypot(x, y) <= 0.78 and not (x > 0 and abs(y) < 0.35),
             solid([(0.35, 0.0), (0.95, 0.0), (0.65, 0.4)]))
CLOCK = union(ring(0.72, 0.92), strokes([((0.0, 0.0), (0.0, 0.55)), ((0.0, 0.0), (0.42, -0.2))], 0.1))
# The inspector panel's close mark: a cross in a ring.
SNAPBACK = union(ring(0.72, 0.92), strokes([((-0.38, -0.38), (0.38, 0.38)), ((-0.38, 0.38), (0.38, -0.38))], 0.12))
LEGEND_ICONS = [
    ("WxProductGlass", 32, lambda x, y: True, glass_alpha),
    ("WxProductShadow", 64, lambda x, y: True, shadow_alpha),
    ("WxProductLock", 16, LOCK, lambda x, y: 1.0),
    ("WxProductNoData", 16, NO_DATA, lambda x, y: 1.0),
    ("WxIconFolder", 16, FOLDER, lambda x, y: 1.0),
    ("WxIconLoop", 16, LOOP, lambda x, y: 1.0),
    ("WxIconClock", 16, CLOCK, lambda x, y: 1.0),
    ("VaneSnapback", 16, SNAPBACK, lambda x, y: 1.0),
    ("WxIconObsFloat", 32, union(ring(0, 0.2), strokes([((0.1, 0.55), (0.85, 0.55)), ((0.1, 0.3), (0.6, 0.3))], 0.09)), lambda x, y: 1.0),
    ("WxIconObsString", 32, union(ring(0, 0.2), strokes([((-0.85, -0.5), (0.85, -0.5)), ((-0.85, -0.75), (0.4, -0.75))], 0.07)), lambda x, y: 1.0),
]


# Storm icons: a mesocyclone's ring with trailing arms, solid and open downward triangles for a vortex signature
# (open when elevated), and hail as an upward triangle growing with the size class.
MESO = union(ring(0.5, 0.75), strokes([((0.62, 0.0), (0.95, -0.45)), ((-0.62, 0.0), (-0.95, 0.45))], 0.12))
STORM_ICONS = [
    ("WxStormMesocyclone", MESO),
    ("WxStormEnhancedRotation", solid(TRIANGLE_DOWN)),
    ("WxStormElevatedRotation", outline(TRIANGLE_DOWN, 0.18)),
    ("WxStormHail1", solid(scaled(TRIANGLE_UP, 0.45, 0, 0))),
    ("WxStormHail2", solid(scaled(TRIANGLE_UP, 0.7, 0, 0))),
    ("WxStormHail3", solid(TRIANGLE_UP)),
]
# A 5 x 7 face for the legend's few words, rows top down.
FONT = {"M": "10001 11011 10101 10001 10001 10001 10001", "E": "11111 10000 10000 11110 10000 10000 11111",
        "S": "01111 10000 10000 01110 00001 00001 11110", "O": "01110 10001 10001 10001 10001 10001 01110",
        "T": "11111 00100 00100 00100 00100 00100 00100", "V": "10001 10001 10001 10001 10001 01010 00100",
        "I": "01110 00100 00100 00100 00100 00100 01110", "N": "10001 11001 10101 10011 10001 10001 10001",
        "C": "01111 10000 10000 10000 10000 10000 01111", "L": "10000 10000 10000 10000 10000 10000 11111",
        "<": "00010 00100 01000 10000 01000 00100 00010", ">": "01000 00100 00010 00001 00010 00100 01000",
        "1": "00100 01100 00100 00100 00100 00100 01110", "2": "01110 10001 00001 00010 00100 01000 11111",
        "-": "00000 00000 00000 11111 00000 00000 00000", " ": "00000 00000 00000 00000 00000 00000 00000"}


def storm_legend():
    """The key of the storm icons, 100 x 240 at the bottom left of a 128 x 256 texture, white on transparent."""
    keys = [(MESO, "MESO"), (solid(TRIANGLE_DOWN), "TVS"), (outline(TRIANGLE_DOWN, 0.18), "ETVS"),
            (solid(scaled(TRIANGLE_UP, 0.45, 0, 0)), "<1 IN"), (solid(scaled(TRIANGLE_UP, 0.7, 0, 0)), "1-2 IN"),
            (solid(TRIANGLE_UP), ">2 IN"), (strokes([((-0.6, -0.6), (0.6, 0.6)), ((-0.6, 0.6), (0.6, -0.6))], 0.14), "CELL")]
    row, top, dot = 240 / len(keys), 16, 1.8

    def shade(px, py):
        if px >= 100 or py < top:
            return None
        k, y = divmod(py - top, row)
        shape, word = keys[int(k)]
        if px < row:  # the icon, in a square of the row's height
            return (1.0, 1.0, 1.0, 1.0) if shape(px / row * 2 - 1, 1 - y / row * 2) else None
        gx, gy = int((px - row - 2) // dot), int((y - (row - 7 * dot) / 2) // dot)
        glyph, col = divmod(gx, 6)
        if px < row + 2 or not 0 <= gy < 7 or col == 5 or glyph >= len(word):
            return None
        return (1.0, 1.0, 1.0, 1.0) if FONT[word[glyph]].split()[gy][col] == "1" else None
    return render(128, 256, shade)


# The heads-up buttons: three slices per look, the ends 3 pixels wide with rounded outer corners, the middle
# stretched across the button. Dark and translucent, lit from the top; the pressed look is lighter.
HUD_BUTTONS = {"FxBarButton": (20, (0.10, 0.11, 0.13), 0.80), "FxHudButton": (22, (0.08, 0.10, 0.16), 0.70)}


def hud_slice(part, height, rgb, alpha, pressed):
    width = 8 if part == "Middle" else 3
    lift = 0.30 if pressed else 0.0
    radius = 3.0

    def shade(px, py):
        # Distance into the corner's circle, for the outer end of each end slice.
        cx = radius if part == "Left" else width - radius
        if part != "Middle" and (py < radius or py > height - radius):
            cy = radius if py < radius else height - radius
            outer = px < cx if part == "Left" else px > cx
            if outer and math.hypot(px - cx, py - cy) > radius:
                return None
        top = 0.12 * (1 - py / height)
        return tuple(min(1.0, c + lift + top) for c in rgb) + (alpha,)
    return render(width, height, shade)


# The map's animation buttons: six 35 x 16 images side by side in a 256 x 16 strip (first, previous, play, next,
# last, pause), glyphs in pixels of a cell (y down). Normal is the glyph alone; hover and pressed put it on a
# rounded plate, the pressed one brighter. White for dark maps, the "Black" twins for bright ones.
BUTTON_W, BUTTON_H = 35, 16
BUTTON_GLYPHS = [
    union(lambda x, y: 11.5 <= x <= 13.5 and 4 <= y <= 12, solid([(23.5, 4), (23.5, 12), (14.5, 8)])),
    solid([(21.5, 4), (21.5, 12), (12.5, 8)]),
    solid([(13.5, 3.5), (13.5, 12.5), (23, 8)]),
    solid([(13.5, 4), (13.5, 12), (22.5, 8)]),
    union(solid([(11.5, 4), (11.5, 12), (20.5, 8)]), lambda x, y: 21.5 <= x <= 23.5 and 4 <= y <= 12),
    union(lambda x, y: 13 <= x <= 16 and 4 <= y <= 12, lambda x, y: 19 <= x <= 22 and 4 <= y <= 12),
]


def button_strip(ink, plate):
    def shade(px, py):
        index = int(px // BUTTON_W)
        if index >= len(BUTTON_GLYPHS):
            return None
        x = px - index * BUTTON_W
        if BUTTON_GLYPHS[index](x, py):
            return ink + (0.95,)
        if plate > 0 and 2 <= x <= BUTTON_W - 2 and 1 <= py <= BUTTON_H - 1:
            return ink + (plate,)
        return None
    return render(256, BUTTON_H, shade)


# The tracking cursor: a ring with four ticks pointing at the centre, which stays clear.
TRACK_CURSOR = union(ring(0.45, 0.62), strokes([((0, 0.62), (0, 0.98)), ((0, -0.62), (0, -0.98)),
                                               ((0.62, 0), (0.98, 0)), ((-0.62, 0), (-0.98, 0))], 0.09))


# The plug-in's own icon, shown over a placeholder: a blue disc, a white ring and a white vane off the centre,
# so that the centre pixel reads as the disc's blue.
VANE_BLUE = (0.16, 0.45, 0.85)
VANE_ARROW = [(-0.62, 0.5), (-0.2, 0.5), (-0.2, 0.66), (0.05, 0.42), (-0.2, 0.18), (-0.2, 0.34), (-0.62, 0.34)]


def vane_icon(size):
    marks = union(ring(0.72, 0.84), solid(VANE_ARROW))
    disc = lambda x, y: math.hypot(x, y) <= 0.96

    def shade(px, py):
        x = px / size * 2 - 1
        y = 1 - py / size * 2
        if marks(x, y):
            return (1.0, 1.0, 1.0, 1.0)
        return VANE_BLUE + (1.0,) if disc(x, y) else None
    return render(size, size, shade)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "Products", "Skyvane", "Resources")
    os.makedirs(out, exist_ok=True)
    cell = 64
    write_png(os.path.join(out, "WxSymbols.png"), cell * len(SYMBOLS), cell, symbol_strip(cell))
    write_png(os.path.join(out, "GxCirclePlain.png"), 64, 64, circle(64, True))
    write_png(os.path.join(out, "GxCircleOutline.png"), 64, 64, circle(64, False))
    for theme, rgb in THEMES.items():
        write_png(os.path.join(out, "MacGxPlayhead%s.png" % theme), 16, 16, playhead(rgb, False))
        write_png(os.path.join(out, "MacGxPlayheadDefault%s.png" % theme), 16, 16, playhead(rgb, True))
    for name, size, shape, alpha in LEGEND_ICONS:
        write_png(os.path.join(out, name + ".png"), size, size, icon(size, shape, alpha))
    for name, shape in STORM_ICONS:
        write_png(os.path.join(out, name + ".png"), 32, 32, icon(32, shape))
    write_png(os.path.join(out, "WxStormLegend.png"), 128, 256, storm_legend())
    for name, (height, rgb, alpha) in HUD_BUTTONS.items():
        for look in (1, 2):
            for part in ("Left", "Middle", "Right"):
                rows = hud_slice(part, height, rgb, alpha, look == 2)
                write_png(os.path.join(out, "%s%s%d.png" % (name, part, look)), len(rows[0]) // 4, height, rows)
    write_png(os.path.join(out, "VaneIcon.png"), 64, 64, vane_icon(64))
    for look, plate in (("Normal", 0.0), ("Hover", 0.25), ("Pressed", 0.5)):
        for suffix, ink in (("", (1.0, 1.0, 1.0)), ("Black", (0.0, 0.0, 0.0))):
            write_png(os.path.join(out, "VaneAnimationButtons%s%s.png" % (look, suffix)), 256, BUTTON_H,
                      button_strip(ink, plate))
    write_png(os.path.join(out, "VaneTrackCursor.png"), 16, 16, icon(16, TRACK_CURSOR))


if __name__ == "__main__":
    main()
