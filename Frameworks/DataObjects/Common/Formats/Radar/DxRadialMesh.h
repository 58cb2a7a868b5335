// The mesh of a radial sweep: gates as texture columns, radials as rows, each radial a fan slice around the radar.
// Shared by the radar readers whose images hold one row per radial.
#pragma once

#include "CxTypes.h"
#include "DxImage.h"
#include "GxProjection.h"

#include <vector>

struct DxRadialSweep
{
    // Per row: the azimuth in degrees (clockwise from north) where the radial starts and where it ends.
    std::vector<double> mStart;
    std::vector<double> mEnd;
    CxUint32 mGates = 0;
    double mGateKm = 1.0;
    double mFirstGateKm = 0.0;
};

// Sets the mesh of an image already sized (width a multiple of the texture side, one row per radial) whose origin
// is the radar in inProjection. One quad per radial and texture column; with inFan the innermost column is a
// triangle from the radar itself instead, so no hole is left around the site.
void DxBuildRadialMesh(DxIndexedImage& ioImage, const GxProjection& inProjection, const DxRadialSweep& inSweep,
                       bool inFan, CxUint32 inTextureSide = 512);
