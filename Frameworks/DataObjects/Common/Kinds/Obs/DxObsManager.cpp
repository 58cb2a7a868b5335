#include "DxObsManager.h"

#include "CxDebug.h"
#include "CxMime.h"
#include "DxCache.h"
#include "DxConfigParsers.h"
#include "DxDataBuilder.h"
#include "DxFrame.h"
#include "DxGridParsers.h"
#include "DxKdfParsers.h"
#include "DxNidsNetCDF.h"
#include "DxObsClient.h"

#include <algorithm>

DxObsManager::DxObsManager(const CxString& inId) : DxStationManager(inId)
{
    CxAssertText(mCache != nullptr, "mCache != nil");
    TakeCachedInfo("config.xml", [this](CxData& ioData) { return ParseConfig(ioData); });
    TakeCachedInfo("parminfo.xml", [this](CxData& ioData) { return ParseParmList(ioData); });
    Register(mId, this);
    mExtensions.push_back(".kdf");
    mExtensions.push_back(".xkdf");
    mExtensions.push_back(".nc");
}

DxObsManager::~DxObsManager()
{
    Close(); // before anything a running job reads goes
    Unregister(mId, this);
}

bool DxObsManager::ParseConfig(CxData& ioData)
{
    CxAutoLock lock(mRegion);
    CxAssertText(mCache != nullptr, "mCache != nil");
    bool result = false;
    try
    {
        const DxConfigParser parser(ioData);
        if (!parser.FoundRoot())
            throw -1;
        const CxString base = ReadDescription(parser, mConfigUrl);
        mSiteInfoUrl = JoinUrl(base, parser.StringProperty("siteInfoUrl"));
        mParmInfoUrl = JoinUrl(base, parser.StringProperty("parmInfoUrl"));
        mDataUrlFormat = UrlPattern(JoinUrl(base, parser.StringProperty("dataUrlFormat")));
        mQueryUrlFormat = parser.StringProperty("dataQueryUrlFormat");
        mQueryDateFormat = parser.StringProperty("dataQueryDateFormatString");
        if (const CxSint32 stale = parser.SecondsProperty("staleThreshold"); stale != 0)
            mStaleThreshold = stale;
        if (const CxSint32 threshold = parser.SecondsProperty("minimumCheckThreshold"); threshold != 0)
            mMinimumCheckThreshold = threshold;
        if (parser.StringProperty("archive") == "auto")
            mArchive = true;
        if (parser.StringProperty("updateCachedData") == "false")
            mUpdateCachedData = false;
        if (const CxSint32 offset = parser.SecondsProperty("dataResolutionOffset"); offset != 0)
            mDataResolutionOffset = offset;
        mMimeMapping = parser.StringProperty("mimeTypeMapping");
        SetStatus("Idle.");
        result = true;
        // Read last and on its own: a bad resolution leaves an otherwise good configuration in force.
        if (const CxSint32 resolution = parser.SecondsProperty("dataResolution"); resolution > 0)
            SetTimeResolution(resolution);
    }
    catch (...)
    {
        SetStatus("Invalid config.xml.");
    }
    // A refresh that does not read leaves an earlier configuration in force, subscriptions included.
    mConfigured = mConfigured || result;
    return result;
}

bool DxObsManager::OnAcceptData(CxData& ioData, const CxString& inExtension)
{
    // The readers the update will use, asked for what every frame needs: a station or a parsed grid.
    const CxString mime = CxMimeInfo::FromExtension(inExtension).Mime();
    try
    {
        if (mime == "application/kdf")
        {
            DxKdfUncompressedParser parser(ioData);
            return HasStations(parser);
        }
        if (mime == "text/xkdf")
        {
            DxXkdfParser parser(ioData);
            return HasStations(parser);
        }
        if (mime == "text/wxml")
            return DxXmlGridParser(ioData).Parsed();
        if (mime == "application/netcdf")
        {
            CxAutoLock lock(ioData);
            return NidsNetCDFParser::PlausibleHeader(static_cast<const CxUint8*>(ioData.Pointer()), ioData.Size());
        }
    }
    catch (...)
    {
        // A format version the readers do not take.
        return false;
    }
    return true;
}

DxFrame* DxObsManager::OnBuildFrameForClient(DxRecord* inRecord, const CxString& inMime, CxData& inData,
                                             DxClient* inClient)
{
    DxDataBuilder builder(this, inData, inMime);
    auto* client = dynamic_cast<DxObsClient*>(inClient);
    if (client == nullptr)
        return nullptr;
    CxDate date;
    {
        CxAutoLock lock(mRegion);
        date = inRecord->Date();
    }
    DxFrame* frame = nullptr;
    switch (client->FrameType())
    {
    case kDxFrameTable:
        frame = builder.BuildTable(client);
        break;
    case kDxFrameGrid:
        frame = builder.BuildGrid(client);
        break;
    default:
        CxAssertText(false, "frameType");
        break;
    }
    if (frame != nullptr)
        frame->SetDate(date);
    return frame;
}

CxString DxObsManager::OnGetFilenameForRecord(DxRecord* inRecord, CxStringList& outFolders)
{
    outFolders.push_back("kdf");
    if (GetTimeResolution() < 1)
        return mId;
    return inRecord->Date().AsString(FileDateFormat(), 0);
}

CxString DxObsManager::OnGetUrlForRecord(DxRecord* inRecord)
{
    CxAssertText(inRecord != nullptr, "inRecord != nil");
    if (inRecord == nullptr)
        return CxString();
    return inRecord->mDate.AsString(mDataUrlFormat, 0);
}

CxString DxObsManager::OnGetQueryUrl(const DxSubscription& inSubscription)
{
    return FillQueryUrl(inSubscription);
}
