#!/usr/bin/env python3
"""Writes small Level III seeds into corpus/nexrad3/: a packet-16 radial product plain and bzip2-compressed, run-length
radial products of 2 and 16 radials, rasters of 3 and 32 rows and a product with graphic and tabular text, each well
under 4 KB so that the fuzzer runs thousands of them a second. make_regressions.py builds on the helpers here."""
import bz2
import os
import struct


def header(code, blocks, p8=0, size=0):
    h = struct.pack(">hhIIhhhh", code, 16438, 7528, 0, 320, 0, 4, -1)
    h += struct.pack(">iihhhhhhhI", 33172, -86770, 759, code, 2, 221, 1, 1, 16438, 7528)
    h += struct.pack(">hIhhhh", 16438, 7528, 0, 0, 1, 5)  # generation, P1, P2, elevation number, P3
    h += struct.pack(">16h", -320, 5, 254, *range(13))
    h += struct.pack(">7h", 0, 0, 0, 0, p8, size >> 16, size & 0xFFFF)
    return h + struct.pack(">hIII", 0, *blocks)


def symbology(packet):
    layer = struct.pack(">hI", -1, len(packet)) + packet
    return struct.pack(">hhIh", -1, 1, 10 + len(layer), 1) + layer


def radial16():
    body = struct.pack(">hhhhhhh", 16, 0, 4, 0, 0, 999, 2)
    for angle in (0, 10):
        body += struct.pack(">hhh", 4, angle, 10) + bytes([0, 2, 100, 255])
    return body


def af1f():
    body = struct.pack(">Hhhhhhh", 0xAF1F, 0, 6, 0, 0, 999, 2)
    for angle in (900, 910):
        body += struct.pack(">hhh", 1, angle, 10) + bytes([0x23, 0x31])
    return body


def raster():
    body = struct.pack(">HHHhhhhhhhh", 0xBA0F, 0x8000, 0xC0, 1, 1, 2, 0, 2, 0, 3, 2)
    for row in ([0x31], [0x12, 0x21], [0x3F]):
        body += struct.pack(">h", len(row)) + bytes(row)
    return body


def af1f16():
    """16 run-length radials of 64 bins, each filled by six run bytes."""
    body = struct.pack(">Hhhhhhh", 0xAF1F, 0, 64, 0, 0, 999, 16)
    for i in range(16):
        runs = [0xF0 | (i % 16), 0xF1, 0xF0 | ((i + 3) % 16), 0xF2, 0x20 | (i % 7), 0x10]
        body += struct.pack(">hhh", len(runs) // 2, 225 * i, 225) + bytes(runs)
    return body


def raster32():
    """A 32-row raster of 32 columns, each row three run bytes."""
    body = struct.pack(">HHHhhhhhhhh", 0xBA0F, 0x8000, 0xC0, 1, 1, 2, 0, 2, 0, 32, 2)
    for row in range(32):
        runs = [0xF0 | (row % 16), 0xF0 | ((row * 5) % 16), 0x20 | (row % 3)]
        body += struct.pack(">h", len(runs)) + bytes(runs)
    return body


def sized(product):
    """The product with its message length (bytes 8-11) set to its size."""
    return product[:8] + struct.pack(">I", len(product)) + product[12:]


def text_blocks():
    line = b"    V3   90/ 10 NONE NONE   10/ 20/<0.50     4  50  8.3   9.1  246/ 60  "
    packet = struct.pack(">hhhhh", 8, 6 + len(line), 2, 0, 0) + line
    graphic = struct.pack(">hhIhhh", -1, 2, 14 + len(packet), 1, 1, len(packet)) + packet
    page = struct.pack(">h", 5) + b"PAGE1" + struct.pack(">h", -1)
    tabular = struct.pack(">hhI", -1, 3, 0) + header(58, (0, 0, 0)) + struct.pack(">hh", -1, 1) + page
    return graphic, tabular


def main():
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "nexrad3")
    os.makedirs(here, exist_ok=True)
    sym = symbology(radial16())
    seeds = {
        "radial16": header(186, (60, 0, 0)) + sym,
        "radial16_bzip2": header(186, (60, 0, 0), 1, len(sym)) + bz2.compress(sym),
        "af1f": header(56, (60, 0, 0)) + symbology(af1f()),
        "raster": header(38, (60, 0, 0)) + symbology(raster()),
        "af1f16": sized(header(19, (60, 0, 0)) + symbology(af1f16())),
        "raster32": sized(header(37, (60, 0, 0)) + symbology(raster32())),
    }
    graphic, tabular = text_blocks()
    radial = symbology(radial16())
    seeds["text"] = (header(186, (60, 60 + len(radial) // 2, 60 + (len(radial) + len(graphic)) // 2)) + radial +
                     graphic + tabular)
    for name, data in seeds.items():
        assert len(data) < 4096, name
        with open(os.path.join(here, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
