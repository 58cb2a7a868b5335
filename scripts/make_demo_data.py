#!/usr/bin/env python3
"""Builds the bundled demo data (Products/Skyvane/Demo) from the real public files of ../shared/testdata.

The output is committed: a fresh clone carries it and needs nothing else. Running this again on the same input
writes the same bytes, so `git status` stays clean.

Three data sets, each laid out as the data server presents it: ID/info/config.xml is the registry's answer for ID,
the other info documents and the data files sit beside it. "@BASE@" in the XML documents stands for the server's
address, filled in by the demo server when it serves them.

    python3 scripts/make_demo_data.py [--testdata DIR] [--out DIR]
"""

import argparse
import hashlib
import os
import shutil
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

STATIONS_SET = "europe-qff"
RADAR_SET = "kbmx-nexrad3"
OUTLINES_SET = "natural-earth"

STATIONS_CSV = "obs/PressQFF_202007271200_872.csv"
STATIONS_DATE = (2020, 7, 27, 12, 0, 0)
RADAR_FILES = [("N0Q", "nexrad3/KBMX_SDUS54_N0QBMX_201501020205"),
               ("NCZ", "nexrad3/KBMX_SDUS64_NCZBMX_201501020205")]
RADAR_STAMP = "201501020205"
# KBMX as its products' description block gives it: thousandths of degrees and feet.
RADAR_SITE = ("KBMX", "Birmingham, AL", 33.172, -86.770, 231)
OUTLINE_PARTS = ["shp", "shx", "dbf", "prj", "cpg"]

# NWS reflectivity colours by 5 dBZ from 5 dBZ up; below 5 dBZ nothing is drawn.
REFLECTIVITY = ["#04E9E7", "#019FF4", "#0300F4", "#02FD02", "#01C501", "#008E00", "#FDF802", "#E5BC00",
                "#FD9500", "#FD0000", "#D40000", "#BC0000", "#F800FD", "#9854C6", "#FDFDFD"]

HEADER = '<?xml version="1.0" encoding="UTF-8"?>\n<?datasetconfig version="1.0"?>\n'

BSD3 = """Copyright (c) MeteoSwiss, Bruno Zuercher
All rights reserved.

Redistribution and use in source and binary forms, with or without modification, are permitted provided that the
following conditions are met:

1. Redistributions of source code must retain the above copyright notice, this list of conditions and the following
   disclaimer.

2. Redistributions in binary form must reproduce the above copyright notice, this list of conditions and the following
   disclaimer in the documentation and/or other materials provided with the distribution.

3. Neither the name of the copyright holder nor the names of its contributors may be used to endorse or promote
   products derived from this software without specific prior written permission.

THIS SOFTWARE IS PROVIDED BY THE COPYRIGHT HOLDERS AND CONTRIBUTORS "AS IS" AND ANY EXPRESS OR IMPLIED WARRANTIES,
INCLUDING, BUT NOT LIMITED TO, THE IMPLIED WARRANTIES OF MERCHANTABILITY AND FITNESS FOR A PARTICULAR PURPOSE ARE
DISCLAIMED. IN NO EVENT SHALL THE COPYRIGHT HOLDER OR CONTRIBUTORS BE LIABLE FOR ANY DIRECT, INDIRECT, INCIDENTAL,
SPECIAL, EXEMPLARY, OR CONSEQUENTIAL DAMAGES (INCLUDING, BUT NOT LIMITED TO, PROCUREMENT OF SUBSTITUTE GOODS OR
SERVICES; LOSS OF USE, DATA, OR PROFITS; OR BUSINESS INTERRUPTION) HOWEVER CAUSED AND ON ANY THEORY OF LIABILITY,
WHETHER IN CONTRACT, STRICT LIABILITY, OR TORT (INCLUDING NEGLIGENCE OR OTHERWISE) ARISING IN ANY WAY OUT OF THE USE
OF THIS SOFTWARE, EVEN IF ADVISED OF THE POSSIBILITY OF SUCH DAMAGE.
"""


class Writer:
    def __init__(self, out):
        self.out = out
        self.written = []  # (relative path, bytes, origin, licence)

    def put(self, rel, data, origin, licence):
        if isinstance(data, str):
            data = data.encode("utf-8")
        path = os.path.join(self.out, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        self.written.append((rel, data, origin, licence))


def config(name, kind, set_id, properties):
    lines = [HEADER, "<datasetconfig>\n",
             '\t<property id="name" value="%s"/>\n' % name,
             '\t<property id="type" value="%s"/>\n' % kind,
             '\t<property id="baseUrl" value="@BASE@/%s/"/>\n' % set_id]
    for key, value, units in properties:
        unit_text = ' units="%s"' % units if units else ""
        lines.append('\t<property id="%s" value="%s"%s/>\n' % (key, value, unit_text))
    lines.append("</datasetconfig>\n")
    return "".join(lines)


def read_stations(path):
    with open(path, encoding="ascii") as f:
        rows = [line.strip() for line in f if line.strip()]
    count = int(rows[0].split(",")[0])
    stations = [row.split(",") for row in rows[1:]]
    if len(stations) != count or any(len(s) != 3 for s in stations):
        sys.exit("make_demo_data: %s: expected %d rows of latitude,longitude,value" % (path, count))
    return stations


def stations_set(w, testdata):
    stations = read_stations(os.path.join(testdata, STATIONS_CSV))
    origin = "`%s` of the shared test data (MeteoSwiss/fast-barnes-py demo data), converted" % STATIONS_CSV
    licence = "BSD-3-Clause, (c) MeteoSwiss (LICENSE-stations)"
    # Near-duplicate positions stay apart under their own ids.
    ids = ["e%04d" % (i + 1) for i in range(len(stations))]
    year, month, day, hour, minute, second = STATIONS_DATE
    kdf = ["101\n", "1 %d %d %d %d %d %d\n" % STATIONS_DATE, "STID STNM TIME PMSL\n"]
    for number, (sid, (_, _, value)) in enumerate(zip(ids, stations), start=1):
        kdf.append("%s %d 0 %s\n" % (sid, number, value))
    stamp = "%04d%02d%02d%02d%02d" % (year, month, day, hour, minute)
    w.put("%s/data/%s.kdf" % (STATIONS_SET, stamp), "".join(kdf), origin, licence)

    sites = [HEADER, "<siteinfo>\n\t<table>\n", '\t\t<fieldref id="stid" type="string"/>\n',
             '\t\t<fieldref id="lat" type="float"/>\n', '\t\t<fieldref id="lon" type="float"/>\n']
    for sid, (lat, lon, _) in zip(ids, stations):
        sites.append('\t\t<record>"%s", %s, %s</record>\n' % (sid, lat, lon))
    sites.append("\t</table>\n</siteinfo>\n")
    w.put("%s/info/siteinfo.xml" % STATIONS_SET, "".join(sites), origin, licence)

    parms = (HEADER + "<parminfo>\n"
             '\t<parm id="pmsl" name="Sea-level pressure" type="float" units="mbar" resoulution="1"/>\n'
             "</parminfo>\n")
    w.put("%s/info/parminfo.xml" % STATIONS_SET, parms, "written here", "as the repository")
    w.put("%s/info/config.xml" % STATIONS_SET,
          config("Europe sea-level pressure", "kdf", STATIONS_SET,
                 [("siteInfoUrl", "info/siteinfo.xml", None), ("parmInfoUrl", "info/parminfo.xml", None),
                  ("dataUrlFormat", "data/%Y%m%d%H%M.kdf", None), ("dataResolution", "3600", "secs")]),
          "written here", "as the repository")


def color_table(colors, indent):
    rows = [" ".join(colors[i:i + 8]) for i in range(0, len(colors), 8)]
    return ("\n" + indent).join(rows)


def radar_set(w, testdata):
    origin_note = "jjhelmus/nexrad_level3 sample_data (shared test data `%s`), copied"
    licence = "NOAA/NWS data, public domain"
    for product, rel in RADAR_FILES:
        with open(os.path.join(testdata, rel), "rb") as f:
            data = f.read()
        w.put("%s/data/%s/%s/%s.nids" % (RADAR_SET, RADAR_SITE[0][1:], product, RADAR_STAMP), data,
              origin_note % rel, licence)

    sid, name, lat, lon, elev = RADAR_SITE
    sites = (HEADER + "<siteinfo>\n\t<table>\n"
             '\t\t<fieldref id="stid" type="string"/>\n\t\t<fieldref id="name" type="string"/>\n'
             '\t\t<fieldref id="lat" type="float"/>\n\t\t<fieldref id="lon" type="float"/>\n'
             '\t\t<fieldref id="elev" type="int"/>\n'
             '\t\t<record>"%s", "%s", %.3f, %.3f, %d</record>\n'
             "\t</table>\n</siteinfo>\n") % (sid, name, lat, lon, elev)
    w.put("%s/info/siteinfo.xml" % RADAR_SET, sites, "written here", "as the repository")

    # Digital reflectivity (code 94): level 0 below threshold, 1 range folded, then -32 dBZ in half-dBZ steps.
    digital = []
    for level in range(256):
        dbz = -32.0 + (level - 2) * 0.5
        band = int((dbz - 5.0) // 5.0)
        digital.append(REFLECTIVITY[min(band, len(REFLECTIVITY) - 1)] + "FF"
                       if level >= 2 and band >= 0 else "#00000000")
    # Composite reflectivity (code 38): level 0 no data, then 5 dBZ steps from 5 dBZ.
    composite = ["#00000000"] + [c + "FF" for c in REFLECTIVITY]
    products = (HEADER + "<parminfo>\n"
                '\t<parm id="N0Q" name="Base Reflectivity" units="dBZ"/>\n'
                '\t<parm id="NCZ" name="Composite Reflectivity" units="dBZ"/>\n'
                '\t<radial id="94" name="Digital Base Reflectivity" kmPerPixel="1.0" dataLevels="256" units="dBZ">\n'
                "\t\t<colorTable>" + color_table(digital, "\t\t\t") + "</colorTable>\n"
                "\t</radial>\n"
                '\t<mosaic id="38" name="Composite Reflectivity" kmPerPixel="4.0" dataLevels="16" units="dBZ">\n'
                "\t\t<colorTable>" + color_table(composite, "\t\t\t") + "</colorTable>\n"
                "\t</mosaic>\n"
                "</parminfo>\n")
    w.put("%s/info/prodinfo.xml" % RADAR_SET, products, "written here", "as the repository")
    w.put("%s/info/config.xml" % RADAR_SET,
          config("KBMX Level III", "nids", RADAR_SET,
                 [("siteInfoUrl", "info/siteinfo.xml", None), ("prodInfoUrl", "info/prodinfo.xml", None),
                  ("dataUrlFormat", "data/%threelettersiteid;/%product;/%Y%m%d%H%M.nids", None),
                  ("searchServer", "true", None)]),
          "written here", "as the repository")


def outlines_set(w, testdata):
    origin_note = "geopandas/geopandas tests (shared test data `shapefile/naturalearth_lowres.%s`), copied"
    licence = "Natural Earth, public domain"
    for part in OUTLINE_PARTS:
        with open(os.path.join(testdata, "shapefile", "naturalearth_lowres." + part), "rb") as f:
            data = f.read()
        w.put("%s/data/world/naturalearth_lowres.%s" % (OUTLINES_SET, part), data, origin_note % part, licence)
    shapes = (HEADER + "<shapeinfo>\n"
              '\t<region id="world" name="World"/>\n'
              '\t<shape id="naturalearth_lowres" name="Countries"/>\n'
              "</shapeinfo>\n")
    w.put("%s/info/shapeinfo.xml" % OUTLINES_SET, shapes, "written here", "as the repository")
    w.put("%s/info/config.xml" % OUTLINES_SET,
          config("Country outlines", "shp", OUTLINES_SET,
                 [("shapeInfoUrl", "info/shapeinfo.xml", None),
                  ("dataUrlFormat", "data/%region;/%feature;.shp", None)]),
          "written here", "as the repository")


def sources(w):
    lines = ["# Demo data: sources and licences\n", "\n",
             "Made by `scripts/make_demo_data.py` from the shared test data; run it again to check that these "
             "files are\nreproducible. Each set's `info/config.xml` is the registry's answer for the set's id.\n",
             "\n", "| file | bytes | sha256 (first 16) | origin | licence |\n", "|---|---|---|---|---|\n"]
    for rel, data, origin, licence in sorted(w.written):
        lines.append("| `%s` | %d | `%s` | %s | %s |\n"
                     % (rel, len(data), hashlib.sha256(data).hexdigest()[:16], origin, licence))
    lines += ["\n", "## Licences\n", "\n",
              "- Radar products (`%s/data`): NOAA/NWS data, a US government work in the public domain, copied "
              "from the\n  jjhelmus/nexrad_level3 repository's samples (commit 5d50d0cc9e6e).\n" % RADAR_SET,
              "- Country outlines (`%s/data`): Natural Earth, public domain, as the geopandas repository's "
              "tests carry them\n  (commit 81efcbeeae99).\n" % OUTLINES_SET,
              "- Stations (`%s/data` and `%s/info/siteinfo.xml`): (c) MeteoSwiss, from the fast-barnes-py demo "
              "data\n  (commit b5a32975c293), BSD-3-Clause: see `LICENSE-stations`. Station ids are invented "
              "(e0001 ...).\n" % (STATIONS_SET, STATIONS_SET),
              "- The configuration documents are this repository's own.\n"]
    w.put("LICENSE-stations", BSD3, "fast-barnes-py licence", "BSD-3-Clause")
    path = os.path.join(w.out, "SOURCES.md")
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("".join(lines))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--testdata", default=os.path.join(os.path.dirname(ROOT), "shared", "testdata"))
    parser.add_argument("--out", default=os.path.join(ROOT, "Products", "Skyvane", "Demo"))
    args = parser.parse_args()
    if not os.path.isdir(args.testdata):
        sys.exit("make_demo_data: no test data at %s" % args.testdata)
    os.makedirs(args.out, exist_ok=True)
    for set_id in (STATIONS_SET, RADAR_SET, OUTLINES_SET):
        shutil.rmtree(os.path.join(args.out, set_id), ignore_errors=True)
    w = Writer(args.out)
    stations_set(w, args.testdata)
    radar_set(w, args.testdata)
    outlines_set(w, args.testdata)
    sources(w)
    print("make_demo_data: %d files in %s" % (len(w.written) + 1, args.out))


if __name__ == "__main__":
    main()
