#!/usr/bin/env python3
"""Runs the independent Level III decoder (../shared/tools/peers/l3peer.js, npm nexrad-level-3-data) once over the
storm tracking products (code 58) of KOKX and KBMX and KOKX's hail index (code 59), and writes per site each cell's
position and 60-minute forecast position (azimuth in degrees, range in nautical miles) and its probability of severe
hail, of hail and maximum hail size; "-" where the products give none. Output: data/storms_<site>.tsv.

Usage: PEER_DIR=/tmp/peers python3 make_storm_reference.py
"""
import json
import os
import subprocess

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.abspath(os.path.join(here, "../../../../../shared"))
sites = {"kokx": ("KOKX_SDUS31_NSTOKX_201108280702", "KOKX_SDUS61_NHIOKX_201108280702"),
         "kbmx": ("KBMX_SDUS34_NSTBMX_201501020205", None)}
names = [name for pair in sites.values() for name in pair if name]
out = subprocess.run(["node", os.path.join(root, "tools/peers/l3peer.js"), "--full"] +
                     [os.path.join(root, "testdata/nexrad3", name) for name in names],
                     capture_output=True, text=True, check=True, cwd=os.environ.get("PEER_DIR", ".")).stdout
records = dict(zip(names, map(json.loads, out.splitlines())))
for site, (tracks, hail) in sites.items():
    rec = records[tracks]
    cells = records[hail]["formatted"]["hail"] if hail else {}
    with open(os.path.join(here, "../data/storms_%s.tsv" % site), "w") as table:
        table.write("# %s%s by peer %s; id, azimuth, range nm, 60-minute forecast azimuth, range nm, POSH, POH, size\n"
                    % (tracks, " and " + hail if hail else "", rec.get("peer")))
        for cell, storm in rec["formatted"]["storms"].items():
            hour = storm["forecast"][3] if len(storm["forecast"]) > 3 else None
            sizes = cells.get(cell)
            table.write("\t".join(map(str, [cell, storm["current"]["deg"], storm["current"]["nm"]] +
                                      ([hour["deg"], hour["nm"]] if hour else ["-", "-"]) +
                                      ([sizes["probSevere"], sizes["probHail"], sizes["maxSize"]] if sizes
                                       else ["-", "-", "-"]))) + "\n")
