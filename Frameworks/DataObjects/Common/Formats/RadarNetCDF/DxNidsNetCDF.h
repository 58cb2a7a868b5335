// Radar netCDF (WDSS-II convention): a "RadialSet" (one sweep, radials by gates, dense or sparse) becomes a radial
// image; any other data type is read as a latitude/longitude raster. The library reads named files only, so the
// bytes go through a temporary file "netcdf-radar.<pid><token>.tmp" that is removed however the parse ends.
#pragma once

#include "CxData.h"
#include "DxImage.h"

#include <cstddef>

class CxFile;

class NidsNetCDFParser
{
public:
    // Value kinds, each with its colour-index rule.
    enum Kind : CxSint32
    {
        kReflectivity = 1,
        kVelocity = 2,
        kWindSpeed = 5,
        kSpectrumWidth = 6,
        kDifferential = 7,
        kPhase = 8,
        kCorrelation = 9
    };

    // "CDF" at the start.
    static bool Recognizes(const CxUint8* inBytes, std::size_t inSize);
    // A classic header whose names, lists and attributes all fit the bytes; the library would allocate whatever
    // a header claims, so every netCDF reader asks this first.
    static bool PlausibleHeader(const CxUint8* inBytes, std::size_t inSize);

    // A new image the caller owns, or null when a dimension, the data variable or its shape is missing or wrong.
    DxIndexedImage* Parse(const CxData& inData);
    DxIndexedImage* Parse(const CxUint8* inBytes, std::size_t inSize);

    // The colour index of a value of a kind (NaN gives 0); outTracked is the value the index stands for.
    static CxUint8 Index(Kind inKind, double inValue, double& outTracked);

    // Diagnostics, not used while parsing; all print to the debug output. The file's dimensions, global
    // attributes and variables with their attributes:
    static void DumpFile(const CxFile& inFile);
    // One attribute (by number) of a variable, or a global one with variable -1, between "[=========" and
    // "=========]". Under the netCDF lock (DxNetCDFLock), as DumpFile calls it.
    static void DebugAttribute(int inNcId, int inVariable, int inAttribute);
    // Values of a netCDF external type (strings as an array of C strings); "Bad type!" for a type this does not
    // know.
    static void OutputAttributeValues(int inType, std::size_t inCount, const void* inValues);
    // The pixel array, row by row from the first.
    static void DumpImage(const DxIndexedImage& inImage);
};
