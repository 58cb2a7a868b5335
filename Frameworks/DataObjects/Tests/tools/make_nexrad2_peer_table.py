#!/usr/bin/env python3
"""Runs the independent Level II decoder (../shared/tools/peers/l2peer.js, npm nexrad-level-2-data) once over every
shared Level II volume, elevations 1 and 2, and writes what it decodes as the table the tests compare with.

Usage: PEER_DIR=/tmp/peers python3 make_nexrad2_peer_table.py [--times]
Writes data/nexrad2/peer_sweeps.tsv: per file, elevation number and moment ("ref" or "vel"), the radials, gates,
non-null gate count, the sum of their physical values (dBZ or m/s) and the elevation angle. With --times, on the benchmark machine, it
writes only data/nexrad2/peer_times.tsv: the peer's mean parse time of five parses per file, for nexrad2_bench.
"""
import json
import os
import subprocess
import sys

root = os.path.abspath(os.path.join(os.path.dirname(__file__), "../../../../../shared"))
folder = os.path.join(root, "testdata/nexrad2")
files = sorted(os.path.join(folder, f) for f in os.listdir(folder) if os.path.isfile(os.path.join(folder, f))
               and not f.endswith(".md"))
here = os.path.join(os.path.dirname(__file__), "../data/nexrad2/")
times = "--times" in sys.argv
args = ["--repeat", "5"] if times else ["--elevations", "1,2"]
out = subprocess.run(["node", os.path.join(root, "tools/peers/l2peer.js")] + args + files,
                     capture_output=True, text=True, cwd=os.environ.get("PEER_DIR", ".")).stdout
recs = [json.loads(line) for line in out.splitlines() if line.startswith("{")]
if times:
    with open(here + "peer_times.tsv", "w") as table:
        table.write("# file, mean parse ms of 5 (%s, node %s)\n" % (recs[0]["peer"], subprocess.run(
            ["node", "--version"], capture_output=True, text=True).stdout.strip()))
        table.writelines("%s\t%s\n" % (r["file"], r["parseMsMean"]) for r in recs if r.get("ok"))
    sys.exit(0)
with open(here + "peer_sweeps.tsv", "w") as table:
    table.write("# peer %s; file elevation moment radials gates nonNull valueSum elevationAngle\n" % recs[0]["peer"])
    for r in recs:
        for sweep in r.get("sweeps", []):
            for moment, key in (("ref", "reflectivity"), ("vel", "velocity")):
                m = sweep.get(key) or {}
                if m.get("gates"):
                    table.write("%s\t%d\t%s\t%d\t%d\t%d\t%s\t%s\n" % (r["file"], sweep["elevation"], moment, m["radials"],
                                                                    m["gates"], m["nonNull"], m["valueSum"],
                                                                    sweep["elevationAngle"]))
