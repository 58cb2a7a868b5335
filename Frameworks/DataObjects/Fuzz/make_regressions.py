#!/usr/bin/env python3
"""Writes the crafted inputs of the bounded-reading faults into the regressions folders: Level III products whose
header announces more than their data fills or that were cut, a PNG chunk whose length lies, a cut shape archive and
a netCDF grid whose record count exceeds its data. Each would have made its reader take far more memory than the
file could justify, or read a cut file as whole; the replay tests keep them refused."""
import os
import struct
import subprocess
import tempfile
import zlib

from make_seeds import header, sized, symbology

here = os.path.dirname(os.path.abspath(__file__))
graphics = os.path.join(here, "../../GraphicObjects/Fuzz/regressions")


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def raster(rows, announced=None, columns=None):
    """A raster whose rows are lists of run bytes; the row count in the packet may be a lie."""
    body = struct.pack(">HHHhhhhhhHh", 0xBA0F, 0x8000, 0xC0, 1, 1, 2, 0, 2, 0,
                       len(rows) if announced is None else announced, 2)
    for row in rows:
        body += struct.pack(">h", len(row)) + bytes(row)
    return body


def af1f(radials, bins):
    body = struct.pack(">HhHhhhh", 0xAF1F, 0, bins, 0, 0, 999, len(radials))
    for i, runs in enumerate(radials):
        body += struct.pack(">hhh", len(runs) // 2, 10 * i, 10) + bytes(runs)
    return body


def radial16(radials, bins):
    body = struct.pack(">hhHhhhh", 16, 0, bins, 0, 0, 999, len(radials))
    for i, levels in enumerate(radials):
        body += struct.pack(">hhh", len(levels), 10 * i, 10) + bytes(levels)
    return body


def nexrad3():
    folder = os.path.join(here, "regressions/nexrad3_fuzz")
    # A composite-reflectivity raster of 232 rows of 232 columns, its row count made 65535: the columns follow it.
    full = [[0xF0 | (r % 15)] * 15 + [0x70 | (r % 15)] for r in range(232)]
    write(folder, "raster-row-count-lying", sized(header(37, (60, 0, 0)) + symbology(raster(full, 0xFFFF))))
    # 3000 rows of 3000 columns: one row fills its width, every other row holds two run bytes.
    rows = [[0xFF] * 200] + [[0xF1, 0xF2]] * 2999
    write(folder, "raster-one-long-row", sized(header(37, (60, 0, 0)) + symbology(raster(rows))))
    # A base reflectivity of 360 run-length radials of 230 bins, its bin count made 65535.
    radials = [[0xF0 | (i % 16)] * 15 + [0x50 | (i % 16)] for i in range(360)]
    product = sized(header(19, (60, 0, 0)) + symbology(af1f(radials, 230)))
    write(folder, "af1f-bin-count-lying", sized(header(19, (60, 0, 0)) + symbology(af1f(radials, 0xFFFF))))
    # 200 packet-16 radials of 40 bins, the bin count made 65535.
    levels = [[(i + j) % 256 for j in range(40)] for i in range(200)]
    write(folder, "radial16-bin-count-lying", sized(header(94, (60, 0, 0)) + symbology(radial16(levels, 0xFFFF))))
    # The base reflectivity cut in the middle: by the message length, and with the length rewritten to the cut size
    # (a relay that re-headed it), by the symbology block's own length.
    cut = product[:len(product) // 2]
    write(folder, "af1f-cut", cut)
    write(folder, "af1f-cut-symbology", sized(cut))


def png():
    def chunk(kind, data, length=None):
        size = len(data) if length is None else length
        return struct.pack(">I", size) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    ihdr = chunk(b"IHDR", struct.pack(">IIBBBBB", 16, 16, 8, 0, 0, 0, 0))
    idat = chunk(b"IDAT", zlib.compress(b"".join(b"\0" + bytes(range(16)) for _ in range(16))))
    # A tEXt chunk that says 2 GiB in a file of a few hundred bytes.
    text = chunk(b"tEXt", b"Comment\0" + b"x" * 200, 0x7FFFFFF0)
    write(os.path.join(graphics, "png_reader_fuzz"), "text-chunk-length-2gib",
          b"\x89PNG\r\n\x1a\n" + ihdr + text + idat + chunk(b"IEND", b""))


def shape_archive():
    """An outline archive of two polygons, cut inside the second record; the first byte picks the archive reader."""
    records = b""
    offsets = []
    for number, ring in enumerate(([(0, 0), (1, 0), (1, 1), (0, 0)], [(2, 2), (3, 2), (3, 3), (2, 3), (2, 2)]), 1):
        content = struct.pack("<i4dii", 5, 0, 0, 3, 3, 1, len(ring)) + struct.pack("<i", 0)
        content += b"".join(struct.pack("<2d", x, y) for x, y in ring)
        offsets.append(100 + len(records))
        records += struct.pack(">ii", number, len(content) // 2) + content
    main = struct.pack(">7i", 9994, 0, 0, 0, 0, 0, (100 + len(records)) // 2)
    main += struct.pack("<ii4d4d", 1000, 5, 0, 0, 3, 3, 0, 0, 0, 0) + records
    index = b"".join(name.ljust(8, b"\0") + struct.pack("<I", at) for name, at in zip((b"first", b"second"), offsets))
    archive = struct.pack("<6I", 0, 0, 2, 0, 24 + len(index), 0) + index + main
    write(os.path.join(here, "regressions/shapefile_fuzz"), "archive-cut", b"\x01" + archive[:len(archive) - 40])


def netcdf_grid():
    """A grid whose latitude is the record dimension, two records stored and a million announced; the first byte
    picks the netCDF grid reader."""
    cdl = ("netcdf g { dimensions: lon = 4; lat = UNLIMITED; variables: float tmpc(lat, lon);"
           " :LatGridSpacing = 1.0; data: tmpc = 1, 2, 3, 4, 5, 6, 7, 8; }")
    with tempfile.TemporaryDirectory() as tmp:
        with open(os.path.join(tmp, "in.cdl"), "w") as f:
            f.write(cdl)
        subprocess.run(["ncgen", "-k", "classic", "-o", os.path.join(tmp, "out.nc"), os.path.join(tmp, "in.cdl")],
                       check=True)
        with open(os.path.join(tmp, "out.nc"), "rb") as f:
            data = f.read()
    assert struct.unpack(">I", data[4:8])[0] == 2
    write(os.path.join(here, "regressions/grid_readers_fuzz"), "netcdf-records-past-data",
          b"\x03" + data[:4] + struct.pack(">I", 1000000) + data[8:])


if __name__ == "__main__":
    nexrad3()
    png()
    shape_archive()
    netcdf_grid()
