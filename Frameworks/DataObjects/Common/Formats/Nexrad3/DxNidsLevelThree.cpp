#include "DxNidsLevelThree.h"

#include "CxDebug.h"
#include "DxField.h"
#include "DxRadialMesh.h"
#include "GxProjection.h"

#include <bzlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace
{
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kDegree = M_PI / 180.0;

// Big-endian reads that never leave the buffer: a read past the end yields 0 and marks the reader spent.
class NidsReader
{
public:
    NidsReader(const CxUint8* inBytes, std::size_t inSize) : mBytes(inBytes), mSize(inSize) {}

    bool Has(std::size_t inCount) const { return mSize - mPos >= inCount; }
    bool AtEnd() const { return mPos >= mSize; }
    bool Failed() const { return mFailed; }
    std::size_t Position() const { return mPos; }
    std::size_t Left() const { return mSize - mPos; }
    const CxUint8* Here() const { return mBytes + mPos; }
    void Skip(std::size_t inCount)
    {
        if (!Has(inCount))
        {
            mPos = mSize;
            mFailed = true;
        }
        else
            mPos += inCount;
    }
    void Seek(std::size_t inPos)
    {
        mPos = inPos <= mSize ? inPos : mSize;
        if (inPos > mSize)
            mFailed = true;
    }
    CxUint16 U16()
    {
        if (!Has(2))
        {
            Skip(2);
            return 0;
        }
        CxUint16 value = CxUint16((mBytes[mPos] << 8) | mBytes[mPos + 1]);
        mPos += 2;
        return value;
    }
    CxSint16 S16() { return CxSint16(U16()); }
    CxUint32 U32()
    {
        CxUint32 high = U16();
        return (high << 16) | U16();
    }
    CxSint32 S32() { return CxSint32(U32()); }

private:
    const CxUint8* mBytes;
    std::size_t mSize;
    std::size_t mPos = 0;
    bool mFailed = false;
};

template <typename Info> const Info& FindInfo(const std::vector<Info>& inInfos, CxUint16 inCode)
{
    for (const Info& info : inInfos)
        if (CxUint16(info.ProductCode()) == inCode)
            return info;
    static const Info sDefault = []
    {
        Info info;
        info.SetKmPerPixel(1.0);
        return info;
    }();
    return sDefault;
}

bool IsOneOf(CxUint16 inCode, std::initializer_list<CxUint16> inCodes)
{
    for (CxUint16 code : inCodes)
        if (code == inCode)
            return true;
    return false;
}

// Sixteen bytes of each colour level.
constexpr auto kRuns = []
{
    std::array<std::array<CxUint8, 16>, 16> runs{};
    for (std::size_t level = 0; level < 16; ++level)
        runs[level].fill(CxUint8(level));
    return runs;
}();

// Row width: the smallest multiple of 256 not below the bin count, so textures tile evenly.
CxSint32 RadialRowWidth(CxUint32 inBins)
{
    return CxSint32((inBins + 255) / 256 * 256);
}

struct SymbologyContext
{
    CxUint16 mCode;
    CxUint16 mSourceId;
    CxUint16 mVcp;
    GxPosition mPosition;
    double mHeight;
    const CxSint16* mThresholds;
    const CxSint16* mCodes;
    const std::vector<DxNidsMosaicInfo>* mMosaics;
    const std::vector<DxNidsRadialInfo>* mRadials;
};

// A built-in palette, made once: building one converts every entry.
template <GxColorTableId Id> const GxColorTable& BuiltInColors()
{
    static const GxColorTable sTable(Id);
    return sTable;
}

void SetColors(DxIndexedImage& ioImage, const SymbologyContext& inContext, const GxColorTable& inListed)
{
    const GxColorTable* table = (inContext.mVcp == 31 || inContext.mVcp == 32)
                                    ? &BuiltInColors<kGxNidsReflectivityColors16ClearAir>()
                                    : &BuiltInColors<kGxNidsReflectivityColors16Green>();
    CxSint32 dataType = 1;
    if (inContext.mSourceId < 10000)
    {
        CxUint16 code = inContext.mCode;
        if (IsOneOf(code, {22, 23, 24, 25, 26, 27, 44, 51, 55, 56}))
        {
            table = &BuiltInColors<kGxNidsVelocityColors16>();
            dataType = 2;
        }
        else if (IsOneOf(code, {32, 94, 134, 135, 180, 186}))
            table = &BuiltInColors<kGxNidsReflectivityColors256>();
        else if (IsOneOf(code, {36, 65, 66, 67, 90}))
            table = &BuiltInColors<kGxNidsReflectivityColors8>();
        else if (IsOneOf(code, {78, 79, 80}))
        {
            table = &BuiltInColors<kGxNidsReflectivityColors16Green>();
            dataType = 3;
        }
        else if (IsOneOf(code, {81, 99, 182}))
        {
            table = &BuiltInColors<kGxNidsVelocity256>();
            dataType = 2;
        }
    }
    ioImage.AcceptColorTable(inListed.size() > 0 ? inListed : *table);
    ioImage.NewIntField("dataType")->push_back(dataType);
}

// The physical value of every pixel value of the digital products.
void BuildTracking(DxIndexedImage& ioImage, const SymbologyContext& inContext)
{
    const CxUint16 code = inContext.mCode;
    const CxSint16* t = inContext.mThresholds;
    std::vector<double> values;
    double minimum = 0.0, step = 0.0;
    CxSint32 levels = 0;
    bool ranged = true;
    if (code == 134)
    {
        const double linScale = NidsLevelThreeParser::Coefficient(CxUint16(t[0]));
        const double linOffset = NidsLevelThreeParser::Coefficient(CxUint16(t[1]));
        const double logStart = t[2];
        const double logScale = NidsLevelThreeParser::Coefficient(CxUint16(t[3]));
        const double logOffset = NidsLevelThreeParser::Coefficient(CxUint16(t[4]));
        values.assign(2, kNaN);
        for (CxSint32 v = 2; v <= 254; ++v)
            values.push_back(v < logStart ? (v - linOffset) / linScale : std::exp((v - logOffset) / logScale));
        values.push_back(kNaN);
        ranged = false;
    }
    else if (code == 135)
    {
        values.assign(2, kNaN);
        for (CxSint32 v = 2; v <= 254; ++v)
            values.push_back(t[1] != 0 ? double(v & t[0]) / t[1] - t[2] : kNaN);
        values.push_back(kNaN);
        ranged = false;
    }
    else if (IsOneOf(code, {32, 94, 99, 182, 186}))
    {
        minimum = code == 186 ? -32.0 : 0.1 * t[0];
        step = code == 186 ? 0.5 : 0.1 * t[1];
        levels = code == 186 ? 254 : t[2];
        values.assign(2, kNaN);
    }
    else if (code == 81)
    {
        minimum = 0.1 * t[0];
        step = 0.001 * t[1];
        levels = t[2];
        values.assign(1, kNaN);
    }
    else if (code == 180)
    {
        minimum = t[0];
        step = t[1];
        levels = t[2];
        values.assign(2, kNaN);
    }
    else
        return;
    if (ranged)
        for (CxSint32 i = 0; i < levels; ++i)
            values.push_back(minimum + i * step);
    DxFloatField* tracking = ioImage.NewFloatField("tracking");
    tracking->assign(values.begin(), values.end());
    if (ranged)
    {
        DxFloatField* range = ioImage.NewFloatField("dataRange");
        range->push_back(minimum);
        range->push_back(minimum + levels * step);
    }
}

// The texture side: the power of two from 64 to 256 nearest below 64 km of bins.
CxUint32 RadialTextureSide(double inKmPerBin)
{
    const double k = std::floor(64.0 / inKmPerBin);
    return k > 256 ? 256 : k > 128 ? 128 : 64;
}

// The data bytes of the radials that are all there, the reader left where it was.
CxUint64 RadialDataBytes(NidsReader& ioReader, CxUint16 inPacket, CxUint32 inRadials)
{
    const std::size_t start = ioReader.Position();
    CxUint64 total = 0;
    for (CxUint32 row = 0; row < inRadials && ioReader.Has(6); ++row)
    {
        const CxUint16 length = ioReader.U16();
        const std::size_t byteCount = inPacket == 16 ? length : std::size_t(length) * 2;
        ioReader.Skip(4);
        if (!ioReader.Has(byteCount))
            break;
        total += byteCount;
        ioReader.Skip(byteCount);
    }
    ioReader.Seek(start);
    return total;
}

// The run bytes of the raster rows that are all there, the reader left where it was (before the packing word).
CxUint64 RasterRunBytes(NidsReader& ioReader, CxUint32 inRows)
{
    const std::size_t start = ioReader.Position();
    ioReader.Skip(2);
    CxUint64 total = 0;
    for (CxUint32 row = 0; row < inRows && ioReader.Has(2); ++row)
    {
        const CxUint16 count = ioReader.U16();
        if (!ioReader.Has(count))
            break;
        total += count;
        ioReader.Skip(count);
    }
    ioReader.Seek(start);
    return total;
}

std::unique_ptr<DxIndexedImage> ParseRadial(NidsReader& ioReader, CxUint16 inPacket, const SymbologyContext& inContext)
{
    const DxNidsRadialInfo& info = FindInfo(*inContext.mRadials, inContext.mCode);
    ioReader.Skip(2);
    const CxUint16 bins = ioReader.U16();
    ioReader.Skip(6);
    // A radial takes at least 6 bytes: a count the data cannot hold would only allocate empty rows.
    const CxUint32 radials = std::min<CxUint32>(ioReader.U16(), CxUint32(ioReader.Left() / 6));
    if (ioReader.Failed())
        return nullptr;
    // The header's bin count is not trusted with the allocation: a run byte fills at most 15 bins, a packet-16
    // byte one.
    if (CxUint64(bins) * radials > (inPacket == 16 ? 1u : 15u) * RadialDataBytes(ioReader, inPacket, radials))
        return nullptr;

    GxOrthographicProjection projection(inContext.mPosition);
    auto image = std::make_unique<DxIndexedImage>(projection);
    const CxSint32 rowWidth = RadialRowWidth(bins);
    image->SetWidth(rowWidth);
    image->SetHeight(CxSint32(radials));
    image->Reserve();
    CxUint8* pixels = image->Pixels();
    if (pixels == nullptr)
        return nullptr;
    image->NewIntField("numRangeBins")->push_back(bins);
    DxFloatField* angles = image->NewFloatField("radialAngle");
    angles->reserve(radials);
    DxRadialSweep sweep;
    sweep.mStart.reserve(radials);
    sweep.mEnd.reserve(radials);

    // Each row is written whole, its unused end cleared; rows never reached are cleared after the last.
    CxUint32 row = 0;
    for (; row < radials; ++row)
    {
        if (!ioReader.Has(6))
            break;
        const CxUint16 length = ioReader.U16();
        const std::size_t byteCount = inPacket == 16 ? length : std::size_t(length) * 2;
        if (length < 1 || (inPacket == 16 ? length > rowWidth : byteCount > bins))
            break;
        const CxSint32 startTenths = ioReader.S16();
        const CxSint32 deltaTenths = ioReader.S16();
        if (!ioReader.Has(byteCount))
            break;
        // Summed in tenths, a radial's end is exactly the next one's start, so the mesh shares their corners.
        const double start = startTenths * 0.1;
        angles->push_back(start);
        sweep.mStart.push_back(start);
        sweep.mEnd.push_back((startTenths + deltaTenths) * 0.1);
        CxUint8* out = pixels + std::size_t(row) * rowWidth;
        const CxUint8* in = ioReader.Here();
        if (inPacket == 16)
        {
            std::memcpy(out, in, byteCount);
            std::memset(out + byteCount, 0, rowWidth - byteCount);
        }
        else
        {
            // A run is at most 15 bins: away from the row's end a fixed 16-byte copy of the level's ready-made
            // run is cheaper than a sized fill, its surplus overwritten by the next run or the row's cleared end.
            CxSint32 column = 0;
            for (std::size_t i = 0; i < byteCount; ++i)
            {
                const CxSint32 run = std::min<CxSint32>(in[i] >> 4, rowWidth - column);
                if (rowWidth - column >= 16)
                    std::memcpy(out + column, kRuns[in[i] & 0x0F].data(), 16);
                else
                    std::memset(out + column, in[i] & 0x0F, std::size_t(run));
                column += run;
            }
            std::memset(out + column, 0, std::size_t(rowWidth - column));
        }
        ioReader.Skip(byteCount);
    }
    std::memset(pixels + std::size_t(row) * rowWidth, 0, std::size_t(radials - row) * rowWidth);

    if (inPacket == 16)
        BuildTracking(*image, inContext);
    const double kmPerBin = info.KmPerPixel();
    image->SetOrigin(projection.Project(inContext.mPosition));
    image->SetPixelSize(GxPoint(kmPerBin, 1.0));
    sweep.mGates = bins;
    sweep.mGateKm = kmPerBin;
    DxBuildRadialMesh(*image, projection, sweep, false, RadialTextureSide(kmPerBin));
    image->NewFloatField("units")->SetUnit(info.Unit());
    image->NewFloatField("elevation")->push_back(inContext.mHeight);
    image->NewFloatField("degreeTilt")->push_back(inContext.mCodes[2] / 10.0);
    SetColors(*image, inContext, info.ColorTable());
    image->GenerateBuffer();
    return image;
}

std::unique_ptr<DxIndexedImage> ParseRaster(NidsReader& ioReader, const SymbologyContext& inContext)
{
    const DxNidsMosaicInfo& info = FindInfo(*inContext.mMosaics, inContext.mCode);
    const bool empty = ioReader.AtEnd();
    ioReader.Skip(16);
    const CxUint16 announcedRows = ioReader.U16();
    if (ioReader.Failed())
        return nullptr;
    // A row takes at least its 2-byte count (after the packing descriptor).
    const CxUint32 rows = std::min<CxUint32>(announcedRows, CxUint32(ioReader.Left() / 2));
    CxUint32 columns = inContext.mSourceId >= 10000 ? CxUint16(inContext.mCodes[9]) : 0;
    if (columns == 0)
        columns = announcedRows;
    // A run byte fills at most 15 pixels: an area the rows cannot fill is a lying header, refused before the
    // allocation.
    if (CxUint64(columns) * rows > 15 * RasterRunBytes(ioReader, rows))
        return nullptr;

    std::unique_ptr<GxProjection> projection;
    if (inContext.mSourceId < 10000)
        projection = std::make_unique<GxOrthographicProjection>(inContext.mPosition);
    else if (inContext.mSourceId < 20000)
        projection = std::make_unique<GxLambertConformalProjection>(-98.0 * kDegree, 33.0 * kDegree, 45.0 * kDegree);
    else
        projection = std::make_unique<GxFlatProjection>(inContext.mPosition);
    auto image = std::make_unique<DxIndexedImage>(*projection);
    image->SetWidth(CxSint32(columns));
    image->SetHeight(CxSint32(rows));
    image->Reserve();
    CxUint8* pixels = image->Pixels();
    if (pixels == nullptr)
        return nullptr;
    std::memset(pixels, 0, std::size_t(columns) * rows);
    const CxUint16 packing = ioReader.U16();
    CxAssert(packing == 2);
    (void)packing;

    bool overflow = empty;
    for (CxUint32 row = 0; row < rows && !overflow && ioReader.Has(2); ++row)
    {
        const CxUint16 count = ioReader.U16();
        if (!ioReader.Has(count))
            break;
        const CxUint8* in = ioReader.Here();
        CxUint8* out = pixels + std::size_t(row) * columns;
        CxUint32 column = 0;
        for (CxUint32 i = 0; i < count; ++i)
        {
            const CxUint32 run = in[i] >> 4;
            if (column + run > columns)
            {
                overflow = true;
                break;
            }
            std::memset(out + column, in[i] & 0x0F, run);
            column += run;
        }
        ioReader.Skip(count);
    }

    const double kmPerPixel = info.KmPerPixel();
    CxAssert(kmPerPixel > 0.0);
    const GxPoint center = projection->Project(inContext.mPosition);
    image->SetPixelSize(GxPoint(kmPerPixel, kmPerPixel));
    image->SetOrigin(GxPoint(center.mX - columns / 2.0 * kmPerPixel, center.mY - rows / 2.0 * kmPerPixel));
    if (kmPerPixel > 0.0 && std::isfinite(kmPerPixel))
        image->GenerateMesh(false, kmPerPixel < 1.0 ? 128.0 * kmPerPixel : 128.0);
    image->NewFloatField("units")->SetUnit(info.Unit());
    SetColors(*image, inContext, info.ColorTable());
    image->GenerateBuffer();
    return image;
}

std::unique_ptr<DxIndexedImage> ParseSymbology(NidsReader& ioReader, const SymbologyContext& inContext)
{
    const std::size_t blockStart = ioReader.Position();
    if (ioReader.S16() != -1)
        return nullptr;
    ioReader.Skip(2);
    const CxUint32 blockLength = ioReader.U32();
    // A block shorter than its own length was cut: its missing radials or rows would only be drawn empty.
    if (blockLength > ioReader.Left() + (ioReader.Position() - blockStart))
        return nullptr;
    const CxUint16 layers = ioReader.U16();
    std::unique_ptr<DxIndexedImage> result;
    for (CxUint32 layer = 0; layer < layers && !ioReader.Failed(); ++layer)
    {
        ioReader.Skip(2);
        const CxUint32 length = ioReader.U32();
        const std::size_t layerStart = ioReader.Position();
        const CxUint16 packet = ioReader.U16();
        if (ioReader.Failed())
            break;
        std::unique_ptr<DxIndexedImage> image;
        if (packet == 16 || packet == 0xAF1F)
            image = ParseRadial(ioReader, packet, inContext);
        else if (packet == 0xBA07 || packet == 0xBA0F)
            image = ParseRaster(ioReader, inContext);
        if (image != nullptr)
            result = std::move(image); // the last image layer wins; earlier ones are freed
        if (length > ioReader.Left() + (ioReader.Position() - layerStart))
            break;
        ioReader.Seek(layerStart + length);
    }
    if (blockLength <= ioReader.Left() + (ioReader.Position() - blockStart))
        ioReader.Seek(blockStart + blockLength);
    return result;
}

std::string ColumnText(const std::string& inLine, std::size_t inFirst, std::size_t inLast)
{
    return inFirst < inLine.size() ? inLine.substr(inFirst, inLast + 1 - inFirst) : std::string();
}

std::string FirstWord(const std::string& inText)
{
    const std::size_t begin = inText.find_first_not_of(' ');
    if (begin == std::string::npos)
        return std::string();
    return inText.substr(begin, inText.find(' ', begin) - begin);
}

double ColumnNumber(const std::string& inLine, std::size_t inFirst, std::size_t inLast)
{
    if (inFirst >= inLine.size())
        return kNaN;
    const std::string text = inLine.substr(inFirst, inLast + 1 - inFirst);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return end == text.c_str() ? kNaN : value;
}

const char* const kStormFloatFields[] = {
    "stormAzimuth",      "stormRange", "stormSevereHail", "stormHail",      "stormHailSize", "stormVIL", "stormMaxRef",
    "stormMaxRefHeight", "stormTop",   "stormFcstDir",    "stormFcstSpeed", "stormLat",      "stormLon"};

// One line of a storm-cell attribute table becomes one value in each storm field.
void ParseStormLine(DxFrame& ioFrame, const GxOrthographicProjection& inProjection, const GxPoint& inCenter,
                    const std::string& inLine)
{
    if (inLine.find("STM ID") != std::string::npos || inLine.find("NO STORMS") != std::string::npos)
        return;
    const std::string id = FirstWord(inLine.substr(0, 7));
    if (id.empty())
        return;
    if (ioFrame.FindField("stormId") == nullptr)
    {
        ioFrame.NewStringField("stormId");
        for (const char* name : {"stormAzimuth", "stormRange"})
            ioFrame.NewFloatField(name);
        ioFrame.NewStringField("stormMeso");
        ioFrame.NewStringField("stormTVS");
        for (std::size_t i = 2; i < std::size(kStormFloatFields); ++i)
            ioFrame.NewFloatField(kStormFloatFields[i]);
        ioFrame.NewStringField("stormHailString");
    }
    const double azimuth = ColumnNumber(inLine, 8, 10);
    const double range = ColumnNumber(inLine, 12, 14);
    double direction = kNaN, speed = kNaN;
    const std::string forecast = ColumnText(inLine, 62, 70);
    if (forecast.find("NEW") == std::string::npos)
    {
        direction = ColumnNumber(forecast, 0, 3);
        speed = ColumnNumber(forecast, 5, 7);
    }
    const double km = range * 1.852;
    const GxPosition position = inProjection.Unproject(
        GxPoint(inCenter.mX + km * std::sin(azimuth * kDegree), inCenter.mY + km * std::cos(azimuth * kDegree)));
    const double values[] = {azimuth,
                             range,
                             ColumnNumber(inLine, 27, 29),
                             ColumnNumber(inLine, 31, 33),
                             ColumnNumber(inLine, 36, 39),
                             ColumnNumber(inLine, 43, 45),
                             ColumnNumber(inLine, 48, 50),
                             ColumnNumber(inLine, 51, 55),
                             ColumnNumber(inLine, 57, 61),
                             direction,
                             speed,
                             position.mLatitude,
                             position.mLongitude};
    ioFrame.FindStringField("stormId")->push_back(CxString(id.c_str()));
    ioFrame.FindStringField("stormMeso")->push_back(CxString(FirstWord(ColumnText(inLine, 21, 24)).c_str()));
    ioFrame.FindStringField("stormTVS")->push_back(CxString(FirstWord(ColumnText(inLine, 16, 19)).c_str()));
    for (std::size_t i = 0; i < std::size(kStormFloatFields); ++i)
        ioFrame.FindFloatField(kStormFloatFields[i])->push_back(values[i]);
    ioFrame.FindStringField("stormHailString")->push_back(CxString(FirstWord(ColumnText(inLine, 35, 35)).c_str()));
}

// Text pages drawn over the picture: packet 8 lines, which may hold the storm-cell table.
void ParseGraphic(DxFrame* ioFrame, NidsReader& ioReader, const GxPosition& inRadar)
{
    const std::size_t blockStart = ioReader.Position();
    ioReader.Skip(2);
    if (ioReader.U16() != 2)
        return;
    const CxUint32 blockLength = ioReader.U32();
    const CxUint16 pages = ioReader.U16();
    std::vector<std::string> lines;
    const GxOrthographicProjection projection(inRadar);
    const GxPoint center = projection.Project(inRadar);
    for (CxUint32 page = 0; page < pages && ioReader.Has(4); ++page)
    {
        ioReader.Skip(2);
        const CxUint16 pageLength = ioReader.U16();
        for (CxUint32 used = 0; used < pageLength && ioReader.Has(4);)
        {
            const CxUint16 code = ioReader.U16();
            const CxUint16 length = ioReader.U16();
            if (!ioReader.Has(length))
                break;
            const CxUint8* packet = ioReader.Here();
            if (code == 8 && length >= 6)
                lines.emplace_back(reinterpret_cast<const char*>(packet) + 6, length - 6);
            ioReader.Skip(length);
            used += 4 + length;
        }
    }
    if (blockLength <= ioReader.Left() + (ioReader.Position() - blockStart))
        ioReader.Seek(blockStart + blockLength);
    if (ioFrame == nullptr)
        return;
    DxStringField* field = ioFrame->NewStringField("nidsGraphic");
    for (const std::string& line : lines)
    {
        field->push_back(CxString(line.c_str()));
        ParseStormLine(*ioFrame, projection, center, line);
    }
}

// Text pages: the count after the divider counts pages, each a run of lines ended by a -1 halfword.
void ParseTabular(DxFrame* ioFrame, NidsReader& ioReader)
{
    const std::size_t blockStart = ioReader.Position();
    ioReader.Skip(2);
    if (ioReader.U16() != 3)
        return;
    const CxUint32 blockLength = ioReader.U32();
    const std::size_t blockEnd =
        blockLength <= ioReader.Left() + 8 ? blockStart + blockLength : ioReader.Position() + ioReader.Left();
    ioReader.Skip(120 + 2);
    const CxUint16 pages = ioReader.U16();
    std::vector<std::string> lines;
    for (CxUint32 page = 0; page < pages && !ioReader.Failed(); ++page)
        while (ioReader.Position() + 2 <= blockEnd)
        {
            const CxSint16 count = ioReader.S16();
            if (count < 0 || ioReader.Position() + std::size_t(count) > blockEnd)
                break;
            // The count defines the line: a 0 byte inside it is shown as a space, not taken as its end.
            std::string& line = lines.emplace_back(reinterpret_cast<const char*>(ioReader.Here()), std::size_t(count));
            if (std::memchr(line.data(), '\0', line.size()) != nullptr)
                std::replace(line.begin(), line.end(), '\0', ' ');
            ioReader.Skip(std::size_t(count));
        }
    if (ioFrame == nullptr)
        return;
    DxStringField* field = ioFrame->NewStringField("nidsTabular");
    for (const std::string& line : lines)
        field->push_back(CxString(line.c_str()));
}
// The graphic and tabular blocks follow the symbology; their fields go to the frame, or nowhere without one.
void ParseTextBlocks(DxFrame* ioFrame, NidsReader& ioReader, CxUint32 inGraphicOffset, CxUint32 inTabularOffset,
                     const GxPosition& inRadar)
{
    if (inGraphicOffset != 0)
        ParseGraphic(ioFrame, ioReader, inRadar);
    if (inTabularOffset != 0)
        ParseTabular(ioFrame, ioReader);
}
} // namespace

NidsLevelThreeParser::NidsLevelThreeParser() : mHeight(kNaN) {}

DxIndexedImage* NidsLevelThreeParser::Parse(const CxData& inData, const std::vector<DxNidsMosaicInfo>& inMosaicInfos,
                                            const std::vector<DxNidsRadialInfo>& inRadialInfos)
{
    CxData data(inData);
    data.Lock();
    DxIndexedImage* image =
        Parse(static_cast<const CxUint8*>(data.Pointer()), data.Size(), inMosaicInfos, inRadialInfos);
    data.Unlock();
    return image;
}

DxIndexedImage* NidsLevelThreeParser::Parse(const CxUint8* inBytes, std::size_t inSize,
                                            const std::vector<DxNidsMosaicInfo>& inMosaicInfos,
                                            const std::vector<DxNidsRadialInfo>& inRadialInfos)
{
    if (inBytes == nullptr)
        return nullptr;
    // A WMO heading ends its two lines with CR CR LF at fixed places.
    if (inSize >= 30 && std::memcmp(inBytes + 18, "\r\r\n", 3) == 0 && std::memcmp(inBytes + 27, "\r\r\n", 3) == 0)
    {
        inBytes += 30;
        inSize -= 30;
    }
    NidsReader reader(inBytes, inSize);
    if (!reader.Has(120))
        return nullptr;
    mMessageCode = reader.U16();
    reader.Skip(6);
    // A product shorter than its message length was cut in transfer.
    if (reader.U32() > inSize)
        return nullptr;
    mSourceId = reader.U16();
    reader.Skip(6);
    const CxSint32 latitude = reader.S32();
    const CxSint32 longitude = reader.S32();
    mHeight = reader.U16() * 0.3048;
    mPosition.FromDegrees(longitude / 1000.0, latitude / 1000.0);
    reader.Skip(4);
    mVolumeCoveragePattern = reader.U16();
    reader.Skip(4);
    const CxSint16 scanDate = reader.S16();
    const CxSint32 scanTime = reader.S32();
    reader.Skip(6);
    mCodes[0] = reader.S16();
    mCodes[1] = reader.S16();
    reader.Skip(2);
    mCodes[2] = reader.S16();
    for (CxSint16& threshold : mThresholds)
        threshold = reader.S16();
    for (CxSint32 i = 3; i < 10; ++i)
        mCodes[i] = reader.S16();
    reader.Skip(2);
    const CxUint32 symbologyOffset = reader.U32();
    const CxUint32 graphicOffset = reader.U32();
    const CxUint32 tabularOffset = reader.U32();
    if (symbologyOffset == 0)
        return nullptr;

    SymbologyContext context{mMessageCode, mSourceId, mVolumeCoveragePattern, mPosition,     mHeight,
                             mThresholds,  mCodes,    &inMosaicInfos,         &inRadialInfos};
    std::unique_ptr<DxIndexedImage> image;
    // Any product may carry a bzip2 symbology; a plain one starts with the -1 divider instead of "BZh".
    if (mCodes[7] == 1 && reader.Has(3) && std::memcmp(reader.Here(), "BZh", 3) == 0)
    {
        const CxUint32 size = (CxUint32(CxUint16(mCodes[8])) << 16) | CxUint16(mCodes[9]);
        if (size == 0 || size > kMaxInflatedSize || reader.Left() > std::numeric_limits<unsigned>::max())
            return nullptr;
        std::unique_ptr<char[]> inflated(new char[size]);
        unsigned int inflatedSize = size;
        const int err = BZ2_bzBuffToBuffDecompress(inflated.get(), &inflatedSize,
                                                   const_cast<char*>(reinterpret_cast<const char*>(reader.Here())),
                                                   unsigned(reader.Left()), 0, 0);
        CxAssert(err == BZ_OK);
        if (err != BZ_OK)
            return nullptr;
        NidsReader symbology(reinterpret_cast<const CxUint8*>(inflated.get()), inflatedSize);
        image = ParseSymbology(symbology, context);
        ParseTextBlocks(image.get(), symbology, graphicOffset, tabularOffset, mPosition);
    }
    else
    {
        image = ParseSymbology(reader, context);
        ParseTextBlocks(image.get(), reader, graphicOffset, tabularOffset, mPosition);
    }
    if (image == nullptr)
        return nullptr;

    DxFloatField* site = image->NewFloatField("sitePosition");
    site->push_back(mPosition.mLatitude);
    site->push_back(mPosition.mLongitude);
    if (image->FindField("tracking") == nullptr)
    {
        DxStringField* levels = image->NewStringField("dataLevel");
        for (CxSint16 threshold : mThresholds)
            levels->push_back(DataLevelLabel(CxUint16(threshold)));
    }
    DxIntField* codes = image->NewIntField("codes");
    codes->assign(mCodes, mCodes + 10);
    if (mMessageCode == 80 || mMessageCode == 33)
    {
        DxIntField* times = image->NewIntField("productTimes");
        for (CxSint32 i = 0; i < 2; ++i)
        {
            const CxDate date =
                CxDate(1970, 1, 1, 0, 0, 0, 0) + ((mCodes[4 + 2 * i] - 1) * 86400.0 + mCodes[5 + 2 * i] * 60.0);
            const CxDateFields fields = date.AsFields(0);
            for (CxSint32 value : {CxSint32(fields.mYear), CxSint32(fields.mMonth), CxSint32(fields.mDay),
                                   CxSint32(fields.mHour), CxSint32(fields.mMinute), CxSint32(fields.mSecond)})
                times->push_back(value);
        }
    }
    image->SetDate(CxDate(1970, 1, 1, 0, 0, 0, 0) + ((scanDate - 1) * 86400.0 + scanTime));
    image->NewIntField("vcp")->push_back(mVolumeCoveragePattern);
    return image.release();
}

CxString NidsLevelThreeParser::DataLevelLabel(CxUint16 inHalfword)
{
    std::string label;
    switch ((inHalfword >> 8) & 0x0F)
    {
    case 1:
        label = "-";
        break;
    case 2:
        label = "+";
        break;
    case 4:
        label = "<";
        break;
    case 8:
        label = ">";
        break;
    default:
        break;
    }
    const CxUint32 low = inHalfword & 0xFF;
    if (inHalfword & 0x8000)
    {
        static const char* const kCodes[] = {"BL", "TH", "ND", "RF"};
        if (low < 4)
            label = kCodes[low];
        return CxString(label.c_str());
    }
    // Written in whole numbers: low / 10 with one decimal, or low / 20 with two (0.05 steps need two decimals to
    // stay apart), are exact, so no rounding of a binary fraction is involved.
    const CxUint32 scale = (inHalfword >> 12) & 0x3;
    const CxUint32 decimals = scale == 1 ? 1 : scale == 2 ? 2 : 0;
    const CxUint32 value = scale == 2 ? low * 5 : low;
    label += std::to_string(decimals == 0 ? value : decimals == 1 ? value / 10 : value / 100);
    if (decimals == 1)
        label += {'.', char('0' + value % 10)};
    else if (decimals == 2)
        label += {'.', char('0' + value / 10 % 10), char('0' + value % 10)};
    return CxString(label.c_str());
}

void NidsLevelThreeParser::ParseStormTable(DxFrame* ioFrame, const GxOrthographicProjection& inProjection,
                                           const GxPosition& inRadar, const std::string& inLine)
{
    if (ioFrame != nullptr)
        ParseStormLine(*ioFrame, inProjection, inProjection.Project(inRadar), inLine);
}

double NidsLevelThreeParser::Coefficient(CxUint16 inHalfword)
{
    const double sign = (inHalfword & 0x8000) ? -1.0 : 1.0;
    const CxSint32 exponent = (inHalfword >> 10) & 0x1F;
    const double fraction = (inHalfword & 0x3FF) / 1024.0;
    if (exponent == 0)
        return sign * 2.0 * fraction;
    return sign * std::ldexp(1.0 + fraction, exponent - 16);
}
