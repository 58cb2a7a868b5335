#include "DxShapeFuzzEntry.h"

#include "DxShapeFileReader.h"
#include "DxShapeFrameBuilder.h"

#include <cstring>
#include <limits>

// Keeps the reads of every point from being optimised away.
volatile double gDxShapeFuzzSink = 0;

namespace
{
// Touches every point the reader claims to have made.
int Touch(const DxShape* inShape)
{
    if (inShape == nullptr)
        return 1;
    double sum = 0;
    for (const auto& polygon : inShape->Polygons())
        for (const GxPoint& point : polygon->Points())
            sum += point.mX + point.mY;
    gDxShapeFuzzSink = sum;
    return 0;
}
} // namespace

int DxShapeFuzzOne(const std::uint8_t* inData, std::size_t inSize)
{
    if (inSize == 0 || inSize > std::numeric_limits<CxUint32>::max())
        return 1;
    CxData data(inData + 1, static_cast<CxUint32>(inSize - 1));
    try
    {
        switch (inData[0] % 3)
        {
        case 0:
            return Touch(std::unique_ptr<DxShape>(DxShapeParser().ParseShape(data)).get());
        case 1:
        {
            DxShapeArchiveParser archive(data);
            int result = 1;
            // The ids the index names, as far as the data holds them.
            for (std::size_t at = 25; at + 8 <= inSize && at < 25 + 12 * 16; at += 12)
                result &= Touch(archive.GetShapeForId(
                    CxString::FromUtf8(std::string_view(reinterpret_cast<const char*>(inData + at),
                                                        strnlen(reinterpret_cast<const char*>(inData + at), 8)))));
            archive.PurgeShapes(CxDate() + 1);
            return result;
        }
        default:
            // The key is the header's own text, so that the point list is read.
            const std::size_t keyLength = strnlen(reinterpret_cast<const char*>(inData + 1), inSize - 1);
            return Touch(DxBuildShapeFrame(data, CxString::FromUtf8(std::string_view(
                                                     reinterpret_cast<const char*>(inData + 1), keyLength)))
                             .get());
        }
    }
    catch (const CxError&)
    {
        return 1;
    }
}
