#!/usr/bin/env python3
"""Reads the shared WDSS-II radial set with the netCDF tools' own dumper (ncdump -v Reflectivity, run once) and writes
the colour-index sum and non-zero count its values give under the reflectivity rule (index trunc(v x 255 / 75),
negative and missing values 0, at most 255) to data/netcdf/wdssii_reference.tsv."""
import os
import re
import subprocess

root = os.path.abspath(os.path.join(os.path.dirname(__file__), "../../../../../shared"))
path = os.path.join(root, "testdata/netcdf/wdssii_radialset/KTLX_19990503-235123.netcdf")
dump = subprocess.run(["ncdump", "-v", "Reflectivity", path], capture_output=True, text=True).stdout
values = [float(v) for v in re.findall(r"-?[\d.]+(?:e-?\d+)?", dump.split("Reflectivity =", 1)[1])]
index = [min(255, int(max(v, 0.0) * 255 / 75)) for v in values]
with open(os.path.join(os.path.dirname(__file__), "../data/netcdf/wdssii_reference.tsv"), "w") as out:
    out.write("# file values pixelSum nonZero (from ncdump -v Reflectivity)\n")
    out.write("KTLX_19990503-235123.netcdf\t%d\t%d\t%d\n" % (len(values), sum(index), sum(1 for i in index if i)))
