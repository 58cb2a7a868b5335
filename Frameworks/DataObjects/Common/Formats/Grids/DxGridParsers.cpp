#include "DxGridParsers.h"

#include "CxData.h"
#include "CxDebug.h"
#include "CxError.h"
#include "CxParsers.h"
#include "CxSystem.h"
#include "DxFrame.h"
#include "DxNidsNetCDF.h"
#include "DxUnit.h"
#include "XmlElement.h"

#include <netcdf.h>

#include <cstdio>
#include <limits>
#include <vector>

namespace
{

void CheckStatus(int inStatus)
{
    const int ncStatus = inStatus;
    CxAssert(ncStatus == NC_NOERR);
}

std::vector<CxString> Tokens(const CxString& inText)
{
    std::vector<CxString> tokens;
    const CxUint32 length = inText.Length();
    const auto blank = [&](CxUint32 inIndex)
    {
        const CxUint16 unit = inText[inIndex];
        return unit == ' ' || unit == '\t' || unit == '\r' || unit == '\n';
    };
    for (CxUint32 i = 0; i < length;)
    {
        while (i < length && blank(i))
            ++i;
        const CxUint32 start = i;
        while (i < length && !blank(i))
            ++i;
        // The last value counts even without a blank after it.
        if (i > start)
            tokens.push_back(inText.Substring(start, i - 1));
    }
    return tokens;
}

double ReadDouble(const CxString& inToken)
{
    CxFloatParser<double> parser;
    return inToken.ParseValue(parser) ? parser.Value() : std::numeric_limits<double>::quiet_NaN();
}

} // namespace

// ---- DxGridParser

DxGridParser::DxGridParser() : GxProjector(GxDegreeProjection()) {}

void DxGridParser::SetSize(CxUint32 inWidth, CxUint32 inHeight)
{
    if (CxUint64(inWidth) * CxUint64(inHeight) > kMaxCells)
    {
        CxDebug(CxUint64(inWidth) * CxUint64(inHeight));
        inWidth = 0;
        inHeight = 0;
    }
    mWidth = inWidth;
    mHeight = inHeight;
}

// ---- netCDF

DxNetCDFGridParser::DxNetCDFGridParser(CxData& ioData) : mToken(std::make_unique<char>(0))
{
    {
        CxAutoLock lock(ioData);
        if (!NidsNetCDFParser::PlausibleHeader(static_cast<const CxUint8*>(ioData.Pointer()), ioData.Size()))
        {
            CxDebug("DxNetCDFGridParser: not a netCDF file, or one whose header claims more than it holds");
            return;
        }
    }
    char name[96];
    std::snprintf(name, sizeof name, "netcdf-grid.%d%p.tmp", int(CxGetProcessId()), static_cast<void*>(mToken.get()));
    mFile = std::make_unique<DxTemporaryFile>(CxString(name), ioData);
    if (!mFile->IsValid())
        return;

    DxNetCDFLock lock;
    int ncId = -1;
    int ncStatus = nc_open(mFile->File().Path().AsUtf8().c_str(), NC_NOWRITE, &ncId);
    CheckStatus(ncStatus);
    if (ncStatus != NC_NOERR)
        return;
    mNcId = ncId;
    SetProjection(GxDegreeProjection());

    size_t length[2] = {0, 0};
    const char* dimensions[2] = {"lon", "lat"};
    for (int i = 0; i < 2; ++i)
    {
        int dimId = -1;
        ncStatus = nc_inq_dimid(mNcId, dimensions[i], &dimId);
        CheckStatus(ncStatus);
        if (ncStatus == NC_NOERR)
            CheckStatus(nc_inq_dimlen(mNcId, dimId, &length[i]));
    }
    // Lengths beyond 32 bits are refused by the cap too.
    const size_t kCap = std::numeric_limits<CxUint32>::max();
    SetSize(CxUint32(std::min(length[0], kCap)), CxUint32(std::min(length[1], kCap)));

    // A fractional spacing such as 0.5 degrees must not be cut to 0.
    // The library writes every value the attribute holds: only a single number fits.
    double spacing = 0.0;
    nc_type type = NC_NAT;
    size_t count = 0;
    ncStatus = nc_inq_att(mNcId, NC_GLOBAL, "LatGridSpacing", &type, &count);
    if (ncStatus == NC_NOERR && (type == NC_CHAR || count != 1))
        ncStatus = NC_EBADTYPE;
    if (ncStatus == NC_NOERR)
        ncStatus = nc_get_att_double(mNcId, NC_GLOBAL, "LatGridSpacing", &spacing);
    CheckStatus(ncStatus);
    if (ncStatus == NC_NOERR)
        mCellSize = GxPoint(spacing, spacing);
}

DxNetCDFGridParser::~DxNetCDFGridParser()
{
    if (mNcId >= 0)
    {
        DxNetCDFLock lock;
        CheckStatus(nc_close(mNcId));
    }
}

bool DxNetCDFGridParser::ParseField(DxFrame* ioFrame, const CxString& inId)
{
    CxDebug(inId);
    if (mNcId < 0)
        return false;
    DxNetCDFLock lock;
    int varId = -1;
    int ncStatus = nc_inq_varid(mNcId, inId.AsUtf8().c_str(), &varId);
    CheckStatus(ncStatus);
    if (ncStatus != NC_NOERR)
        return false;
    nc_type type = NC_NAT;
    ncStatus = nc_inq_vartype(mNcId, varId, &type);
    CheckStatus(ncStatus);
    if (ncStatus != NC_NOERR)
        return false;
    if (type != NC_SHORT && type != NC_INT && type != NC_FLOAT && type != NC_DOUBLE)
        return true;

    // The read fills as many values as the variable holds: only a variable of the grid's shape fits the buffer.
    int dimCount = 0;
    int dimIds[NC_MAX_VAR_DIMS];
    ncStatus = nc_inq_varndims(mNcId, varId, &dimCount);
    if (ncStatus == NC_NOERR)
        ncStatus = nc_inq_vardimid(mNcId, varId, dimIds);
    CheckStatus(ncStatus);
    if (ncStatus != NC_NOERR)
        return false;
    CxUint64 count = 1;
    for (int i = 0; i < dimCount; ++i)
    {
        size_t length = 0;
        ncStatus = nc_inq_dimlen(mNcId, dimIds[i], &length);
        CheckStatus(ncStatus);
        if (ncStatus != NC_NOERR)
            return false;
        // Both factors stay within the cap, so the product cannot wrap.
        count = length == 0 || length > kMaxCells || count > kMaxCells ? 0 : count * length;
    }
    const CxUint64 cells = CxUint64(mWidth) * CxUint64(mHeight);
    if (cells == 0 || count != cells)
    {
        CxDebug(count);
        return false;
    }
    std::vector<double> values(cells);
    ncStatus = nc_get_var_double(mNcId, varId, values.data());
    CheckStatus(ncStatus);
    if (ncStatus != NC_NOERR)
        return false;
    static_cast<std::vector<double>&>(*ioFrame->NewFloatField(inId)) = std::move(values);
    return true;
}

// ---- XML

DxXmlGridParser::DxXmlGridParser(CxData& ioData)
{
    if (ioData.Size() == 0)
        return;
    {
        CxAutoLock lock(ioData);
        mParsed = Parse(ioData.Pointer(), ioData.Size(), true);
    }
    const XmlRoot* root = Root();
    const XmlElement* grid = mParsed && root != nullptr ? root->FindElement("grid") : nullptr;
    if (grid == nullptr)
        return;
    mBaseDate = CxDate(grid->GetAttribute("date"));

    const XmlElement* projection = grid->FindElement("projection");
    if (projection == nullptr)
        return;
    GxProjectionFactory factory;
    SetProjection(*factory.Create(projection));

    const XmlElement* origin = grid->FindElement("gridOrigin");
    if (origin == nullptr)
        return;
    const double lon = origin->GetAttribute("lon").AsDouble();
    const double lat = origin->GetAttribute("lat").AsDouble();
    // Degrees stand as written, so that a degree grid reads back exactly what it wrote.
    if (dynamic_cast<const GxDegreeProjection*>(Projection()) != nullptr)
        mOrigin = GxPoint(lon, lat);
    else
        mOrigin = Projection()->Project(GxPosition().FromDegrees(lon, lat));

    const XmlElement* size = grid->FindElement("gridSize");
    if (size == nullptr)
        return;
    SetSize(size->GetAttribute("width").AsUint32(), size->GetAttribute("height").AsUint32());

    const XmlElement* cell = grid->FindElement("cellSize");
    if (cell == nullptr)
        return;
    mCellSize = GxPoint(cell->GetAttribute("width").AsDouble(), cell->GetAttribute("height").AsDouble());
}

bool DxXmlGridParser::ParseField(DxFrame* ioFrame, const CxString& inId)
{
    const XmlRoot* root = Root();
    const XmlElement* grid = mParsed && root != nullptr ? root->FindElement("grid") : nullptr;
    if (grid == nullptr)
        return false;
    const std::size_t cells = std::size_t(mWidth) * std::size_t(mHeight);
    bool found = false;
    for (auto item = grid->ItemBegin(); item != grid->ItemEnd(); ++item)
    {
        const XmlElement* xml = AsXmlElementWithName(*item, "field");
        // Ids are matched exactly: two fields may differ in case only.
        if (xml == nullptr || xml->GetAttribute("id").CompareTo(inId) != 0)
            continue;
        const std::vector<CxString> tokens = Tokens(xml->GetContent());
        if (cells != 0 && tokens.size() != cells)
        {
            CxDebug(CxUint64(tokens.size()));
            continue;
        }
        const CxString type = xml->GetAttribute("type");
        DxField* field = nullptr;
        if (type == "float")
        {
            DxFloatField* values = ioFrame->NewFloatField(inId);
            for (const CxString& token : tokens)
                values->push_back(ReadDouble(token));
            values->SetUnit(DxUnit(xml->GetAttribute("units")));
            field = values;
        }
        else if (type == "int" || type == "integer")
        {
            DxIntField* values = ioFrame->NewIntField(inId);
            for (const CxString& token : tokens)
                values->push_back(token.AsSint32());
            values->SetUnit(DxUnit(xml->GetAttribute("units")));
            field = values;
        }
        else if (type == "string")
        {
            DxStringField* values = ioFrame->NewStringField(inId);
            for (const CxString& token : tokens)
                values->push_back(token);
            field = values;
        }
        else
        {
            CxAssert(false);
            continue;
        }
        field->SetName(xml->GetAttribute("name"));
        found = true;
    }
    return found;
}
