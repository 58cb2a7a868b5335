// The frame a shape data set's record gives: an ESRI shapefile main file, or the set's own point-list file (a
// 256-byte header holding the record key, then big-endian float longitude, latitude pairs in degrees, a NaN
// longitude starting each polygon).
#pragma once

#include "CxData.h"
#include "DxShape.h"

// A shape in the degree projection; type 5 when a point list's polygons are all closed, 3 otherwise; an empty
// shape of type 1234 for data of neither kind. Null, with a debug line, for a shapefile that fails to read: no
// frame for that record rather than an error escaping the job thread.
[[nodiscard]] std::unique_ptr<DxShape> DxBuildShapeFrame(CxData& ioData, const CxString& inKey);

// Without reading the shapes: a shapefile's header (file code 9994) with every byte its length word counts, or
// a point list's whole header with its key ended and whole pairs after it. A cut file is neither.
bool DxPlausibleShapeData(const unsigned char* inBytes, std::size_t inSize, bool inPointList);
