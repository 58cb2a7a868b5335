#!/usr/bin/env python3
"""Writes the seed corpus of png_reader_fuzz (Tests/fuzz/png): small PNGs of every colour type, depth and
interlace, palettes with and without transparency, and a few damaged files. Pure Python, deterministic.

    python3 Frameworks/GraphicObjects/Tests/tools/make_png_seeds.py
"""
import os
import random
import struct
import zlib

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def pack(samples, depth):
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    if depth == 8:
        return bytes(samples)
    per = 8 // depth
    out = bytearray((len(samples) + per - 1) // per)
    for i, s in enumerate(samples):
        out[i // per] |= s << (8 - depth * (i % per + 1))
    return bytes(out)


def png(width, height, ctype, depth, interlace, pixels, extra=b""):
    """pixels[y][x] is a tuple of samples."""
    raw = b""
    passes = ADAM7 if interlace else [(0, 0, 1, 1)]
    for x0, y0, dx, dy in passes:
        for y in range(y0, height, dy):
            xs = range(x0, width, dx)
            if not xs:
                continue
            raw += b"\x00" + pack([s for x in xs for s in pixels[y][x]], depth)
    header = struct.pack(">IIBBBBB", width, height, depth, ctype, 0, 0, 1 if interlace else 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def image(rng, width, height, ctype, depth, top=None):
    top = (1 << depth) - 1 if top is None else top
    return [[tuple(rng.randint(0, top) for _ in range(CHANNELS[ctype])) for _ in range(width)] for _ in range(height)]


def palette(rng, count):
    return chunk(b"PLTE", bytes(rng.randint(0, 255) for _ in range(3 * count)))


def main():
    out = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "fuzz", "png")
    os.makedirs(out, exist_ok=True)
    rng = random.Random(2024)
    files = {}
    files["gray1.png"] = png(5, 3, 0, 1, False, image(rng, 5, 3, 0, 1))
    files["gray2-interlaced.png"] = png(7, 5, 0, 2, True, image(rng, 7, 5, 0, 2))
    files["gray16.png"] = png(4, 4, 0, 16, False, image(rng, 4, 4, 0, 16))
    files["rgb8-interlaced.png"] = png(9, 9, 2, 8, True, image(rng, 9, 9, 2, 8))
    files["rgb16.png"] = png(3, 2, 2, 16, False, image(rng, 3, 2, 2, 16))
    files["palette4-trns.png"] = png(6, 6, 3, 4, False, image(rng, 6, 6, 3, 4, 9),
                                     palette(rng, 10) + chunk(b"tRNS", bytes([255, 255, 255, 255, 255, 0, 255, 128])))
    files["palette8.png"] = png(8, 3, 3, 8, False, image(rng, 8, 3, 3, 8, 15), palette(rng, 16))
    files["palette2-beyond.png"] = png(5, 5, 3, 2, True, image(rng, 5, 5, 3, 2), palette(rng, 2))
    files["gray-alpha8.png"] = png(4, 3, 4, 8, False, image(rng, 4, 3, 4, 8))
    files["gray-alpha16-interlaced.png"] = png(6, 7, 4, 16, True, image(rng, 6, 7, 4, 16))
    files["rgba8-private-chunk.png"] = png(4, 4, 6, 8, False, image(rng, 4, 4, 6, 8), chunk(b"prVt", b"skyvane"))
    files["rgba16.png"] = png(2, 5, 6, 16, False, image(rng, 2, 5, 6, 16))
    good = png(6, 6, 2, 8, False, image(rng, 6, 6, 2, 8))
    files["truncated.png"] = good[: len(good) - 20]
    bad_crc = bytearray(good)
    bad_crc[40] ^= 0x10
    files["bad-crc.png"] = bytes(bad_crc)
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
