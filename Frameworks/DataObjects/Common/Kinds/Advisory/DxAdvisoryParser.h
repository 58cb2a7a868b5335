// The reader of one advisory document: the areas under advisory as one shape in the client's projection, with
// one row of attributes per polygon. Zones and counties are outlines the set's archive holds, named by id; free
// polygons are given as coordinates. Only the phenomena the client shows pass.
//
// <lcz base="seconds since 1970"> <ref> <e id="n" stid="" exp="s" end="s" file=""/>... </ref>
//   <zs><z id="outline"><ps id="FL.W" ref="n"><r ref="n"/></ps>...</z>...</zs>   (and <cs> with <c>)
//   <ls><l id="lat,lon lat,lon ... 99.99,-99.99 lat,lon ..."><ps id="" ref="n" cs="list text"/></l>...</ls>
// </lcz>
#pragma once

#include "CxData.h"
#include "CxDate.h"
#include "CxString.h"
#include "XmlParser.h"

#include <map>
#include <memory>

class DxAdvisoryClient;
class DxAdvisoryManager;
class DxDateField;
class DxIntField;
class DxShape;
class DxShapeArchiveParser;
class DxStringField;
class GxProjection;
class XmlElement;

class DxAdvisoryParser : public XmlParser
{
public:
    // One source event. Without an event, a reference reads as no station and the time of reading.
    struct RefRecord
    {
        CxString mStationId;
        CxDate mExpire;
        CxDate mEnd;
        CxString mFile;
    };

    // Parses the whole document at once.
    explicit DxAdvisoryParser(CxData& ioData);
    ~DxAdvisoryParser() override;

    bool Parsed() const { return mParsed; }
    // The client's ids and projection are copied under the manager's lock, then the client's. Null for a
    // document that is not one, or a client that has left the manager.
    [[nodiscard]] std::unique_ptr<DxShape> Parse(DxAdvisoryManager* inManager, DxAdvisoryClient* inClient,
                                                 bool inAutoClose);
    // The same for a caller holding an archive, ids and projection itself; free polygons stay open.
    [[nodiscard]] std::unique_ptr<DxShape> Parse(DxShapeArchiveParser* inArchive, const CxStringList& inIds,
                                                 const GxProjection& inProjection);
    // A copy of a zone or county outline; null when there is none.
    [[nodiscard]] std::unique_ptr<DxShape> GetShapeForId(const CxString& inId);

private:
    struct Fields
    {
        DxStringField* mStationId;
        DxStringField* mPhenomenon;
        DxStringField* mId;
        DxDateField* mExpireTime;
        DxDateField* mEndTime;
        DxIntField* mUrlIndex;
        DxStringField* mUrls;
        DxStringField* mList;
    };

    std::unique_ptr<DxShape> Build(const GxProjection* inProjection);
    std::unique_ptr<DxShape> InitializeShape(const GxProjection& inProjection);
    void ParseEvents(const XmlElement* inRef);
    // Zones ("zs" of "z") and counties ("cs" of "c") alike.
    void ParseAreas(const XmlElement* inList, const char* inChild, DxShape* ioShape);
    void ParseLSTag(const XmlElement* inList, DxShape* ioShape);
    // Whether the client shows the phenomenon of a "ps"; reads its code and reference number.
    bool ReadPhenomenon(const XmlElement* inPs, CxString& outPhenomenon, CxSint32& outRef) const;
    // Combines the part into the shape and gives each polygon it added a row.
    void AddRows(DxShape* ioShape, const DxShape* inPart, const CxString& inPhenomenon, CxSint32 inRef,
                 const CxString& inId, const CxString& inList);

    bool mParsed = false;
    bool mAutoClose = false;
    DxAdvisoryManager* mManager = nullptr;
    DxShapeArchiveParser* mArchive = nullptr;
    CxStringList mIds;
    CxDate mBaseDate;
    Fields mFields{};
    std::map<CxSint32, RefRecord> mReferences;
};
