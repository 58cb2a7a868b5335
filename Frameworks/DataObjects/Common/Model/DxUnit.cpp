#include "DxUnit.h"

#include "CxCriticalRegion.h"
#include "CxData.h"
#include "CxDebug.h"
#include "CxLocalize.h"
#include "XmlElement.h"
#include "XmlParser.h"

DxUnit::PrivateRecord::Table* DxUnit::PrivateRecord::sRecords = nullptr;

namespace
{

// Answers lookups while the table is empty or lacks "nada", so that a handle always points at a row. Never freed:
// handles made during static construction or destruction may still point at it.
const DxUnit::PrivateRecord* BuiltInNada()
{
    static const DxUnit::PrivateRecord* const sNada = new DxUnit::PrivateRecord{"nada", "nada", 1.0, 0.0};
    return sNada;
}

bool TableIsEmpty()
{
    return DxUnit::PrivateRecord::sRecords == nullptr || DxUnit::PrivateRecord::sRecords->empty();
}

} // namespace

void DxUnit::Load()
{
    CxData data(CxString("xml"), CxString("DxUnitTable"));
    Load(data);
}

void DxUnit::Load(CxData& ioData)
{
    CxAssertText(TableIsEmpty(), "sRecords.empty()");

    XmlParser parser;
    bool parsed = false;
    {
        CxAutoLock lock(ioData);
        parsed = parser.Parse(ioData.Pointer(), ioData.Size(), true);
    }
    if (!parsed)
        return;

    const XmlElement* table = nullptr;
    for (auto iter = parser.Root()->ItemBegin(); iter != parser.Root()->ItemEnd() && table == nullptr; ++iter)
        table = AsXmlElementWithName(*iter, CxString("xml"));
    if (table == nullptr)
        return;

    if (PrivateRecord::sRecords == nullptr)
        PrivateRecord::sRecords = new PrivateRecord::Table;
    PrivateRecord::Table& records = *PrivateRecord::sRecords;
    const CxString kUnit("unit"), kId("id"), kBase("base"), kScale("scale"), kOffset("offset");
    for (auto iter = table->ItemBegin(); iter != table->ItemEnd(); ++iter)
    {
        const XmlElement* row = AsXmlElementWithName(*iter, kUnit);
        if (row == nullptr)
            continue;
        // A row already in the table is updated in place: live handles point at it.
        PrivateRecord*& slot = records[row->GetAttribute(kId)];
        if (slot == nullptr)
        {
            slot = new PrivateRecord;
            slot->mId = row->GetAttribute(kId);
        }
        slot->mBase = row->GetAttribute(kBase);
        slot->mScale = row->GetAttribute(kScale).AsDouble();
        slot->mOffset = row->GetAttribute(kOffset).AsDouble();
    }
}

void DxUnit::Unload()
{
    CxAssertText(!TableIsEmpty(), "!sRecords.empty()");
    if (PrivateRecord::sRecords == nullptr)
        return;
    for (auto& entry : *PrivateRecord::sRecords)
        delete entry.second;
    PrivateRecord::sRecords->clear();
}

const DxUnit::PrivateRecord* DxUnit::Find(const CxString& inId)
{
    CxAssertText(!TableIsEmpty(), "!sRecords.empty()");
    if (PrivateRecord::sRecords == nullptr)
        return BuiltInNada();
    const PrivateRecord::Table& records = *PrivateRecord::sRecords;
    auto found = records.find(inId);
    if (found == records.end())
        found = records.find(CxString("nada"));
    return found != records.end() ? found->second : BuiltInNada();
}

DxUnit::DxUnit() : mRecord(Find(CxString("nada"))) {}

DxUnit::DxUnit(const CxString& inId) : mRecord(Find(inId)) {}

DxUnit::DxUnit(const DxUnit& inOther) : mRecord(Find(inOther.Id())) {}

CxString DxUnit::Name() const
{
    return CxLocalize(CxString("dxUnit_") + Id());
}

CxString DxUnit::Symbol() const
{
    static const char16_t kSquared[] = {0x00B2, 0};
    static const char16_t kCubed[] = {0x00B3, 0};
    CxString symbol = CxLocalize(CxString("dxSym_") + Id());
    symbol.ReplaceAll(CxString("^2"), CxString(kSquared), 0);
    symbol.ReplaceAll(CxString("^3"), CxString(kCubed), 0);
    return symbol;
}

std::vector<DxUnit> DxUnit::CompatibleUnits() const
{
    std::vector<DxUnit> units;
    if (PrivateRecord::sRecords == nullptr)
        return units;
    for (const auto& entry : *PrivateRecord::sRecords)
    {
        if (entry.second->mBase == BaseId())
            units.push_back(DxUnit(static_cast<const PrivateRecord*>(entry.second)));
    }
    return units;
}

DxUnitConverter::DxUnitConverter(const DxUnit& inSource, const DxUnit& inDest)
    : mSource(inSource), mDest(inDest), mFactor(inDest.Scale() / inSource.Scale()),
      mOffset(inDest.Offset() - inDest.Scale() * inSource.Offset() / inSource.Scale())
{
    CxAssert(mSource.IsCompatibleWith(inDest));
}

CxString DxUnitConverter::Name() const
{
    return mSource.Name() + " to " + mDest.Name();
}
