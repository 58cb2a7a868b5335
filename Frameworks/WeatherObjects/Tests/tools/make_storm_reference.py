#!/usr/bin/env python3
"""Runs the independent Level III decoder (../shared/tools/peers/l3peer.js, npm nexrad-level-3-data) once over the
KOKX storm tracking product (code 58) and writes each cell's position and 60-minute forecast position (azimuth in
degrees, range in nautical miles; "-" where the product gives none) as data/storms_kokx.tsv.

Usage: PEER_DIR=/tmp/peers python3 make_storm_reference.py
"""
import json
import os
import subprocess

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.abspath(os.path.join(here, "../../../../../shared"))
name = "KOKX_SDUS31_NSTOKX_201108280702"
out = subprocess.run(["node", os.path.join(root, "tools/peers/l3peer.js"), "--full",
                      os.path.join(root, "testdata/nexrad3", name)],
                     capture_output=True, text=True, check=True, cwd=os.environ.get("PEER_DIR", ".")).stdout
rec = json.loads(out.splitlines()[0])
with open(os.path.join(here, "../data/storms_kokx.tsv"), "w") as table:
    table.write("# %s by peer %s; id, azimuth, range nm, 60-minute forecast azimuth, range nm\n" % (name, rec.get("peer")))
    for cell, storm in rec["formatted"]["storms"].items():
        hour = storm["forecast"][3] if len(storm["forecast"]) > 3 else None
        table.write("\t".join(map(str, [cell, storm["current"]["deg"], storm["current"]["nm"]] +
                                  ([hour["deg"], hour["nm"]] if hour else ["-", "-"]))) + "\n")
