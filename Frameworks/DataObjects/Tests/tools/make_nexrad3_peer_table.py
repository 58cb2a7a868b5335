#!/usr/bin/env python3
"""Runs the independent Level III decoder (../shared/tools/peers/l3peer.js, npm nexrad-level-3-data) once over
every shared Level III file and writes the radial layers it decodes as a table the tests compare with.

Usage: PEER_DIR=/tmp/peers python3 make_nexrad3_peer_table.py [--times]
With --times, on the benchmark machine, it writes only data/nexrad3/peer_times.tsv: the peer's mean parse time of
five parses per file, for nexrad3_bench.
Writes data/nexrad3/peer_radials.tsv; for the products that carry an image, their text lines as
data/nexrad3/peer_text.tsv (file, "g" graphic or "t" tabular pages flattened, the line); and for every file, the
edge files included, the packet codes the peer met as data/nexrad3/peer_packets.tsv (those it decoded and those it
names as unsupported; it stops a layer at the first of these).
"""
import json
import os
import re
import subprocess
import sys

root = os.path.abspath(os.path.join(os.path.dirname(__file__), "../../../../../shared"))
folder = os.path.join(root, "testdata/nexrad3")
files = sorted(f for f in os.listdir(folder) if os.path.isfile(os.path.join(folder, f)) and not f.endswith(".md"))
edge = sorted("edge/" + f for f in os.listdir(os.path.join(folder, "edge")) if not f.endswith(".md"))
if "--times" in sys.argv:
    out = subprocess.run(["node", os.path.join(root, "tools/peers/l3peer.js"), "--repeat", "5"] +
                         [os.path.join(folder, f) for f in files],
                         capture_output=True, text=True, cwd=os.environ.get("PEER_DIR", ".")).stdout
    with open(os.path.join(os.path.dirname(__file__), "../data/nexrad3/peer_times.tsv"), "w") as table:
        table.write("# file, mean parse ms of 5 (nexrad-level-3-data@0.4.1, node %s)\n" %
                    subprocess.run(["node", "--version"], capture_output=True, text=True).stdout.strip())
        for line in out.splitlines():
            rec = json.loads(line)
            if rec.get("ok"):
                table.write("%s\t%s\n" % (rec["file"], rec["parseMsMean"]))
    sys.exit(0)
out = subprocess.run(["node", os.path.join(root, "tools/peers/l3peer.js"), "--full"] + [os.path.join(folder, f) for f in files + edge],
                     capture_output=True, text=True, cwd=os.environ.get("PEER_DIR", ".")).stdout
rows = []
text = []
packets = []
peer = "?"
rasters = {37, 38, 41, 57, 65, 66, 67, 90}
for line in out.splitlines():
    try:
        rec = json.loads(line)
    except ValueError:
        continue
    peer = rec.get("peer", peer)
    met = {l["packet"] for l in rec.get("layers", []) if l.get("packet")}
    met |= {p for l in rec.get("layers", []) for p in l.get("packetCodes") or [] if p}
    met |= set(re.findall(r"Unsupported packet code 0x([0-9a-f]+)", " ".join(rec.get("warnings", []))))
    name = next(f for f in files + edge if os.path.basename(f) == rec["file"])
    packets.append((name, ",".join(sorted("%x" % int(p, 16) for p in met))))
    radial = [l for l in rec.get("layers", []) if l.get("packet") in ("10", "af1f") and "rawBinSum" in l]
    # Our image keeps the last image layer.
    if rec.get("ok") and radial:
        l = radial[-1]
        rows.append((rec["file"], rec["code"], l["packet"], l["numberBins"], l["numRadials"], l["rawBinSum"], l["nonzeroBins"]))
    if rec.get("ok") and (radial or rec.get("code") in rasters):
        text += [(rec["file"], "g", line) for line in rec.get("graphicText") or []]
        text += [(rec["file"], "t", line) for page in rec.get("tabularText") or [] for line in page]
here = os.path.join(os.path.dirname(__file__), "../data/nexrad3/")
with open(here + "peer_radials.tsv", "w") as out:
    out.write("# peer %s; file code packet bins radials rawBinSum nonzeroBins\n" % peer)
    out.writelines("\t".join(str(v) for v in r) + "\n" for r in rows)
with open(here + "peer_text.tsv", "w") as out:
    out.write("# peer %s; file, g (graphic) or t (tabular), line\n" % peer)
    out.writelines("\t".join(r) + "\n" for r in text)
with open(here + "peer_packets.tsv", "w") as out:
    out.write("# peer %s; file, packet codes met (hex)\n" % peer)
    out.writelines("%s\t%s\n" % r for r in packets)
