// NEXRAD Level II volumes: one sweep of one moment (reflectivity or radial velocity) of an Archive II volume becomes
// one indexed radial image, gates as columns and radials as rows. Volumes come plain (messages after the 24-byte
// volume header) or LDM-compressed as the archive serves them (bzip2 records), which are unpacked record by record
// only until the wanted sweep ends. Message types 1 (legacy) and 31 (generic moments) are read.
#pragma once

#include "CxData.h"
#include "CxString.h"
#include "DxImage.h"

#include <cstddef>
#include <vector>

class DxFrame;

class NidsLevelTwoParser
{
public:
    // Unpacked volumes above this are cut there: the record sizes come from the file.
    static constexpr std::size_t kMaxUnpacked = std::size_t(256) << 20;

    // "ARCHIVE2" or "AR2" at the start.
    static bool Recognizes(const CxUint8* inBytes, std::size_t inSize);

    NidsLevelTwoParser();

    // A new image the caller owns, or null. The product id names the moment ("BREF", "BVEL"; anything else is
    // velocity) and the elevation number after it; type-31 volumes give their first sweep carrying the moment.
    // inSites is the radar site table ("stid", "lat", "lon", "elev"), held under its owner's lock for the call;
    // without it there is no image.
    DxIndexedImage* Parse(const CxData& inData, const CxString& inSite, const CxString& inProduct,
                          const DxFrame* inSites);
    DxIndexedImage* Parse(const CxUint8* inBytes, std::size_t inSize, const CxString& inSite, const CxString& inProduct,
                          const DxFrame* inSites);

    // What the last parse read: the raw gate bytes of each row, Gates() a row (zero where a radial lacked the
    // moment), and the physical value of a raw byte under the sweep's scale.
    const std::vector<CxUint8>& RawGates() const { return mRaw; }
    CxUint32 Gates() const { return mGates; }
    double Value(CxUint8 inRaw) const { return (inRaw - mOffset) / mScale; }

    // Colour indices of the two moments.
    static CxUint8 ReflectivityIndex(CxUint8 inRaw);
    static CxUint8 VelocityIndex(double inMetresPerSecond);

private:
    CxSint32 mProdType = 2;
    CxUint32 mGates = 0;
    double mGateKm = 1.0;
    double mOffset = 129.0;
    double mScale = 2.0;
    CxUint16 mVcp = 0;
    double mTilt;
    std::vector<CxUint8> mRaw;
};
