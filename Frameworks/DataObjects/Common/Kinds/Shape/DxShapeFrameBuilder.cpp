#include "DxShapeFrameBuilder.h"

#include "CxDebug.h"
#include "DxShapeFileReader.h"

#include <cmath>
#include <cstring>

namespace
{
constexpr CxUint32 kPointListHeaderBytes = 256;

CxUint32 LoadBig(const unsigned char* inBytes)
{
    return CxUint32(inBytes[0]) << 24 | CxUint32(inBytes[1]) << 16 | CxUint32(inBytes[2]) << 8 | inBytes[3];
}

float LoadBigFloat(const unsigned char* inBytes)
{
    const CxUint32 bits = LoadBig(inBytes);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool BeginsWithKey(const unsigned char* inBytes, CxUint32 inSize, const std::string& inKey)
{
    return inSize > inKey.size() && std::memcmp(inBytes, inKey.data(), inKey.size()) == 0 && inBytes[inKey.size()] == 0;
}

void ReadPointList(const unsigned char* inBytes, CxUint32 inSize, DxShape& ioShape)
{
    ioShape.BeginData();
    // Pairs before the first NaN marker would find no polygon to join: open one for them.
    ioShape.AcceptVertex(false);
    if ((inSize / 4) % 2 == 0)
    {
        for (CxUint32 at = kPointListHeaderBytes; inSize >= 8 && at <= inSize - 8; at += 8)
        {
            const float longitude = LoadBigFloat(inBytes + at);
            if (std::isnan(longitude))
                ioShape.AcceptVertex(false);
            else
                ioShape.AcceptPosition(GxPosition().FromDegrees(longitude, LoadBigFloat(inBytes + at + 4)));
        }
    }
    ioShape.EndData();
    ioShape.SetType(ioShape.IsClosed() ? kDxShapePolygon : kDxShapePolyLine);
}
} // namespace

bool DxPlausibleShapeData(const unsigned char* inBytes, std::size_t inSize, bool inPointList)
{
    if (inBytes == nullptr)
        return false;
    if (inPointList)
        return inSize >= kPointListHeaderBytes && inSize % 8 == 0 &&
               std::memchr(inBytes, 0, kPointListHeaderBytes) != nullptr;
    constexpr std::size_t kHeaderBytes = 100;
    if (inSize < kHeaderBytes || LoadBig(inBytes) != 9994)
        return false;
    const std::size_t length = std::size_t(LoadBig(inBytes + 24)) * 2;
    return length >= kHeaderBytes && length <= inSize;
}

std::unique_ptr<DxShape> DxBuildShapeFrame(CxData& ioData, const CxString& inKey)
{
    auto shape = std::make_unique<DxShape>(GxDegreeProjection());
    const auto* bytes = static_cast<const unsigned char*>(ioData.GetHandle());
    const CxUint32 size = bytes == nullptr ? 0 : ioData.Size();
    if (size >= 4 && LoadBig(bytes) == 9994)
    {
        try
        {
            DxShapeParser().ParseIntoShape(ioData, shape.get());
        }
        catch (const CxError& inError)
        {
            CxDebug(inError.AsString());
            return nullptr;
        }
    }
    else if (BeginsWithKey(bytes, size, inKey.AsUtf8()))
    {
        ioData.Lock();
        ReadPointList(bytes, size, *shape);
        ioData.Unlock();
    }
    return shape;
}
