#include "DxCanadianRadar.h"

#include "CxDebug.h"
#include "DxField.h"
#include "DxRadialMesh.h"
#include "GxProjection.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <sstream>
#include <strings.h>

namespace
{
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// A whole unsigned number, or 0.
CxUint32 Unsigned(const std::string& inText)
{
    char* end = nullptr;
    const unsigned long long value = std::strtoull(inText.c_str(), &end, 10);
    return *end == '\0' && !inText.empty() && inText[0] != '-' && value <= UINT32_MAX ? CxUint32(value) : 0;
}

// A finite decimal, or NaN.
double Decimal(const std::string& inText)
{
    char* end = nullptr;
    const double value = std::strtod(inText.c_str(), &end);
    return *end == '\0' && !inText.empty() && std::isfinite(value) ? value : kNaN;
}
} // namespace

bool DxCanadianRadarParser::Recognizes(const CxUint8* inBytes, std::size_t inSize)
{
    static const char kStart[] = "MajorProductType RADAR";
    return inBytes != nullptr && inSize >= sizeof kStart - 1 && std::memcmp(inBytes, kStart, sizeof kStart - 1) == 0;
}

DxCanadianRadarParser::DxCanadianRadarParser()
    : mLatitude(kNaN), mLongitude(kNaN), mBinResolution(kNaN), mAzimuthalResolution(kNaN)
{
}

void DxCanadianRadarParser::FindImportantData(const std::string& inLine)
{
    std::istringstream tokens(inLine);
    std::string key, value;
    if (!(tokens >> key >> value))
        return;
    const auto is = [&](const char* inKey) { return strcasecmp(key.c_str(), inKey) == 0; };
    if (is("SizeInBytes"))
        mSizeInBytes = Unsigned(value);
    else if (is("LatCentre"))
        mLatitude = Decimal(value);
    else if (is("LonCentre"))
        mLongitude = Decimal(value);
    else if (is("Range"))
        mRange = Unsigned(value);
    else if (is("Theta"))
        mTheta = Unsigned(value);
    else if (is("BinResolution"))
        mBinResolution = Decimal(value);
    else if (is("AzimuthalResolution"))
        mAzimuthalResolution = Decimal(value);
    else if (is("ValidTime"))
    {
        if (value.size() < 12 || value.find_first_not_of("0123456789") < 12)
            return;
        const auto field = [&](std::size_t inAt, std::size_t inCount)
        { return CxSint16(std::atoi(value.substr(inAt, inCount).c_str())); };
        mValidTime = CxDate(field(0, 4), field(4, 2), field(6, 2), field(8, 2), field(10, 2), 0, 0);
        mHaveTime = true;
    }
    else if (is("MinorProductParameters"))
    {
        if (value.find("MPRATE") != std::string::npos)
            mProductKind = 1;
        else if (value.find("DOPVOL1_A") != std::string::npos)
            mProductKind = 2;
    }
}

bool DxCanadianRadarParser::HaveNecessaryInfo() const
{
    return mSizeInBytes != 0 && !std::isnan(mLatitude) && !std::isnan(mLongitude) && !std::isnan(mBinResolution) &&
           std::fabs(mAzimuthalResolution) <= 360.0 && mRange != 0 && mTheta != 0 && mTheta <= kMaxRadials && mHaveTime;
}

DxIndexedImage* DxCanadianRadarParser::Parse(const CxData& inData, const std::vector<DxNidsRadialInfo>& inRadialInfos)
{
    CxData data(inData);
    data.Lock();
    DxIndexedImage* image = Parse(static_cast<const CxUint8*>(data.Pointer()), data.Size(), inRadialInfos);
    data.Unlock();
    return image;
}

DxIndexedImage* DxCanadianRadarParser::Parse(const CxUint8* inBytes, std::size_t inSize,
                                             const std::vector<DxNidsRadialInfo>& inRadialInfos)
{
    if (inBytes == nullptr)
        return nullptr;
    CxDebug("Parsing");
    const char* text = reinterpret_cast<const char*>(inBytes);
    const std::string_view all(text, inSize);
    const std::size_t mark = all.find("\nData ");
    const std::string_view header = all.substr(0, mark);
    for (std::size_t at = 0; at < header.size();)
    {
        const std::size_t end = std::min(header.find('\n', at), header.size());
        FindImportantData(std::string(header.substr(at, end - at)));
        at = end + 1;
    }
    if (!HaveNecessaryInfo())
    {
        CxDebug("Does not have necessary info");
        return nullptr;
    }
    if (mark == std::string_view::npos)
    {
        CxDebug("No data block");
        return nullptr;
    }
    const CxUint8* data = inBytes + mark + 6;
    const std::size_t dataSize = inSize - mark - 6;

    GxPosition site;
    site.FromDegrees(mLongitude, mLatitude);
    GxOrthographicProjection projection(site);
    auto image = std::make_unique<DxIndexedImage>(projection);
    // Rows as wide as the next multiple of 256, so a Range above 256 keeps its bins.
    if (mRange > CxUint32(DxIndexedImage::kMaxPixels))
        return nullptr;
    const std::size_t width = (std::size_t(mRange) + 255) / 256 * 256;
    image->SetWidth(CxSint32(width));
    image->SetHeight(CxSint32(mTheta));
    image->Reserve();
    CxUint8* pixels = image->Pixels();
    if (pixels == nullptr)
        return nullptr;
    std::memset(pixels, 0, width * mTheta);
    for (std::size_t row = 0, used = 0; row < mTheta && used < dataSize; ++row)
    {
        const std::size_t count = std::min<std::size_t>(mRange, dataSize - used);
        std::memcpy(pixels + row * width, data + used, count);
        used += count;
    }
    image->SetOrigin(projection.Project(site));
    image->SetPixelSize(GxPoint(mBinResolution, 1.0));

    const CxSint32 step = CxSint32(std::trunc(10.0 * mAzimuthalResolution));
    DxIntField* angles = image->NewIntField("radialAngle");
    DxRadialSweep sweep;
    sweep.mGates = mRange;
    sweep.mGateKm = mBinResolution;
    for (CxUint32 i = 0; i < mTheta; ++i)
    {
        angles->push_back(CxSint32(i) * step);
        sweep.mStart.push_back(i * step / 10.0);
        sweep.mEnd.push_back((i + 1) * step / 10.0);
    }
    DxBuildRadialMesh(*image, projection, sweep, true);

    image->AcceptColorTable(GxColorTable(kGxNidsReflectivityColors256));
    image->NewIntField("dataType")->push_back(1);
    image->GenerateBuffer();
    for (const DxNidsRadialInfo& info : inRadialInfos)
        if (info.ProductCode() == mProductKind)
        {
            if (info.ColorTable().size() > 0)
                image->AcceptColorTable(info.ColorTable());
            break;
        }
    image->SetDate(mValidTime);
    return image.release();
}
