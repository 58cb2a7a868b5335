#include "DxKTSBuilder.h"

#include "CxDebug.h"
#include "DxDeriver.h"
#include "DxFrame.h"
#include "DxKdfParsers.h"
#include "DxParmInfo.h"
#include "DxSeriesClient.h"
#include "DxSeriesManager.h"

#include <algorithm>
#include <cmath>
#include <limits>

DxKTSBuilder::DxKTSBuilder(DxSeriesManager* inManager, CxData& ioData) : mManager(inManager)
{
    if (ioData.Size() != 0)
        mParser = std::make_unique<DxKdfUncompressedParser>(ioData);
}

DxKTSBuilder::~DxKTSBuilder() = default;

DxTable* DxKTSBuilder::BuildTable(DxSeriesClient* inClient)
{
    CxAssertText(mParser != nullptr, "mParser != nil");
    if (mParser == nullptr)
        return nullptr;
    mManager->Region().AssertHeld();
    auto table = std::make_unique<DxTable>();
    table->SetDate(mParser->HeaderDate());
    mParser->ParseField(table.get(), "stid");
    const std::vector<DxParm> parms = inClient->Parms();
    for (DxParm parm : parms)
    {
        if (!mManager->HasClient(inClient))
            break;
        inClient->UpdateParm(parm);
        AddParmToTable(parm, table.get());
        CxAssertText(mDerivationStack.empty(), "mDerivationStack.size() == 0");
    }
    bool complete = mManager->HasClient(inClient);
    for (DxParm parm : parms)
    {
        if (!complete)
            break;
        inClient->UpdateParm(parm);
        const DxField* field = table->FindField(parm.Key());
        complete = field != nullptr && field->Count() != 0;
    }
    if (complete && table->FindFloatField("time:secs") != nullptr)
        return table.release();
    return nullptr;
}

void DxKTSBuilder::AddParmToTable(const DxParm& inParm, DxTable* ioTable)
{
    const CxString& id = inParm.Id();
    DxField* field = nullptr;
    switch (inParm.Type())
    {
    case kDxTypeInteger:
        mParser->ParseField(ioTable, id);
        if (ioTable->FindIntField(id) == nullptr)
            CloneIntField(id, ioTable);
        field = ioTable->FindIntField(id);
        if (field == nullptr)
            return;
        mManager->DescribeField(field, id);
        break;
    case kDxTypeString:
        mParser->ParseField(ioTable, id);
        if (ioTable->FindStringField(id) == nullptr)
            CloneStringField(id, ioTable);
        field = ioTable->FindStringField(id);
        if (field == nullptr)
            return;
        break;
    case kDxTypeFloat:
    {
        if (ioTable->FindFloatField(id) == nullptr)
            mParser->ParseField(ioTable, id);
        if (ioTable->FindFloatField(id) == nullptr)
            CloneFloatField(id, ioTable);
        if (ioTable->FindFloatField(id) == nullptr)
            DeriveIt(ioTable, inParm);
        DxFloatField* floats = ioTable->FindFloatField(id);
        if (floats == nullptr)
            return;
        mManager->DescribeField(floats, id);
        ConvertUnits(floats, inParm.Unit());
        field = floats;
        break;
    }
    default:
        return;
    }
    field->SetId(inParm.Key());
}

void DxKTSBuilder::DeriveIt(DxTable* ioTable, const DxParm& inParm)
{
    const DxDerivedParm derived = mManager->FindDerivedParm(inParm.Id());
    DxDeriver deriver(inParm.Id(), derived.Func(), ioTable->Date());
    if (!deriver.IsValid())
        return;
    mDerivationStack.push_back(inParm.Id());
    bool ready = true;
    for (const CxString& argument : derived.Args())
    {
        if (ioTable->FindFloatField(argument) != nullptr)
            continue;
        mParser->ParseField(ioTable, argument);
        if (DxFloatField* field = ioTable->FindFloatField(argument))
        {
            mManager->DescribeField(field, argument);
            continue;
        }
        CloneFloatField(argument, ioTable);
        if (DxFloatField* field = ioTable->FindFloatField(argument))
        {
            mManager->DescribeField(field, argument);
            continue;
        }
        if (std::find(mDerivationStack.begin(), mDerivationStack.end(), argument) == mDerivationStack.end())
            DeriveIt(ioTable, mManager->FindParm(argument));
        if (ioTable->FindFloatField(argument) == nullptr)
        {
            ready = false;
            break;
        }
    }
    if (ready)
        deriver.Derive(ioTable, derived.Args());
    const auto iter = std::find(mDerivationStack.begin(), mDerivationStack.end(), inParm.Id());
    if (iter != mDerivationStack.end())
        mDerivationStack.erase(iter);
}

void DxKTSBuilder::CloneIntField(const CxString& inId, DxTable* ioTable)
{
    mManager->CloneSiteField(inId, "stid", ioTable, &DxFrame::FindIntField, &DxFrame::NewIntField, CxSint32(0));
}

void DxKTSBuilder::CloneFloatField(const CxString& inId, DxTable* ioTable)
{
    mManager->CloneSiteField(inId, "stid", ioTable, &DxFrame::FindFloatField, &DxFrame::NewFloatField,
                             std::numeric_limits<double>::quiet_NaN());
}

void DxKTSBuilder::CloneStringField(const CxString& inId, DxTable* ioTable)
{
    mManager->CloneSiteField(inId, "stid", ioTable, &DxFrame::FindStringField, &DxFrame::NewStringField, CxString());
}

void DxKTSBuilder::ConvertUnits(DxFloatField* ioField, const DxUnit& inUnit)
{
    if (!ioField->Unit().IsCompatibleWith(inUnit))
        return;
    const DxUnitConverter converter(ioField->Unit(), inUnit);
    for (double& value : *ioField)
        value = converter.Convert(value);
    ioField->SetUnit(inUnit);
}
