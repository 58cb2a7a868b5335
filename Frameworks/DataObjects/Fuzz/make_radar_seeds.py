#!/usr/bin/env python3
"""Writes small seeds for the Level II, radar netCDF and Canadian readers into corpus/nexrad2, corpus/radar_netcdf and
corpus/canadian_radar: the two shared single Level II records behind a volume header (and one as an LDM record), a
synthetic message-31 record of one short radial (a few hundred bytes, where real records take kilobytes), two
ncgen-built radial sets (dense and sparse) and a raster, and a polar Canadian text file."""
import bz2
import os
import struct
import subprocess
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
shared = os.path.abspath(os.path.join(here, "../../../../shared/testdata"))


def write(folder, name, data):
    os.makedirs(os.path.join(here, "corpus", folder), exist_ok=True)
    with open(os.path.join(here, "corpus", folder, name), "wb") as out:
        out.write(data)


header = b"AR2V0006.001" + struct.pack(">II", 20090, 82481879) + b"KABR"
for name in ("digital_radar_data_legacy", "digital_radar_data_full"):
    with open(os.path.join(shared, "nexrad2/messages", name + ".bin"), "rb") as f:
        record = f.read()
    write("nexrad2", name.split("_")[-1], header + record)


def message31(gates=16):
    """One type-31 radial of reflectivity: data header, volume block with the site, and a DREF block."""
    volume = b"RVOL" + struct.pack(">HBB", 44, 1, 0) + struct.pack(">ffhH", 45.456, -98.413, 397, 0)
    volume += bytes(20) + struct.pack(">HH", 212, 0)
    moment = b"DREF" + struct.pack(">IHHHHhBBff", 0, gates, 2125, 250, 16, 0, 0, 8, 2.0, 66.0)
    moment += bytes((60 + 8 * g) % 256 for g in range(gates))
    pointers = [68, 68 + len(volume)] + [0] * 7
    body = b"KABR" + struct.pack(">IHHfBBHBBBBfBBH", 82481879, 20090, 1, 90.0, 0, 0, 68 + len(volume) + len(moment),
                                 1, 4, 1, 0, 0.5, 0, 0, 2)
    body += struct.pack(">9I", *pointers) + volume + moment
    size = 16 + len(body)
    message = struct.pack(">HBBHHIHH", size // 2, 0, 31, 1, 20090, 82481879, 1, 1)
    return bytes(12) + message + body


write("nexrad2", "message31", header + message31())
packed = bz2.compress(record)
write("nexrad2", "ldm", header + struct.pack(">i", -len(packed)) + packed)

radial = ("netcdf r { dimensions: Azimuth = 3; Gate = 4; pixel = 2; variables: float Azimuth(Azimuth);"
          " float GateWidth(Azimuth); float Reflectivity(SHAPE); Reflectivity:Units = \"dBZ\";"
          " short pixel_x(pixel); short pixel_y(pixel); int pixel_count(pixel); :TypeName = \"Reflectivity\";"
          " :DataType = \"TYPE\"; :Latitude = 35.3; :Longitude = -97.3; :Time = 925775483; :RangeToFirstGate = 100.;"
          " data: Azimuth = 0, 1, 2; GateWidth = 250, 250, 250; pixel_x = 0, 2; pixel_y = 1, 3;"
          " pixel_count = 5, 1; Reflectivity = VALUES; }")
raster = ("netcdf g { dimensions: Lat = 2; Lon = 3; variables: float WindSpeed(Lat, Lon);"
          " WindSpeed:Units = \"MetersPerSecond\"; :TypeName = \"WindSpeed\"; :Latitude = 40.0; :Longitude = -100.0;"
          " :LatGridSpacing = 0.5; :LonGridSpacing = 0.5; data: WindSpeed = 0, 50, 20, -1, 40, 10; }")
cases = {"dense": radial.replace("SHAPE", "Azimuth, Gate").replace("TYPE", "RadialSet")
         .replace("VALUES", "80, 10, 20, 30, 40, 50, 60, 70, -5, 0, 1, 2"),
         "sparse": radial.replace("SHAPE", "pixel").replace("TYPE", "SparseRadialSet").replace("VALUES", "30, 60"),
         "raster": raster}
with tempfile.TemporaryDirectory() as tmp:
    for name, cdl in cases.items():
        with open(os.path.join(tmp, "in.cdl"), "w") as f:
            f.write(cdl)
        subprocess.run(["ncgen", "-k", "classic", "-o", os.path.join(tmp, "out.nc"), os.path.join(tmp, "in.cdl")],
                       check=True)
        with open(os.path.join(tmp, "out.nc"), "rb") as f:
            write("radar_netcdf", name, f.read())

text = ("MajorProductType RADAR\nValidTime 201611212330\nSizeInBytes 24\nLatCentre 53.56\nLonCentre -114.14\n"
        "Range 8\nTheta 3\nBinResolution 1.0\nAzimuthalResolution 1.0\nMinorProductParameters MPRATE\nData ")
write("canadian_radar", "polar", text.encode() + bytes(range(1, 25)))
