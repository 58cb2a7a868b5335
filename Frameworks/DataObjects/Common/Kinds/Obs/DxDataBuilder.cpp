#include "DxDataBuilder.h"

#include "CxDebug.h"
#include "DxAnalysis.h"
#include "DxDeriver.h"
#include "DxFrame.h"
#include "DxGridParsers.h"
#include "DxKdfParsers.h"
#include "DxObsClient.h"
#include "DxObsManager.h"
#include "DxParmInfo.h"
#include "GxProjection.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The analysis projection: flat earth with its standard latitude in the middle of the contiguous states.
const GxPosition kAnalysisCentre = GxPosition().FromDegrees(-100.0, 35.48);
// Above this many cells a single pass keeps the analysis affordable.
constexpr CxSint32 kMultiPassCells = 4000;

void ConvertUnits(DxFloatField* ioField, const DxUnit& inUnit)
{
    if (!ioField->Unit().IsCompatibleWith(inUnit))
        return;
    const DxUnitConverter converter(ioField->Unit(), inUnit);
    for (double& value : *ioField)
        value = converter.Convert(value);
    ioField->SetUnit(inUnit);
}

} // namespace

DxDataBuilder::DxDataBuilder(DxObsManager* inManager, CxData& ioData, const CxString& inMime) : mManager(inManager)
{
    if (inMime == "text/xkdf")
        mTableReader = std::make_unique<DxXkdfParser>(ioData);
    else if (inMime == "application/kdf")
        mTableReader = std::make_unique<DxKdfUncompressedParser>(ioData);
    else if (inMime == "text/wxml")
        mGridReader = std::make_unique<DxXmlGridParser>(ioData);
    else if (inMime == "application/netcdf")
        mGridReader = std::make_unique<DxNetCDFGridParser>(ioData);
}

DxDataBuilder::~DxDataBuilder() = default;

DxTable* DxDataBuilder::BuildTable(DxObsClient* inClient)
{
    mManager->Region().AssertHeld();
    if (mTableReader != nullptr)
        return TableFromStations(inClient).release();
    if (mGridReader != nullptr)
        return TableFromGridFile(inClient).release();
    return nullptr;
}

DxGrid* DxDataBuilder::BuildGrid(DxObsClient* inClient)
{
    mManager->Region().AssertHeld();
    if (mTableReader != nullptr)
        return GridFromStations(inClient).release();
    if (mGridReader != nullptr)
        return GridFromGridFile(inClient).release();
    return nullptr;
}

std::unique_ptr<DxTable> DxDataBuilder::TableFromStations(DxObsClient* inClient)
{
    auto table = std::make_unique<DxTable>();
    if (!mTableReader->ParseField(table.get(), "stid") || table->FindStringField("stid") == nullptr)
        return nullptr;
    table->FindStringField("stid")->SetId("stid:nada");
    for (DxParm parm : inClient->Parms())
    {
        if (!mManager->HasClient(inClient))
            return nullptr;
        inClient->UpdateParm(parm);
        AddParmToFrame(parm, table.get());
        CxAssertText(mDerivationStack.empty(), "mDerivationStack.size() == 0");
        mDerivationStack.clear();
    }
    if (!mManager->HasClient(inClient))
        return nullptr;
    if (inClient->WantsEverything())
        mTableReader->ParseAllFields(table.get());
    AddSiteInfo(table.get());
    // A table needs at least one station it can place.
    const DxFloatField* lat = table->FindFloatField("lat:degr");
    const DxFloatField* lon = table->FindFloatField("lon:degr");
    if (lat == nullptr || lon == nullptr)
        return nullptr;
    bool placed = false;
    for (std::size_t i = 0; i < lat->size() && i < lon->size() && !placed; ++i)
        placed = !std::isnan((*lat)[i]) && !std::isnan((*lon)[i]);
    if (!placed)
        return nullptr;
    table->SetDate(mTableReader->BaseDate());
    return table;
}

std::unique_ptr<DxGrid> DxDataBuilder::GridFromGridFile(DxObsClient* inClient)
{
    auto grid = std::make_unique<DxGrid>(*mGridReader->Projection(), static_cast<CxSint32>(mGridReader->Width()),
                                         static_cast<CxSint32>(mGridReader->Height()), mGridReader->Origin(),
                                         mGridReader->CellSize());
    const CxUint32 before = grid->CountFields();
    const std::vector<DxParm> parms = inClient->Parms();
    CxUint32 added = 0;
    for (DxParm parm : parms)
    {
        if (!mManager->HasClient(inClient))
            return nullptr;
        inClient->UpdateParm(parm);
        if (AddParmToFrame(parm, grid.get()))
            ++added;
        CxAssertText(mDerivationStack.empty(), "mDerivationStack.size() == 0");
        mDerivationStack.clear();
    }
    if (!mManager->HasClient(inClient) || grid->CountFields() == before || added < parms.size())
        return nullptr;
    grid->SetDate(mGridReader->BaseDate());
    return grid;
}

std::unique_ptr<DxTable> DxDataBuilder::TableFromGridFile(DxObsClient* inClient)
{
    std::unique_ptr<DxGrid> grid = GridFromGridFile(inClient);
    if (grid == nullptr)
        return nullptr;
    auto table = std::make_unique<DxTable>();
    for (DxParm parm : inClient->Parms())
    {
        if (!mManager->HasClient(inClient))
            return nullptr;
        inClient->UpdateParm(parm);
        if (DxField* field = grid->FindField(parm.Key()))
        {
            grid->OrphanField(field);
            table->AdoptField(field);
        }
    }
    for (const char* id : {"lat:degr", "lon:degr"})
        if (table->FindField(id) != nullptr)
            table->ClearField(id);
    auto lat = std::make_unique<DxFloatField>("lat:degr");
    auto lon = std::make_unique<DxFloatField>("lon:degr");
    const GxProjection* projection = grid->Projection();
    const GxPoint origin = grid->Origin();
    const GxPoint delta = grid->Delta();
    for (CxSint32 j = 0; j < grid->Height(); ++j)
        for (CxSint32 i = 0; i < grid->Width(); ++i)
        {
            const GxPosition where =
                projection->Unproject(GxPoint(origin.mX + i * delta.mX, origin.mY + j * delta.mY)).AsDegrees();
            lat->push_back(where.mLatitude);
            lon->push_back(where.mLongitude);
        }
    table->AdoptField(lat.release());
    table->AdoptField(lon.release());
    table->SetDate(mGridReader->BaseDate());
    return table;
}

std::unique_ptr<DxGrid> DxDataBuilder::GridFromStations(DxObsClient* inClient)
{
    std::unique_ptr<DxTable> table = TableFromStations(inClient);
    if (table == nullptr)
        return nullptr;
    const DxFloatField* lat = table->FindFloatField("lat:degr");
    const DxFloatField* lon = table->FindFloatField("lon:degr");
    if (lat == nullptr || lon == nullptr || lat->empty() || lon->empty())
        return nullptr;
    const GxFlatProjection projection(kAnalysisCentre);
    std::vector<double> xs;
    std::vector<double> ys;
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < lat->size() && i < lon->size(); ++i)
    {
        if (std::isnan((*lat)[i]) || std::isnan((*lon)[i]))
            continue;
        const GxPoint point = projection.Project(GxPosition().FromDegrees((*lon)[i], (*lat)[i]));
        if (std::isnan(point.mX) || std::isnan(point.mY))
            continue;
        xs.push_back(point.mX);
        ys.push_back(point.mY);
        rows.push_back(i);
    }
    DxAnalysis analysis(xs, ys, 4);
    if (!analysis.HasGrid())
        return nullptr;
    if (static_cast<double>(analysis.Width()) * analysis.Height() > kMultiPassCells)
        analysis.SetNumPass(1);
    auto grid = std::make_unique<DxGrid>(projection, analysis.Width(), analysis.Height(),
                                         GxPoint(analysis.OriginX(), analysis.OriginY()),
                                         GxPoint(analysis.Dx(), analysis.Dy()));
    std::vector<double> values(rows.size());
    for (DxParm parm : inClient->Parms())
    {
        inClient->UpdateParm(parm);
        const DxFloatField* data = table->FindFloatField(parm.Key());
        if (data == nullptr)
            return nullptr;
        CxAssertText(lat->size() == data->size(), "latField->size() == dataField->size()");
        double lowest = std::numeric_limits<double>::infinity();
        double highest = -lowest;
        for (const double value : *data)
            if (!std::isnan(value))
            {
                lowest = std::min(lowest, value);
                highest = std::max(highest, value);
            }
        analysis.mLowerBound = lowest;
        analysis.mUpperBound = highest;
        analysis.mUseLowerBound = analysis.mUseUpperBound = lowest <= highest;
        for (std::size_t k = 0; k < rows.size(); ++k)
            values[k] = rows[k] < data->size() ? (*data)[rows[k]] : kNaN;
        CxAssertText(values.size() == xs.size(), "dataVector.size() == latVector.size()");
        analysis.Analyze(values);
        DxFloatField* field = grid->NewFloatField(parm.Key());
        field->SetUnit(data->Unit());
        field->assign(analysis.Grid().begin(), analysis.Grid().end());
    }
    grid->SetDate(table->Date());
    return grid;
}

bool DxDataBuilder::ReadColumn(DxFrame* ioFrame, const CxString& inId)
{
    if (mTableReader != nullptr)
        return mTableReader->ParseField(ioFrame, inId);
    return mGridReader != nullptr && mGridReader->ParseField(ioFrame, inId);
}

bool DxDataBuilder::FitsFrame(const DxFrame* inFrame, const CxString& inId) const
{
    const auto* grid = dynamic_cast<const DxGrid*>(inFrame);
    const DxField* field = inFrame->FindField(inId);
    if (grid == nullptr || field == nullptr)
        return field != nullptr;
    return field->Count() == static_cast<CxUint32>(grid->Width()) * static_cast<CxUint32>(grid->Height());
}

bool DxDataBuilder::AddParmToFrame(const DxParm& inParm, DxFrame* ioFrame)
{
    const CxString& id = inParm.Id();
    DxField* field = nullptr;
    switch (inParm.Type())
    {
    case kDxTypeFloat:
    {
        if (ioFrame->FindFloatField(id) == nullptr)
            ReadColumn(ioFrame, id);
        if (ioFrame->FindFloatField(id) == nullptr)
            CloneFloatField(id, ioFrame);
        if (ioFrame->FindFloatField(id) == nullptr)
            DeriveIt(ioFrame, inParm);
        DxFloatField* floats = ioFrame->FindFloatField(id);
        if (floats == nullptr)
            return false;
        mManager->DescribeField(floats, id);
        ConvertUnits(floats, inParm.Unit());
        field = floats;
        break;
    }
    case kDxTypeInteger:
        if (ioFrame->FindIntField(id) == nullptr)
            ReadColumn(ioFrame, id);
        if (ioFrame->FindIntField(id) == nullptr)
            CloneIntField(id, ioFrame);
        field = ioFrame->FindIntField(id);
        if (field == nullptr)
            return false;
        mManager->DescribeField(field, id);
        break;
    case kDxTypeString:
        if (ioFrame->FindStringField(id) == nullptr)
            ReadColumn(ioFrame, id);
        if (ioFrame->FindStringField(id) == nullptr)
            CloneStringField(id, ioFrame);
        field = ioFrame->FindStringField(id);
        if (field == nullptr)
            return false;
        break;
    default:
        return false;
    }
    if (!FitsFrame(ioFrame, id))
    {
        ioFrame->ClearField(id);
        return false;
    }
    field->SetId(inParm.Key());
    return true;
}

void DxDataBuilder::DeriveIt(DxFrame* ioFrame, const DxParm& inParm)
{
    const DxDerivedParm derived = mManager->FindDerivedParm(inParm.Id());
    DxDeriver deriver(inParm.Id(), derived.Func(), ioFrame->Date());
    if (!deriver.IsValid())
        return;
    mDerivationStack.push_back(inParm.Id());
    bool ready = true;
    for (const CxString& argument : derived.Args())
    {
        const DxParm description = mManager->FindParm(argument);
        if (ioFrame->FindFloatField(argument) == nullptr)
            ReadColumn(ioFrame, argument);
        if (ioFrame->FindFloatField(argument) == nullptr)
            CloneFloatField(argument, ioFrame);
        if (ioFrame->FindFloatField(argument) == nullptr)
        {
            if (std::find(mDerivationStack.begin(), mDerivationStack.end(), argument) == mDerivationStack.end())
                DeriveIt(ioFrame, description);
            else
            {
                const std::string line = " ** ERROR: can't recursively derive " + argument.AsUtf8();
                _CxDebugOut(__FILE__, __LINE__, line.c_str(), line.c_str());
            }
        }
        DxFloatField* field = ioFrame->FindFloatField(argument);
        if (field == nullptr)
        {
            ready = false;
            break;
        }
        // The deriver converts its arguments itself; the label must say what the values are.
        mManager->DescribeField(field, argument);
    }
    if (ready)
        deriver.Derive(ioFrame, derived.Args());
    mDerivationStack.pop_back();
}

void DxDataBuilder::AddSiteInfo(DxTable* ioTable)
{
    const auto site = [](const char* inId, DxType inType, const char* inUnit)
    { return DxParm(inId, inId, inType, DxUnit(inUnit), DxUnitSet(), 1.0); };
    AddParmToFrame(site("lat", kDxTypeFloat, "degr"), ioTable);
    AddParmToFrame(site("lon", kDxTypeFloat, "degr"), ioTable);
    AddParmToFrame(site("name", kDxTypeString, "nada"), ioTable);
}

void DxDataBuilder::CloneIntField(const CxString& inId, DxFrame* ioFrame)
{
    if (mGridReader == nullptr)
        mManager->CloneSiteField(inId, "stid:nada", ioFrame, &DxFrame::FindIntField, &DxFrame::NewIntField,
                                 CxSint32(0));
}

void DxDataBuilder::CloneFloatField(const CxString& inId, DxFrame* ioFrame)
{
    if (mGridReader == nullptr)
        mManager->CloneSiteField(inId, "stid:nada", ioFrame, &DxFrame::FindFloatField, &DxFrame::NewFloatField, kNaN);
}

void DxDataBuilder::CloneStringField(const CxString& inId, DxFrame* ioFrame)
{
    if (mGridReader == nullptr)
        mManager->CloneSiteField(inId, "stid:nada", ioFrame, &DxFrame::FindStringField, &DxFrame::NewStringField,
                                 CxString());
}
