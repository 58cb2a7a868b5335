// Canadian radar polar text: "key value" header lines, then after a line feed and "Data " one colour-index byte
// per bin, radial after radial from north clockwise. One file becomes one indexed radial image.
#pragma once

#include "CxData.h"
#include "CxDate.h"
#include "DxConfigParsers.h"
#include "DxImage.h"

#include <cstddef>
#include <string>
#include <vector>

class DxCanadianRadarParser
{
public:
    // More radials than this would overlap: their spacing is counted in tenths of a degree.
    static constexpr CxUint32 kMaxRadials = 3600;

    // "MajorProductType RADAR" at the start.
    static bool Recognizes(const CxUint8* inBytes, std::size_t inSize);

    DxCanadianRadarParser();

    // A new image the caller owns, or null when the header lacks a needed key or there is no data block. The
    // colour table listed for the product kind (1 "MPRATE", 2 "DOPVOL1_A") replaces the built-in one.
    DxIndexedImage* Parse(const CxData& inData, const std::vector<DxNidsRadialInfo>& inRadialInfos);
    DxIndexedImage* Parse(const CxUint8* inBytes, std::size_t inSize,
                          const std::vector<DxNidsRadialInfo>& inRadialInfos);

private:
    // One header line; lines of other keys are ignored.
    void FindImportantData(const std::string& inLine);
    bool HaveNecessaryInfo() const;

    bool mHaveTime = false;
    CxDate mValidTime;
    CxUint32 mSizeInBytes = 0;
    double mLatitude;
    double mLongitude;
    CxUint32 mRange = 0;
    CxUint32 mTheta = 0;
    double mBinResolution;
    double mAzimuthalResolution;
    CxSint16 mProductKind = 0;
};
