#include "DxNidsLevelTwo.h"

#include "CxDebug.h"
#include "DxField.h"
#include "DxFrame.h"
#include "DxRadialMesh.h"
#include "GxProjection.h"

#include <bzlib.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace
{
const double kNaN = std::numeric_limits<double>::quiet_NaN();
// 24-byte volume header, then the 12-byte channel header of the first message.
const std::size_t kFirstMessage = 36;
// Every message but type 31 fills a fixed record: 12-byte channel header, 16-byte message header, body.
const std::size_t kRecordSize = 2432;
const std::size_t kHeaderSize = 16;
const double kAngleCode = 180.0 / 32768.0;

CxUint16 U16(const CxUint8* inBytes)
{
    return CxUint16((inBytes[0] << 8) | inBytes[1]);
}
CxUint32 U32(const CxUint8* inBytes)
{
    return (CxUint32(U16(inBytes)) << 16) | U16(inBytes + 2);
}
float F32(const CxUint8* inBytes)
{
    const CxUint32 bits = U32(inBytes);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The volume as the walk sees it: plain bytes in place, or LDM records unpacked in order as far as a read needs.
class L2Volume
{
public:
    L2Volume(const CxUint8* inBytes, std::size_t inSize) : mBytes(inBytes), mSize(inSize)
    {
        mPacked = inSize >= 31 && std::memcmp(inBytes + 28, "BZh", 3) == 0;
        if (mPacked)
            mBuffer.assign(inBytes, inBytes + 24);
    }

    // Count bytes at a position, or null when the volume ends first. Valid until the next call.
    const CxUint8* At(std::size_t inPos, std::size_t inCount)
    {
        if (inPos > std::numeric_limits<std::size_t>::max() - inCount)
            return nullptr;
        const std::size_t end = inPos + inCount;
        if (!mPacked)
            return end <= mSize ? mBytes + inPos : nullptr;
        while (mBuffer.size() < end && UnpackNext())
        {
        }
        return end <= mBuffer.size() ? mBuffer.data() + inPos : nullptr;
    }

private:
    // One record: a big-endian size (its absolute value; negative marks the last) and a bzip2 stream.
    bool UnpackNext()
    {
        if (mDone || mNext > mSize || mSize - mNext < 4)
            return false;
        const std::int64_t announced = std::llabs(std::int64_t(CxSint32(U32(mBytes + mNext))));
        const std::size_t length =
            std::min<std::size_t>(std::size_t(announced), std::min<std::size_t>(mSize - mNext - 4, UINT32_MAX));
        bz_stream stream{};
        if (length == 0 || BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK)
        {
            mDone = true;
            return false;
        }
        stream.next_in = const_cast<char*>(reinterpret_cast<const char*>(mBytes + mNext + 4));
        stream.avail_in = unsigned(length);
        int err = BZ_OK;
        while (err == BZ_OK && mBuffer.size() < NidsLevelTwoParser::kMaxUnpacked)
        {
            const std::size_t have = mBuffer.size();
            const std::size_t grow = std::min<std::size_t>(std::max<std::size_t>(length * 8, std::size_t(1) << 16),
                                                           NidsLevelTwoParser::kMaxUnpacked - have);
            mBuffer.resize(have + grow);
            stream.next_out = reinterpret_cast<char*>(mBuffer.data() + have);
            stream.avail_out = unsigned(grow);
            err = BZ2_bzDecompress(&stream);
            mBuffer.resize(have + grow - stream.avail_out);
            // A cut stream asks for input that is not there.
            if (err == BZ_OK && stream.avail_in == 0 && stream.avail_out > 0)
                break;
        }
        BZ2_bzDecompressEnd(&stream);
        mNext += 4 + length;
        // A damaged record keeps what it gave; the records after it cannot be trusted to line up.
        if (err != BZ_STREAM_END)
            mDone = true;
        return true;
    }

    const CxUint8* mBytes;
    std::size_t mSize;
    bool mPacked = false;
    bool mDone = false;
    std::size_t mNext = 24;
    std::vector<CxUint8> mBuffer;
};

enum Moment
{
    kReflectivity = 1,
    kVelocity = 2
};

// One radial message as read: where it is, its angles and status, and the wanted moment when it carries it.
struct L2Radial
{
    CxUint8 mType = 0;
    std::size_t mNext = 0;
    CxUint16 mDate = 0;
    CxUint32 mMilliseconds = 0;
    double mAzimuth = 0.0;
    CxUint32 mStatus = 0;
    CxUint32 mElevation = 0;
    double mTilt = kNaN;
    CxUint16 mVcp = 0;
    bool mHasPosition = false;
    double mLatitude = kNaN, mLongitude = kNaN, mHeight = kNaN;
    // The moment: its gates, spacing and scale, and its bytes (valid until the volume is read again).
    bool mHasMoment = false;
    CxUint32 mGates = 0;
    double mGateKm = 1.0;
    double mScale = 2.0, mOffset = 66.0;
    const CxUint8* mGateBytes = nullptr;
    std::vector<CxUint8> mExpanded;
};

// The data block of a compressed type-31 radial, expanded into at most the announced radial length, so nothing
// is read past the message.
std::vector<CxUint8> ExtractDataBlock(const CxUint8* inBytes, std::size_t inLength, CxUint32 inExpanded,
                                      CxUint8 inCompression)
{
    std::vector<CxUint8> out(inExpanded);
    if (inCompression == 1)
    {
        unsigned int size = inExpanded;
        const int err = BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(out.data()), &size,
                                                   const_cast<char*>(reinterpret_cast<const char*>(inBytes)),
                                                   unsigned(inLength), 0, 0);
        CxAssert(err == BZ_OK);
        out.resize(err == BZ_OK ? size : 0);
    }
    else
    {
        uLongf size = inExpanded;
        const int err = uncompress(out.data(), &size, inBytes, uLong(inLength));
        CxAssert(err == Z_OK);
        out.resize(err == Z_OK ? size : 0);
    }
    return out;
}

void ReadType1(const CxUint8* inBody, std::size_t inLength, Moment inMoment, L2Radial& outRadial)
{
    outRadial.mMilliseconds = U32(inBody);
    outRadial.mDate = U16(inBody + 4);
    outRadial.mAzimuth = U16(inBody + 8) * kAngleCode;
    outRadial.mStatus = U16(inBody + 12);
    outRadial.mTilt = U16(inBody + 14) * kAngleCode;
    outRadial.mElevation = U16(inBody + 16);
    outRadial.mVcp = U16(inBody + 44);
    const bool reflectivity = inMoment == kReflectivity;
    const CxUint32 pointer = U16(inBody + (reflectivity ? 36 : 38));
    const CxUint32 gates = U16(inBody + (reflectivity ? 26 : 28));
    if (pointer < 1 || gates == 0 || pointer + gates > inLength)
        return;
    outRadial.mHasMoment = true;
    outRadial.mGates = gates;
    outRadial.mGateKm = U16(inBody + (reflectivity ? 22 : 24)) / 1000.0;
    outRadial.mGateBytes = inBody + pointer;
    if (reflectivity)
        outRadial.mOffset = 66.0;
    else
    {
        outRadial.mOffset = 129.0;
        outRadial.mScale = U16(inBody + 42) == 4 ? 1.0 : 2.0;
    }
}

void ReadType31(const CxUint8* inBody, std::size_t inLength, Moment inMoment, L2Radial& outRadial)
{
    if (inLength < 68)
        return;
    outRadial.mMilliseconds = U32(inBody + 4);
    outRadial.mDate = U16(inBody + 8);
    outRadial.mAzimuth = F32(inBody + 12);
    outRadial.mStatus = inBody[21];
    outRadial.mElevation = inBody[22];
    outRadial.mTilt = F32(inBody + 24);
    // The blocks lie at their pointers from the body's start; a compressed radial holds them expanded from 68 on.
    const CxUint8* blocks = inBody;
    std::size_t limit = inLength;
    std::size_t shift = 0;
    const CxUint8 compression = inBody[16];
    if (compression == 1 || compression == 2)
    {
        const CxUint16 expanded = U16(inBody + 18);
        outRadial.mExpanded =
            ExtractDataBlock(inBody + 68, inLength - 68, expanded == 0 ? 16000 : expanded, compression);
        blocks = outRadial.mExpanded.data();
        limit = outRadial.mExpanded.size();
        shift = 68;
    }
    const char* wanted = inMoment == kReflectivity ? "DREF" : "DVEL";
    const CxUint32 count = std::min<CxUint32>(U16(inBody + 30), 9);
    for (CxUint32 i = 0; i < count; ++i)
    {
        const std::size_t pointer = U32(inBody + 32 + 4 * i);
        if (pointer < shift || pointer - shift > limit || limit - (pointer - shift) < 28)
            continue;
        const CxUint8* block = blocks + (pointer - shift);
        const std::size_t room = limit - (pointer - shift);
        if (std::memcmp(block, "RVOL", 4) == 0 && room >= 42)
        {
            outRadial.mHasPosition = true;
            outRadial.mLatitude = F32(block + 8);
            outRadial.mLongitude = F32(block + 12);
            outRadial.mHeight = CxSint16(U16(block + 16));
            outRadial.mVcp = U16(block + 40);
        }
        else if (std::memcmp(block, wanted, 4) == 0)
        {
            const CxUint32 gates = U16(block + 8);
            // Reflectivity and velocity are one byte a gate; a block of wider words is not this moment's.
            if (gates == 0 || block[19] != 8 || room - 28 < gates)
                continue;
            outRadial.mHasMoment = true;
            outRadial.mGates = gates;
            outRadial.mGateKm = U16(block + 12) / 1000.0;
            outRadial.mScale = F32(block + 20);
            outRadial.mOffset = F32(block + 24);
            outRadial.mGateBytes = block + 28;
        }
    }
}

// False when the position holds no whole message. Radials of types 1 and 31 are read; other types only give the
// position of the next message.
bool ReadMessage(L2Volume& ioVolume, std::size_t inPos, Moment inMoment, L2Radial& outRadial)
{
    outRadial = L2Radial();
    const CxUint8* header = ioVolume.At(inPos, kHeaderSize);
    if (header == nullptr)
        return false;
    outRadial.mType = header[3];
    const std::size_t size = std::size_t(U16(header)) * 2;
    outRadial.mNext = inPos + (outRadial.mType == 31 ? size + 12 : kRecordSize);
    if (outRadial.mType != 1 && outRadial.mType != 31)
        return true;
    const std::size_t length =
        outRadial.mType == 31 ? (size > kHeaderSize ? size - kHeaderSize : 0) : kRecordSize - 12 - kHeaderSize;
    const CxUint8* body = ioVolume.At(inPos + kHeaderSize, length);
    if (body == nullptr)
    {
        // A message cut by the end of the volume is no radial.
        outRadial.mType = 0;
        return true;
    }
    if (outRadial.mType == 1 && length >= 100)
        ReadType1(body, length, inMoment, outRadial);
    else if (outRadial.mType == 31)
        ReadType31(body, length, inMoment, outRadial);
    return true;
}

// Day 1 is 1970-01-01; the Fliegel and Van Flandern civil date of that Julian day.
bool MessageDate(CxUint16 inDay, CxUint32 inMilliseconds, CxDate& outDate)
{
    CxSint64 l = CxSint64(inDay) + 2440587 + 68569;
    const CxSint64 n = 4 * l / 146097;
    l -= (146097 * n + 3) / 4;
    const CxSint64 i = 4000 * (l + 1) / 1461001;
    l = l - 1461 * i / 4 + 31;
    const CxSint64 j = 80 * l / 2447;
    const CxSint64 day = l - 2447 * j / 80;
    l = j / 11;
    const CxSint64 month = j + 2 - 12 * l;
    const CxSint64 year = 100 * (n - 49) + i + l;
    if (year < 1980 || year > 2060)
        return false;
    outDate = CxDate(CxSint16(year), CxSint16(month), CxSint16(day), 0, 0, 0, 0) + double(inMilliseconds / 1000);
    return true;
}

// The first row of the site table whose "stid" is the site.
bool FindSite(const DxFrame& inSites, const CxString& inSite, double& outLatitude, double& outLongitude,
              double& outHeight)
{
    const DxStringField* ids = inSites.FindStringField("stid");
    const DxFloatField* latitudes = inSites.FindFloatField("lat");
    const DxFloatField* longitudes = inSites.FindFloatField("lon");
    const DxFloatField* heights = inSites.FindFloatField("elev");
    if (ids == nullptr || latitudes == nullptr || longitudes == nullptr)
        return false;
    for (std::size_t row = 0; row < ids->size(); ++row)
        if ((*ids)[row] == inSite)
        {
            if (row >= latitudes->size() || row >= longitudes->size())
                return false;
            outLatitude = (*latitudes)[row];
            outLongitude = (*longitudes)[row];
            outHeight = heights != nullptr && row < heights->size() ? (*heights)[row] : kNaN;
            return std::isfinite(outLatitude) && std::isfinite(outLongitude);
        }
    return false;
}
} // namespace

bool NidsLevelTwoParser::Recognizes(const CxUint8* inBytes, std::size_t inSize)
{
    return inBytes != nullptr && ((inSize >= 8 && std::memcmp(inBytes, "ARCHIVE2", 8) == 0) ||
                                  (inSize >= 3 && std::memcmp(inBytes, "AR2", 3) == 0));
}

NidsLevelTwoParser::NidsLevelTwoParser() : mTilt(kNaN) {}

CxUint8 NidsLevelTwoParser::ReflectivityIndex(CxUint8 inRaw)
{
    return CxUint8(std::clamp(inRaw - 66, 0, 150) * 255 / 150);
}

CxUint8 NidsLevelTwoParser::VelocityIndex(double inMetresPerSecond)
{
    const double index = (inMetresPerSecond + 33.0) * 4.0;
    if (!(index > 0.0))
        return 0;
    return index >= 255.0 ? 255 : CxUint8(index);
}

DxIndexedImage* NidsLevelTwoParser::Parse(const CxData& inData, const CxString& inSite, const CxString& inProduct,
                                          const DxFrame* inSites)
{
    CxData data(inData);
    data.Lock();
    DxIndexedImage* image = Parse(static_cast<const CxUint8*>(data.Pointer()), data.Size(), inSite, inProduct, inSites);
    data.Unlock();
    return image;
}

DxIndexedImage* NidsLevelTwoParser::Parse(const CxUint8* inBytes, std::size_t inSize, const CxString& inSite,
                                          const CxString& inProduct, const DxFrame* inSites)
{
    mRaw.clear();
    mGates = 0;
    if (inBytes == nullptr || inSites == nullptr || inSize < kFirstMessage)
        return nullptr;
    double latitude = kNaN, longitude = kNaN, height = kNaN;
    const bool listed = FindSite(*inSites, inSite, latitude, longitude, height);

    CxString product(inProduct);
    mProdType = product.Contains("BREF") ? kReflectivity : kVelocity;
    product.ReplaceAll("BREF", "", 0);
    product.ReplaceAll("BVEL", "", 0);
    const CxSint32 wanted = product.AsSint32();
    const Moment moment = Moment(mProdType);

    // The first radial of the sweep: type 1 by elevation number, type 31 the first to carry the moment.
    L2Volume volume(inBytes, inSize);
    L2Radial radial;
    std::size_t pos = kFirstMessage;
    for (;;)
    {
        if (!ReadMessage(volume, pos, moment, radial))
            return nullptr;
        if (radial.mHasMoment && (radial.mType == 31 || CxSint32(radial.mElevation) == wanted))
            break;
        pos = radial.mNext;
    }
    mGates = radial.mGates;
    mGateKm = radial.mGateKm;
    mScale = radial.mScale;
    mOffset = radial.mOffset;
    mVcp = radial.mVcp;
    if (!listed)
    {
        if (!radial.mHasPosition)
            return nullptr;
        latitude = radial.mLatitude;
        longitude = radial.mLongitude;
        height = radial.mHeight;
        if (!std::isfinite(latitude) || !std::isfinite(longitude))
            return nullptr;
    }

    // The sweep's radials in order until one ends the elevation (2) or the volume (4); a radial without the moment
    // keeps its row, zero, so rows stay aligned with the azimuths.
    std::vector<double> azimuths;
    CxDate date;
    bool dated = false;
    for (;;)
    {
        if (radial.mType == 1 || radial.mType == 31)
        {
            if (radial.mHasMoment && radial.mGates != mGates)
                return nullptr;
            azimuths.push_back(radial.mAzimuth);
            const std::size_t row = mRaw.size();
            mRaw.resize(row + mGates, 0);
            if (radial.mHasMoment)
                std::memcpy(mRaw.data() + row, radial.mGateBytes, mGates);
            mTilt = radial.mTilt;
            if (!MessageDate(radial.mDate, radial.mMilliseconds, date))
                return nullptr;
            dated = true;
            if (radial.mStatus == 2 || radial.mStatus == 4)
                break;
        }
        pos = radial.mNext;
        if (!ReadMessage(volume, pos, moment, radial))
            break;
    }
    if (!dated || azimuths.empty())
        return nullptr;

    DxRadialSweep sweep;
    sweep.mGates = mGates;
    sweep.mGateKm = mGateKm;
    const std::size_t rows = azimuths.size();
    for (std::size_t i = 0; i < rows; ++i)
    {
        double width = 1.0;
        if (i + 1 < rows)
        {
            width = azimuths[i + 1] - azimuths[i];
            if (width < 0.0)
                width += 360.0;
        }
        double start = azimuths[i] - width / 2.0;
        if (start < 0.0)
            start += 360.0;
        sweep.mStart.push_back(start);
    }
    for (std::size_t i = 0; i < rows; ++i)
        sweep.mEnd.push_back(i + 1 < rows ? sweep.mStart[i + 1] : sweep.mStart[i] + 1.0);

    GxPosition site;
    site.FromDegrees(longitude, latitude);
    GxOrthographicProjection projection(site);
    auto image = std::make_unique<DxIndexedImage>(projection);
    CxSint32 width = 512;
    while (CxUint32(width) < mGates)
        width *= 2;
    image->SetWidth(width);
    image->SetHeight(CxSint32(rows));
    image->Reserve();
    CxUint8* pixels = image->Pixels();
    if (pixels == nullptr)
        return nullptr;

    // Raw byte to colour index; "tracking" gives each index its value over raw 0 to 254.
    CxUint8 table[256];
    DxFloatField* tracking = image->NewFloatField("tracking");
    tracking->assign(256, kNaN);
    for (CxSint32 raw = 0; raw < 256; ++raw)
    {
        if (mProdType == kReflectivity)
        {
            table[raw] = ReflectivityIndex(CxUint8(raw));
            if (raw < 255)
                (*tracking)[table[raw]] = raw * 0.5 - 33.0;
        }
        else
        {
            const double value = Value(CxUint8(raw));
            table[raw] = VelocityIndex(value);
            if (raw < 255 && std::isnan((*tracking)[table[raw]]))
                (*tracking)[table[raw]] = value;
        }
    }
    for (std::size_t row = 0; row < rows; ++row)
    {
        CxUint8* out = pixels + row * std::size_t(width);
        const CxUint8* in = mRaw.data() + row * mGates;
        for (CxUint32 gate = 0; gate < mGates; ++gate)
            out[gate] = table[in[gate]];
        std::memset(out + mGates, 0, std::size_t(width) - mGates);
    }

    image->SetOrigin(projection.Project(site));
    image->SetPixelSize(GxPoint(mGateKm, 1.0));
    DxFloatField* angles = image->NewFloatField("radialAngle");
    angles->assign(sweep.mStart.begin(), sweep.mStart.end());
    DxBuildRadialMesh(*image, projection, sweep, true);
    image->SetDate(date);
    image->AcceptColorTable(
        GxColorTable(mProdType == kReflectivity ? kGxNidsReflectivityColors256 : kGxNidsVelocity256));
    image->NewFloatField("units")->SetUnit(DxUnit(mProdType == kReflectivity ? "dBZ" : "mps"));
    image->NewIntField("vcp")->push_back(mVcp);
    image->NewFloatField("elevation")->push_back(height);
    image->NewFloatField("degreeTilt")->push_back(mTilt);
    image->GenerateBuffer();
    return image.release();
}
