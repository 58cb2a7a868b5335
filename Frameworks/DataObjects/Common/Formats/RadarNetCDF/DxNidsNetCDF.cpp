#include "DxNidsNetCDF.h"

#include "CxDebug.h"
#include "CxFile.h"
#include "CxSystem.h"
#include "DxField.h"
#include "DxNetCDFSupport.h"
#include "DxRadialMesh.h"
#include "DxUnit.h"
#include "GxProjection.h"

#include <netcdf.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace
{
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// The file's contents as the radial or raster road needs them, read under the library lock.
struct RadarContents
{
    bool mRadial = false;
    size_t mRows = 0, mColumns = 0;
    std::vector<float> mValues;
    std::vector<float> mAzimuths, mSpacings;
    double mGateKm = 1.0, mFirstGateKm = 0.0;
    double mLatitude = kNaN, mLongitude = kNaN;
    double mLatSpacing = kNaN, mLonSpacing = kNaN;
    double mTime = kNaN, mElevation = 0.0, mHeight = 0.0;
    std::string mVariable, mUnit, mColorMap;
    CxSint32 mVcp = 0;
};

class NetCDFFile
{
public:
    NetCDFFile(const CxFile& inFile, std::size_t inSize) : mSize(inSize)
    {
        const int ncStatus = nc_open(inFile.Path().AsUtf8().c_str(), NC_NOWRITE, &mId);
        CxAssert(ncStatus == NC_NOERR);
        if (ncStatus != NC_NOERR)
            mId = -1;
    }
    ~NetCDFFile()
    {
        if (mId >= 0)
            nc_close(mId);
    }
    NetCDFFile(const NetCDFFile&) = delete;
    NetCDFFile& operator=(const NetCDFFile&) = delete;

    bool IsOpen() const { return mId >= 0; }

    // A text attribute, empty when absent or not text; inVariable NC_GLOBAL for a global one.
    std::string Text(const char* inName, int inVariable = NC_GLOBAL) const
    {
        nc_type type;
        size_t length = 0;
        if (nc_inq_att(mId, inVariable, inName, &type, &length) != NC_NOERR || type != NC_CHAR)
            return std::string();
        std::string text(length, '\0');
        if (nc_get_att_text(mId, inVariable, inName, text.data()) != NC_NOERR)
            return std::string();
        return text.substr(0, text.find('\0'));
    }
    // A numeric attribute's first value, or the default.
    double Number(const char* inName, double inDefault, int inVariable = NC_GLOBAL) const
    {
        nc_type type;
        size_t length = 0;
        double value = 0.0;
        if (nc_inq_att(mId, inVariable, inName, &type, &length) != NC_NOERR || type == NC_CHAR || length != 1 ||
            nc_get_att_double(mId, inVariable, inName, &value) != NC_NOERR)
            return inDefault;
        return value;
    }
    bool Dimension(const char* inName, size_t& outLength) const
    {
        int dimension = -1;
        return nc_inq_dimid(mId, inName, &dimension) == NC_NOERR &&
               nc_inq_dimlen(mId, dimension, &outLength) == NC_NOERR;
    }
    int Variable(const char* inName) const
    {
        int variable = -1;
        return nc_inq_varid(mId, inName, &variable) == NC_NOERR ? variable : -1;
    }
    // The whole variable, only when its dimensions are exactly these lengths and the file can hold its values.
    template <typename T> bool Read(const char* inName, const std::vector<size_t>& inShape, std::vector<T>& outValues)
    {
        const int variable = Variable(inName);
        int count = 0;
        if (variable < 0 || nc_inq_varndims(mId, variable, &count) != NC_NOERR || size_t(count) != inShape.size())
            return false;
        int dimensions[NC_MAX_VAR_DIMS];
        nc_inq_vardimid(mId, variable, dimensions);
        size_t cells = 1;
        for (int i = 0; i < count; ++i)
        {
            size_t length = 0;
            if (nc_inq_dimlen(mId, dimensions[i], &length) != NC_NOERR || length != inShape[size_t(i)])
                return false;
            cells *= length;
            if (cells > mSize)
                return false;
        }
        outValues.resize(cells);
        int ncStatus;
        if constexpr (std::is_same_v<T, float>)
            ncStatus = nc_get_var_float(mId, variable, outValues.data());
        else
            ncStatus = nc_get_var_int(mId, variable, outValues.data());
        CxAssert(ncStatus == NC_NOERR);
        return ncStatus == NC_NOERR;
    }

private:
    int mId = -1;
    std::size_t mSize;
};

// Dense values, or sparse runs over the background: each entry writes its value to its cell and the count - 1
// cells after it, row after row; an entry outside the grid is skipped and a run stops at the grid's end.
bool ReadValues(NetCDFFile& ioFile, const std::string& inVariable, bool inSparse, RadarContents& ioContents)
{
    const size_t rows = ioContents.mRows, columns = ioContents.mColumns;
    if (!inSparse)
        return ioFile.Read(inVariable.c_str(), {rows, columns}, ioContents.mValues);
    size_t entries = 0;
    std::vector<float> values;
    std::vector<int> xs, ys, counts;
    if (!ioFile.Dimension("pixel", entries) || !ioFile.Read(inVariable.c_str(), {entries}, values) ||
        !ioFile.Read("pixel_x", {entries}, xs) || !ioFile.Read("pixel_y", {entries}, ys) ||
        !ioFile.Read("pixel_count", {entries}, counts))
        return false;
    const int variable = ioFile.Variable(inVariable.c_str());
    ioContents.mValues.assign(rows * columns, float(ioFile.Number("BackgroundValue", kNaN, variable)));
    for (size_t i = 0; i < entries; ++i)
    {
        if (xs[i] < 0 || ys[i] < 0 || size_t(xs[i]) >= rows || size_t(ys[i]) >= columns || counts[i] < 1)
            continue;
        const size_t start = size_t(ys[i]) + size_t(xs[i]) * columns;
        const size_t end = start + std::min<size_t>(size_t(counts[i]), rows * columns - start);
        std::fill(ioContents.mValues.begin() + std::ptrdiff_t(start), ioContents.mValues.begin() + std::ptrdiff_t(end),
                  values[i]);
    }
    return true;
}

// The classic header (CDF-1, -2 or -5) walked before the library sees it: a name, list or attribute larger than
// the file is refused here, since the library would allocate whatever size the header claims.
bool PlausibleHeader(const CxUint8* inBytes, std::size_t inSize)
{
    if (inSize < 4 || std::memcmp(inBytes, "CDF", 3) != 0 || (inBytes[3] != 1 && inBytes[3] != 2 && inBytes[3] != 5))
        return false;
    const bool wide = inBytes[3] == 5;
    std::size_t at = 4;
    const auto number = [&](bool inWide, CxUint64& outValue)
    {
        const std::size_t width = inWide ? 8 : 4;
        if (inSize - at < width)
            return false;
        outValue = 0;
        for (std::size_t i = 0; i < width; ++i)
            outValue = (outValue << 8) | inBytes[at++];
        return true;
    };
    const auto skip = [&](CxUint64 inCount)
    {
        if (inCount > inSize - at)
            return false;
        at += std::size_t(inCount);
        return true;
    };
    const auto name = [&]
    {
        CxUint64 length = 0;
        return number(wide, length) && length <= inSize && skip((length + 3) / 4 * 4);
    };
    // A list: its tag and count, then each entry.
    const auto list = [&](auto inEntry)
    {
        CxUint64 tag = 0, count = 0;
        if (!number(false, tag) || !number(wide, count) || count > inSize)
            return false;
        for (CxUint64 i = 0; i < count; ++i)
            if (!inEntry())
                return false;
        return true;
    };
    const auto attribute = [&]
    {
        static const CxUint64 kSizes[] = {0, 1, 1, 2, 4, 4, 8, 1, 2, 4, 8, 8};
        CxUint64 type = 0, count = 0;
        if (!name() || !number(false, type) || type == 0 || type >= std::size(kSizes) || !number(wide, count) ||
            count > inSize)
            return false;
        return skip((count * kSizes[type] + 3) / 4 * 4);
    };
    // The library divides by a variable's element size and then by each of its dimensions in turn: a variable of
    // no known type (size 0), or with the record (zero-length) dimension anywhere but first, would divide by zero.
    std::vector<CxUint64> lengths;
    const auto dimension = [&]
    {
        CxUint64 length = 0;
        if (!name() || !number(wide, length))
            return false;
        lengths.push_back(length);
        return true;
    };
    // Each record variable's size in one record and its offset in the first.
    std::vector<std::pair<CxUint64, CxUint64>> recordVariables;
    const auto variable = [&]
    {
        CxUint64 count = 0, dimensionId = 0, type = 0, size = 0, begin = 0;
        bool record = false;
        if (!name() || !number(wide, count) || count > inSize)
            return false;
        for (CxUint64 i = 0; i < count; ++i)
        {
            if (!number(wide, dimensionId) || dimensionId >= lengths.size() || (i > 0 && lengths[dimensionId] == 0))
                return false;
            record = record || lengths[dimensionId] == 0;
        }
        if (!list(attribute) || !number(false, type) || type < 1 || type > (wide ? 11u : 6u) || !number(wide, size) ||
            !number(inBytes[3] != 1, begin))
            return false;
        if (record)
            recordVariables.emplace_back(size, begin);
        return true;
    };
    CxUint64 records = 0;
    if (!number(wide, records) || !list(dimension) || !list(attribute) || !list(variable))
        return false;
    if (records == 0)
        return true;
    // The library sizes the record dimension by the count in the header: the file must hold every record.
    CxUint64 recordSize = 0;
    for (const auto& [size, begin] : recordVariables)
    {
        if (size > inSize || begin > inSize - size)
            return false;
        recordSize += size;
    }
    if (recordSize == 0)
        return false;
    for (const auto& [size, begin] : recordVariables)
        if ((records - 1) > (inSize - begin - size) / recordSize)
            return false;
    return true;
}

std::string Lowered(std::string inText)
{
    for (char& c : inText)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return inText;
}

// Null when a dimension, the data variable or its shape is missing.
bool ReadContents(NetCDFFile& ioFile, RadarContents& outContents)
{
    const std::string dataType = ioFile.Text("DataType");
    outContents.mRadial = dataType.find("RadialSet") != std::string::npos;
    const bool radial = outContents.mRadial;
    if (!ioFile.Dimension(radial ? "Azimuth" : "Lat", outContents.mRows) ||
        !ioFile.Dimension(radial ? "Gate" : "Lon", outContents.mColumns) || outContents.mRows == 0 ||
        outContents.mColumns == 0 || outContents.mRows > kDxMaxGridCells / outContents.mColumns)
        return false;
    outContents.mVariable = ioFile.Text("TypeName");
    const int variable = ioFile.Variable(outContents.mVariable.c_str());
    if (variable < 0)
        return false;
    if (!ReadValues(ioFile, outContents.mVariable,
                    radial ? dataType == "SparseRadialSet" : dataType.find("Sparse") != std::string::npos, outContents))
        return false;
    outContents.mLatitude = ioFile.Number("Latitude", kNaN);
    outContents.mLongitude = ioFile.Number("Longitude", kNaN);
    outContents.mTime = ioFile.Number("Time", kNaN);
    outContents.mUnit = ioFile.Text("Units", variable);
    if (outContents.mUnit.empty())
        outContents.mUnit = ioFile.Text("Unit-value");
    if (outContents.mUnit == "MetersPerSecond")
        outContents.mUnit = "mps";
    const std::string vcp = ioFile.Text("vcp-value");
    outContents.mVcp = CxSint32(std::strtoul(vcp.c_str(), nullptr, 10));
    if (!radial)
    {
        outContents.mLatSpacing = ioFile.Number("LatGridSpacing", kNaN);
        outContents.mLonSpacing = ioFile.Number("LonGridSpacing", kNaN);
        return true;
    }
    if (outContents.mUnit == "degrees")
        outContents.mUnit = "degr";
    const size_t radials = outContents.mRows;
    if (!ioFile.Read("Azimuth", {radials}, outContents.mAzimuths))
        return false;
    if (!ioFile.Read("AzimuthalSpacing", {radials}, outContents.mSpacings))
    {
        // Without spacings each radial reaches the next; a jump over 5 degrees is a gap, not a wide radial.
        outContents.mSpacings.assign(radials, 1.0f);
        for (size_t i = 0; i + 1 < radials; ++i)
        {
            float width = outContents.mAzimuths[i + 1] - outContents.mAzimuths[i];
            if (width < 0.0f)
                width += 360.0f;
            outContents.mSpacings[i] = width > 5.0f ? 0.0f : width;
        }
    }
    std::vector<float> gateWidths;
    if (ioFile.Read("GateWidth", {radials}, gateWidths))
        outContents.mGateKm = gateWidths[0] / 1000.0;
    outContents.mFirstGateKm = ioFile.Number("RangeToFirstGate", 0.0) * 0.001;
    CxAssert(ioFile.Text("RangeToFirstGateUnits") == "Meters");
    // Degrees or radians: no radar lies within a degree of both the equator and the prime meridian.
    if (std::fabs(outContents.mLatitude) < 1.0)
    {
        outContents.mLatitude *= 57.29577951308;
        outContents.mLongitude *= 57.29577951308;
    }
    outContents.mElevation = ioFile.Number("Elevation", 0.0);
    outContents.mHeight = ioFile.Number("Height", 0.0);
    outContents.mColorMap = Lowered(ioFile.Text("ColorMap-value"));
    return true;
}

struct KindStyle
{
    NidsNetCDFParser::Kind mKind;
    double mLow, mHigh;
    GxColorTableId mTable;
};

KindStyle StyleOf(const RadarContents& inContents)
{
    const bool mps = DxUnit(CxString(inContents.mUnit.c_str())).BaseId() == "mps";
    if (!inContents.mRadial)
    {
        if (mps && inContents.mVariable == "WindSpeed")
            return {NidsNetCDFParser::kWindSpeed, 0.0, 40.0, kGxGradientColors256};
        return mps ? KindStyle{NidsNetCDFParser::kVelocity, -34.0, 34.0, kGxNidsVelocity256}
                   : KindStyle{NidsNetCDFParser::kReflectivity, 0.0, 75.0, kGxNidsReflectivityColors256};
    }
    KindStyle style = mps ? KindStyle{NidsNetCDFParser::kVelocity, -34.0, 34.0, kGxNidsVelocity256}
                          : KindStyle{NidsNetCDFParser::kReflectivity, 0.0, 75.0, kGxNidsReflectivityColors256};
    if (inContents.mColorMap == "spectrumwidth")
        style.mKind = NidsNetCDFParser::kSpectrumWidth;
    else if (inContents.mColorMap == "zdr")
        style = {NidsNetCDFParser::kDifferential, -4.0, 5.0, kGxPrimeDifferentialColors128};
    else if (inContents.mColorMap == "phidp")
        style = {NidsNetCDFParser::kPhase, -180.0, 180.0, kGxPrimeDifferentialColors128};
    else if (inContents.mColorMap == "rhohv")
        style = {NidsNetCDFParser::kCorrelation, 0.0, 1.0, kGxPrimeCorrelationColors};
    return style;
}

// Rows of values to colour indices, each row padded with 0 to the image width.
void IndexData(DxIndexedImage& ioImage, const RadarContents& inContents, NidsNetCDFParser::Kind inKind)
{
    DxFloatField* tracking = ioImage.NewFloatField("tracking");
    tracking->assign(256, kNaN);
    const size_t width = size_t(ioImage.Width());
    CxUint8* pixels = ioImage.Pixels();
    for (size_t row = 0; row < inContents.mRows; ++row)
    {
        CxUint8* out = pixels + row * width;
        for (size_t column = 0; column < inContents.mColumns; ++column)
        {
            const double value = inContents.mValues[row * inContents.mColumns + column];
            double tracked;
            out[column] = NidsNetCDFParser::Index(inKind, value, tracked);
            if (!std::isnan(value))
                (*tracking)[out[column]] = tracked;
        }
        std::memset(out + inContents.mColumns, 0, width - inContents.mColumns);
    }
}

std::unique_ptr<DxIndexedImage> CreateRadialImage(const RadarContents& inContents)
{
    if (!std::isfinite(inContents.mLatitude) || !std::isfinite(inContents.mLongitude))
        return nullptr;
    GxPosition site;
    site.FromDegrees(inContents.mLongitude, inContents.mLatitude);
    GxOrthographicProjection projection(site);
    auto image = std::make_unique<DxIndexedImage>(projection);
    const KindStyle style = StyleOf(inContents);
    image->NewFloatField("dataRange")->assign({style.mLow, style.mHigh});
    if (style.mKind == NidsNetCDFParser::kCorrelation)
    {
        DxStringField* levels = image->NewStringField("dataLevel");
        for (const char* label : {"< 0.3", "0.42", "0.55", "0.75", "0.89", "0.95", "0.97", "0.98", "0.99", "0.992",
                                  "0.994", "0.995", "0.996", "0.997", "0.998", "0.999"})
            levels->push_back(label);
    }
    image->AcceptColorTable(GxColorTable(style.mTable));
    // Rows grow in steps of 512 gates.
    image->SetWidth(CxSint32((inContents.mColumns + 511) / 512 * 512));
    image->SetHeight(CxSint32(inContents.mRows));
    image->Reserve();
    if (image->Pixels() == nullptr)
        return nullptr;
    IndexData(*image, inContents, style.mKind);
    image->SetOrigin(projection.Project(site));
    image->SetPixelSize(GxPoint(inContents.mGateKm, 1.0));

    DxRadialSweep sweep;
    sweep.mGates = CxUint32(inContents.mColumns);
    sweep.mGateKm = inContents.mGateKm;
    sweep.mFirstGateKm = inContents.mFirstGateKm;
    for (size_t i = 0; i < inContents.mRows; ++i)
    {
        sweep.mStart.push_back(inContents.mAzimuths[i]);
        sweep.mEnd.push_back(double(inContents.mAzimuths[i]) + inContents.mSpacings[i]);
    }
    // A fan from the radar only where the first gate starts within one gate of it.
    const bool fan = inContents.mGateKm > inContents.mFirstGateKm;
    DxFloatField* angles = fan ? image->NewFloatField("radialAngle") : nullptr;
    if (angles != nullptr)
        angles->assign(sweep.mStart.begin(), sweep.mStart.end());
    DxBuildRadialMesh(*image, projection, sweep, fan);
    image->NewFloatField("units")->SetUnit(DxUnit(CxString(inContents.mUnit.c_str())));
    image->NewIntField("vcp")->push_back(inContents.mVcp);
    image->NewFloatField("degreeTilt")->push_back(inContents.mElevation);
    image->NewFloatField("elevation")->push_back(inContents.mHeight);
    return image;
}

std::unique_ptr<DxIndexedImage> CreateRasterImage(const RadarContents& inContents)
{
    // The mesh samples every cell: a cell wider than the globe would be cut into countless pieces.
    if (!std::isfinite(inContents.mLatitude) || !std::isfinite(inContents.mLongitude) ||
        !(inContents.mLatSpacing > 0.0 && inContents.mLatSpacing <= 180.0) ||
        !(inContents.mLonSpacing > 0.0 && inContents.mLonSpacing <= 360.0))
        return nullptr;
    GxDegreeProjection projection;
    auto image = std::make_unique<DxIndexedImage>(projection);
    const KindStyle style = StyleOf(inContents);
    image->NewFloatField("dataRange")->assign({style.mLow, style.mHigh});
    GxColorTable colors(style.mTable);
    if (style.mKind == NidsNetCDFParser::kWindSpeed && !colors.empty())
        colors[0] = GxColor(0.0, 0.0, 0.0, 0.0);
    image->AcceptColorTable(colors);
    image->SetWidth(CxSint32(inContents.mColumns));
    image->SetHeight(CxSint32(inContents.mRows));
    image->Reserve();
    if (image->Pixels() == nullptr)
        return nullptr;
    IndexData(*image, inContents, style.mKind);
    image->SetPixelSize(GxPoint(inContents.mLonSpacing, inContents.mLatSpacing));
    GxPosition corner;
    corner.FromDegrees(inContents.mLongitude, inContents.mLatitude);
    GxPoint origin = projection.Project(corner);
    origin.mY -= double(inContents.mRows) * inContents.mLatSpacing;
    image->SetOrigin(origin);
    image->GenerateMesh(false, 128.0);
    image->NewFloatField("units")->SetUnit(DxUnit(CxString(inContents.mUnit.c_str())));
    image->NewIntField("vcp")->push_back(inContents.mVcp);
    return image;
}
} // namespace

bool NidsNetCDFParser::PlausibleHeader(const CxUint8* inBytes, std::size_t inSize)
{
    return ::PlausibleHeader(inBytes, inSize);
}

bool NidsNetCDFParser::Recognizes(const CxUint8* inBytes, std::size_t inSize)
{
    return inBytes != nullptr && inSize >= 3 && std::memcmp(inBytes, "CDF", 3) == 0;
}

CxUint8 NidsNetCDFParser::Index(Kind inKind, double inValue, double& outTracked)
{
    outTracked = inValue;
    if (std::isnan(inValue))
        return 0;
    double index = 0.0;
    switch (inKind)
    {
    case kReflectivity:
        index = std::max(inValue, 0.0) * 255.0 / 75.0;
        break;
    case kVelocity:
        index = std::max(inValue + 33.0, 0.0) * 4.0;
        break;
    case kWindSpeed:
        index = inValue / 40.0 * 255.0;
        break;
    case kSpectrumWidth:
        index = inValue;
        break;
    case kDifferential:
        outTracked = std::clamp(inValue, -4.0, 5.0);
        index = (outTracked + 4.0) * 255.0 / 9.0;
        break;
    case kPhase:
        outTracked = std::clamp(inValue, -180.0, 180.0);
        index = (outTracked + 180.0) * 255.0 / 360.0;
        break;
    case kCorrelation:
    {
        outTracked = std::clamp(inValue, 0.0, 1.0);
        if (outTracked >= 0.999)
            return 16;
        static const double kLevels[] = {0.998, 0.997, 0.996, 0.995, 0.994, 0.992, 0.99, 0.98,
                                         0.97,  0.95,  0.89,  0.75,  0.55,  0.42,  0.3};
        for (std::size_t i = 0; i < std::size(kLevels); ++i)
            if (outTracked > kLevels[i])
                return CxUint8(15 - i);
        return 0;
    }
    }
    // Out of range saturates: 80 dBZ is the strongest colour, not a weak one.
    return index > 0.0 ? CxUint8(std::min(index, 255.0)) : 0;
}

DxIndexedImage* NidsNetCDFParser::Parse(const CxData& inData)
{
    CxData data(inData);
    data.Lock();
    DxIndexedImage* image = Parse(static_cast<const CxUint8*>(data.Pointer()), data.Size());
    data.Unlock();
    return image;
}

DxIndexedImage* NidsNetCDFParser::Parse(const CxUint8* inBytes, std::size_t inSize)
{
    if (inBytes == nullptr || inSize > std::numeric_limits<CxUint32>::max() || !PlausibleHeader(inBytes, inSize))
        return nullptr;
    CxData copy(inBytes, CxUint32(inSize));
    // Its address tells the temporary files of two live parses apart.
    const auto token = std::make_unique<char>(0);
    char name[96];
    std::snprintf(name, sizeof name, "netcdf-radar.%d%p.tmp", int(CxGetProcessId()), static_cast<void*>(token.get()));
    DxTemporaryFile file(CxString(name), copy);
    if (!file.IsValid())
        return nullptr;
    RadarContents contents;
    {
        DxNetCDFLock lock;
        NetCDFFile netcdf(file.File(), inSize);
        if (!netcdf.IsOpen() || !ReadContents(netcdf, contents))
            return nullptr;
    }
    std::unique_ptr<DxIndexedImage> image =
        contents.mRadial ? CreateRadialImage(contents) : CreateRasterImage(contents);
    if (image == nullptr)
        return nullptr;
    if (std::isfinite(contents.mTime))
        image->SetDate(CxDate(1970, 1, 1, 0, 0, 0, 0) + std::floor(contents.mTime));
    image->GenerateBuffer();
    return image.release();
}

namespace
{
// One line of the diagnostics: the text alone, or "name = value".
void Say(const char* inName, const std::string& inValue)
{
    _CxDebugOut(__FILE__, __LINE__, inName, inValue.c_str());
}

void Say(const char* inText)
{
    _CxDebugOut(__FILE__, __LINE__, inText, inText);
}

template <typename T> std::string Joined(const void* inValues, std::size_t inCount, const char* inFormat)
{
    std::string text;
    for (std::size_t i = 0; i < inCount; ++i)
    {
        char number[40];
        T value;
        std::memcpy(&value, static_cast<const char*>(inValues) + i * sizeof(T), sizeof(T));
        std::snprintf(number, sizeof number, inFormat, value);
        text += (i == 0 ? "" : " ") + std::string(number);
    }
    return text;
}
} // namespace

void NidsNetCDFParser::DumpFile(const CxFile& inFile)
{
    DxNetCDFLock lock;
    int id = -1;
    int ncStatus = nc_open(inFile.Path().AsUtf8().c_str(), NC_NOWRITE, &id);
    CxAssert(ncStatus == NC_NOERR);
    if (ncStatus != NC_NOERR)
        return;
    int dimensions = 0, variables = 0, attributes = 0, unlimited = -1;
    ncStatus = nc_inq(id, &dimensions, &variables, &attributes, &unlimited);
    CxAssert(ncStatus == NC_NOERR);
    char name[NC_MAX_NAME + 1];
    Say("Dimensions:");
    for (int d = 0; d < dimensions; ++d)
    {
        size_t length = 0;
        if (nc_inq_dim(id, d, name, &length) == NC_NOERR)
            Say(name, std::to_string(length));
    }
    Say("Global Attributes:");
    for (int a = 0; a < attributes; ++a)
        DebugAttribute(id, NC_GLOBAL, a);
    Say("Variables:");
    for (int v = 0; v < variables; ++v)
    {
        nc_type type = NC_NAT;
        int count = 0, dimensionIds[NC_MAX_VAR_DIMS], variableAttributes = 0;
        if (nc_inq_var(id, v, name, &type, &count, dimensionIds, &variableAttributes) != NC_NOERR)
            continue;
        std::string shape;
        for (int d = 0; d < count; ++d)
        {
            char dimension[NC_MAX_NAME + 1];
            if (nc_inq_dimname(id, dimensionIds[d], dimension) == NC_NOERR)
                shape += (d == 0 ? "" : ", ") + std::string(dimension);
        }
        Say("Variable", std::string(name) + "(" + shape + ") type " + std::to_string(type));
        for (int a = 0; a < variableAttributes; ++a)
            DebugAttribute(id, v, a);
    }
    CxAssert(nc_close(id) == NC_NOERR);
}

void NidsNetCDFParser::DebugAttribute(int inNcId, int inVariable, int inAttribute)
{
    char name[NC_MAX_NAME + 1];
    nc_type type = NC_NAT;
    size_t count = 0;
    if (nc_inq_attname(inNcId, inVariable, inAttribute, name) != NC_NOERR ||
        nc_inq_att(inNcId, inVariable, name, &type, &count) != NC_NOERR)
        return;
    Say("[=========");
    Say("Attribute", name);
    // Sized from the library's own count of the attribute, read from a file it has already opened. Strings come
    // as pointers the library allocates; a type of the file's own (or none) is not read at all.
    static const std::size_t kSizes[] = {0, 1, 1, 2, 4, 4, 8, 1, 2, 4, 8, 8};
    if (type == NC_STRING)
    {
        std::vector<char*> strings(std::max<std::size_t>(1, count), nullptr);
        if (nc_get_att_string(inNcId, inVariable, name, strings.data()) == NC_NOERR)
        {
            OutputAttributeValues(type, count, strings.data());
            nc_free_string(count, strings.data());
        }
    }
    else if (type > 0 && std::size_t(type) < std::size(kSizes))
    {
        std::vector<unsigned char> values(std::max<std::size_t>(1, count * kSizes[type]));
        if (nc_get_att(inNcId, inVariable, name, values.data()) == NC_NOERR)
            OutputAttributeValues(type, count, values.data());
    }
    else
        Say("Bad type!");
    Say("=========]");
}

void NidsNetCDFParser::OutputAttributeValues(int inType, std::size_t inCount, const void* inValues)
{
    std::string text;
    switch (inType)
    {
    case NC_CHAR:
        text.assign(static_cast<const char*>(inValues), inCount);
        text = text.substr(0, text.find('\0'));
        break;
    case NC_BYTE:
        text = Joined<signed char>(inValues, inCount, "%d");
        break;
    case NC_UBYTE:
        text = Joined<unsigned char>(inValues, inCount, "%u");
        break;
    case NC_SHORT:
        text = Joined<short>(inValues, inCount, "%d");
        break;
    case NC_USHORT:
        text = Joined<unsigned short>(inValues, inCount, "%u");
        break;
    case NC_INT:
        text = Joined<int>(inValues, inCount, "%d");
        break;
    case NC_UINT:
        text = Joined<unsigned>(inValues, inCount, "%u");
        break;
    case NC_INT64:
        text = Joined<long long>(inValues, inCount, "%lld");
        break;
    case NC_UINT64:
        text = Joined<unsigned long long>(inValues, inCount, "%llu");
        break;
    case NC_FLOAT:
        text = Joined<float>(inValues, inCount, "%.9g");
        break;
    case NC_DOUBLE:
        text = Joined<double>(inValues, inCount, "%.17g");
        break;
    case NC_STRING:
        // As ncdump lists them: each quoted, comma between.
        for (std::size_t i = 0; i < inCount; ++i)
        {
            const char* value = static_cast<char* const*>(inValues)[i];
            text += (i == 0 ? "\"" : ", \"") + std::string(value != nullptr ? value : "") + "\"";
        }
        break;
    default:
        Say("Bad type!");
        return;
    }
    Say("Value", text);
}

void NidsNetCDFParser::DumpImage(const DxIndexedImage& inImage)
{
    const CxSint32 width = inImage.Width(), height = inImage.Height();
    Say("Image", std::to_string(width) + " x " + std::to_string(height));
    const CxUint8* pixels = inImage.Pixels();
    if (pixels == nullptr)
        return;
    // A debug line holds about a thousand characters: long rows go out in pieces of 128 pixels.
    for (CxSint32 row = 0; row < height; ++row)
        for (CxSint32 column = 0; column < width; column += 128)
        {
            std::string text;
            for (CxSint32 x = column; x < std::min(width, column + 128); ++x)
                text += (x == column ? "" : " ") + std::to_string(pixels[std::size_t(row) * std::size_t(width) + x]);
            Say(("Row " + std::to_string(row) + " from " + std::to_string(column)).c_str(), text);
        }
}
