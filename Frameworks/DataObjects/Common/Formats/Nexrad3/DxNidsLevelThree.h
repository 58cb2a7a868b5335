// NEXRAD Level III products: one product file (message header, product description block, symbology block) becomes
// one indexed radar image. Radial packets (16, 0xAF1F) give one row per radial and one column per range bin;
// raster packets (0xBA07, 0xBA0F) give the raster itself. Every size a header announces is checked against the
// bytes left before it is used, so a truncated or lying file ends the image early instead of reading past the data.
#pragma once

#include "CxData.h"
#include "DxConfigParsers.h"
#include "DxImage.h"
#include "GxProjection.h"

#include <cstddef>
#include <string>
#include <vector>

class NidsLevelThreeParser
{
public:
    // Decompressed symbologies above this are refused: the size comes from the file.
    static constexpr CxUint32 kMaxInflatedSize = 64u << 20;

    NidsLevelThreeParser();

    // A new image the caller owns, or null when the product has no image packet or cannot be read.
    DxIndexedImage* Parse(const CxData& inData, const std::vector<DxNidsMosaicInfo>& inMosaicInfos,
                          const std::vector<DxNidsRadialInfo>& inRadialInfos);
    DxIndexedImage* Parse(const CxUint8* inBytes, std::size_t inSize,
                          const std::vector<DxNidsMosaicInfo>& inMosaicInfos,
                          const std::vector<DxNidsRadialInfo>& inRadialInfos);

    // The label of one threshold halfword ("ND", "<50", "5.5").
    static CxString DataLevelLabel(CxUint16 inHalfword);
    // The 16-bit float of the coefficient products.
    static double Coefficient(CxUint16 inHalfword);

    // One text line of a storm-cell attribute table appends one storm to the storm fields; other lines add nothing.
    static void ParseStormTable(DxFrame* ioFrame, const GxOrthographicProjection& inProjection,
                                const GxPosition& inRadar, const std::string& inLine);

private:
    CxUint16 mMessageCode = 0;
    CxUint16 mSourceId = 0;
    CxUint16 mVolumeCoveragePattern = 0;
    GxPosition mPosition;
    double mHeight;
    CxSint16 mThresholds[16] = {};
    CxSint16 mCodes[10] = {};
};
