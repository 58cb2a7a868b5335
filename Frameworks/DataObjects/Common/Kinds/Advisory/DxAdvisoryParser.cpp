#include "DxAdvisoryParser.h"

#include "CxDebug.h"
#include "CxError.h"
#include "DxAdvisoryClient.h"
#include "DxAdvisoryManager.h"
#include "DxShape.h"
#include "DxShapeFileReader.h"
#include "XmlElement.h"

DxAdvisoryParser::DxAdvisoryParser(CxData& ioData)
{
    if (ioData.GetHandle() == nullptr || ioData.Size() == 0)
        return;
    ioData.Lock();
    mParsed = XmlParser::Parse(ioData.GetHandle(), ioData.Size(), true);
    ioData.Unlock();
}

DxAdvisoryParser::~DxAdvisoryParser() = default;

std::unique_ptr<DxShape> DxAdvisoryParser::Parse(DxAdvisoryManager* inManager, DxAdvisoryClient* inClient,
                                                 bool inAutoClose)
{
    mManager = inManager;
    mArchive = nullptr;
    mAutoClose = inAutoClose;
    std::unique_ptr<GxProjection> projection;
    if (inManager != nullptr && inClient != nullptr)
    {
        CxAutoLock lock(inManager->Region());
        if (inManager->HasClient(inClient))
        {
            mIds = inClient->GetAdvisoryClientIds();
            projection = inClient->CopyProjection();
        }
    }
    std::unique_ptr<DxShape> shape = Build(projection.get());
    mManager = nullptr;
    return shape;
}

std::unique_ptr<DxShape> DxAdvisoryParser::Parse(DxShapeArchiveParser* inArchive, const CxStringList& inIds,
                                                 const GxProjection& inProjection)
{
    mManager = nullptr;
    mArchive = inArchive;
    mIds = inIds;
    mAutoClose = false;
    std::unique_ptr<DxShape> shape = Build(&inProjection);
    mArchive = nullptr;
    return shape;
}

std::unique_ptr<DxShape> DxAdvisoryParser::GetShapeForId(const CxString& inId)
{
    if (mManager != nullptr)
        return mManager->RequestPolygon(inId);
    if (mArchive == nullptr)
        return nullptr;
    try
    {
        if (const DxShape* outline = mArchive->GetShapeForId(inId))
            return std::make_unique<DxShape>(*outline);
    }
    catch (const CxError& inError)
    {
        CxDebug(inError.AsString());
    }
    return nullptr;
}

std::unique_ptr<DxShape> DxAdvisoryParser::Build(const GxProjection* inProjection)
{
    if (!mParsed || inProjection == nullptr || Root() == nullptr)
        return nullptr;
    const XmlElement* lcz = Root()->FindElement("lcz");
    const XmlElement* ref = lcz != nullptr ? lcz->FindElement("ref") : nullptr;
    if (ref == nullptr)
        return nullptr;
    mBaseDate = CxDate(1970, 1, 1, 0, 0, 0, 0) + lcz->GetAttribute("base").AsDouble();
    std::unique_ptr<DxShape> shape = InitializeShape(*inProjection);
    mReferences.clear();
    ParseEvents(ref);
    shape->BeginData();
    if (const XmlElement* zones = lcz->FindElement("zs"))
        ParseAreas(zones, "z", shape.get());
    if (const XmlElement* counties = lcz->FindElement("cs"))
        ParseAreas(counties, "c", shape.get());
    if (const XmlElement* polygons = lcz->FindElement("ls"))
        ParseLSTag(polygons, shape.get());
    shape->EndData();
    return shape;
}

std::unique_ptr<DxShape> DxAdvisoryParser::InitializeShape(const GxProjection& inProjection)
{
    auto shape = std::make_unique<DxShape>(inProjection);
    mFields.mStationId = shape->NewStringField("stationId");
    mFields.mPhenomenon = shape->NewStringField("phenomenon");
    mFields.mId = shape->NewStringField("id");
    mFields.mExpireTime = shape->NewDateField("expireTime");
    mFields.mEndTime = shape->NewDateField("endTime");
    mFields.mUrlIndex = shape->NewIntField("urlIndex");
    mFields.mUrls = shape->NewStringField("urls");
    mFields.mList = shape->NewStringField("list");
    // Reference numbers count events from 1.
    mFields.mUrls->push_back("1-based");
    return shape;
}

void DxAdvisoryParser::ParseEvents(const XmlElement* inRef)
{
    for (const XmlElement* event : inRef->GetElements())
    {
        RefRecord& record = mReferences[event->GetAttribute("id").AsSint32()];
        record = RefRecord{event->GetAttribute("stid"), mBaseDate + event->GetAttribute("exp").AsDouble(),
                           mBaseDate + event->GetAttribute("end").AsDouble(), event->GetAttribute("file")};
        mFields.mUrls->push_back(record.mFile);
    }
}

bool DxAdvisoryParser::ReadPhenomenon(const XmlElement* inPs, CxString& outPhenomenon, CxSint32& outRef) const
{
    outPhenomenon = inPs->GetAttribute("id");
    outPhenomenon.ReplaceAll(".", "", 0);
    const XmlElement* first = inPs->FindElement("r");
    outRef = (first != nullptr ? first : inPs)->GetAttribute("ref").AsSint32();
    return mIds.empty() || mIds.Find(outPhenomenon) != mIds.end();
}

void DxAdvisoryParser::ParseAreas(const XmlElement* inList, const char* inChild, DxShape* ioShape)
{
    for (const XmlElement* area : inList->GetElements())
    {
        if (area->Name() != inChild)
            continue;
        const CxString id = area->GetAttribute("id");
        for (const XmlElement* ps : area->GetElements())
        {
            CxString phenomenon;
            CxSint32 ref = 0;
            // Only a "ps" names a phenomenon: any other child would add the area again.
            if (ps->Name() != "ps" || !ReadPhenomenon(ps, phenomenon, ref))
                continue;
            if (const std::unique_ptr<DxShape> outline = GetShapeForId(id))
                AddRows(ioShape, outline.get(), phenomenon, ref, id, id);
        }
    }
}

void DxAdvisoryParser::ParseLSTag(const XmlElement* inList, DxShape* ioShape)
{
    for (const XmlElement* line : inList->GetElements())
    {
        if (line->Name() != "l")
            continue;
        CxString phenomenon;
        CxSint32 ref = 0; // an "l" without "ps" refers to no event
        CxString list;
        if (const XmlElement* ps = line->FindElement("ps"))
        {
            if (!ReadPhenomenon(ps, phenomenon, ref))
                continue;
            list = ps->GetAttribute("cs");
        }
        else if (!mIds.empty() && mIds.Find(phenomenon) == mIds.end())
            continue;
        DxShape polygon{GxDegreeProjection()};
        polygon.BeginData();
        polygon.AcceptVertex(mAutoClose);
        for (const CxString& piece : line->GetAttribute("id").Tokenize(' '))
        {
            const CxStringList parts = piece.Tokenize(',');
            if (parts.size() != 2)
                continue;
            const double latitude = parts.front().AsDouble();
            const double longitude = parts.back().AsDouble();
            if (latitude == 0 || longitude == 0)
                continue;
            // The separator ends a polygon as it stands; only the last one is closed.
            if (latitude == 99.99 && longitude == -99.99)
                polygon.AcceptVertex(false);
            else
                polygon.AcceptPosition(GxPosition().FromDegrees(longitude, latitude));
        }
        polygon.AcceptVertex(mAutoClose);
        polygon.EndData();
        AddRows(ioShape, &polygon, phenomenon, ref, "polygon", list);
    }
}

void DxAdvisoryParser::AddRows(DxShape* ioShape, const DxShape* inPart, const CxString& inPhenomenon, CxSint32 inRef,
                               const CxString& inId, const CxString& inList)
{
    const CxUint32 before = ioShape->CountPolygons();
    ioShape->Combine(inPart);
    const auto found = mReferences.find(inRef);
    const RefRecord record = found != mReferences.end() ? found->second : RefRecord();
    for (CxUint32 i = before; i < ioShape->CountPolygons(); ++i)
    {
        mFields.mPhenomenon->push_back(inPhenomenon);
        mFields.mExpireTime->push_back(record.mExpire);
        mFields.mEndTime->push_back(record.mEnd);
        mFields.mStationId->push_back(record.mStationId);
        mFields.mId->push_back(inId);
        mFields.mUrlIndex->push_back(inRef);
        mFields.mList->push_back(inList);
    }
}
