#include "DxSeriesManager.h"

#include "CxDebug.h"
#include "DxCache.h"
#include "DxConfigParsers.h"
#include "DxFrame.h"
#include "DxKTSBuilder.h"
#include "DxKdfParsers.h"
#include "DxSeriesClient.h"

#include <algorithm>

DxSeriesManager::DxSeriesManager(const CxString& inId) : DxStationManager(inId)
{
    CxAssertText(mCache != nullptr, "mCache != nil");
    TakeCachedInfo("config.xml", [this](CxData& ioData) { return ParseConfig(ioData); });
    TakeCachedInfo("parminfo.xml", [this](CxData& ioData) { return ParseParmList(ioData); });
    Register(mId, this);
    mExtensions.push_back(".kts");
}

DxSeriesManager::~DxSeriesManager()
{
    Close(); // before anything a running job reads goes
    Unregister(mId, this);
}

bool DxSeriesManager::ParseConfig(CxData& ioData)
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
        mTimeSeriesUrlFormat = UrlPattern(JoinUrl(base, parser.StringProperty("timeSeriesUrlFormat")));
        SetTimeResolution(parser.SecondsProperty("fileResolution"));
        mDataResolution = parser.SecondsProperty("dataResolution");
        if (const CxSint32 stale = parser.SecondsProperty("staleThreshold"); stale != 0)
            mStaleThreshold = stale;
        mQueryUrlFormat = parser.StringProperty("dataQueryUrlFormat");
        mQueryDateFormat = parser.StringProperty("dataQueryDateFormatString");
        if (const CxSint32 threshold = parser.SecondsProperty("minimumCheckThreshold"); threshold != 0)
            mMinimumCheckThreshold = threshold;
        mMimeMapping = parser.StringProperty("mimeTypeMapping");
        if (parser.StringProperty("updateCachedData") == "false")
            mUpdateCachedData = false;
        if (const CxSint32 offset = parser.SecondsProperty("dataResolutionOffset"); offset != 0)
            mDataResolutionOffset = offset;
        SetStatus("Idle.");
        result = true;
    }
    catch (...)
    {
        SetStatus("Invalid config.xml.");
    }
    // A refresh that does not read leaves an earlier configuration in force, subscriptions included.
    mConfigured = mConfigured || result;
    return result;
}

CxUint32 DxSeriesManager::GetDataInterval() const
{
    CxAutoLock lock(mRegion); // a configuration job may be replacing it
    return static_cast<CxUint32>(mDataResolution);
}

CxDate DxSeriesManager::ClipDateToDataResolution(const CxDate& inDate) const
{
    CxSint32 dataResolution = 0;
    CxSint32 offset = 0;
    {
        CxAutoLock lock(mRegion); // a configuration job may be replacing them
        dataResolution = mDataResolution;
        offset = mDataResolutionOffset;
    }
    const CxDateFields fields = inDate.AsFields(0);
    if (dataResolution <= 0)
        return CxDate(fields.mYear, fields.mMonth, fields.mDay, fields.mHour, fields.mMinute, 0, 0);
    const long long resolution = dataResolution;
    const CxDate yearStart(fields.mYear, 1, 1, 0, 0, 0, 0);
    const long long seconds = static_cast<long long>(inDate - yearStart);
    CxDate result = yearStart + static_cast<double>(resolution * (seconds / resolution)) + offset;
    // An offset can carry the step past the date; the step before it is then the latest one.
    if (result > inDate)
        result -= static_cast<double>(resolution);
    return result;
}

bool DxSeriesManager::OnAcceptData(CxData& ioData, const CxString&)
{
    // The KTS reader's header and a first station row, as the builder needs them.
    try
    {
        DxKdfUncompressedParser parser(ioData);
        return HasStations(parser);
    }
    catch (...)
    {
        return false;
    }
}

DxFrame* DxSeriesManager::OnBuildFrameForClient(DxRecord*, const CxString&, CxData& inData, DxClient* inClient)
{
    auto* client = dynamic_cast<DxSeriesClient*>(inClient);
    if (client == nullptr)
        return nullptr;
    DxKTSBuilder builder(this, inData);
    std::unique_ptr<DxTable> table(builder.BuildTable(client));
    if (table != nullptr && table->CountFields() == 0)
        return nullptr;
    return table.release();
}

// The ".kts" extension is the manager's own; the files need no sub-folder.
CxString DxSeriesManager::OnGetFilenameForRecord(DxRecord* inRecord, CxStringList&)
{
    if (GetTimeResolution() < 1)
        return mId;
    return inRecord->mDate.AsString(CxString("%Y%m%d"), 0) + inRecord->mAttributes;
}

CxString DxSeriesManager::OnGetUrlForRecord(DxRecord* inRecord)
{
    CxAssertText(inRecord != nullptr, "inRecord != nil");
    if (inRecord == nullptr)
        return CxString();
    CxString pattern = mTimeSeriesUrlFormat;
    pattern.ReplaceAll("%siteid;", inRecord->mAttributes, 0);
    return inRecord->mDate.AsString(pattern, 0);
}

CxString DxSeriesManager::OnGetQueryUrl(const DxSubscription& inSubscription)
{
    return FillQueryUrl(inSubscription);
}
